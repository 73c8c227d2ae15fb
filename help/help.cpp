#include "help/help.hpp"

#include <QComboBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QTimer>
#include <QToolBar>
#include <algorithm>

#include "platform/platform.hpp"
#include "shell/general/hot_spot.hpp"

namespace pw {
namespace {

const QString kCaption = QStringLiteral("KW5 SiteFoundry Help");
const QString kBusyCaption = QStringLiteral("Working...");

// The design size of the window's inner area, in twips: room for a help page beside
// the 9600-twip main windows.
constexpr int kDesignWidth = 8400;
constexpr int kDesignHeight = 7200;
// Below this the title, the address strip and a strip of the page would not all show.
constexpr int kMinimumSide = 2400;

// A size computed in twips, as pixels; a negative result (a tiny or minimised
// window) is applied as zero rather than handed to the widget.
int ClampedPx(int twips) { return Px(std::max(0, twips)); }

// The currently open viewer; a closed one is hidden until its deferred delete runs.
QPointer<Help>& OpenViewer() {
    static QPointer<Help> viewer;
    return viewer;
}

}  // namespace

Help::Help(Platform& platform, QWidget* parent) : QWidget(parent), platform_(platform) {
    setObjectName(QStringLiteral("Help"));
    setAttribute(Qt::WA_DeleteOnClose);
    setAutoFillBackground(true);
    setPalette(QPalette(Qt::white));
    setMinimumSize(Px(kMinimumSide), Px(kMinimumSide));

    // No buttons: none of them would act. The strip keeps the window's banner look.
    tbToolBar = new QToolBar(this);
    tbToolBar->setObjectName(QStringLiteral("tbToolBar"));
    tbToolBar->setGeometry(TwipsRect(0, 0, 5505, 630));
    tbToolBar->setStyleSheet(
        QStringLiteral("QToolBar { border: none; border-bottom: 1px solid #3c4f61;"
                       " background: qlineargradient(x1:0, y1:0, x2:1, y2:0, stop:0 #51677c, stop:1 #8196a9); }"));

    BuildAddressStrip();

    brwWebBrowser = platform_.CreateWebPane(this);
    brwWebBrowser->setObjectName(QStringLiteral("brwWebBrowser"));
    brwWebBrowser->setGeometry(TwipsRect(50, 1215, 5393, 3734));
    connect(brwWebBrowser, &WebPane::DownloadComplete, this, &Help::brwWebBrowser_DownloadComplete);

    timTimer = new QTimer(this);
    timTimer->setObjectName(QStringLiteral("timTimer"));
    timTimer->setInterval(5);
    connect(timTimer, &QTimer::timeout, this, &Help::timTimer_Timer);

    resize(Px(kDesignWidth), Px(kDesignHeight));
}

// The strip under the toolbar: the title, and an address box that lies beyond the
// right edge until the window is widened that far.
void Help::BuildAddressStrip() {
    picAddress = new QWidget(this);
    picAddress->setObjectName(QStringLiteral("picAddress"));
    picAddress->setGeometry(TwipsRect(0, 630, 5505, 675));

    Label1 = new QLabel(QStringLiteral(" Help"), picAddress);
    Label1->setObjectName(QStringLiteral("Label1"));
    QFont title(QStringLiteral("Verdana"), 10);
    title.setBold(true);
    Label1->setFont(title);
    Label1->setStyleSheet(QStringLiteral("color: #17324d;"));
    Label1->setGeometry(TwipsRect(1200, 120, 3555, 255));

    lblAddress = new QLabel(QStringLiteral("&Address:"), picAddress);
    lblAddress->setObjectName(QStringLiteral("lblAddress"));
    lblAddress->setGeometry(TwipsRect(45, 120, 3075, 255));
    lblAddress->hide();

    cboAddress = new QComboBox(picAddress);
    cboAddress->setObjectName(QStringLiteral("cboAddress"));
    cboAddress->setEditable(true);
    cboAddress->setInsertPolicy(QComboBox::NoInsert);  // Enter is handled as cboAddress_KeyPress
    cboAddress->setGeometry(TwipsRect(11880, 480, 3795, 315));
    lblAddress->setBuddy(cboAddress);
    cboAddress->lineEdit()->installEventFilter(this);
    connect(cboAddress, &QComboBox::activated, this, &Help::cboAddress_Click);
}

Help* Help::Open(Platform& platform, const QWidget* opener) {
    QPointer<Help>& viewer = OpenViewer();
    if (viewer && viewer->isVisible()) {
        viewer->setWindowState(viewer->windowState() & ~Qt::WindowMinimized);
        viewer->raise();
        viewer->activateWindow();
        return viewer;
    }
    viewer = new Help(platform);
    if (opener) PlaceBeside(*viewer, *opener);
    viewer->Form_Load();
    return viewer;
}

void Help::Form_Load() {
    show();
    tbToolBar->update();
    Form_Resize();
    setWindowTitle(kCaption);
    timTimer->start();
    brwWebBrowser->Navigate(ToQString(platform_.InstFile("foundry.htm")));
}

void Help::Form_Resize() {
    const int innerWidth = width() * kTwipsPerPixel;
    const int innerHeight = height() * kTwipsPerPixel;
    tbToolBar->resize(width(), tbToolBar->height());  // both strips run along the top
    picAddress->resize(width(), picAddress->height());
    const int addressBottom = (picAddress->y() + picAddress->height()) * kTwipsPerPixel;
    cboAddress->resize(ClampedPx(innerWidth - 100), cboAddress->height());
    brwWebBrowser->resize(ClampedPx(innerWidth - 100), ClampedPx(innerHeight - addressBottom - 100));
}

void Help::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    Form_Resize();
}

void Help::brwWebBrowser_DownloadComplete() { setWindowTitle(kCaption); }

void Help::timTimer_Timer() {
    if (brwWebBrowser->Busy()) {
        setWindowTitle(kBusyCaption);
    } else {
        timTimer->stop();
    }
}

void Help::cboAddress_Click() {
    timTimer->start();
    brwWebBrowser->Navigate(cboAddress->currentText());
}

void Help::cboAddress_KeyPress(int keyAscii) {
    if (keyAscii == 13) cboAddress_Click();
}

bool Help::eventFilter(QObject* watched, QEvent* event) {
    if (watched == cboAddress->lineEdit() && event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_Return || key == Qt::Key_Enter) {
            cboAddress_KeyPress(13);
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}

}  // namespace pw
