#include "shell/start.hpp"

#include <unistd.h>
#include <QApplication>
#include <QDir>
#include <QEvent>
#include <QFrame>
#include <QListWidget>
#include <QMenuBar>
#include <QMouseEvent>
#include <QPushButton>

#include "builder/store/site_files.hpp"
#include "platform/platform.hpp"
#include "shell/begin.hpp"
#include "shell/designs/design_copies.hpp"
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
    return SharpPicture(QStringLiteral(":/shell/") + name);
}

// Hot-spot captions are blank: the background picture shows what they are.
HotSpot* PlaceHotSpot(HotSpot* spot, QRect twips) {
    spot->setGeometry(twips);
    return spot;
}

const QString kBackToStart = QStringLiteral("   Click to go back to Getting Started");

// A design panel over the menu's middle: hidden until the user asks for it.
QWidget* DesignPanel(const QString& name, QWidget& client) {
    auto* panel = new QFrame(&client);
    panel->setObjectName(name);
    panel->setGeometry(TwipsRect(3480, 1320, 5775, 4695));
    panel->setAutoFillBackground(true);
    panel->setStyleSheet(
        QStringLiteral("QFrame#%1 { background: #f4f7fb; border: 1px solid #9fb3c8; border-radius: 6px; }"
                       "QLabel { color: #1d3557; }")
            .arg(name));
    panel->hide();
    return panel;
}

QLabel* PanelText(const char* name, const QString& text, QRect twips, QWidget* panel) {
    auto* label = new QLabel(text, panel);
    label->setObjectName(QString::fromLatin1(name));
    label->setGeometry(twips);
    label->setWordWrap(true);
    QFont font = label->font();
    font.setBold(true);
    label->setFont(font);
    return label;
}

// A bullet picture that does nothing, beside the line it marks.
QLabel* Bullet(const char* name, int left, int top, QWidget* panel) {
    auto* bullet = new QLabel(panel);
    bullet->setObjectName(QString::fromLatin1(name));
    bullet->setPixmap(Picture(QStringLiteral("bullet.png")));
    bullet->setGeometry(TwipsRect(left, top, 210, 210));
    return bullet;
}

}  // namespace

start::start(Platform& platform, QWidget* parent) : QMainWindow(parent), platform_(platform) {
    QWidget* client = SetUpPictureWindow(*this, QStringLiteral("start"));
    BuildPictures(*client);
    BuildHotSpots(*client);
    BuildDesignChooser(*client);
    BuildContinuePanel(*client);
    BuildMenus();
    OrderTabsAsRead(*client);
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
    Image2->setAccessibleName(kAppTitle);  // the words on the logo
    Image2->setGeometry(TwipsRect(0, 5520, 3030, 1695));
    connect(static_cast<HotSpot*>(Image2), &HotSpot::clicked, this, &start::Image2_Click);

    auto* label10 = new HotSpot(QStringLiteral("Label10"), QStringLiteral("3 page builder"), {}, &client);
    label10->setCursor(Qt::ArrowCursor);
    label10->setFont(QFont(QStringLiteral("Times New Roman"), 10));
    label10->setStyleSheet(QStringLiteral("color: white;"));
    label10->setGeometry(TwipsRect(1680, 6840, 1695, 255));
    label10->setFocusPolicy(Qt::NoFocus);  // a caption: its click does nothing a user could tell
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
    WebBrowser2->setAccessibleName(QStringLiteral("Your site in three steps"));  // the heading of logo.htx

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
    Label3 = PlaceHotSpot(new HotSpot(QStringLiteral("Label3"), {},
                                      QStringLiteral("   Click to go to the Build/Edit page      "), &client),
                          TwipsRect(5280, 720, 1815, 255));
    Label4 = PlaceHotSpot(
        new HotSpot(QStringLiteral("Label4"), {}, QStringLiteral("   Click to go to Name Pages "), &client),
        TwipsRect(7440, 720, 1695, 255));
    Label6 = PlaceHotSpot(new HotSpot(QStringLiteral("Label6"), QStringLiteral("    "),
                                      QStringLiteral("   Click to build or edit your web site   "), &client),
                          TwipsRect(4440, 3120, 2535, 255));
    Label9 = PlaceHotSpot(new HotSpot(QStringLiteral("Label9"), QStringLiteral("  "),
                                      QStringLiteral("   Click to start online tutorial   "), &client),
                          TwipsRect(4200, 3240, 1695, 255));
    Label8 = PlaceHotSpot(new HotSpot(QStringLiteral("Label8"), QStringLiteral("    "),
                                      QStringLiteral("   Click here to view online tutorial"), &client),
                          TwipsRect(4440, 3480, 2535, 255));
    Label14 = PlaceHotSpot(new HotSpot(QStringLiteral("Label14"), QStringLiteral(" "),
                                       QStringLiteral("   Change to another web site design"), &client),
                           TwipsRect(4440, 3960, 3015, 255));
    Label2 = PlaceHotSpot(new HotSpot(QStringLiteral("Label2"), QStringLiteral("      "),
                                      QStringLiteral("   Click to publish your web site online   "), &client),
                          TwipsRect(4440, 4320, 3015, 255));
    Label1 =
        PlaceHotSpot(new HotSpot(QStringLiteral("Label1"), {}, QStringLiteral("Low cost web site hosting"), &client),
                     TwipsRect(4440, 5040, 3615, 375));
    connect(Label3, &HotSpot::clicked, this, &start::Label3_Click);
    connect(Label6, &HotSpot::clicked, this, &start::Label3_Click);
    connect(Label4, &HotSpot::clicked, this, &start::Label4_Click);
    connect(Label1, &HotSpot::clicked, this, &start::Label1_Click);
    connect(Label8, &HotSpot::clicked, this, &start::Label8_Click);
    connect(Label9, &HotSpot::clicked, this, &start::Label9_Click);
    connect(Label14, &HotSpot::clicked, this, &start::Label14_Click);
    connect(Label2, &HotSpot::clicked, this, &start::Label2_Click);
}

void start::BuildDesignChooser(QWidget& client) {
    Frame1 = DesignPanel(QStringLiteral("Frame1"), client);
    PanelText("Label7", QStringLiteral("Click on the picture of the design you want to change to"),
              TwipsRect(360, 120, 5415, 495), Frame1);
    const std::tuple<const char*, int, QRect, void (start::*)()> designs[] = {
        {"Image4", 1, TwipsRect(480, 840, 2220, 1620), &start::Image4_Click},
        {"Image5", 2, TwipsRect(3000, 840, 2220, 1620), &start::Image5_Click},
        {"Image6", 3, TwipsRect(3000, 2760, 2220, 1620), &start::Image6_Click},
    };
    for (const auto& [name, number, geometry, handler] : designs) {
        // A picture of a page in that design; not a hot-spot, so no hand cursor.
        auto* picture = new HotSpot(QString::fromLatin1(name), {}, {}, Frame1);
        picture->setCursor(Qt::ArrowCursor);
        picture->setPixmap(Picture(QStringLiteral("design%1.png").arg(number)));
        picture->setGeometry(geometry);
        picture->setStyleSheet(QStringLiteral("border: 1px solid #9fb3c8;"));
        picture->setAccessibleName(QStringLiteral("Design %1").arg(number));
        connect(picture, &HotSpot::clicked, this, handler);
    }
    Bullet("Image29", 600, 3480, Frame1);
    auto* cancel =
        PlaceHotSpot(new HotSpot(QStringLiteral("Label32"), QStringLiteral("       Cancel "), kBackToStart, Frame1),
                     TwipsRect(600, 3480, 1935, 255));
    connect(cancel, &HotSpot::clicked, this, &start::Label32_Click);
    Bullet("Image30", 600, 4080, Frame1);
    auto* more = PlaceHotSpot(new HotSpot(QStringLiteral("Label33"), QStringLiteral("    Get more designs"),
                                          QStringLiteral("   View Templates"), Frame1),
                              TwipsRect(720, 4080, 2175, 255));
    connect(more, &HotSpot::clicked, this, &start::Label33_Click);
    // Under the chooser's other commands, where the pictures leave its caption room: shown
    // while a copy of an earlier design is kept.
    Image31 = Bullet("Image31", 600, 4400, Frame1);
    Label34 = PlaceHotSpot(new HotSpot(QStringLiteral("Label34"), QStringLiteral("    Back to the previous design"),
                                       QStringLiteral("   Put back the design you had before the last change"), Frame1),
                           TwipsRect(720, 4400, 3495, 255));
    connect(Label34, &HotSpot::clicked, this, &start::Label34_Click);
}

// Built after the chooser, so it lies above it when both show.
void start::BuildContinuePanel(QWidget& client) {
    Frame2 = DesignPanel(QStringLiteral("Frame2"), client);
    PanelText(
        "Label7",
        QStringLiteral("If you have run the updater then your site is almost updated click the go button to continue."),
        TwipsRect(360, 360, 3255, 1335), Frame2)
        ->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    auto* go = new QPushButton(QStringLiteral("GO"), Frame2);
    go->setObjectName(QStringLiteral("Command4"));
    go->setGeometry(TwipsRect(1800, 1200, 855, 495));
    connect(go, &QPushButton::clicked, this, &start::Command4_Click);
    Bullet("Image7", 480, 3960, Frame2);
    auto* cancel =
        PlaceHotSpot(new HotSpot(QStringLiteral("Label12"), QStringLiteral("       Cancel "), kBackToStart, Frame2),
                     TwipsRect(480, 3960, 1935, 255));
    connect(cancel, &HotSpot::clicked, this, &start::Label12_Click);
}

void start::BuildMenus() {
    QMenu* file = menuBar()->addMenu(QStringLiteral("&File"));
    file->setSeparatorsCollapsible(false);  // the leading and trailing separators are part of the menu
    file->addSeparator();
    connect(file->addAction(QStringLiteral("Edit Pages")), &QAction::triggered, this, &start::Label3_Click);
    connect(file->addAction(QStringLiteral("Name Pages")), &QAction::triggered, this, &start::Label4_Click);
    connect(file->addAction(QStringLiteral("Publish Site (FTP Client)")), &QAction::triggered, this,
            &start::mnuftp_Click);
    connect(file->addAction(QStringLiteral("New Site...")), &QAction::triggered, this, &start::mnunew_Click);
    file->addSeparator();
    connect(file->addAction(QStringLiteral("&Exit Program")), &QAction::triggered, this, &start::mnuexit_Click);
    file->addSeparator();
    connect(menuBar()->addAction(QStringLiteral("&Help")), &QAction::triggered, this, &start::mnuhelpy_Click);
}

void start::Form_Load() {
    CentreOnScreen(*this);
    FitPictureWindow(*this);
    setWindowTitle(kAppTitle);
    WebBrowser2->Navigate(ToQString(platform_.inst() / "logo.htx"));
    QDir::setCurrent(ToQString(platform_.inst()));
    RefreshFile1();
}

void start::RefreshFile1() {
    const QStringList markers = QDir(ToQString(platform_.inst()))
                                    .entryList({QStringLiteral("*") + FromUtf8(store::kSiteMarkerExtension)},
                                               QDir::Files, QDir::Name | QDir::IgnoreCase);
    refreshingFile1_ = true;
    File1->clear();
    File1->addItems(markers);
    File1->setCurrentRow(-1);
    refreshingFile1_ = false;
}

void start::OpenBuilderOn(store::Page page) {
    platform_.globals().SetPage(page);
    OpenInPlaceOf(*this, platform_, WindowKind::magic);
}

void start::Command3_Click() { OpenBuilderOn(store::Page::One); }
void start::Command8_Click() { OpenBuilderOn(store::Page::Two); }
void start::Command9_Click() { OpenBuilderOn(store::Page::Three); }
void start::Label3_Click() { OpenInPlaceOf(*this, platform_, WindowKind::magic); }
void start::Label4_Click() { OpenInPlaceOf(*this, platform_, WindowKind::submit); }

void start::File1_Click() {
    const QListWidgetItem* chosen = File1->currentItem();
    if (!chosen) return;
    platform_.globals().siteFolder =
        chosen->text().chopped(store::kSiteMarkerExtension.size()).toStdString();  // without the marker extension
    OpenInPlaceOf(*this, platform_, WindowKind::magic);
}

void start::Label2_Click() { OpenBeside(*this, platform_, WindowKind::FTPLogin); }
void start::mnuftp_Click() { Label2_Click(); }

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

void start::Label14_Click() {
    const bool copyKept = designs::LatestCopy(platform_.SiteFolderPath()).has_value();
    Image31->setVisible(copyKept);
    Label34->setVisible(copyKept);
    Frame1->show();
}

// The pack runs on its own, installing into the site folder of this installation: it is
// started from the installation folder, where its default target "default" is the site.
void start::StartDesignPack(int number) {
    if (!KeepCurrentDesign()) return;
    setCursor(Qt::WaitCursor);
    const QString pack = QStringLiteral("comp%1.exe").arg(number);
    const std::filesystem::path installed = platform_.InstFile(pack.toStdString());
    std::error_code ec;
    // An installation apart from the program's folder may hold no copy of the packs.
    const QString program = std::filesystem::exists(installed, ec)
                                ? ToQString(installed)
                                : QCoreApplication::applicationDirPath() + QLatin1Char('/') + pack;
    platform_.shell().Run(program, ToQString(platform_.inst()));
    Frame2->show();
    Frame2->raise();
    unsetCursor();
}

void start::Image4_Click() { StartDesignPack(1); }
void start::Image5_Click() { StartDesignPack(2); }
void start::Image6_Click() { StartDesignPack(3); }
void start::Label32_Click() { Frame1->hide(); }

void start::Label33_Click() {
    OpenVendorPage(QStringLiteral("/3pageupdate.html"), true);
    Frame2->show();
    Frame2->raise();
}

void start::Label12_Click() {
    Frame1->hide();
    Frame2->hide();
}

// Into the builder with its update panel, showing the site's (new) layout picture; with
// `updateNow` the panel's update of all pages runs at once.
void start::OpenBuilderForDesign(bool updateNow) {
    const QPixmap layout(ToQString(platform_.SiteFile(store::kLayoutPictureFile)));
    OpenInPlaceOf(*this, platform_, WindowKind::magic, [&layout, updateNow](QWidget& builder) {
        if (auto* panel = builder.findChild<QWidget*>(QStringLiteral("Frame1"))) panel->show();
        if (auto* picture = builder.findChild<QLabel*>(QStringLiteral("Picture1"))) picture->setPixmap(layout);
        auto* update = builder.findChild<QAbstractButton*>(QStringLiteral("Command2"));
        if (updateNow && update) update->click();
    });
}

void start::Command4_Click() { OpenBuilderForDesign(false); }

// The design the site has now is copied before a pack replaces it. When no copy can be
// made the user decides whether to change the design without one.
bool start::KeepCurrentDesign() {
    const auto kept = designs::KeepCopy(platform_.SiteFolderPath(), std::chrono::system_clock::now());
    if (kept || kept.error() == std::errc::no_such_file_or_directory) return true;  // nothing to keep
    return platform_.dialogs().AskYesNo(
        this, QStringLiteral("Your current design could not be kept for going back to it (%1).\n\n"
                             "Change to the new design anyway?")
                  .arg(FromUtf8(kept.error().message())));
}

// "Back to the previous design": the kept copy replaces the design, and the three pages
// are made again in it as "GO" and "Click to update your pages" make them.
void start::Label34_Click() {
    setCursor(Qt::WaitCursor);
    const auto restored = designs::RestoreLatestCopy(platform_.SiteFolderPath());
    unsetCursor();
    if (!restored) {
        platform_.dialogs().Message(this,
                                    QStringLiteral("Your previous design could not be put back (%1).")
                                        .arg(FromUtf8(restored.error().message())),
                                    MessageButtons::Ok, MessageIcon::Exclamation);
        Label14_Click();  // the offer goes when no copy is left
        return;
    }
    OpenBuilderForDesign(true);
}

// The name of a site to be made, asked until it is one a site can have (each problem
// explained); nothing when the user cancels.
std::optional<std::string> start::AskNewSiteName() {
    QString typed;
    for (;;) {
        const auto answer =
            platform_.dialogs().Input(this, QStringLiteral("Name of the new site:"), QStringLiteral("New Site"), typed);
        if (!answer) return std::nullopt;
        typed = answer->trimmed();
        const auto problem = store::NewSiteNameProblem(platform_.inst(), typed.toStdString());
        if (!problem) return typed.toStdString();
        platform_.dialogs().Message(this, FromUtf8(*problem), MessageButtons::Ok, MessageIcon::Exclamation);
    }
}

// "New Site...": a site made as the first start makes "default", then opened in the builder.
void start::mnunew_Click() {
    const std::optional<std::string> name = AskNewSiteName();
    if (!name) return;
    setCursor(Qt::WaitCursor);
    const auto made = store::PrepareSite(platform_.inst(), *name, *name);
    unsetCursor();
    if (!made) {
        platform_.dialogs().Message(this,
                                    QStringLiteral("The site \"%1\" could not be made (%2).")
                                        .arg(FromUtf8(*name), FromUtf8(made.error().file.string() + ": " +
                                                                   made.error().reason.message())),
                                    MessageButtons::Ok, MessageIcon::Exclamation);
        return;
    }
    platform_.globals().siteFolder = *name;
    RefreshFile1();
    OpenBuilderOn(store::Page::One);
}

// Ends the process at once: no window's close handling runs and nothing is saved.
void start::mnuexit_Click() { ::_exit(0); }

}  // namespace pw
