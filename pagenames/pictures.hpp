#pragma once
// The page-names window's background, drawn in code so it follows the main menu's
// colours: its tabs, panel and captions. The page buttons use the shared pictures.
#include <QPixmap>

namespace pw::pagenames {

inline constexpr QSize kBackgroundSize{641, 482};

// The window's background: banner, left column with the logo frame, the Main Menu /
// Edit Pages / Name Pages tabs (Name Pages current) and the naming panel whose
// captions sit beside the three name boxes.
QPixmap Background();

}  // namespace pw::pagenames
