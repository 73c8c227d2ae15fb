#pragma once
// The publisher: the site's files on the left, the web host's current folder on the
// right, and the commands that copy between them. It owns the FTP component, which the
// login dialog connects before showing it; closing the window disconnects.
#include <QIcon>
#include <QMainWindow>
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/dialogs.hpp"
#include "publisher/ftp_component.hpp"
#include "publisher/site_upload.hpp"
#include "publisher/window/activation.hpp"

class QLabel;
class QListWidget;
class QMenu;
class QProgressBar;
class QPushButton;
class QRadioButton;
class QToolButton;
class QWindow;

namespace pw {

class HotSpot;
class Platform;
class WebPane;

class Main : public QMainWindow {
    Q_OBJECT
public:
    // Builds the window and its (unconnected) FTP component, without showing it.
    explicit Main(Platform& platform, QWidget* parent = nullptr);
    ~Main() override;

    // The component the login dialog sets up and connects.
    publisher::FtpComponent& FTP() { return *FTP_; }

    // Size and place on the screen; binary transfers.
    void Form_Load();
    // What becoming the active window does: the panes go back to the working folder and
    // to the publish folder ("/www/" unless the host address names one), and the main
    // menu closes. Runs when the window is first shown and whenever the user comes to it
    // from another window of the program, never when one of its own message or input
    // boxes closes nor while one of its commands runs.
    void Form_Activate();

    void RefreshLocal();
    void RefreshRemote();
    // Both panes, then the normal pointer.
    void RefreshAll();

    // ---- Commands of the panes ----
    void ASCIIMode_Click();
    void BinaryMode_Click();
    void mnu_Click();     // "Quit FTP"
    void Label2_Click();  // back to the main menu (as are Label4 and Label7)
    void Label4_Click();
    void Label7_Click();
    void mnuhlp_Click();  // the help viewer, beside
    void RemoteCD_Click();
    void RemoteDirectories_DblClick();
    void RemoteMD_Click();
    void RemoteRD_Click();
    void RemoteDEL_Click();
    void LocalDEL_Click();
    void LocalCD_Click();
    void LocalMD_Click();
    void LocalRD_Click();
    void LocalDirectories_DblClick();

    // ---- Transfers ----
    void ToRemote_Click();    // upload the current local file (also a local double-click)
    void ToLocal_Click();     // download the current remote file (also a remote double-click)
    void Label10_Click();     // "Upload ALL Files"
    void Label6_Click();      // "Upload Selected File"
    void StopUpload_Click();  // no file of the upload under way starts after this (also Esc)
    void rall_Click();        // download every remote file
    void Label1_Click();      // "Download File": the selected remote files
    void LocalFiles_Click();  // preview the current local file
    void Command3_Click();    // the upload guide, then upload every local file
    void Command2_Click();    // "View Remote File"

    // ---- Component events ----
    void FTP_DirectoryEntry(const std::string& name, std::uint32_t attributes);
    // Moves the bar: the first report with a known total sets its scale. The bar stays
    // within its range whatever is reported.
    void FTP_TransferProgress(std::uint64_t done, std::uint64_t total);

protected:
    void showEvent(QShowEvent* event) override;
    void changeEvent(QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;

private:
    // Enters the web folder (web_folder.hpp); says once how it was found, or that the host
    // has none.
    void EnterWebFolder();
    // After "Upload ALL Files": names the files sent here before that the site no longer
    // holds (`stale`), and removes them from the host when the user says so.
    void OfferToRemoveStale(publisher::SiteUpload& upload, const std::vector<std::string>& stale);

    enum class Pane { Local, Remote };
    // Whether an upload sends the whole site, so that what it sent before and the site no
    // longer holds is found, or a choice of its files ("?" sends the list as it stands).
    enum class Sending { WholeSite, Selection };
    // Whether an upload of the list leaves its items selected ("?") or not.
    enum class AfterUpload { ClearSelection, KeepSelection };

    // The widgets, in main_window_layout.cpp.
    void BuildLayout(QWidget& client);
    void BuildPictures(QWidget& client);
    void BuildLocalPane(QWidget& client);
    void BuildRemotePane(QWidget& client);
    void BuildStrip(QWidget& client);
    void BuildTransferControls(QWidget& client);
    void BuildMenus();
    void ConnectComponentEvents();

    void FocusWindowChanged(QWindow* now);
    // A folder or file command of a pane: on failure `failure` is told with the reason and
    // the panes stay as they were; else `pane` is listed again.
    void RunCommand(const QString& failure, const std::function<Result<void>()>& operation, Pane pane = Pane::Remote);
    // The local pane goes to the folder `name` leads to from where it is, when that is a
    // folder that can be entered; the process's current folder follows, so that what the
    // user opens from here starts there. A failure leaves both as they were.
    void EnterLocalFolder(std::string_view name);
    void GoToMainMenu();
    void SingleUpload();
    void SingleDownload();
    // An upload of the site's files through the engine, over as many connections as the
    // site's settings say, its events shown by the window.
    std::unique_ptr<publisher::SiteUpload> MakeUpload(Sending sending);
    // Sends every item of LocalFiles through `upload`: each item is selected as it starts and
    // the remote pane gains each name sent; the files sent and to go show with Stop while it
    // runs, and the remote folder is listed once at the end. A file that fails is told as it
    // fails and the others go on. Nothing when the list is empty (told).
    std::optional<publisher::UploadResult> UploadAll(publisher::SiteUpload& upload, AfterUpload after);
    void UploadDisplayBegin(std::size_t files);
    void UploadDisplayEnd();
    void ShowUploadCount();
    void Upload_Started(const std::string& name);
    void Upload_Sent(const std::string& name);
    void Upload_Failed(const std::string& reason);
    void Upload_Lost(const std::string& reason);
    void Upload_Done();  // a file sent, found unchanged or failed
    void Upload_Notice(const std::string& text);
    void DownloadAll();
    // Leaves only the selected items in `list`, in their order; false (and told) when
    // none is selected.
    bool ReduceToSelection(QListWidget& list);
    void TransferDisplayBegin();
    void TransferDisplayEnd();
    void SetProgressValue(std::int64_t value);
    bool ShowPicture(const QString& file);
    // `fromHost`: the file came from the web host, so its scripts stay off.
    void ShowPage(const QString& file, bool fromHost);

    // The fixed messages; every box goes through these, so the window knows its own.
    void Tell(const QString& text, MessageIcon icon, const QString& caption = kAppTitle, const QString& details = {});
    // `text`, with the component's reason under "Show Details..." (at once for a refusal
    // that protects the password).
    void TellFailure(const QString& text, std::error_code reason);
    std::optional<QString> Ask(const QString& prompt);

    Platform& platform_;
    std::unique_ptr<publisher::FtpComponent> FTP_;
    Activation activation_;
    std::filesystem::path localFolder_;        // the local pane's folder, as the system reports its path
    std::uint64_t progressScale_ = 1;          // bytes per step of the bar
    bool webFolderTold_ = false;               // how the web folder was found has been said
    publisher::SiteUpload* upload_ = nullptr;  // the upload under way, for Stop
    struct UploadTally {
        std::size_t total = 0;
        std::size_t done = 0;  // sent, unchanged or failed
        std::size_t sent = 0;
        std::vector<std::string> notices;  // told once the upload is over, each once
    } tally_;
    // The pictures beside the names in the lists, made once: a site lists hundreds.
    QIcon folderIcon_;
    QIcon fileIcon_;

    QLabel* Label15;
    QListWidget* LocalFiles;
    QPushButton* LocalDEL;
    QLabel* LocalPWD;
    QListWidget* LocalDirectories;
    QPushButton* LocalCD;
    QPushButton* LocalMD;
    QPushButton* LocalRD;
    QLabel* RemotePWD;
    QListWidget* RemoteDirectories;
    QListWidget* RemoteFiles;
    QPushButton* RemoteCD;
    QPushButton* RemoteRD;
    QPushButton* RemoteMD;
    QPushButton* RemoteDEL;
    QLabel* Picture1;
    WebPane* WebBrowser1;
    QProgressBar* ProgressBar;
    QLabel* UploadCount;
    QPushButton* StopUpload;
    HotSpot* Label10;
    HotSpot* Label6;
    HotSpot* Label1;
    HotSpot* Label7;
    HotSpot* Label2;
    HotSpot* Label4;
    QPushButton* Command2;
    QToolButton* ToLocal;
    QToolButton* ToRemote;
    QPushButton* rall;
    QPushButton* Command3;
    QRadioButton* ASCIIMode;
    QRadioButton* BinaryMode;
    QListWidget* List1;
    QMenu* mnufile;
};

}  // namespace pw
