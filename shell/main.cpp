// pagewright: start-up. Only one copy runs per installation; the start-up object
// prepares the default site when needed and opens the main menu.
// `pagewright generate ...` instead regenerates pages headlessly, `pagewright check ...`
// looks a site through before it is published, and `pagewright publish ...` sends a site
// to its web host (see --help of each).
#include <unistd.h>
#include <QApplication>

#include <iostream>
#include <string_view>
#include <vector>

#include "builder/generate_command.hpp"
#include "builder/window/magic.hpp"
#include "editor/window/main_form.hpp"
#include "help/help.hpp"
#include "pagenames/submit.hpp"
#include "pictures/preview.hpp"
#include "platform/installation.hpp"
#include "platform/platform.hpp"
#include "publisher/check_command.hpp"
#include "publisher/publish_command.hpp"
#include "publisher/window/ftp_login.hpp"
#include "shell/begin.hpp"
#include "shell/general/hot_spot.hpp"
#include "shell/start.hpp"

namespace {

// Each kind of window is made and loaded here, so windows open one another by kind.
template <typename Window>
void Register(pw::Platform& platform, pw::WindowKind kind) {
    platform.windows().Register(kind, [](pw::Platform& p, QWidget&) {
        auto* window = new Window(p);
        window->Form_Load();
        return window;
    });
}

void RegisterWindows(pw::Platform& platform) {
    Register<pw::start>(platform, pw::WindowKind::start);
    Register<pw::magic>(platform, pw::WindowKind::magic);
    Register<pw::submit>(platform, pw::WindowKind::submit);
    // The editor hands its section back to the builder that opened it.
    platform.windows().Register(pw::WindowKind::MainForm, [](pw::Platform& p, QWidget& builder) -> QWidget* {
        auto* editor = new pw::MainForm(p, &builder);
        editor->Form_Load();
        return editor;
    });
    // The picture browser is modal, beside the editor; the editor shows it.
    platform.windows().Register(pw::WindowKind::preview, [](pw::Platform& p, QWidget& editor) -> QWidget* {
        auto* browser = new pw::preview(p, &editor);
        pw::PlaceBeside(*browser, editor);
        browser->Form_Load();
        return browser;
    });
    // The help viewer is a single window: opening it again brings the open one forward.
    platform.windows().Register(
        pw::WindowKind::Help, [](pw::Platform& p, QWidget& opener) -> QWidget* { return pw::Help::Open(p, &opener); });
    // The FTP login is modeless, centred, and single like the help viewer; it makes the
    // publisher itself.
    platform.windows().Register(pw::WindowKind::FTPLogin,
                                [](pw::Platform& p, QWidget&) -> QWidget* { return pw::FTPLogin::Open(p); });
}

std::filesystem::path ProgramFolder() { return QCoreApplication::applicationDirPath().toStdString(); }

// The installation, made ready to use.
std::filesystem::path Installation() {
    const pw::InstallationPlace place = pw::LocateInstallation(ProgramFolder());
    pw::PrepareInstallation(ProgramFolder(), place);
    return place.inst;
}

int Generate(int argc, char* argv[]) {
    QCoreApplication app(argc, argv);  // no display needed
    const std::vector<std::string> args(argv + 2, argv + argc);
    return pw::RunGenerateCommand(Installation(), args, std::cout, std::cerr);
}

int Check(int argc, char* argv[]) {
    QCoreApplication app(argc, argv);  // no display needed
    const std::vector<std::string> args(argv + 2, argv + argc);
    return pw::publisher::RunCheckCommand(Installation(), args, std::cout, std::cerr);
}

int Publish(int argc, char* argv[]) {
    QCoreApplication app(argc, argv);  // no display needed
    const std::vector<std::string> args(argv + 2, argv + argc);
    return pw::publisher::RunPublishCommand(Installation(), args, std::cout, std::cerr,
                                            {.progressBar = ::isatty(STDERR_FILENO) == 1});
}

}  // namespace

int main(int argc, char* argv[]) {
    if (argc > 1 && std::string_view(argv[1]) == "generate") return Generate(argc, argv);
    if (argc > 1 && std::string_view(argv[1]) == "check") return Check(argc, argv);
    if (argc > 1 && std::string_view(argv[1]) == "publish") return Publish(argc, argv);
    QApplication app(argc, argv);
    // A second copy ends before it touches any file, the installation's own included.
    const pw::InstallationPlace place = pw::LocateInstallation(ProgramFolder());
    const auto instance = pw::SingleInstance::Acquire(place.inst);
    if (!instance) return 0;
    pw::PrepareInstallation(ProgramFolder(), place);
    const std::filesystem::path& inst = place.inst;

    const auto platform = pw::Platform::Desktop(inst);
    RegisterWindows(*platform);
    {
        pw::begin startUp(*platform);
        startUp.Form_Load();
    }
    return app.exec();
}
