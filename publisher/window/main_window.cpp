#include "publisher/window/main_window.hpp"

#include "publisher/window/site_check_dialog.hpp"

#include <sys/stat.h>
#include <unistd.h>
#include <QApplication>
#include <QCloseEvent>
#include <QElapsedTimer>
#include <QFontMetrics>
#include <QLabel>
#include <QListWidget>
#include <QMenuBar>
#include <QMouseEvent>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QStyle>
#include <QTimer>
#include <QToolButton>
#include <QWindow>

#include <climits>
#include <filesystem>

#include "platform/platform.hpp"
#include "platform/web_pane.hpp"
#include "publisher/curl_ftp.hpp"
#include "publisher/host_address.hpp"
#include "publisher/host_text.hpp"
#include "publisher/local_files.hpp"
#include "publisher/stale_files.hpp"
#include "publisher/web_folder.hpp"
#include "publisher/window/pictures.hpp"
#include "publisher/window/screen_pointer.hpp"
#include "shell/general/drag_window.hpp"
#include "shell/general/file_descriptor.hpp"
#include "shell/general/hot_spot.hpp"
#include "shell/general/text.hpp"
#include "shell/general/text_encoding.hpp"

namespace pw {
namespace {

namespace fs = std::filesystem;

const QString kCaption = QStringLiteral("Publish site tool ( FTP Client)");
const QString kNoItems = QStringLiteral("No Items To Select.");
const QString kNoItemsCaption = QStringLiteral("Error");
const QString kNoneSelected = QStringLiteral("No items selected. Cannot continue.");
const QString kNoneSelectedCaption = QStringLiteral("Error: No Selected Items");
const QString kUnableToSend = QStringLiteral("Unable to transfer to remote system");
const QString kUnableToFetch = QStringLiteral("Unable to transfer from remote system");
const QString kChangeToPrompt = QStringLiteral("Enter directory to change to");
const QString kNewFolderPrompt = QStringLiteral("Enter new directory name");

// Names travel as the file system and the server gave them: the item's text is for the
// eye, its data the bytes every command uses.
constexpr int kNameRole = Qt::UserRole;

// Repaints and moves the progress bar while a command runs; the user's clicks and keys
// wait until it is done, so no command can start inside another (libcurl's calls are not
// re-entrant, and a window closed mid-command would pull the ground from under it).
// About sixty times a second at most: a run of small files would otherwise spend more
// time painting than sending.
void LetWindowsRepaint() {
    static QElapsedTimer sinceLast;
    if (sinceLast.isValid() && sinceLast.elapsed() < 16) return;
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
    sinceLast.start();
}

void Beep() { QApplication::beep(); }

// Counts a running command for as long as it is in scope.
class Running {
public:
    explicit Running(int& count) : count_(count) { ++count_; }
    ~Running() { --count_; }
    Running(const Running&) = delete;
    Running& operator=(const Running&) = delete;

private:
    int& count_;
};

std::string NameOf(const QListWidgetItem& item) { return item.data(kNameRole).toByteArray().toStdString(); }

void AddName(QListWidget& list, const std::string& name, const QIcon& icon) {
    auto* item = new QListWidgetItem(icon, QString::fromStdString(DecodeLenient(name)));
    item->setData(kNameRole, QByteArray::fromStdString(name));
    list.addItem(item);
}

bool Holds(const QListWidget& list, const std::string& name) {
    for (int row = 0; row < list.count(); ++row) {
        if (NameOf(*list.item(row)) == name) return true;
    }
    return false;
}

QListWidget* List(const char* name, QRect twips, QAbstractItemView::SelectionMode mode, QWidget* parent) {
    auto* list = new QListWidget(parent);
    list->setObjectName(QString::fromLatin1(name));
    list->setGeometry(twips);
    list->setSelectionMode(mode);
    list->setIconSize(QSize(16, 16));
    list->setUniformItemSizes(true);  // one line each: adding a name does not measure them all again
    return list;
}

QPushButton* Button(const char* name, const QString& caption, QRect twips, QWidget* parent) {
    auto* button = new QPushButton(caption, parent);
    button->setObjectName(QString::fromLatin1(name));
    button->setGeometry(twips);
    return button;
}

QLabel* PathLabel(const char* name, QRect twips, QWidget* parent) {
    auto* label = new QLabel(parent);
    label->setObjectName(QString::fromLatin1(name));
    label->setGeometry(twips);
    label->setStyleSheet(QStringLiteral("color: #17324d;"));
    return label;
}

// A click area over one of the background's drawn entries; the picture shows what it is,
// and a screen reader says the words drawn there.
HotSpot* ClickArea(const char* name, const QString& drawnWords, QRect twips, QWidget* parent) {
    auto* area = new HotSpot(QString::fromLatin1(name), {}, {}, parent);
    area->setGeometry(twips);
    area->setAccessibleName(drawnWords);
    return area;
}

// A page the publisher itself downloaded to view it ("View Remote File").
bool IsViewedRemoteFile(const std::string& name) { return name == "temp.htm" || name == "temp.html"; }

}  // namespace

Main::Main(Platform& platform, QWidget* parent)
    : QMainWindow(parent),
      platform_(platform),
      FTP_(publisher::MakeCurlFtp(publisher::DefaultFtpSettings(platform.SiteFolderPath()))),
      folderIcon_(style()->standardIcon(QStyle::SP_DirIcon)),
      fileIcon_(style()->standardIcon(QStyle::SP_FileIcon)) {
    QWidget* client = SetUpPictureWindow(*this, QStringLiteral("Main"));
    BuildPictures(*client);
    BuildLocalPane(*client);
    BuildRemotePane(*client);
    BuildStrip(*client);
    BuildTransferControls(*client);
    BuildMenus();
    OrderTabsAsRead(*client);
    // The mouse cannot reach "View Remote File": the key after the remote files reaches it.
    setTabOrder(RemoteFiles, Command2);
    ConnectComponentEvents();
    connect(qApp, &QGuiApplication::focusWindowChanged, this, &Main::FocusWindowChanged);
}

// The component goes before the lists its events fill.
Main::~Main() {
    FTP_->SetEvents({});
    FTP_.reset();
}

void Main::BuildPictures(QWidget& client) {
    auto* background = new QLabel(&client);
    background->setObjectName(QStringLiteral("Background"));
    background->setPixmap(PublisherPicture(QStringLiteral("background.png")));
    background->setGeometry(0, 0, 641, 482);
    background->setAttribute(Qt::WA_TransparentForMouseEvents);

    // Over the banner, across the window (its design width runs past the right edge).
    ProgressBar = new QProgressBar(&client);
    ProgressBar->setObjectName(QStringLiteral("ProgressBar"));
    ProgressBar->setGeometry(TwipsRect(0, 360, 9600, 255));
    ProgressBar->setTextVisible(false);
    ProgressBar->setStyleSheet(
        QStringLiteral("QProgressBar { border: none; background: #dde3e8; }"
                       "QProgressBar::chunk { background: #1f8a8a; }"));
    ProgressBar->hide();
}

void Main::BuildLocalPane(QWidget& client) {
    Label15 = PathLabel("Label15", TwipsRect(600, 1080, 3135, 255), &client);
    // Under the file list, which it outreaches by a few pixels: shown, its end would stand
    // as a stray piece of the path beside the list, so it holds the path unseen.
    LocalPWD = PathLabel("LocalPWD", TwipsRect(720, 4200, 2355, 255), &client);
    LocalPWD->hide();
    LocalDirectories =
        List("LocalDirectories", TwipsRect(720, 1560, 2235, 1035), QAbstractItemView::SingleSelection, &client);
    LocalDirectories->hide();
    LocalFiles = List("LocalFiles", TwipsRect(600, 1440, 2355, 5520), QAbstractItemView::ExtendedSelection, &client);
    LocalDEL = Button("LocalDEL", QStringLiteral("DEL"), TwipsRect(0, 1560, 495, 315), &client);
    LocalCD = Button("LocalCD", QStringLiteral("CD"), TwipsRect(120, 6240, 495, 315), &client);
    LocalMD = Button("LocalMD", QStringLiteral("MD"), TwipsRect(120, 6240, 495, 315), &client);
    LocalRD = Button("LocalRD", QStringLiteral("RD"), TwipsRect(120, 6120, 495, 315), &client);
    for (QPushButton* hidden : {LocalCD, LocalMD, LocalRD}) hidden->hide();

    connect(LocalFiles, &QListWidget::itemClicked, this, &Main::LocalFiles_Click);
    connect(LocalFiles, &QListWidget::itemDoubleClicked, this, &Main::ToRemote_Click);
    connect(LocalDirectories, &QListWidget::itemDoubleClicked, this, &Main::LocalDirectories_DblClick);
    connect(LocalDEL, &QPushButton::clicked, this, &Main::LocalDEL_Click);
    connect(LocalCD, &QPushButton::clicked, this, &Main::LocalCD_Click);
    connect(LocalMD, &QPushButton::clicked, this, &Main::LocalMD_Click);
    connect(LocalRD, &QPushButton::clicked, this, &Main::LocalRD_Click);
}

void Main::BuildRemotePane(QWidget& client) {
    RemotePWD = PathLabel("RemotePWD", TwipsRect(6480, 1200, 2235, 255), &client);
    RemoteDirectories =
        List("RemoteDirectories", TwipsRect(6480, 1560, 2295, 1035), QAbstractItemView::SingleSelection, &client);
    RemoteFiles = List("RemoteFiles", TwipsRect(6480, 2760, 2295, 4155), QAbstractItemView::ExtendedSelection, &client);
    RemoteCD = Button("RemoteCD", QStringLiteral("CD"), TwipsRect(8880, 1560, 495, 315), &client);
    RemoteRD = Button("RemoteRD", QStringLiteral("RD"), TwipsRect(8880, 1920, 495, 315), &client);
    RemoteMD = Button("RemoteMD", QStringLiteral("MD"), TwipsRect(8880, 2280, 495, 315), &client);
    RemoteDEL = Button("RemoteDEL", QStringLiteral("DEL"), TwipsRect(8880, 2760, 495, 315), &client);

    connect(RemoteDirectories, &QListWidget::itemDoubleClicked, this, &Main::RemoteDirectories_DblClick);
    connect(RemoteFiles, &QListWidget::itemDoubleClicked, this, &Main::ToLocal_Click);
    connect(RemoteCD, &QPushButton::clicked, this, &Main::RemoteCD_Click);
    connect(RemoteRD, &QPushButton::clicked, this, &Main::RemoteRD_Click);
    connect(RemoteMD, &QPushButton::clicked, this, &Main::RemoteMD_Click);
    connect(RemoteDEL, &QPushButton::clicked, this, &Main::RemoteDEL_Click);
}

// The strip between the panes: its four entries, the tabs back to the main menu, and the
// preview area, where the picture box covers the browser pane while it shows.
void Main::BuildStrip(QWidget& client) {
    WebBrowser1 = platform_.CreateWebPane(&client);
    WebBrowser1->setObjectName(QStringLiteral("WebBrowser1"));
    WebBrowser1->setGeometry(TwipsRect(3240, 3480, 3000, 3300));
    WebBrowser1->setAccessibleName(QStringLiteral("Preview"));
    Picture1 = new QLabel(QStringLiteral("Click a file to see it here"), &client);
    Picture1->setObjectName(QStringLiteral("Picture1"));
    Picture1->setAccessibleName(QStringLiteral("Preview"));
    Picture1->setGeometry(TwipsRect(3240, 3480, 3000, 3300));
    Picture1->setAlignment(Qt::AlignCenter);
    Picture1->setWordWrap(true);
    Picture1->setAutoFillBackground(true);
    Picture1->setStyleSheet(QStringLiteral("QLabel#Picture1 { background: white; color: #5b6b7a; }"));

    Label10 = ClickArea("Label10", QStringLiteral("Upload ALL Files"), TwipsRect(3240, 2040, 3000, 255), &client);
    Label6 = ClickArea("Label6", QStringLiteral("Upload Selected File"), TwipsRect(3120, 2400, 3120, 255), &client);
    Label1 = ClickArea("Label1", QStringLiteral("Download File"), TwipsRect(3480, 2760, 2760, 255), &client);
    Label7 = ClickArea("Label7", QStringLiteral("Exit / Main Menu"), TwipsRect(3480, 3120, 2760, 255), &client);
    Label2 = ClickArea("Label2", QStringLiteral("Main Menu"), TwipsRect(3000, 720, 1095, 255), &client);
    Label4 = ClickArea("Label4", QStringLiteral("Quit FTP"), TwipsRect(7440, 720, 1455, 255), &client);
    connect(Label10, &HotSpot::clicked, this, &Main::Label10_Click);
    connect(Label6, &HotSpot::clicked, this, &Main::Label6_Click);
    connect(Label1, &HotSpot::clicked, this, &Main::Label1_Click);
    connect(Label7, &HotSpot::clicked, this, &Main::Label7_Click);
    connect(Label2, &HotSpot::clicked, this, &Main::Label2_Click);
    connect(Label4, &HotSpot::clicked, this, &Main::Label4_Click);
}

// Below the visible area: the mouse cannot reach these, the keyboard can, and the
// operations behind them also start from the double-clicks and click areas.
void Main::BuildTransferControls(QWidget& client) {
    Command2 = Button("Command2", QStringLiteral("View Remote File"), TwipsRect(6480, 7680, 2295, 315), &client);
    ToLocal = new QToolButton(&client);
    ToLocal->setObjectName(QStringLiteral("ToLocal"));
    ToLocal->setArrowType(Qt::LeftArrow);
    ToLocal->setAccessibleName(QStringLiteral("Download to your computer"));  // arrows say it to the eye only
    ToLocal->setGeometry(TwipsRect(5640, 8160, 2880, 375));
    ToRemote = new QToolButton(&client);
    ToRemote->setObjectName(QStringLiteral("ToRemote"));
    ToRemote->setArrowType(Qt::RightArrow);
    ToRemote->setAccessibleName(QStringLiteral("Upload to your web host"));
    ToRemote->setGeometry(TwipsRect(5640, 8640, 2880, 375));
    rall = Button("rall", QStringLiteral("BACK"), TwipsRect(9360, 8280, 825, 375), &client);
    Command3 = Button("Command3", QStringLiteral("?"), TwipsRect(7800, 9120, 375, 375), &client);
    ASCIIMode = new QRadioButton(QStringLiteral("ASCII"), &client);
    ASCIIMode->setObjectName(QStringLiteral("ASCIIMode"));
    ASCIIMode->setGeometry(TwipsRect(2280, 10440, 2000, 315));
    BinaryMode = new QRadioButton(QStringLiteral("Binary"), &client);
    BinaryMode->setObjectName(QStringLiteral("BinaryMode"));
    BinaryMode->setGeometry(TwipsRect(4080, 10680, 2000, 315));
    BinaryMode->setChecked(true);
    List1 = List("List1", TwipsRect(2760, 8160, 2355, 1035), QAbstractItemView::ExtendedSelection, &client);

    connect(Command2, &QPushButton::clicked, this, &Main::Command2_Click);
    connect(ToLocal, &QToolButton::clicked, this, &Main::ToLocal_Click);
    connect(ToRemote, &QToolButton::clicked, this, &Main::ToRemote_Click);
    connect(rall, &QPushButton::clicked, this, &Main::rall_Click);
    connect(Command3, &QPushButton::clicked, this, &Main::Command3_Click);
    connect(ASCIIMode, &QRadioButton::clicked, this, &Main::ASCIIMode_Click);
    connect(BinaryMode, &QRadioButton::clicked, this, &Main::BinaryMode_Click);
}

void Main::BuildMenus() {
    mnufile = menuBar()->addMenu(QStringLiteral("&File"));
    mnufile->setObjectName(QStringLiteral("mnufile"));
    // What would look wrong on the host, before anything is sent; "Quit FTP" stays last.
    QAction* check = mnufile->addAction(QStringLiteral("Check Site..."));
    check->setObjectName(QStringLiteral("mnucheck"));
    connect(check, &QAction::triggered, this, [this] { SiteCheckDialog::Show(platform_, this); });
    QAction* quit = mnufile->addAction(QStringLiteral("Quit FTP"));
    quit->setObjectName(QStringLiteral("mnu"));
    connect(quit, &QAction::triggered, this, &Main::mnu_Click);
    QAction* help = menuBar()->addAction(QStringLiteral("&Help"));
    help->setObjectName(QStringLiteral("mnuhlp"));
    connect(help, &QAction::triggered, this, &Main::mnuhlp_Click);
}

// The component's events come during its own calls; a command of this window is running
// then, so activation waits for a later turn.
void Main::ConnectComponentEvents() {
    FTP_->SetEvents({
        .directoryEntry = [this](const std::string& name,
                                 std::uint32_t attributes) { FTP_DirectoryEntry(name, attributes); },
        .transferProgress = [this](std::uint64_t done, std::uint64_t total) { FTP_TransferProgress(done, total); },
        .waiting =
            [this] {
                const Running running(busy_);
                LetWindowsRepaint();
            },
        .notice = [this](const std::string& text) { notice_ = text; },
    });
}

void Main::Form_Load() {
    FitPictureWindow(*this);
    CentreOnScreen(*this);
    setWindowTitle(kCaption);
    activated_ = false;
    FTP_->SetBinary(true);
}

// ---- Activation ----

void Main::FocusWindowChanged(QWindow* now) {
    if (now && now == windowHandle()) return;  // changeEvent sees this one
    cameFrom_ = !now ? CameFrom::Outside : ownBoxes_ > 0 ? CameFrom::OwnBox : CameFrom::ProgramWindow;
}

// The first activation comes with the first showing, whether or not a window manager
// hands the window the focus then; the window's first real activation is that one.
void Main::showEvent(QShowEvent* event) {
    QMainWindow::showEvent(event);
    if (!activated_)
        QTimer::singleShot(0, this, [this] {
            if (!activated_) Form_Activate();
        });
}

void Main::changeEvent(QEvent* event) {
    QMainWindow::changeEvent(event);
    if (event->type() != QEvent::ActivationChange || !isActiveWindow()) return;
    const bool first = !everActive_;
    everActive_ = true;
    if (first ? !activated_ : cameFrom_ == CameFrom::ProgramWindow) Form_Activate();
}

void Main::Form_Activate() {
    if (busy_) return;
    const Running running(busy_);
    const QString folder = ToQString(platform_.SiteFolderPath());
    Label15->setText(QFontMetrics(Label15->font()).elidedText(folder, Qt::ElideMiddle, LocalFiles->width()));
    Label15->setToolTip(folder);
    CloseMainMenu();
    if (!activated_) {
        activated_ = true;
        LetWindowsRepaint();
        RefreshAll();
    }
    const ScreenPointer pointer(Qt::WaitCursor);
    std::error_code ignored;
    fs::current_path(platform_.SiteFolderPath(), ignored);
    EnterWebFolder();
    RefreshAll();
}

void Main::EnterWebFolder() {
    const auto address = publisher::ParseHostAddress(FTP_->RemoteHost());
    if (!address) return;  // not connected: the login dialog told
    const auto web = publisher::EnterWebFolder(*FTP_, *address);
    if (webFolderTold_) return;
    if (!web) {
        webFolderTold_ = true;
        TellFailure(QStringLiteral("This host has no folder to publish into: create one, or name it after the host "
                                   "in the FTP login (host/folder)."),
                    web.error());
    } else if (!web->note.empty()) {
        webFolderTold_ = true;
        Tell(FromUtf8(web->note), MessageIcon::Information);
    }
}

// ---- The panes ----

void Main::RefreshLocal() {
    setCursor(Qt::WaitCursor);
    std::error_code error;
    const fs::path folder = fs::current_path(error);
    LocalPWD->setText(ToQString(folder));
    LocalDirectories->clear();
    LocalFiles->clear();
    if (const auto entries = publisher::ListLocalPane(folder); entries && !error) {
        for (const std::string& name : entries->folders) AddName(*LocalDirectories, name, folderIcon_);
        for (const std::string& name : entries->files) AddName(*LocalFiles, name, fileIcon_);
    }
    unsetCursor();
}

void Main::RefreshRemote() {
    const Running running(busy_);
    setCursor(Qt::WaitCursor);
    RemotePWD->setText(QString::fromStdString(DecodeLenient(FTP_->Directory())));
    RemoteDirectories->clear();
    RemoteFiles->clear();
    (void)FTP_->ListDirectory("*.*");  // a failed listing leaves the lists as far as they were filled
    unsetCursor();
}

void Main::RefreshAll() {
    RefreshLocal();
    RefreshRemote();
    unsetCursor();
}

void Main::FTP_DirectoryEntry(const std::string& name, std::uint32_t attributes) {
    const bool folder = attributes == 0 || (attributes & publisher::kFolderAttribute) != 0;
    AddName(folder ? *RemoteDirectories : *RemoteFiles, name, folder ? folderIcon_ : fileIcon_);
}

// ---- Messages ----

void Main::Tell(const QString& text, MessageIcon icon, const QString& caption, const QString& details) {
    const Running box(ownBoxes_);
    const ScreenPointer normal(Qt::ArrowCursor);  // not the hourglass over the box
    platform_.dialogs().Message(this, text, MessageButtons::Ok, icon, caption, details);
}

void Main::TellFailure(const QString& text, std::error_code reason) {
    const QString shown = FromUtf8(publisher::ShownFromHost(reason.message(), FTP_->Password()));
    if (publisher::IsSecurityRefusal(reason)) return Tell(text + QStringLiteral("\n\n") + shown, MessageIcon::Critical);
    Tell(text, MessageIcon::Exclamation, kAppTitle, shown);
}

std::optional<QString> Main::Ask(const QString& prompt) {
    const Running box(ownBoxes_);
    const ScreenPointer normal(Qt::ArrowCursor);
    return platform_.dialogs().Input(this, prompt);
}

// ---- Modes, leaving, help ----

void Main::ASCIIMode_Click() {
    if (ASCIIMode->isChecked()) FTP_->SetBinary(false);
}

void Main::BinaryMode_Click() {
    if (BinaryMode->isChecked()) FTP_->SetBinary(true);
}

void Main::GoToMainMenu() {
    ShowMainMenu(platform_, *this);
    close();
}

void Main::mnu_Click() { GoToMainMenu(); }
void Main::Label2_Click() { GoToMainMenu(); }
void Main::Label4_Click() { GoToMainMenu(); }
void Main::Label7_Click() { GoToMainMenu(); }
void Main::mnuhlp_Click() { OpenBeside(*this, platform_, WindowKind::Help); }

// While one of its commands runs the window stays: the command is still using it.
void Main::closeEvent(QCloseEvent* event) {
    if (busy_) {
        event->ignore();
        return;
    }
    FTP_->Disconnect();
    unsetCursor();
    QMainWindow::closeEvent(event);
}

void Main::mousePressEvent(QMouseEvent* event) {
    DragWindow(*this);
    event->accept();
}

// ---- Remote folder and file commands ----

void Main::RemoteCD_Click() {
    const Running running(busy_);
    const auto folder = Ask(kChangeToPrompt);
    if (!folder || folder->isEmpty()) return;
    if (const auto changed = FTP_->SetDirectory(folder->toStdString()); !changed) {
        TellFailure(QStringLiteral("Unable to change directory"), changed.error());
    } else {
        RefreshRemote();
    }
}

void Main::RemoteDirectories_DblClick() {
    const Running running(busy_);
    const QListWidgetItem* folder = RemoteDirectories->currentItem();
    if (!folder) return;
    if (const auto changed = FTP_->SetDirectory(NameOf(*folder)); !changed) {
        TellFailure(QStringLiteral("Unable to change directory"), changed.error());
    } else {
        RefreshRemote();
    }
}

void Main::RemoteMD_Click() {
    const Running running(busy_);
    const auto folder = Ask(kNewFolderPrompt);
    if (!folder || folder->isEmpty()) return;
    if (const auto made = FTP_->MakeDirectory(folder->toStdString()); !made) {
        TellFailure(QStringLiteral("Unable to make remote directory"), made.error());
    } else {
        RefreshRemote();
    }
}

void Main::RemoteRD_Click() {
    const Running running(busy_);
    const QListWidgetItem* folder = RemoteDirectories->currentItem();
    if (!folder) return Beep();
    if (const auto removed = FTP_->RemoveDirectory(NameOf(*folder)); !removed) {
        TellFailure(QStringLiteral("Unable to remove remote directory"), removed.error());
    } else {
        RefreshRemote();
    }
}

void Main::RemoteDEL_Click() {
    const Running running(busy_);
    const QListWidgetItem* file = RemoteFiles->currentItem();
    if (!file) return Beep();
    if (const auto deleted = FTP_->DeleteFile(NameOf(*file)); !deleted) {
        TellFailure(QStringLiteral("Unable to delete remote file"), deleted.error());
    } else {
        RefreshRemote();
    }
}

// ---- Local folder and file commands (names relative to the current folder) ----

void Main::LocalDEL_Click() {
    const QListWidgetItem* file = LocalFiles->currentItem();
    if (!file) return Beep();
    if (::unlink(NameOf(*file).c_str()) != 0) {  // a file only, never a folder
        TellFailure(QStringLiteral("Unable to delete local file"), LastError());
    } else {
        RefreshLocal();
    }
}

void Main::LocalCD_Click() {
    const auto folder = Ask(kChangeToPrompt);
    if (!folder || folder->isEmpty()) return;
    std::error_code ignored;
    fs::current_path(ToPath(*folder), ignored);
    RefreshLocal();
}

void Main::LocalMD_Click() {
    const auto folder = Ask(kNewFolderPrompt);
    if (!folder || folder->isEmpty()) return;
    if (::mkdir(folder->toStdString().c_str(), 0777) != 0) {
        TellFailure(QStringLiteral("Unable to make local directory"), LastError());
    } else {
        RefreshLocal();
    }
}

void Main::LocalRD_Click() {
    const QListWidgetItem* folder = LocalDirectories->currentItem();
    if (!folder) return Beep();
    if (::rmdir(NameOf(*folder).c_str()) != 0) {
        TellFailure(QStringLiteral("Unable to remove local directory"), LastError());
    } else {
        RefreshLocal();
    }
}

void Main::LocalDirectories_DblClick() {
    const QListWidgetItem* folder = LocalDirectories->currentItem();
    if (!folder) return Beep();
    std::error_code ignored;
    fs::current_path(NameOf(*folder), ignored);
    RefreshLocal();
}

// ---- Transfers ----

void Main::TransferDisplayBegin() {
    if (!FTP_->ReportsProgress()) return;
    BinaryMode->hide();
    ASCIIMode->hide();
    ProgressBar->show();
    SetProgressValue(0);
    ProgressBar->setMaximum(100);
    progressScale_ = 1;
    LetWindowsRepaint();
}

void Main::TransferDisplayEnd() {
    if (!FTP_->ReportsProgress()) return;
    BinaryMode->show();
    ASCIIMode->show();
    ProgressBar->hide();
}

// The bar shows its new value with the window's next repaint; left to itself it would
// paint at once, for every value, which for a run of small files costs more than sending.
void Main::SetProgressValue(std::int64_t value) {
    ProgressBar->setUpdatesEnabled(false);
    ProgressBar->setValue(
        static_cast<int>(std::clamp<std::int64_t>(value, ProgressBar->minimum(), ProgressBar->maximum())));
    ProgressBar->setUpdatesEnabled(true);
}

// A total of 0 is a size not yet known: the bar waits at its start until one is.
void Main::FTP_TransferProgress(std::uint64_t done, std::uint64_t total) {
    const Running running(busy_);
    if (ProgressBar->maximum() == 100 && total > 0) {
        progressScale_ = total / INT_MAX + 1;  // so that the bar's int range holds any size
        ProgressBar->setMaximum(static_cast<int>(total / progressScale_));
    }
    if (total > 0 || ProgressBar->maximum() != 100) {
        SetProgressValue(static_cast<std::int64_t>(std::min<std::uint64_t>(done / progressScale_, INT_MAX)));
    }
    LetWindowsRepaint();
}

void Main::SingleUpload(RemoteListing listing) {
    const Running running(busy_);
    const QListWidgetItem* file = LocalFiles->currentItem();
    if (!file) return Beep();
    const std::string name = NameOf(*file);
    FTP_->SetLocalFile(name);
    FTP_->SetRemoteFile(name);
    TransferDisplayBegin();
    const ScreenPointer pointer(Qt::WaitCursor);
    const Result<void> sent = FTP_->PutFile();
    for (const int value : {10, 30, 40, 50, 60, 70, 80, 90, 100, 0}) SetProgressValue(value);
    if (!notice_.empty()) Tell(FromUtf8(std::exchange(notice_, {})), MessageIcon::Information);
    if (!sent) {
        if (record_) record_->Erase(name);
        TellFailure(kUnableToSend, sent.error());
    } else {
        Beep();
        if (record_) {
            if (const auto recorded = publisher::SentFileOf(name)) record_->Set(name, *recorded);
        }
        if (listing == RemoteListing::AfterEach) {
            RefreshRemote();
        } else if (!Holds(*RemoteFiles, name)) {
            AddName(*RemoteFiles, name, fileIcon_);
        }
    }
    TransferDisplayEnd();
}

void Main::SingleDownload() {
    const Running running(busy_);
    const QListWidgetItem* file = RemoteFiles->currentItem();
    if (!file) return Beep();
    const std::string name = NameOf(*file);
    if (const auto refusal = publisher::DownloadRefusal(name)) {
        return Tell(kUnableToFetch + QStringLiteral("\n\n") + FromUtf8(publisher::ShownFromHost(*refusal, {})),
                    MessageIcon::Exclamation);
    }
    FTP_->SetRemoteFile(name);
    FTP_->SetLocalFile(name);
    ScreenPointer pointer(Qt::WaitCursor);
    TransferDisplayBegin();
    const Result<void> got = FTP_->GetFile();
    pointer.Set(Qt::BusyCursor);
    if (!got) {
        TellFailure(kUnableToFetch, got.error());
    } else {
        Beep();
        RefreshLocal();
    }
    TransferDisplayEnd();
}

void Main::ToRemote_Click() {
    BeginRecord();
    SingleUpload(RemoteListing::AfterEach);
    SaveRecord();
}
void Main::ToLocal_Click() { SingleDownload(); }

void Main::UploadAll() {
    ScreenPointer pointer(Qt::WaitCursor);
    if (LocalFiles->count() == 0) return Tell(kNoItems, MessageIcon::Critical, kNoItemsCaption);
    for (int row = 0; row < LocalFiles->count(); ++row) {
        LocalFiles->setCurrentRow(row, QItemSelectionModel::Select);
        pointer.Set(Qt::WaitCursor);
        SingleUpload(RemoteListing::AtTheEnd);
        LetWindowsRepaint();
    }
    for (int row = 0; row < LocalFiles->count(); ++row) {
        LocalFiles->item(row)->setSelected(false);
        LetWindowsRepaint();
    }
    RefreshRemote();
}

void Main::Label10_Click() {
    const Running running(busy_);
    BeginRecord();
    UploadAll();
    if (LocalFiles->count() > 0) OfferToRemoveStale();
    SaveRecord();
}

void Main::BeginRecord() {
    record_.reset();
    const auto address = publisher::ParseHostAddress(FTP_->RemoteHost());
    std::error_code error;
    if (!address || !fs::equivalent(fs::current_path(error), platform_.SiteFolderPath(), error)) return;
    record_.emplace(platform_.SiteFolderPath() / publisher::kPublishStateFileName,
                    publisher::PublishDestination{address->Endpoint(), FTP_->UserName(), FTP_->Directory()});
}

void Main::SaveRecord() {
    if (!record_) return;
    if (const auto saved = record_->Save(); !saved) {
        TellFailure(QStringLiteral("The list of the files sent to the host could not be saved, so the next upload "
                                   "will not know what this one sent."),
                    saved.error());
    }
    record_.reset();
}

void Main::OfferToRemoveStale() {
    if (!record_) return;
    const auto files = publisher::PublishableFiles(platform_.SiteFolderPath());
    if (!files) return;
    const std::vector<std::string> stale = record_->StaleFiles(*files);
    if (stale.empty()) return;
    QString list;
    for (const std::string& name : stale) list += QStringLiteral("\n") + FromUtf8(name);
    const Running box(ownBoxes_);
    const ScreenPointer normal(Qt::ArrowCursor);
    if (!platform_.dialogs().AskYesNo(this, QStringLiteral("These files were sent to this folder before, and the "
                                                           "site no longer has them:\n") +
                                                list + QStringLiteral("\n\nRemove them from the host?")))
        return;
    for (const publisher::StaleRemoval& removal : publisher::RemoveStaleFiles(*FTP_, *record_, stale)) {
        if (removal.error) TellFailure(QStringLiteral("Unable to delete remote file"), removal.error);
    }
    RefreshRemote();
}

bool Main::ReduceToSelection(QListWidget& list) {
    if (list.selectedItems().isEmpty()) {
        Tell(kNoneSelected, MessageIcon::Critical, kNoneSelectedCaption);
        return false;
    }
    for (int row = 0; row < list.count(); ++row) {
        if (list.item(row)->isSelected()) List1->addItem(list.item(row)->clone());
        LetWindowsRepaint();
    }
    list.clear();
    for (int row = 0; row < List1->count(); ++row) list.addItem(List1->item(row)->clone());
    List1->clear();
    return true;
}

void Main::Label6_Click() {
    const Running running(busy_);
    if (!ReduceToSelection(*LocalFiles)) return;
    BeginRecord();
    UploadAll();
    SaveRecord();
    RefreshLocal();
}

void Main::DownloadAll() {
    ScreenPointer pointer(Qt::WaitCursor);
    if (RemoteFiles->count() == 0) return Tell(kNoItems, MessageIcon::Critical, kNoItemsCaption);
    for (int row = 0; row < RemoteFiles->count(); ++row) {
        RemoteFiles->setCurrentRow(row, QItemSelectionModel::Select);
        pointer.Set(Qt::WaitCursor);
        SingleDownload();
        LetWindowsRepaint();
    }
    for (int row = 0; row < RemoteFiles->count(); ++row) RemoteFiles->item(row)->setSelected(false);
}

void Main::rall_Click() {
    const Running running(busy_);
    DownloadAll();
}

void Main::Label1_Click() {
    const Running running(busy_);
    if (!ReduceToSelection(*RemoteFiles)) return;
    DownloadAll();
    RefreshRemote();
}

void Main::Command3_Click() {
    const Running running(busy_);
    platform_.shell().Open(ToQString(platform_.inst()) + QStringLiteral("/ghelp.html"));
    if (LocalFiles->count() == 0) return Tell(kNoItems, MessageIcon::Critical, kNoItemsCaption);
    ScreenPointer pointer(Qt::WaitCursor);
    BeginRecord();
    for (int row = 0; row < LocalFiles->count(); ++row) {
        LocalFiles->setCurrentRow(row, QItemSelectionModel::Select);
        SingleUpload(RemoteListing::AtTheEnd);
        pointer.Set(Qt::ArrowCursor);
        LetWindowsRepaint();
    }
    SaveRecord();
    RefreshRemote();
}

// ---- Previews ----

// The picture, reduced to fit the picture box when larger; false when it cannot be read.
bool Main::ShowPicture(const QString& file) {
    Picture1->show();
    const QPixmap picture(file);
    if (picture.isNull()) return false;
    const bool fits = picture.width() <= Picture1->width() && picture.height() <= Picture1->height();
    Picture1->setPixmap(fits ? picture
                             : picture.scaled(Picture1->size(), Qt::KeepAspectRatio, Qt::SmoothTransformation));
    return true;
}

void Main::ShowPage(const QString& file, bool fromHost) {
    Picture1->hide();
    if (fromHost) {
        WebBrowser1->NavigateWithoutScripts(file);
    } else {
        WebBrowser1->Navigate(file);
    }
}

void Main::LocalFiles_Click() {
    const QListWidgetItem* file = LocalFiles->currentItem();
    if (!file) return;
    const std::string name = NameOf(*file);
    const std::string kind = FileExtension(name);
    if (kind == "gif" || kind == "jpg") {
        (void)ShowPicture(QString::fromStdString(name));
    } else if (kind == "htm" || kind == "html") {
        ShowPage(ToQString(platform_.SiteFolderPath() / name), IsViewedRemoteFile(name));
    }
}

void Main::Command2_Click() {
    const Running running(busy_);
    const QListWidgetItem* file = RemoteFiles->currentItem();
    if (!file) return Beep();
    const std::string name = NameOf(*file);
    const std::string kind = FileExtension(name);
    const bool picture = kind == "gif" || kind == "jpg";
    // Only these four local names are ever written: other kinds are not viewed.
    if (!picture && kind != "htm" && kind != "html") return Beep();
    const std::string temporary = "temp." + kind;
    FTP_->SetLocalFile(temporary);
    FTP_->SetRemoteFile(name);
    ScreenPointer pointer(Qt::WaitCursor);
    TransferDisplayBegin();
    const Result<void> got = FTP_->GetFile();
    pointer.Set(Qt::BusyCursor);
    std::error_code ignored;
    const QString local = ToQString(fs::absolute(temporary, ignored));
    if (!got) {
        TellFailure(kUnableToFetch, got.error());
    } else if (picture && !ShowPicture(local)) {
        Tell(kUnableToFetch, MessageIcon::Exclamation, kAppTitle,
             QStringLiteral("%1 is not a picture that can be shown").arg(local));
    } else {
        if (!picture) ShowPage(local, true);
        Beep();
        RefreshLocal();
    }
    TransferDisplayEnd();
}

}  // namespace pw
