#pragma once
// Click areas laid over a window's background picture: a transparent label with a
// tooltip and a hand cursor, and a button drawn from normal/pressed/disabled pictures.
// Both are reached with Tab as well, show a focus frame, act on Enter and Space, and
// tell screen readers that they are buttons and what they do.
#include <QAbstractButton>
#include <QLabel>
#include <QPixmap>

class QMainWindow;

namespace pw {

inline constexpr int kTwipsPerPixel = 15;
constexpr int Px(int twips) { return twips / kTwipsPerPixel; }
// A rectangle given as left, top, width, height in twips.
QRect TwipsRect(int left, int top, int width, int height);

// A screen reader names a hot-spot by its accessible name when one is set, else by its
// caption or, when that is blank, its tooltip, trimmed: the words the user sees.
class HotSpot : public QLabel {
    Q_OBJECT
public:
    HotSpot(const QString& name, const QString& caption, const QString& toolTip, QWidget* parent);

    QString SpokenName() const;

signals:
    void clicked();

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
};

class PictureButton : public QAbstractButton {
    Q_OBJECT
public:
    PictureButton(const QString& name, QPixmap normal, QPixmap pressed, QPixmap disabled, QWidget* parent);

protected:
    void paintEvent(QPaintEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    QPixmap normal_, pressed_, disabled_;
};

// Places `window` at the centre of the screen it would appear on.
void CentreOnScreen(QWidget& window);

// Places `window` beside `opener`: to its right, else to its left when there is no room,
// and always wholly on the opener's screen.
void PlaceBeside(QWidget& window, const QWidget& opener);

// Gives `window` its name, makes closing it unload it, and installs the white client
// area the pictures and hot-spots are laid on; returns that area.
QWidget* SetUpPictureWindow(QMainWindow& window, const QString& name);

// The height of a window's background picture, the same in every main window.
inline constexpr int kPictureHeight = 482;

// The inside height of a main window whose frame (title bar and borders) is
// `frameHeight` and whose menu bar is `menuHeight`: 7850 twips outside, as far as that
// leaves no band below the picture; with a thinner frame (or none) it holds the menu
// bar and the picture exactly.
int PictureWindowHeight(int frameHeight, int menuHeight, int pictureHeight = kPictureHeight);

// Sizes `window` (9600 twips wide) by PictureWindowHeight, now and again whenever the
// window manager's frame becomes known or changes.
void FitPictureWindow(QMainWindow& window, int pictureHeight = kPictureHeight);

// Chains the Tab order of every widget inside `area` that takes the focus as the
// picture reads: top to bottom, and left to right along a line.
void OrderTabsAsRead(QWidget& area);

// A picture from the resources, `path` or, on a screen of more than one device pixel to
// the point, its twice-as-large rendering `name@2x.png` beside it when there is one.
QPixmap SharpPicture(const QString& path);

// The small round "?" picture that opens a window's quick help, centred in `geometry`.
QAbstractButton* HelpIcon(const QString& name, QRect geometry, QWidget* parent);

// A picture of the widgets several windows share ("banner.png", "page1-normal.png"...),
// compiled into this library; a null pixmap for a name it does not hold.
QPixmap SharedPicture(const QString& name);

// Page button 1, 2 or 3 drawn from the shared page button pictures.
PictureButton* PageButton(const QString& name, int digit, QRect geometry, QWidget* parent);

}  // namespace pw
