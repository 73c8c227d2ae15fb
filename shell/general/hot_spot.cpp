#include "shell/general/hot_spot.hpp"

#include <QGuiApplication>
#include <QMainWindow>
#include <QMouseEvent>
#include <QPainter>
#include <QPushButton>
#include <QScreen>
#include <algorithm>

// The pictures live in this static library, so it registers them itself on first use.
static void RegisterSharedPictures() { Q_INIT_RESOURCE(general); }

namespace pw {

QPixmap SharedPicture(const QString& name) {
    static const bool registered = (RegisterSharedPictures(), true);
    (void)registered;
    return QPixmap(QStringLiteral(":/general/") + name);
}

QRect TwipsRect(int left, int top, int width, int height) { return {Px(left), Px(top), Px(width), Px(height)}; }

HotSpot::HotSpot(const QString& name, const QString& caption, const QString& toolTip, QWidget* parent)
    : QLabel(caption, parent) {
    setObjectName(name);
    setToolTip(toolTip);
    setCursor(Qt::PointingHandCursor);
    setAttribute(Qt::WA_TranslucentBackground);
}

// The press is taken here so it does not reach the window and start a drag.
void HotSpot::mousePressEvent(QMouseEvent* event) { event->accept(); }

void HotSpot::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint())) emit clicked();
}

PictureButton::PictureButton(const QString& name, QPixmap normal, QPixmap pressed, QPixmap disabled, QWidget* parent)
    : QAbstractButton(parent),
      normal_(std::move(normal)),
      pressed_(std::move(pressed)),
      disabled_(std::move(disabled)) {
    setObjectName(name);
}

void PictureButton::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    const QPixmap& picture = !isEnabled() ? disabled_ : isDown() ? pressed_ : normal_;
    // Pictures keep their own size, centred on the button as on a graphical button face.
    const QSize size = picture.deviceIndependentSize().toSize();
    painter.drawPixmap(QRect(QPoint((width() - size.width()) / 2, (height() - size.height()) / 2), size), picture);
}

void CentreOnScreen(QWidget& window) {
    const QScreen* screen = window.screen() ? window.screen() : QGuiApplication::primaryScreen();
    if (!screen) return;
    const QRect area = screen->geometry();
    window.move(area.x() + (area.width() - window.width()) / 2, area.y() + (area.height() - window.height()) / 2);
}

void PlaceBeside(QWidget& window, const QWidget& opener) {
    const QRect beside = opener.frameGeometry();
    const QScreen* screen = opener.screen() ? opener.screen() : QGuiApplication::primaryScreen();
    if (!screen) return window.move(beside.topRight());
    const QRect area = screen->availableGeometry();
    const QSize size = window.frameGeometry().size();
    int left = beside.right() + 1;
    if (left + size.width() > area.right() + 1) left = beside.left() - size.width();
    left = std::clamp(left, area.left(), std::max(area.left(), area.right() + 1 - size.width()));
    const int top = std::clamp(beside.top(), area.top(), std::max(area.top(), area.bottom() + 1 - size.height()));
    window.move(left, top);
}

QWidget* SetUpPictureWindow(QMainWindow& window, const QString& name) {
    window.setObjectName(name);
    window.setAttribute(Qt::WA_DeleteOnClose);
    auto* client = new QWidget(&window);
    client->setObjectName(QStringLiteral("client"));
    client->setAutoFillBackground(true);
    client->setPalette(QPalette(Qt::white));
    window.setCentralWidget(client);
    return client;
}

QAbstractButton* HelpIcon(const QString& name, QRect geometry, QWidget* parent) {
    auto* icon = new QPushButton(QStringLiteral("?"), parent);
    icon->setObjectName(name);
    icon->setStyleSheet(QStringLiteral(
        "QPushButton { background: #2f6fb0; color: white; font-weight: bold; border: none; border-radius: 9px; }"));
    const QSize size(19, 19);
    icon->setGeometry(QRect(geometry.center() - QPoint(size.width() / 2, size.height() / 2), size));
    return icon;
}

PictureButton* PageButton(const QString& name, int digit, QRect geometry, QWidget* parent) {
    const QString stem = QStringLiteral("page%1").arg(digit);
    auto* button = new PictureButton(name, SharedPicture(stem + "-normal.png"), SharedPicture(stem + "-pressed.png"),
                                     SharedPicture(stem + "-disabled.png"), parent);
    button->setGeometry(geometry);
    return button;
}

}  // namespace pw
