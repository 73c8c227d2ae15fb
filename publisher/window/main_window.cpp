#include "publisher/window/main_window.hpp"

#include <QApplication>
#include <QCloseEvent>
#include <QElapsedTimer>
#include <QFontMetrics>
#include <QKeyEvent>
#include <QLabel>
#include <QListWidget>
#include <QMouseEvent>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QStyle>
#include <QTimer>
#include <QWindow>

#include <climits>
#include <filesystem>

#include "platform/platform.hpp"
#include "platform/web_pane.hpp"
#include "publisher/curl_ftp.hpp"
#include "publisher/ftp_account.hpp"
#include "publisher/host_address.hpp"
#include "publisher/host_text.hpp"
#include "publisher/local_files.hpp"
#include "publisher/stale_files.hpp"
#include "publisher/web_folder.hpp"
#include "publisher/window/screen_pointer.hpp"
#include "shell/general/drag_window.hpp"
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
const QString kUnableToChange = QStringLiteral("Unable to change directory");
const QString kUnableToDeleteRemote = QStringLiteral("Unable to delete remote file");
const QString kStateNotSaved = QStringLiteral(
    "The list of the files sent to the host could not be saved, so the next upload will not know what this one sent.");

// Names travel as the file system and the server gave them: the item's text is for the
// eye, its data the bytes every command uses.
constexpr int kNameRole = Qt::UserRole;

// Repaints and moves the progress bar while a command runs; the user's clicks and keys
// wait until it is done, so no command can start inside another (libcurl's calls are not
// re-entrant, and a window closed mid-command would pull the ground from under it).
// During an upload they are handed on instead, to StopOnlyInput, which lets only Stop
// through. About sixty times a second at most: a run of small files would otherwise spend
// more time painting than sending.
enum class Input { Kept, ToStopOnly };
void LetWindowsRepaint(Input input = Input::Kept) {
    static QElapsedTimer sinceLast;
    if (sinceLast.isValid() && sinceLast.elapsed() < 16) return;
    QCoreApplication::processEvents(input == Input::Kept ? QEventLoop::ExcludeUserInputEvents : QEventLoop::AllEvents);
    sinceLast.start();
}

void Beep() { QApplication::beep(); }

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

// While an upload runs its window takes no input but Stop: a click on its button, or Esc.
// Everything else the user does there meanwhile is dropped, so no command starts inside
// the upload, and the window can let every event through to see the Stop. Boxes the
// upload shows are windows of their own and are answered as usual.
class StopOnlyInput : public QObject {
public:
    StopOnlyInput(QWidget& stop, std::function<void()> stopped)
        : window_(*stop.window()), stop_(stop), stopped_(std::move(stopped)) {
        qApp->installEventFilter(this);
    }
    ~StopOnlyInput() override { qApp->removeEventFilter(this); }
    StopOnlyInput(const StopOnlyInput&) = delete;
    StopOnlyInput& operator=(const StopOnlyInput&) = delete;

protected:
    // Input reaches a window first and is then handed to its widgets: only the widgets' is
    // looked at.
    bool eventFilter(QObject* target, QEvent* event) override {
        if (!target->isWidgetType() || static_cast<QWidget*>(target)->window() != &window_) return false;
        switch (event->type()) {
            case QEvent::KeyPress:
                if (static_cast<QKeyEvent*>(event)->key() == Qt::Key_Escape) stopped_();
                return true;
            case QEvent::MouseButtonPress:
            case QEvent::MouseButtonRelease:
            case QEvent::MouseButtonDblClick:
            case QEvent::MouseMove: return target != &stop_;
            case QEvent::KeyRelease:
            case QEvent::ShortcutOverride:
            case QEvent::Shortcut:
            case QEvent::Wheel:
            case QEvent::ContextMenu:
            case QEvent::TouchBegin:
            case QEvent::TouchUpdate:
            case QEvent::TouchEnd: return true;
            default: return false;
        }
    }

private:
    QWidget& window_;
    QWidget& stop_;
    std::function<void()> stopped_;
};

// A page the publisher itself downloaded to view it ("View Remote File").
bool IsViewedRemoteFile(const std::string& name) { return name == "temp.htm" || name == "temp.html"; }

}  // namespace

Main::Main(Platform& platform, QWidget* parent)
    : QMainWindow(parent),
      platform_(platform),
      FTP_(publisher::MakeCurlFtp(publisher::DefaultFtpSettings(platform.SiteFolderPath()))),
      localFolder_(platform.SiteFolderPath()),
      folderIcon_(style()->standardIcon(QStyle::SP_DirIcon)),
      fileIcon_(style()->standardIcon(QStyle::SP_FileIcon)) {
    BuildLayout(*SetUpPictureWindow(*this, QStringLiteral("Main")));
    ConnectComponentEvents();
    connect(qApp, &QGuiApplication::focusWindowChanged, this, &Main::FocusWindowChanged);
}

// The component goes before the lists its events fill.
Main::~Main() {
    FTP_->SetEvents({});
    FTP_.reset();
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
                const auto running = activation_.CommandRuns();
                LetWindowsRepaint();
            },
    });
}

void Main::Form_Load() {
    FitPictureWindow(*this);
    CentreOnScreen(*this);
    setWindowTitle(kCaption);
    activation_.Load();
    FTP_->SetBinary(true);
}

// ---- Activation ----

void Main::FocusWindowChanged(QWindow* now) {
    if (now && now == windowHandle()) return;  // changeEvent sees this one
    activation_.FocusLeft(now != nullptr);
}

// The first activation comes with the first showing, whether or not a window manager
// hands the window the focus then; the window's first real activation is that one.
void Main::showEvent(QShowEvent* event) {
    QMainWindow::showEvent(event);
    if (activation_.FirstDue())
        QTimer::singleShot(0, this, [this] {
            if (activation_.FirstDue()) Form_Activate();
        });
}

void Main::changeEvent(QEvent* event) {
    QMainWindow::changeEvent(event);
    if (event->type() != QEvent::ActivationChange || !isActiveWindow()) return;
    if (activation_.BecameActive()) Form_Activate();
}

void Main::Form_Activate() {
    if (activation_.CommandRunning()) return;
    const auto running = activation_.CommandRuns();
    const QString folder = ToQString(platform_.SiteFolderPath());
    Label15->setText(QFontMetrics(Label15->font()).elidedText(folder, Qt::ElideMiddle, LocalFiles->width()));
    Label15->setToolTip(folder);
    CloseMainMenu();
    if (activation_.TakeFirst()) {
        LetWindowsRepaint();
        RefreshAll();
    }
    const ScreenPointer pointer(Qt::WaitCursor);
    EnterLocalFolder(platform_.SiteFolderPath().string());
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

void Main::EnterLocalFolder(std::string_view name) {
    auto entered = publisher::EnterLocalFolder(localFolder_, name);
    if (!entered) return;
    localFolder_ = std::move(*entered);
    std::error_code ignored;
    fs::current_path(localFolder_, ignored);
}

void Main::RefreshLocal() {
    setCursor(Qt::WaitCursor);
    LocalPWD->setText(ToQString(localFolder_));
    LocalDirectories->clear();
    LocalFiles->clear();
    if (const auto entries = publisher::ListLocalPane(localFolder_)) {
        for (const std::string& name : entries->folders) AddName(*LocalDirectories, name, folderIcon_);
        for (const std::string& name : entries->files) AddName(*LocalFiles, name, fileIcon_);
    }
    unsetCursor();
}

void Main::RefreshRemote() {
    const auto running = activation_.CommandRuns();
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
    const auto box = activation_.BoxShows();
    const ScreenPointer normal(Qt::ArrowCursor);  // not the hourglass over the box
    platform_.dialogs().Message(this, text, MessageButtons::Ok, icon, caption, details);
}

void Main::TellFailure(const QString& text, std::error_code reason) {
    const QString shown = FromUtf8(publisher::ShownFromHost(reason.message(), FTP_->Password()));
    if (publisher::IsSecurityRefusal(reason)) return Tell(text + QStringLiteral("\n\n") + shown, MessageIcon::Critical);
    Tell(text, MessageIcon::Exclamation, kAppTitle, shown);
}

std::optional<QString> Main::Ask(const QString& prompt) {
    const auto box = activation_.BoxShows();
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
    if (activation_.CommandRunning()) {
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

// ---- Folder and file commands of the panes ----

void Main::RunCommand(const QString& failure, const std::function<Result<void>()>& operation, Pane pane) {
    if (const auto done = operation(); !done) return TellFailure(failure, done.error());
    if (pane == Pane::Remote) {
        RefreshRemote();
    } else {
        RefreshLocal();
    }
}

void Main::RemoteCD_Click() {
    const auto running = activation_.CommandRuns();
    const auto folder = Ask(kChangeToPrompt);
    if (!folder || folder->isEmpty()) return;
    RunCommand(kUnableToChange, [&] { return FTP_->SetDirectory(folder->toStdString()); });
}

void Main::RemoteDirectories_DblClick() {
    const auto running = activation_.CommandRuns();
    const QListWidgetItem* folder = RemoteDirectories->currentItem();
    if (!folder) return;
    RunCommand(kUnableToChange, [&] { return FTP_->SetDirectory(NameOf(*folder)); });
}

void Main::RemoteMD_Click() {
    const auto running = activation_.CommandRuns();
    const auto folder = Ask(kNewFolderPrompt);
    if (!folder || folder->isEmpty()) return;
    RunCommand(QStringLiteral("Unable to make remote directory"),
               [&] { return FTP_->MakeDirectory(folder->toStdString()); });
}

void Main::RemoteRD_Click() {
    const auto running = activation_.CommandRuns();
    const QListWidgetItem* folder = RemoteDirectories->currentItem();
    if (!folder) return Beep();
    RunCommand(QStringLiteral("Unable to remove remote directory"),
               [&] { return FTP_->RemoveDirectory(NameOf(*folder)); });
}

void Main::RemoteDEL_Click() {
    const auto running = activation_.CommandRuns();
    const QListWidgetItem* file = RemoteFiles->currentItem();
    if (!file) return Beep();
    RunCommand(kUnableToDeleteRemote, [&] { return FTP_->DeleteFile(NameOf(*file)); });
}

void Main::LocalDEL_Click() {
    const QListWidgetItem* file = LocalFiles->currentItem();
    if (!file) return Beep();
    RunCommand(
        QStringLiteral("Unable to delete local file"),
        [&] { return publisher::DeleteLocalFile(localFolder_, NameOf(*file)); }, Pane::Local);
}

// A change that fails says nothing: the pane is listed again either way.
void Main::LocalCD_Click() {
    const auto folder = Ask(kChangeToPrompt);
    if (!folder || folder->isEmpty()) return;
    EnterLocalFolder(folder->toStdString());
    RefreshLocal();
}

void Main::LocalMD_Click() {
    const auto folder = Ask(kNewFolderPrompt);
    if (!folder || folder->isEmpty()) return;
    RunCommand(
        QStringLiteral("Unable to make local directory"),
        [&] { return publisher::MakeLocalFolder(localFolder_, folder->toStdString()); }, Pane::Local);
}

void Main::LocalRD_Click() {
    const QListWidgetItem* folder = LocalDirectories->currentItem();
    if (!folder) return Beep();
    RunCommand(
        QStringLiteral("Unable to remove local directory"),
        [&] { return publisher::RemoveLocalFolder(localFolder_, NameOf(*folder)); }, Pane::Local);
}

void Main::LocalDirectories_DblClick() {
    const QListWidgetItem* folder = LocalDirectories->currentItem();
    if (!folder) return Beep();
    EnterLocalFolder(NameOf(*folder));
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
    const auto running = activation_.CommandRuns();
    if (ProgressBar->maximum() == 100 && total > 0) {
        progressScale_ = total / INT_MAX + 1;  // so that the bar's int range holds any size
        ProgressBar->setMaximum(static_cast<int>(total / progressScale_));
    }
    if (total > 0 || ProgressBar->maximum() != 100) {
        SetProgressValue(static_cast<std::int64_t>(std::min<std::uint64_t>(done / progressScale_, INT_MAX)));
    }
    LetWindowsRepaint();
}

// Through the engine too, on the window's one connection, so the publish state knows
// what was sent; the bar follows the file's bytes.
void Main::SingleUpload() {
    const auto running = activation_.CommandRuns();
    const QListWidgetItem* file = LocalFiles->currentItem();
    if (!file) return Beep();
    const std::string name = NameOf(*file);
    std::string failure;
    std::vector<std::string> notices;
    publisher::UploadEvents events{
        .progress = [this](const std::string&, std::uint64_t done,
                           std::uint64_t total) { FTP_TransferProgress(done, total); },
        .failed = [&](const std::string&, const std::string& reason) { failure = reason; },
        .lost = [&](const std::string& reason) { failure = reason; },
        .waiting = [] { LetWindowsRepaint(); },
        .notice = [&](const std::string& text) { notices.push_back(text); },
    };
    publisher::UploadOptions options;
    options.findStale = false;
    options.connections = 1;
    publisher::SiteUpload upload(*FTP_, {}, localFolder_, options, std::move(events));
    TransferDisplayBegin();
    const ScreenPointer pointer(Qt::WaitCursor);
    const publisher::UploadResult result = upload.Run({name});
    for (const int value : {10, 30, 40, 50, 60, 70, 80, 90, 100, 0}) SetProgressValue(value);
    for (const std::string& notice : notices) Tell(FromUtf8(notice), MessageIcon::Information);
    if (result.sent == 0) {
        Tell(kUnableToSend, MessageIcon::Exclamation, kAppTitle, FromUtf8(failure));
    } else {
        Beep();
        RefreshRemote();
    }
    if (!result.stateSaved) TellFailure(kStateNotSaved, result.stateSaved.error());
    TransferDisplayEnd();
}

void Main::SingleDownload() {
    const auto running = activation_.CommandRuns();
    const QListWidgetItem* file = RemoteFiles->currentItem();
    if (!file) return Beep();
    const std::string name = NameOf(*file);
    if (const auto refusal = publisher::DownloadRefusal(name)) {
        return Tell(kUnableToFetch + QStringLiteral("\n\n") + FromUtf8(publisher::ShownFromHost(*refusal, {})),
                    MessageIcon::Exclamation);
    }
    FTP_->SetRemoteFile(name);
    FTP_->SetLocalFile(localFolder_ / name);
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

void Main::ToRemote_Click() { SingleUpload(); }
void Main::ToLocal_Click() { SingleDownload(); }

// The extra connections copy the window's account; the trust the login gave is in the
// site's trust file, so they verify the host as the first did.
std::unique_ptr<publisher::SiteUpload> Main::MakeUpload(Sending sending) {
    publisher::UploadOptions options;
    options.connections = publisher::LoadFtpOptions(platform_.SiteFolderPath()).connections;
    options.findStale = sending == Sending::WholeSite;
    publisher::UploadEvents events{
        .started = [this](const std::string& name) { Upload_Started(name); },
        .sent = [this](const std::string& name, std::uint64_t) { Upload_Sent(name); },
        .unchanged = [this](const std::string&) { Upload_Done(); },
        .failed = [this](const std::string&, const std::string& reason) { Upload_Failed(reason); },
        .lost = [this](const std::string& reason) { Upload_Lost(reason); },
        .waiting = [] { LetWindowsRepaint(Input::ToStopOnly); },
        .notice = [this](const std::string& text) { Upload_Notice(text); },
    };
    return std::make_unique<publisher::SiteUpload>(
        *FTP_, publisher::CurlConnectionsLike(*FTP_, publisher::DefaultFtpSettings(platform_.SiteFolderPath())),
        localFolder_, options, std::move(events));
}

void Main::Upload_Started(const std::string& name) {
    for (int row = 0; row < LocalFiles->count(); ++row) {
        if (NameOf(*LocalFiles->item(row)) == name) return LocalFiles->setCurrentRow(row, QItemSelectionModel::Select);
    }
}

void Main::Upload_Sent(const std::string& name) {
    Beep();
    ++tally_.sent;
    Upload_Done();
    if (!Holds(*RemoteFiles, name)) AddName(*RemoteFiles, name, fileIcon_);
}

// The engine's reasons are already safe to show.
void Main::Upload_Failed(const std::string& reason) {
    Upload_Done();
    Tell(kUnableToSend, MessageIcon::Exclamation, kAppTitle, FromUtf8(reason));
}

// Every connection is gone: the files left are not sent, and that is told once.
void Main::Upload_Lost(const std::string& reason) {
    Tell(kUnableToSend, MessageIcon::Exclamation, kAppTitle, FromUtf8(reason));
}

void Main::Upload_Done() {
    ++tally_.done;
    SetProgressValue(static_cast<std::int64_t>(tally_.done));
    ShowUploadCount();
    LetWindowsRepaint(Input::ToStopOnly);
}

void Main::ShowUploadCount() {
    const std::size_t toGo = tally_.total - std::min(tally_.done, tally_.total);
    UploadCount->setText(QStringLiteral("%1 sent, %2 to go").arg(tally_.sent).arg(toGo));
}

// Kept for after the run; the engine tells each text once.
void Main::Upload_Notice(const std::string& text) { tally_.notices.push_back(text); }

void Main::StopUpload_Click() {
    if (upload_) upload_->Stop();
}

std::optional<publisher::UploadResult> Main::UploadAll(publisher::SiteUpload& upload, AfterUpload after) {
    const ScreenPointer pointer(Qt::WaitCursor);
    if (LocalFiles->count() == 0) {
        Tell(kNoItems, MessageIcon::Critical, kNoItemsCaption);
        return std::nullopt;
    }
    std::vector<std::string> names;
    for (int row = 0; row < LocalFiles->count(); ++row) names.push_back(NameOf(*LocalFiles->item(row)));
    UploadDisplayBegin(names.size());
    std::optional<publisher::UploadResult> result;
    {
        const StopOnlyInput onlyStop(*StopUpload, [this] { StopUpload_Click(); });
        upload_ = &upload;
        result = upload.Run(names);
        upload_ = nullptr;
    }
    UploadDisplayEnd();
    for (const std::string& notice : std::exchange(tally_.notices, {}))
        Tell(FromUtf8(notice), MessageIcon::Information);
    if (!result->stateSaved) TellFailure(kStateNotSaved, result->stateSaved.error());
    if (after == AfterUpload::ClearSelection) {
        for (int row = 0; row < LocalFiles->count(); ++row) {
            LocalFiles->item(row)->setSelected(false);
            LetWindowsRepaint();
        }
    }
    RefreshRemote();
    return result;
}

void Main::UploadDisplayBegin(std::size_t files) {
    tally_ = UploadTally{};
    tally_.total = files;
    BinaryMode->hide();
    ASCIIMode->hide();
    ProgressBar->setMaximum(static_cast<int>(std::min<std::size_t>(files, INT_MAX)));
    SetProgressValue(0);
    ProgressBar->show();
    ShowUploadCount();
    UploadCount->show();
    StopUpload->show();
    LetWindowsRepaint();
}

void Main::UploadDisplayEnd() {
    BinaryMode->show();
    ASCIIMode->show();
    ProgressBar->hide();
    UploadCount->hide();
    StopUpload->hide();
}

void Main::Label10_Click() {
    const auto running = activation_.CommandRuns();
    const auto upload = MakeUpload(Sending::WholeSite);
    if (const auto result = UploadAll(*upload, AfterUpload::ClearSelection)) OfferToRemoveStale(*upload, result->stale);
}

void Main::OfferToRemoveStale(publisher::SiteUpload& upload, const std::vector<std::string>& stale) {
    if (stale.empty()) return;
    QString list;
    for (const std::string& name : stale) list += QStringLiteral("\n") + FromUtf8(name);
    const auto box = activation_.BoxShows();
    const ScreenPointer normal(Qt::ArrowCursor);
    if (!platform_.dialogs().AskYesNo(this, QStringLiteral("These files were sent to this folder before, and the "
                                                           "site no longer has them:\n") +
                                                list + QStringLiteral("\n\nRemove them from the host?")))
        return;
    const publisher::StaleOutcome removed = upload.RemoveStale(stale);
    for (const publisher::StaleRemoval& removal : removed.removals) {
        if (removal.error) TellFailure(kUnableToDeleteRemote, removal.error);
    }
    if (!removed.stateSaved) TellFailure(kStateNotSaved, removed.stateSaved.error());
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
    const auto running = activation_.CommandRuns();
    if (!ReduceToSelection(*LocalFiles)) return;
    (void)UploadAll(*MakeUpload(Sending::Selection), AfterUpload::ClearSelection);
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
    const auto running = activation_.CommandRuns();
    DownloadAll();
}

void Main::Label1_Click() {
    const auto running = activation_.CommandRuns();
    if (!ReduceToSelection(*RemoteFiles)) return;
    DownloadAll();
    RefreshRemote();
}

void Main::Command3_Click() {
    const auto running = activation_.CommandRuns();
    platform_.shell().Open(ToQString(platform_.inst()) + QStringLiteral("/ghelp.html"));
    (void)UploadAll(*MakeUpload(Sending::Selection), AfterUpload::KeepSelection);
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
        (void)ShowPicture(ToQString(localFolder_ / name));
    } else if (kind == "htm" || kind == "html") {
        ShowPage(ToQString(platform_.SiteFolderPath() / name), IsViewedRemoteFile(name));
    }
}

void Main::Command2_Click() {
    const auto running = activation_.CommandRuns();
    const QListWidgetItem* file = RemoteFiles->currentItem();
    if (!file) return Beep();
    const std::string name = NameOf(*file);
    const std::string kind = FileExtension(name);
    const bool picture = kind == "gif" || kind == "jpg";
    // Only these four local names are ever written: other kinds are not viewed.
    if (!picture && kind != "htm" && kind != "html") return Beep();
    const fs::path temporary = localFolder_ / ("temp." + kind);
    FTP_->SetLocalFile(temporary);
    FTP_->SetRemoteFile(name);
    ScreenPointer pointer(Qt::WaitCursor);
    TransferDisplayBegin();
    const Result<void> got = FTP_->GetFile();
    pointer.Set(Qt::BusyCursor);
    const QString local = ToQString(temporary);
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
