#pragma once
// The page-names window's pictures, drawn in code so they follow the main menu's
// colours without shipping image files: the background with its tabs, panel and
// captions, and the three page-button faces.
#include <QPixmap>

namespace pw::pagenames {

inline constexpr QSize kBackgroundSize{641, 482};

// The window's background: banner, left column with the logo frame, the Main Menu /
// Edit Pages / Name Pages tabs (Name Pages current) and the naming panel whose
// captions sit beside the three name boxes.
QPixmap Background();

enum class ButtonFace { Normal, Pressed, Disabled };

// A 26 x 34 pixel button face showing `digit` (1 to 3).
QPixmap PageButtonFace(int digit, ButtonFace face);

}  // namespace pw::pagenames
