#include "designpack/flow.hpp"

#include <algorithm>
#include <cstdlib>

#include "designpack/runtime_process.hpp"
#include "designpack/text.hpp"
#include "shell/general/text_encoding.hpp"

namespace pw::designpack {

namespace fs = std::filesystem;

bool HasRestartFlag(std::span<const std::string> arguments) {
    std::string line;
    for (const std::string& argument : arguments) line += ' ' + argument;
    line = UpperCased(line);
    std::size_t start = 0;
    for (;;) {
        std::size_t dash = line.find('-', start);
        if (std::string_view(line).substr(start, dash - start) == "REBOOT") return true;
        if (dash == std::string::npos) return false;
        start = dash + 1;
    }
}

std::string DrivePart(std::string_view target) {
    std::size_t colon = target.find(':');
    return colon == std::string_view::npos ? std::string("/") : std::string(target.substr(0, colon + 1));
}

namespace {

// True when the box holds more than its drive: for "C:" more than one character
// after the colon, for "/" anything else.
bool HoldsMoreThanDrive(std::string_view target) {
    std::size_t colon = target.find(':');
    if (colon == std::string_view::npos) return target != "/";
    return target.size() > colon + 2;
}

// The first `count` characters of UTF-8 `text` (text that is not UTF-8 counts bytes).
std::string FirstCharacters(std::string_view text, std::size_t count) {
    if (!IsValidUtf8(text)) return std::string(text.substr(0, count));
    std::size_t end = 0;
    for (std::size_t n = 0; n < count && end < text.size(); ++n) end += DecodeUtf8At(text, end).length;
    return std::string(text.substr(0, end));
}

std::string EnvironmentText(const char* name) {
    const char* value = std::getenv(name);
    return value ? value : "";
}

}  // namespace

InstallerFlow::InstallerFlow(InstallerView& view, InstallerSetting setting, std::unique_ptr<ByteSource> pack)
    : view_(view), setting_(std::move(setting)), pack_(std::move(pack)) {
    session_.askFileExists = [this](const fs::path& path) { return view_.AskFileExists(path); };
    session_.askNewName = [this](const fs::path& proposed) { return view_.AskNewName(proposed); };
    session_.status = [this](const std::string& text) { view_.SetStatus(text); };
    session_.progress = [this](std::uint32_t done, std::uint32_t total, const std::string&) {
        view_.SetProgress(done, total);
    };
}

void InstallerFlow::Start(std::span<const std::string> arguments) {
    bool restarting = HasRestartFlag(arguments);
    // An autostart entry, unlike RunOnce, stays until removed: remove it before anything
    // can fail, so a pack that is gone or corrupt does not start at every log-in.
    // One that cannot be removed starts the installer again: nothing more can be done.
    if (restarting) (void)RemoveRunOnceEntry(kRunOnceName);
    corrupt_ = !pack_ || ReadPayload(*pack_, catalog_);
    if (corrupt_) {
        view_.SetStatus(kCorruptMessage);
        state_ = DialogState::closes;
        return;
    }
    std::vector<std::uint8_t> icon;
    if (!ExtractIcon(*pack_, catalog_, icon)) view_.SetIcon(icon);  // without one the dialog keeps its own

    view_.SetTargetText(InitialTargetText());
    view_.SetTitle(catalog_.settings.caption);
    view_.SetPublisher(catalog_.settings.publisherName, catalog_.settings.webAddress);
    if (restarting) {
        view_.SetMainButton("Continue");
        state_ = DialogState::resume;
        view_.SetStatus(kResumePrompt);
    } else {
        view_.SetStatus(catalog_.settings.prompt);
        view_.ShowTarget(true, true);
        state_ = catalog_.passwordCheck == 0 ? DialogState::readyToInstall : DialogState::passwordRequired;
    }
    if (catalog_.flags.silent()) InstallSilently();
}

std::string InstallerFlow::InitialTargetText() const {
    std::string target = catalog_.settings.defaultTarget;
    if (target.empty()) target = EnvironmentText("TEMP");
    if (target.empty()) target = EnvironmentText("TMP");
    if (target == ".") target = setting_.currentFolder.string();
    if (catalog_.flags.fixedPaths()) target = DrivePart(target);
    return target;
}

std::optional<fs::path> InstallerFlow::ResolveTarget(std::string_view text) const {
    if (text.empty()) return std::nullopt;
    std::string path(text);
    std::ranges::replace(path, '\\', '/');
    return (setting_.currentFolder / path).lexically_normal();
}

void InstallerFlow::MainButton() {
    switch (state_.load()) {
        case DialogState::closes: Close(); break;
        case DialogState::readyToInstall: BeginInstall(); break;
        case DialogState::passwordRequired: RequestPassword(); break;
        case DialogState::passwordTyped: CheckPassword(); break;
        case DialogState::resume:
            target_ = ResolveTarget(view_.TargetText()).value_or(setting_.currentFolder);
            state_ = DialogState::closes;  // a second click must not start the command twice
            view_.StartWorker([this] {
                RunAfterCommand();
                view_.CloseInstaller();
            });
            break;
    }
}

void InstallerFlow::Stop() { session_.stop = true; }

void InstallerFlow::Close() {
    Stop();
    view_.CloseInstaller();
}

void InstallerFlow::SessionEnding() {
    // Nothing more can be done about a failure while the session goes away.
    (void)WriteRunOnceEntry(kRunOnceName, setting_.program, "-REBOOT");
}

// The folder in the box must exist, or be made with the user's consent.
bool InstallerFlow::EnsureTargetFolder() {
    std::optional<fs::path> target = ResolveTarget(view_.TargetText());
    std::error_code error;
    if (target && fs::is_directory(*target, error)) {
        target_ = *target;
        return true;
    }
    // An empty box names no folder, but is asked about like any other that is missing.
    bool yes = view_.AskYesNo(kCreateFolderQuestion, kInstallerName);
    if (yes && target) fs::create_directories(*target, error);
    if (!yes || !target || !fs::is_directory(*target, error)) {
        // A folder that could not be made is not swapped for whatever folder happens
        // to be current: the user is asked again.
        view_.SetStatus(kFolderMissing);
        view_.Focus(DialogControl::target);
        view_.Beep();
        return false;
    }
    target_ = *target;
    view_.SetStatus(catalog_.settings.prompt);
    return true;
}

void InstallerFlow::BeginInstall() {
    if (!EnsureTargetFolder()) return;
    state_ = DialogState::closes;
    view_.ShowTarget(false, false);
    view_.ShowProgress(true);
    view_.SetMainButton("Cancel");
    StartCommand();
}

void InstallerFlow::StartCommand() {
    if (catalog_.flags.fixedPaths()) {
        std::string text = view_.TargetText();
        if (HoldsMoreThanDrive(text)) {
            std::string drive = DrivePart(text);
            view_.SetTargetText(drive);
            if (!view_.AskOkCancel("Because directory locations have been hard-coded into this zip file, you may "
                                   "choose only the drive to expand to.  Files will be expanded onto drive \"" +
                                       drive + "\".",
                                   "Warning")) {
                view_.ShowTarget(true, true);
                view_.ShowProgress(false);
                view_.Focus(DialogControl::target, true);
                view_.SetMainButton("OK");
                state_ = DialogState::readyToInstall;
                return;
            }
        }
    }
    view_.StartWorker([this] { InstallOnWorker(); });
    view_.Focus(DialogControl::mainButton);
}

void InstallerFlow::RequestPassword() {
    view_.SetStatus(kPasswordRequest);
    view_.ShowTarget(false, false);
    view_.ShowPasswordPrompt(true);
    view_.Focus(DialogControl::password);
    state_ = DialogState::passwordTyped;
}

void InstallerFlow::CheckPassword() {
    std::string password = FirstCharacters(view_.PasswordText(), kMaxPasswordLength);
    view_.ShowPasswordPrompt(false);
    view_.ShowTarget(true, false);
    if (!PasswordMatches(password, catalog_.passwordCheck)) {
        view_.SetStatus(kWrongPassword);
        state_ = DialogState::closes;
        return;
    }
    view_.ShowTarget(true, true);
    view_.SetStatus(catalog_.settings.prompt);
    state_ = DialogState::readyToInstall;
    BeginInstall();
}

void InstallerFlow::InstallSilently() {
    view_.HideWindow();
    target_ = setting_.currentFolder;
    if (Install() != Outcome::completed) view_.ShowMessage(kNotInstalled, "Error", false);
    view_.CloseInstaller();
}

void InstallerFlow::InstallOnWorker() {
    switch (Install()) {
        case Outcome::completed: view_.CloseInstaller(); return;
        case Outcome::cancelled: view_.SetStatus(kCancelled); break;
        case Outcome::failed: view_.SetStatus(kNotInstalled); break;
    }
    view_.SetMainButton("OK");
    view_.ShowProgress(false);
    state_ = DialogState::closes;
}

InstallerFlow::Outcome InstallerFlow::Install() {
    ExtractReport report;
    // A block that does not inflate is not the user's doing: say the files did not go in.
    if (ExtractAll(*pack_, catalog_, target_, session_, report)) return Outcome::failed;
    if (report.stopped) return Outcome::cancelled;

    RuntimeContext context = MakeRuntimeContext();
    for (const RuntimeComponent& component : catalog_.components) {
        if (session_.stop) return Outcome::cancelled;
        if (RequirementMet(component, setting_.systemFolder, setting_.keys)) continue;
        if (OfferRuntimeDownload(component, context)) continue;
        if (session_.stop || !view_.AskYesNo(kContinueAfterFailedDownload, "Error")) return Outcome::cancelled;
    }
    if (session_.stop) return Outcome::cancelled;
    RunAfterCommand();
    if (catalog_.flags.deleteAfterRun()) (void)DeleteExtracted(catalog_, target_);  // best effort, as the walk is
    return Outcome::completed;
}

void InstallerFlow::RunAfterCommand() {
    const std::string& command = catalog_.settings.runAfter;
    if (command.empty()) return;
    (void)RunAndWait(SplitCommandLine(command), target_, [this] { view_.HideWindow(); });
}

RuntimeContext InstallerFlow::MakeRuntimeContext() {
    HttpOptions http = setting_.http;
    http.stop = &session_.stop;  // closing the installer ends a download at once
    return RuntimeContext{view_,
                          session_,
                          target_,
                          setting_.systemFolder,
                          setting_.keys,
                          catalog_.settings.publisherName,
                          setting_.makerServer,
                          http};
}

}  // namespace pw::designpack
