#include "pagenames/submit.hpp"

#include <QCloseEvent>
#include <QLineEdit>
#include <QMenuBar>
#include <QMouseEvent>

#include "builder/store/site_files.hpp"
#include "pagenames/pictures.hpp"
#include "platform/platform.hpp"
#include "shell/general/drag_window.hpp"
#include "shell/general/form_fields.hpp"
#include "shell/general/hot_spot.hpp"

namespace pw {
namespace {

// A tagged name box; `top` in twips, the boxes stand one under the other.
QLineEdit* NameBox(const QString& name, const QString& initialText, int top, QWidget* parent) {
    auto* box = new QLineEdit(initialText, parent);
    box->setObjectName(name);
    box->setProperty("tag", QStringLiteral("T"));
    box->setFont(QFont(QStringLiteral("Verdana"), 8));
    box->setGeometry(TwipsRect(4680, top, 1215, 285));
    return box;
}

}  // namespace

submit::submit(Platform& platform, QWidget* parent) : QMainWindow(parent), platform_(platform) {
    QWidget* client = SetUpPictureWindow(*this, QStringLiteral("submit"));
    BuildPictures(*client);
    BuildNameBoxes(*client);
    BuildHotSpots(*client);
    BuildMenus();
    OrderTabsAsRead(*client);
}

void submit::BuildPictures(QWidget& client) {
    auto* background = new QLabel(&client);
    background->setObjectName(QStringLiteral("Background"));
    background->setPixmap(pagenames::Background());
    background->setGeometry(QRect(QPoint(0, 0), pagenames::kBackgroundSize));
    background->setAttribute(Qt::WA_TransparentForMouseEvents);

    Command3 = PageButton(QStringLiteral("Command3"), 1, TwipsRect(360, 720, 495, 660), &client);
    Command8 = PageButton(QStringLiteral("Command8"), 2, TwipsRect(840, 720, 495, 660), &client);
    Command9 = PageButton(QStringLiteral("Command9"), 3, TwipsRect(1320, 720, 495, 660), &client);
    connect(Command3, &QAbstractButton::clicked, this, &submit::Command3_Click);
    connect(Command8, &QAbstractButton::clicked, this, &submit::Command8_Click);
    connect(Command9, &QAbstractButton::clicked, this, &submit::Command9_Click);

    // The pane is larger than its frame and offset, so the browser's border and scroll
    // bars fall outside what shows.
    auto* frame = new QWidget(&client);
    frame->setObjectName(QStringLiteral("LogoFrame"));
    frame->setGeometry(TwipsRect(240, 2160, 2745, 2175));
    WebBrowser2 = platform_.CreateWebPane(frame);
    WebBrowser2->setObjectName(QStringLiteral("WebBrowser2"));
    WebBrowser2->setGeometry(-Px(120), -Px(120), Px(5655), Px(5655));
    WebBrowser2->setAccessibleName(QStringLiteral("Your site in three steps"));  // the heading of logo.htx
}

// Creation order is the order the names are saved in: page1, Page2, Page3.
void submit::BuildNameBoxes(QWidget& client) {
    const store::PageNames defaults;
    const auto box = [&](store::Page page, int top) {
        return NameBox(FromUtf8(store::PageNameFieldOf(page)), QString::fromStdString(defaults[page]), top, &client);
    };
    page1 = box(store::Page::One, 2280);
    Page2 = box(store::Page::Two, 2880);
    Page3 = box(store::Page::Three, 3480);
    for (const auto& [page, name] : {std::pair{store::Page::Two, Page2}, std::pair{store::Page::Three, Page3}})
        connect(name, &QLineEdit::editingFinished, this, [this, page, name] { TellNameFault(page, *name); });
}

// Told as soon as the name is typed, so it is put right before a page is saved.
void submit::TellNameFault(store::Page page, const QLineEdit& name) {
    if (const auto fault = store::PageNameFaultOf(page, name.text().toStdString())) {
        platform_.dialogs().Message(this, FromUtf8(store::PageNameFaultText(*fault)), MessageButtons::Ok,
                                    MessageIcon::Exclamation);
    }
}

// Over the Edit Pages and Main Menu tabs of the background.
void submit::BuildHotSpots(QWidget& client) {
    Label1 =
        new HotSpot(QStringLiteral("Label1"), {}, QStringLiteral("  Click to go to the Build/Edit page "), &client);
    Label1->setGeometry(TwipsRect(5280, 660, 1815, 360));
    Label2 =
        new HotSpot(QStringLiteral("Label2"), {}, QStringLiteral("Click to go to the Getting Started page"), &client);
    Label2->setGeometry(TwipsRect(3390, 660, 1770, 360));
    connect(Label1, &HotSpot::clicked, this, &submit::Label1_Click);
    connect(Label2, &HotSpot::clicked, this, &submit::Label2_Click);
}

void submit::BuildMenus() {
    QMenu* file = menuBar()->addMenu(QStringLiteral("&File"));
    QAction* mainMenu = file->addAction(QStringLiteral("&Main Menu"));
    mainMenu->setObjectName(QStringLiteral("mnustart"));
    connect(mainMenu, &QAction::triggered, this, &submit::mnustart_Click);
    file->addAction(QStringLiteral("&Exit"))->setObjectName(QStringLiteral("mnuexit"));  // does nothing
    QAction* help = menuBar()->addAction(QStringLiteral("&Help"));
    help->setObjectName(QStringLiteral("mnuhelp"));
    connect(help, &QAction::triggered, this, &submit::mnuhelp_Click);
}

void submit::Form_Load() {
    FitPictureWindow(*this, pagenames::kBackgroundSize.height());
    setWindowTitle(kAppTitle);
    WebBrowser2->Navigate(ToQString(platform_.InstFile("logo.htx")));
    (void)LoadFormFields(*this, PageNamesFile());  // a missing file keeps the initial names
}

// Spelt as the content store names the file, which is how a missing one gets created;
// the lookup ignores case, so an existing "pageBox.txt" is the same file.
std::filesystem::path submit::PageNamesFile() const { return platform_.SiteFile(store::kPageNamesFile); }

void submit::Command3_Click() { OpenBuilderOn(store::Page::One); }
void submit::Command8_Click() { OpenBuilderOn(store::Page::Two); }
void submit::Command9_Click() { OpenBuilderOn(store::Page::Three); }
void submit::Label1_Click() { OpenBuilderOn(store::Page::One); }
void submit::Label2_Click() { GoToMainMenu(); }
void submit::mnustart_Click() { GoToMainMenu(); }
void submit::mnuhelp_Click() { OpenBeside(*this, platform_, WindowKind::Help); }

void submit::OpenBuilderOn(store::Page page) {
    platform_.globals().SetPage(page);
    OpenInPlaceOf(*this, platform_, WindowKind::magic);
}

void submit::GoToMainMenu() { OpenInPlaceOf(*this, platform_, WindowKind::start); }

// A failed save (the site folder is gone, say) is told, but does not keep the window open.
void submit::closeEvent(QCloseEvent* event) {
    SaveReport report;
    const std::filesystem::path file = PageNamesFile();
    report.Note(file, SaveFormFields(*this, file));
    report.Show(platform_.dialogs(), this);
    QMainWindow::closeEvent(event);
}

void submit::mousePressEvent(QMouseEvent* event) {
    DragWindow(*this);
    event->accept();
}

}  // namespace pw
