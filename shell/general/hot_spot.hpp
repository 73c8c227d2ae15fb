#pragma once
// Click areas laid over a window's background picture: a transparent label with a
// tooltip and a hand cursor, and a button drawn from normal/pressed/disabled pictures.
#include <QAbstractButton>
#include <QLabel>
#include <QPixmap>

class QMainWindow;

namespace pw {

inline constexpr int kTwipsPerPixel = 15;
constexpr int Px(int twips) { return twips / kTwipsPerPixel; }
// A rectangle given as left, top, width, height in twips.
QRect TwipsRect(int left, int top, int width, int height);

class HotSpot : public QLabel {
    Q_OBJECT
public:
    HotSpot(const QString& name, const QString& caption, const QString& toolTip, QWidget* parent);

signals:
    void clicked();

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
};

class PictureButton : public QAbstractButton {
    Q_OBJECT
public:
    PictureButton(const QString& name, QPixmap normal, QPixmap pressed, QPixmap disabled, QWidget* parent);

protected:
    void paintEvent(QPaintEvent* event) override;

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

// The small round "?" picture that opens a window's quick help, centred in `geometry`.
QAbstractButton* HelpIcon(const QString& name, QRect geometry, QWidget* parent);

// A picture of the widgets several windows share ("banner.png", "page1-normal.png"...),
// compiled into this library; a null pixmap for a name it does not hold.
QPixmap SharedPicture(const QString& name);

// Page button 1, 2 or 3 drawn from the shared page button pictures.
PictureButton* PageButton(const QString& name, int digit, QRect geometry, QWidget* parent);

}  // namespace pw
