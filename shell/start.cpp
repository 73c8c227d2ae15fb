#include "shell/start.hpp"

#include <QApplication>
#include <QDir>
#include <QEvent>
#include <QListWidget>
#include <QMenuBar>
#include <QMouseEvent>
#include <unistd.h>

#include "platform/platform.hpp"
#include "shell/begin.hpp"
#include "shell/general/drag_window.hpp"
#include "shell/general/hot_spot.hpp"
#include "shell/general/vendor_site.hpp"

// The main menu's pictures live in this static library, so it registers them itself on first use.
static void RegisterMenuPictures() { Q_INIT_RESOURCE(resources); }

namespace pw {
namespace {

QPixmap Picture(const QString& name) {
    static const bool registered = (RegisterMenuPictures(), true);
    (void)registered;
    return QPixmap(QStringLiteral(":/shell/") + name);
}

// Hot-spot captions are blank: the background picture shows what they are.
HotSpot* PlaceHotSpot(HotSpot* spot, QRect twips) {
    spot->setGeometry(twips);
    return spot;
}

}  // namespace

start::start(Platform& platform, QWidget* parent) : QMainWindow(parent), platform_(platform) {
    QWidget* client = SetUpPictureWindow(*this, QStringLiteral("start"));
    BuildPictures(*client);
    BuildHotSpots(*client);
    BuildMenus();
}

void start::BuildPictures(QWidget& client) {
    auto* background = new QLabel(&client);
    background->setObjectName(QStringLiteral("Background"));
    background->setPixmap(Picture(QStringLiteral("background.png")));
    background->setGeometry(0, 0, 641, 482);
    background->setAttribute(Qt::WA_TransparentForMouseEvents);

    auto* Image3 = new QLabel(&client);
    Image3->setObjectName(QStringLiteral("Image3"));
    Image3->setPixmap(SharedPicture(QStringLiteral("banner.png")));
    Image3->setGeometry(TwipsRect(0, 0, 9750, 570));
    Image3->setAttribute(Qt::WA_TransparentForMouseEvents);

    Command3 = PageButton(QStringLiteral("Command3"), 1, TwipsRect(360, 720, 495, 660), &client);
    Command8 = PageButton(QStringLiteral("Command8"), 2, TwipsRect(840, 720, 495, 660), &client);
    Command9 = PageButton(QStringLiteral("Command9"), 3, TwipsRect(1320, 720, 495, 660), &client);
    connect(Command3, &QAbstractButton::clicked, this, &start::Command3_Click);
    connect(Command8, &QAbstractButton::clicked, this, &start::Command8_Click);
    connect(Command9, &QAbstractButton::clicked, this, &start::Command9_Click);

    Image2 = new HotSpot(QStringLiteral("Image2"), {}, {}, &client);
    Image2->setCursor(Qt::ArrowCursor);  // a picture, not one of the hot-spots
    Image2->setPixmap(Picture(QStringLiteral("logo.png")));
    Image2->setGeometry(TwipsRect(0, 5520, 3030, 1695));
    connect(static_cast<HotSpot*>(Image2), &HotSpot::clicked, this, &start::Image2_Click);

    auto* label10 = new HotSpot(QStringLiteral("Label10"), QStringLiteral("3 page builder"), {}, &client);
    label10->setCursor(Qt::ArrowCursor);
    label10->setFont(QFont(QStringLiteral("Times New Roman"), 10));
    label10->setStyleSheet(QStringLiteral("color: white;"));
    label10->setGeometry(TwipsRect(1680, 6840, 1695, 255));
    connect(label10, &HotSpot::clicked, this, &start::Label10_Click);
    Label10 = label10;

    // The pane is larger than its frame and offset, so the browser's border and scroll
    // bars fall outside what shows.
    Picture1 = new QWidget(&client);
    Picture1->setObjectName(QStringLiteral("Picture1"));
    Picture1->setGeometry(TwipsRect(240, 2160, 2745, 2175));
    WebBrowser2 = platform_.CreateWebPane(Picture1);
    WebBrowser2->setObjectName(QStringLiteral("WebBrowser2"));
    WebBrowser2->setGeometry(-Px(120), -Px(120), Px(5655), Px(5655));

    // Below the visible client area: it still takes the keyboard focus.
    File1 = new QListWidget(&client);
    File1->setObjectName(QStringLiteral("File1"));
    File1->setGeometry(TwipsRect(3840, 7800, 2295, 1260));
    // Choosing an entry with the mouse or the keys: the refresh itself chooses nothing.
    connect(File1, &QListWidget::currentRowChanged, this, [this] {
        if (!refreshingFile1_) File1_Click();
    });
}

void start::BuildHotSpots(QWidget& client) {
    Label3 = PlaceHotSpot(new HotSpot(QStringLiteral("Label3"), {}, QStringLiteral("   Click to go to the Build/Edit page      "), &client),
                          TwipsRect(5280, 720, 1815, 255));
    Label4 = PlaceHotSpot(new HotSpot(QStringLiteral("Label4"), {}, QStringLiteral("   Click to go to Name Pages "), &client),
                          TwipsRect(7440, 720, 1695, 255));
    Label6 = PlaceHotSpot(new HotSpot(QStringLiteral("Label6"), QStringLiteral("    "), QStringLiteral("   Click to build or edit your web site   "), &client),
                          TwipsRect(4440, 3120, 2535, 255));
    Label9 = PlaceHotSpot(new HotSpot(QStringLiteral("Label9"), QStringLiteral("  "), QStringLiteral("   Click to start online tutorial   "), &client),
                          TwipsRect(4200, 3240, 1695, 255));
    Label8 = PlaceHotSpot(new HotSpot(QStringLiteral("Label8"), QStringLiteral("    "), QStringLiteral("   Click here to view online tutorial"), &client),
                          TwipsRect(4440, 3480, 2535, 255));
    Label14 = PlaceHotSpot(new HotSpot(QStringLiteral("Label14"), QStringLiteral(" "), QStringLiteral("   Change to another web site design"), &client),
                           TwipsRect(4440, 3960, 3015, 255));
    Label2 = PlaceHotSpot(new HotSpot(QStringLiteral("Label2"), QStringLiteral("      "), QStringLiteral("   Click to publish your web site online   "), &client),
                          TwipsRect(4440, 4320, 3015, 255));
    Label1 = PlaceHotSpot(new HotSpot(QStringLiteral("Label1"), {}, QStringLiteral("Low cost web site hosting"), &client),
                          TwipsRect(4440, 5040, 3615, 375));
    connect(Label3, &HotSpot::clicked, this, &start::Label3_Click);
    connect(Label6, &HotSpot::clicked, this, &start::Label3_Click);
    connect(Label4, &HotSpot::clicked, this, &start::Label4_Click);
    connect(Label1, &HotSpot::clicked, this, &start::Label1_Click);
    connect(Label8, &HotSpot::clicked, this, &start::Label8_Click);
    connect(Label9, &HotSpot::clicked, this, &start::Label9_Click);
}

void start::BuildMenus() {
    QMenu* file = menuBar()->addMenu(QStringLiteral("&File"));
    file->setSeparatorsCollapsible(false);  // the leading and trailing separators are part of the menu
    file->addSeparator();
    connect(file->addAction(QStringLiteral("Edit Pages")), &QAction::triggered, this, &start::Label3_Click);
    connect(file->addAction(QStringLiteral("Name Pages")), &QAction::triggered, this, &start::Label4_Click);
    file->addAction(QStringLiteral("Publish Site (FTP Client)"));
    file->addSeparator();
    connect(file->addAction(QStringLiteral("&Exit Program")), &QAction::triggered, this, &start::mnuexit_Click);
    file->addSeparator();
    connect(menuBar()->addAction(QStringLiteral("&Help")), &QAction::triggered, this, &start::mnuhelpy_Click);
}

void start::Form_Load() {
    CentreOnScreen(*this);
    setFixedSize(Px(9600), Px(7850));
    setWindowTitle(kAppTitle);
    WebBrowser2->Navigate(ToQString(platform_.inst() / "logo.htx"));
    QDir::setCurrent(ToQString(platform_.inst()));
    RefreshFile1();
}

void start::RefreshFile1() {
    const QStringList markers =
        QDir(ToQString(platform_.inst())).entryList({QStringLiteral("*.ste")}, QDir::Files, QDir::Name | QDir::IgnoreCase);
    refreshingFile1_ = true;
    File1->clear();
    File1->addItems(markers);
    File1->setCurrentRow(-1);
    refreshingFile1_ = false;
}

void start::OpenBuilderOn(const char* page) {
    platform_.globals().currentPage = page;
    OpenInPlaceOf(*this, platform_, WindowKind::magic);
}

void start::Command3_Click() { OpenBuilderOn("one"); }
void start::Command8_Click() { OpenBuilderOn("two"); }
void start::Command9_Click() { OpenBuilderOn("three"); }
void start::Label3_Click() { OpenInPlaceOf(*this, platform_, WindowKind::magic); }
void start::Label4_Click() { OpenInPlaceOf(*this, platform_, WindowKind::submit); }

void start::File1_Click() {
    const QListWidgetItem* chosen = File1->currentItem();
    if (!chosen) return;
    platform_.globals().siteFolder = chosen->text().chopped(4).toStdString();  // without ".ste"
    OpenInPlaceOf(*this, platform_, WindowKind::magic);
}

void start::mnuhelpy_Click() { OpenBeside(*this, platform_, WindowKind::Help); }

void start::changeEvent(QEvent* event) {
    if (event->type() == QEvent::ActivationChange && isActiveWindow()) RefreshFile1();
    QMainWindow::changeEvent(event);
}

void start::focusInEvent(QFocusEvent* event) {
    RefreshFile1();
    QMainWindow::focusInEvent(event);
}

void start::mousePressEvent(QMouseEvent* event) {
    DragWindow(*this);
    event->accept();
}

void start::OpenVendorPage(const QString& path, bool busyPointer) {
    if (busyPointer) setCursor(Qt::WaitCursor);
    platform_.shell().Open(QString::fromStdString(VendorPage(path.toStdString())));
    if (busyPointer) unsetCursor();
}

void start::Image2_Click() { OpenVendorPage({}, true); }
void start::Label1_Click() { OpenVendorPage(QStringLiteral("/kw5host.html"), true); }
void start::Label8_Click() { OpenVendorPage(QStringLiteral("/step1.html"), true); }
void start::Label9_Click() { OpenVendorPage(QStringLiteral("/step1.html"), false); }

void start::Label10_Click() {
    setCursor(Qt::WaitCursor);
    unsetCursor();
}

// Ends the process at once: no window's close handling runs and nothing is saved.
void start::mnuexit_Click() { ::_exit(0); }

}  // namespace pw
