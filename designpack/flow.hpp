#pragma once
// The installer's dialog logic without the dialog: the five states, the target folder,
// the password prompt, the fixed-paths warning, silent packs and the resume after a
// restart. The window implements InstallerView and forwards its main button here.
#include <atomic>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "designpack/extract.hpp"
#include "designpack/payload.hpp"
#include "designpack/runtime.hpp"

namespace pw::designpack {

// Texts the dialog shows and asks with.
inline constexpr std::string_view kInstallerName = "Unfurl self-installer v3.1";
inline constexpr std::string_view kResumePrompt = "Click 'Continue' to resume installation.";
inline constexpr std::string_view kCreateFolderQuestion =
    "The directory you entered does not currently exist.  Create it?";
inline constexpr std::string_view kFolderMissing = "Directory does not exist.";
inline constexpr std::string_view kPasswordRequest =
    "This zip file requires a password.\n\nEnter the file password, then click 'OK'.";
inline constexpr std::string_view kWrongPassword = "Incorrect password.";
inline constexpr std::string_view kCancelled = "Cancelled by user.";
inline constexpr std::string_view kNotInstalled = "Files could not be installed.";
inline constexpr std::string_view kContinueAfterFailedDownload = "Runtime download failed.  Continue installation?";
inline constexpr std::string_view kRunOnceName = "Unfurl";
inline constexpr std::size_t kMaxPasswordLength = 80;  // characters read from the password box

enum class DialogState : int {
    closes = 1,  // the main button closes the installer (also while installing)
    readyToInstall = 2,
    passwordTyped = 3,
    passwordRequired = 4,
    resume = 5,
};

enum class DialogControl { target, password, mainButton };

// The installer window as the flow sees it. Members marked (any thread) are also
// called from the installation worker and must hand their work to the window's thread.
class InstallerView : public RuntimeUi {
public:
    virtual void SetTitle(std::string_view caption) = 0;
    // The publisher named in the information line and the web address of the link.
    virtual void SetPublisher(std::string_view publisherName, std::string_view webAddress) = 0;
    // The pack's icon as .ico bytes.
    virtual void SetIcon(std::span<const std::uint8_t> icoBytes) = 0;
    virtual void SetTargetText(std::string_view text) = 0;
    virtual std::string TargetText() = 0;
    // "Expand to:" label and the target folder box together.
    virtual void ShowTarget(bool visible, bool enabled) = 0;
    // The "Password:" label and masked box, made on demand.
    virtual void ShowPasswordPrompt(bool visible) = 0;
    virtual std::string PasswordText() = 0;
    virtual void SetMainButton(std::string_view caption) = 0;  // (any thread)
    virtual void ShowProgress(bool visible) = 0;               // (any thread)
    // Focus; `selectAll` selects the whole text of a box.
    virtual void Focus(DialogControl control, bool selectAll = false) = 0;
    virtual void Beep() = 0;
    // Exclamation-icon OK/Cancel box; true for OK.
    virtual bool AskOkCancel(std::string_view text, std::string_view caption) = 0;
    // Runs `work` on the one installation worker thread.
    virtual void StartWorker(std::function<void()> work) = 0;
    virtual void CloseInstaller() = 0;  // (any thread)
    // The File Exists and New Name dialogs of the extraction (any thread).
    virtual FileExistsAnswer AskFileExists(const std::filesystem::path& path) = 0;
    virtual std::optional<std::filesystem::path> AskNewName(const std::filesystem::path& proposed) = 0;
};

// Where the installer runs.
struct InstallerSetting {
    std::filesystem::path program;        // the pack's own file, named in the resume entry
    std::filesystem::path currentFolder;  // relative targets and "." resolve against it
    std::filesystem::path systemFolder;   // where requirement files are looked up
    KeyStore keys = KeyStore::ForCurrentUser();
    std::string makerServer{kMakerServer};
    HttpOptions http;
};

// True when the arguments, joined with blanks, upper-cased and cut at every '-',
// have a part equal to "REBOOT" (" -REBOOT" and "-reboot" both do).
bool HasRestartFlag(std::span<const std::string> arguments);

// The drive part of a target text: up to and including ':'; on this system, which
// has a single root, "/" for a text without one.
std::string DrivePart(std::string_view target);

class InstallerFlow {
public:
    // `pack` is the payload's source; nullptr (the file would not open) counts as corrupt.
    InstallerFlow(InstallerView& view, InstallerSetting setting, std::unique_ptr<ByteSource> pack);

    // Dialog initialisation: reads the payload, sets icon, caption, target and prompt,
    // and picks the first state. A silent pack is installed here at once and the
    // installer closed.
    void Start(std::span<const std::string> arguments);

    // The main button (Enter), acting on the current state.
    void MainButton();

    // Ends an installation under way after its current block: the member being written
    // is removed (a file it replaces keeps its old copy) and nothing more is extracted,
    // fetched, asked or run. Safe from any thread.
    void Stop();

    // The user closes the installer (close box, Esc, or the main button in state 1):
    // Stop, then close the window at once.
    void Close();

    // The desktop session is ending mid-install: leave an entry that starts this pack
    // with -REBOOT at the next log-in.
    void SessionEnding();

    DialogState State() const { return state_.load(); }
    const Catalog& PackCatalog() const { return catalog_; }

private:
    enum class Outcome { completed, cancelled, failed };

    std::string InitialTargetText() const;
    std::optional<std::filesystem::path> ResolveTarget(std::string_view text) const;
    void BeginInstall();
    bool EnsureTargetFolder();
    void StartCommand();
    void RequestPassword();
    void CheckPassword();
    void InstallSilently();
    Outcome Install();
    void InstallOnWorker();
    void RunAfterCommand();
    RuntimeContext MakeRuntimeContext();

    InstallerView& view_;
    InstallerSetting setting_;
    std::unique_ptr<ByteSource> pack_;
    Catalog catalog_;
    bool corrupt_ = false;
    ExtractionSession session_;
    std::filesystem::path target_;
    std::atomic<DialogState> state_{DialogState::closes};
};

}  // namespace pw::designpack
