#include "shell/general/hot_spot.hpp"

#include <QAccessible>
#include <QAccessibleWidget>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QMainWindow>
#include <QMouseEvent>
#include <QPainter>
#include <QPushButton>
#include <QScreen>
#include <algorithm>
#include <utility>

// The pictures live in this static library, so it registers them itself on first use.
static void RegisterSharedPictures() { Q_INIT_RESOURCE(general); }

namespace pw {
namespace {

bool IsActivationKey(const QKeyEvent& event) {
    const int key = event.key();
    return !event.isAutoRepeat() && (key == Qt::Key_Return || key == Qt::Key_Enter || key == Qt::Key_Space);
}

// Drawn over the item the widget lies on: an accent line with a white edge inside, so it
// shows on the white, grey and dark parts of the pictures alike.
void DrawFocusFrame(QWidget& widget) {
    QPainter painter(&widget);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setBrush(Qt::NoBrush);
    const QRectF outer = QRectF(widget.rect()).adjusted(1, 1, -1, -1);
    painter.setPen(QPen(QColor(0xe0, 0x7b, 0x28), 2));
    painter.drawRoundedRect(outer, 3, 3);
    painter.setPen(QPen(Qt::white, 1));
    painter.drawRoundedRect(outer.adjusted(1.5, 1.5, -1.5, -1.5), 2, 2);
}

// A hot-spot is a label to Qt; to a screen reader it is the button it stands for.
class HotSpotAccessible final : public QAccessibleWidget {
public:
    explicit HotSpotAccessible(HotSpot* spot) : QAccessibleWidget(spot, QAccessible::Button) {}

    QString text(QAccessible::Text kind) const override {
        if (kind == QAccessible::Name) return spot().SpokenName();
        return QAccessibleWidget::text(kind);
    }
    QStringList actionNames() const override { return QStringList{pressAction()} + QAccessibleWidget::actionNames(); }
    // Later, as a click comes: the action may close the window this hot-spot is in.
    void doAction(const QString& action) override {
        if (action != pressAction()) return QAccessibleWidget::doAction(action);
        if (spot().isEnabled()) QMetaObject::invokeMethod(&spot(), &HotSpot::clicked, Qt::QueuedConnection);
    }
    QStringList keyBindingsForAction(const QString&) const override { return {}; }

private:
    HotSpot& spot() const { return *static_cast<HotSpot*>(widget()); }
};

QAccessibleInterface* HotSpotInterface(const QString& className, QObject* object) {
    if (className != QLatin1String(HotSpot::staticMetaObject.className())) return nullptr;
    return new HotSpotAccessible(static_cast<HotSpot*>(object));
}

}  // namespace

QPixmap SharpPicture(const QString& path) {
    if (qApp && qApp->devicePixelRatio() > 1.0) {
        const qsizetype dot = path.lastIndexOf(QLatin1Char('.'));
        QPixmap sharp(dot < 0 ? path + QStringLiteral("@2x") : QString(path).insert(dot, QStringLiteral("@2x")));
        if (!sharp.isNull()) {
            sharp.setDevicePixelRatio(2);
            return sharp;
        }
    }
    return QPixmap(path);
}

QPixmap SharedPicture(const QString& name) {
    static const bool registered = (RegisterSharedPictures(), true);
    (void)registered;
    return SharpPicture(QStringLiteral(":/general/") + name);
}

QRect TwipsRect(int left, int top, int width, int height) { return {Px(left), Px(top), Px(width), Px(height)}; }

HotSpot::HotSpot(const QString& name, const QString& caption, const QString& toolTip, QWidget* parent)
    : QLabel(caption, parent) {
    static const bool accessible = (QAccessible::installFactory(&HotSpotInterface), true);
    (void)accessible;
    setObjectName(name);
    setToolTip(toolTip);
    setCursor(Qt::PointingHandCursor);
    setAttribute(Qt::WA_TranslucentBackground);
    setFocusPolicy(Qt::TabFocus);
}

QString HotSpot::SpokenName() const {
    if (!accessibleName().isEmpty()) return accessibleName();
    const QString caption = text().trimmed();
    return caption.isEmpty() ? toolTip().trimmed() : caption;
}

// The press is taken here so it does not reach the window and start a drag.
void HotSpot::mousePressEvent(QMouseEvent* event) { event->accept(); }

void HotSpot::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint())) emit clicked();
}

void HotSpot::keyPressEvent(QKeyEvent* event) {
    if (!IsActivationKey(*event)) return QLabel::keyPressEvent(event);
    event->accept();
    emit clicked();
}

void HotSpot::paintEvent(QPaintEvent* event) {
    QLabel::paintEvent(event);
    if (hasFocus()) DrawFocusFrame(*this);
}

PictureButton::PictureButton(const QString& name, QPixmap normal, QPixmap pressed, QPixmap disabled, QWidget* parent)
    : QAbstractButton(parent),
      normal_(std::move(normal)),
      pressed_(std::move(pressed)),
      disabled_(std::move(disabled)) {
    setObjectName(name);
    setFocusPolicy(Qt::TabFocus);
}

// Space clicks as on any button; Enter does too, as on the hot-spots beside it.
void PictureButton::keyPressEvent(QKeyEvent* event) {
    if (!IsActivationKey(*event) || event->key() == Qt::Key_Space) return QAbstractButton::keyPressEvent(event);
    event->accept();
    click();
}

void PictureButton::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    const QPixmap& picture = !isEnabled() ? disabled_ : isDown() ? pressed_ : normal_;
    // Pictures keep their own size, centred on the button as on a graphical button face.
    const QSize size = picture.deviceIndependentSize().toSize();
    painter.drawPixmap(QRect(QPoint((width() - size.width()) / 2, (height() - size.height()) / 2), size), picture);
    painter.end();
    if (hasFocus()) DrawFocusFrame(*this);
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

int PictureWindowHeight(int frameHeight, int menuHeight, int pictureHeight) {
    return std::min(Px(7850) - frameHeight, menuHeight + pictureHeight);
}

namespace {

int MenuHeight(const QMainWindow& window) {
    const QWidget* menu = window.menuWidget();
    if (!menu) return 0;
    const int wrapped = menu->heightForWidth(Px(9600));
    return wrapped > 0 ? wrapped : menu->sizeHint().height();
}

// The frame is the window manager's: it is known only some time after the window shows,
// and may change with the theme, so the size follows it.
class PictureWindowSizer final : public QObject {
public:
    static constexpr QLatin1String kName{"PictureWindowSizer"};

    PictureWindowSizer(QMainWindow& window, int pictureHeight)
        : QObject(&window), window_(window), pictureHeight_(pictureHeight) {
        setObjectName(kName);
        window.installEventFilter(this);
    }

    void Fit() {
        const int frame = window_.frameGeometry().height() - window_.geometry().height();
        window_.setFixedSize(Px(9600), PictureWindowHeight(frame, MenuHeight(window_), pictureHeight_));
    }

protected:
    bool eventFilter(QObject*, QEvent* event) override {
        switch (event->type()) {
            case QEvent::Show:
            case QEvent::Move:
            case QEvent::Paint:
            case QEvent::WindowActivate: Fit(); break;
            default: break;
        }
        return false;
    }

private:
    QMainWindow& window_;
    int pictureHeight_;
};

}  // namespace

void FitPictureWindow(QMainWindow& window, int pictureHeight) {
    auto* sizer = static_cast<PictureWindowSizer*>(
        window.findChild<QObject*>(PictureWindowSizer::kName, Qt::FindDirectChildrenOnly));
    if (!sizer) sizer = new PictureWindowSizer(window, pictureHeight);
    sizer->Fit();
}

namespace {

// The widgets inside `area` that take the focus by Tab, as the picture reads; the ones
// inside a panel or picture stay together, where that panel stands.
void CollectTabStops(QWidget& area, QList<QWidget*>& stops) {
    QList<QWidget*> children = area.findChildren<QWidget*>(Qt::FindDirectChildrenOnly);
    std::stable_sort(children.begin(), children.end(), [](const QWidget* a, const QWidget* b) {
        return std::pair(a->y(), a->x()) < std::pair(b->y(), b->x());
    });
    for (QWidget* child : children) {
        if (child->isWindow()) continue;
        if ((child->focusPolicy() & Qt::TabFocus) || child->focusProxy())
            stops.append(child);
        else
            CollectTabStops(*child, stops);
    }
}

}  // namespace

void OrderTabsAsRead(QWidget& area) {
    QList<QWidget*> stops;
    CollectTabStops(area, stops);
    for (qsizetype i = 1; i < stops.size(); ++i) QWidget::setTabOrder(stops[i - 1], stops[i]);
}

QAbstractButton* HelpIcon(const QString& name, QRect geometry, QWidget* parent) {
    auto* icon = new QPushButton(QStringLiteral("?"), parent);
    icon->setObjectName(name);
    icon->setAccessibleName(QStringLiteral("Quick Help"));
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
    button->setAccessibleName(QStringLiteral("Page %1").arg(digit));
    return button;
}

}  // namespace pw
