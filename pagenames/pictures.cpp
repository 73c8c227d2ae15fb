#include "pagenames/pictures.hpp"

#include <QGuiApplication>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <algorithm>

#include "shell/general/hot_spot.hpp"

namespace pw::pagenames {
namespace {

const QColor kNavy(0x17, 0x32, 0x4d);
const QColor kOrange(0xf2, 0x8f, 0x3b);
const QColor kPanel(0xee, 0xf1, 0xf4);
const QColor kRule(0xcf, 0xd8, 0xe0);
const QColor kMuted(0x5b, 0x6b, 0x7a);
const QColor kInk(0x1f, 0x2d, 0x3a);

QFont Sans(int pixelSize, bool bold = false) {
    QFont font(QStringLiteral("DejaVu Sans"));
    font.setPixelSize(pixelSize);
    font.setBold(bold);
    return font;
}

void Text(QPainter& painter, QPoint at, const QString& text, const QFont& font, const QColor& colour) {
    painter.setFont(font);
    painter.setPen(colour);
    painter.drawText(at, text);
}

void RoundedBox(QPainter& painter, QRectF box, qreal radius, const QColor& fill, const QColor& outline) {
    painter.setPen(outline.isValid() ? QPen(outline) : Qt::NoPen);
    painter.setBrush(fill);
    painter.drawRoundedRect(box, radius, radius);
}

void Banner(QPainter& painter) {
    QLinearGradient shade(0, 0, kBackgroundSize.width(), 0);
    shade.setColorAt(0, QColor(0x51, 0x67, 0x7c));
    shade.setColorAt(1, QColor(0x81, 0x96, 0xa9));
    painter.fillRect(0, 0, kBackgroundSize.width(), 38, shade);
    painter.fillRect(0, 37, kBackgroundSize.width(), 1, QColor(0x3c, 0x4f, 0x61));
}

// Page buttons at the top of the column, the logo pane's frame in its middle.
void LeftColumn(QPainter& painter) {
    painter.fillRect(QRect(0, 38, 214, 414), QColor(0xf4, 0xf7, 0xf9));
    painter.fillRect(QRect(214, 38, 1, 414), QColor(0xdd, 0xe3, 0xe8));
    Text(painter, {128, 64}, QStringLiteral("Select Page"), Sans(12, true), kNavy);
    Text(painter, {128, 80}, QStringLiteral("to build it"), Sans(10), kMuted);
    painter.fillRect(QRect(24, 104, 175, 1), QColor(0xdd, 0xe3, 0xe8));
    Text(painter, {16, 130}, QStringLiteral("Welcome"), Sans(12, true), kNavy);
    RoundedBox(painter, QRectF(12.5, 140.5, 191, 153), 6, Qt::white, kRule);
    Text(painter, {16, 314}, QStringLiteral("Name your pages here,"), Sans(10), kMuted);
    Text(painter, {16, 328}, QStringLiteral("then build them one by one."), Sans(10), kMuted);
}

void Tab(QPainter& painter, int left, int right, const QString& caption, bool current) {
    constexpr int kBaseLine = 68;
    if (current) {
        RoundedBox(painter, QRectF(left, 42, right - left, kBaseLine + 4 - 42), 6, kNavy, {});
    } else {
        RoundedBox(painter, QRectF(left + 0.5, 44.5, right - left, kBaseLine - 44), 6, QColor(0xe6, 0xec, 0xf1), kRule);
    }
    painter.setFont(Sans(11, true));
    painter.setPen(current ? Qt::white : kNavy);
    painter.drawText(QRect(left, current ? 42 : 44, right - left, 26), Qt::AlignCenter, caption);
}

// Tabs at the top right, Name Pages drawn as the current one; the other two lie
// under the window's hot-spots.
void Tabs(QPainter& painter) {
    painter.fillRect(QRect(214, 68, kBackgroundSize.width() - 214, 1), kRule);
    Tab(painter, 226, 344, QStringLiteral("Main Menu"), false);
    Tab(painter, Px(5280) - 2, Px(5280) + Px(1815) + 2, QStringLiteral("Edit Pages"), false);
    Tab(painter, Px(7440) - 2, Px(7440) + Px(1695) + 2, QStringLiteral("Name Pages"), true);
    painter.fillRect(QRect(214, 69, kBackgroundSize.width() - 214, 4), kNavy);
}

// The panel around the three name boxes (left 312, tops 152, 192, 232 pixels).
void NamingPanel(QPainter& painter) {
    RoundedBox(painter, QRectF(236.5, 96.5, 380, 300), 10, kPanel, QColor(0xd5, 0xdc, 0xe3));
    Text(painter, {256, 124}, QStringLiteral("Name Your Pages"), Sans(16, true), kNavy);
    painter.fillRect(QRect(256, 134, 340, 1), kRule);

    const QString hints[] = {QStringLiteral("your home page"), QStringLiteral("your second page"),
                             QStringLiteral("your third page")};
    for (int row = 0; row < 3; ++row) {
        const int top = Px(2280 + 600 * row);
        painter.setFont(Sans(12, true));
        painter.setPen(kInk);
        painter.drawText(QRect(244, top, 60, 19), Qt::AlignRight | Qt::AlignVCenter,
                         QStringLiteral("Page %1").arg(row + 1));
        painter.setFont(Sans(10));
        painter.setPen(kMuted);
        painter.drawText(QRect(404, top, 200, 19), Qt::AlignLeft | Qt::AlignVCenter, hints[row]);
    }

    const QString lines[] = {
        QStringLiteral("The names label the links between your pages."),
        QStringLiteral("Page 1 is always saved as index.html. Pages 2"),
        QStringLiteral("and 3 are saved under their names, in lower case"),
        QStringLiteral("and without blanks: About us gives aboutus.html."),
    };
    for (int line = 0; line < 4; ++line) Text(painter, {256, 288 + 18 * line}, lines[line], Sans(11), kInk);

    RoundedBox(painter, QRectF(252.5, 358.5, 348, 26), 6, QColor(0xfd, 0xe7, 0xd3), QColor(0xf6, 0xc4, 0x9a));
    painter.setPen(Qt::NoPen);
    painter.setBrush(kOrange);
    painter.drawEllipse(QPointF(266, 371.5), 4, 4);
    Text(painter, {278, 376}, QStringLiteral("Then click 1, 2 or 3 to build that page."), Sans(12, true),
         QColor(0xa4, 0x51, 0x1a));
}

void BottomBand(QPainter& painter) {
    painter.fillRect(QRect(0, 452, kBackgroundSize.width(), 30), kNavy);
    painter.setFont(Sans(10));
    painter.setPen(QColor(0x9f, 0xb3, 0xc6));
    painter.drawText(QRect(0, 452, 620, 30), Qt::AlignRight | Qt::AlignVCenter,
                     QStringLiteral("Build  \u00b7  Edit  \u00b7  Publish"));
}

}  // namespace

// Painted at the screen's density, so it stays as sharp as the text around it.
QPixmap Background() {
    const qreal density = qApp ? std::max<qreal>(1, qApp->devicePixelRatio()) : 1;
    QPixmap picture(kBackgroundSize * density);
    picture.setDevicePixelRatio(density);
    picture.fill(Qt::white);
    QPainter painter(&picture);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setRenderHint(QPainter::TextAntialiasing);
    Banner(painter);
    LeftColumn(painter);
    Tabs(painter);
    NamingPanel(painter);
    BottomBand(painter);
    return picture;
}

}  // namespace pw::pagenames
