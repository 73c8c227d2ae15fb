// pagewright: start-up. Only one copy runs per installation; the start-up object
// prepares the default site when needed and opens the main menu.
// `pagewright generate ...` instead regenerates pages headlessly, and `pagewright
// publish ...` sends a site to its web host (see --help of each).
#include <QApplication>
#include <unistd.h>

#include <iostream>
#include <string_view>
#include <vector>

#include "builder/generate_command.hpp"
#include "builder/window/magic.hpp"
#include "help/help.hpp"
#include "pagenames/submit.hpp"
#include "publisher/publish_command.hpp"
#include "platform/installation.hpp"
#include "platform/platform.hpp"
#include "shell/begin.hpp"
#include "shell/start.hpp"

namespace {

// Each kind of window is made and loaded here, so windows open one another by kind.
template <typename Window>
void Register(pw::Platform& platform, pw::WindowKind kind) {
    platform.windows().Register(kind, [](pw::Platform& p) {
        auto* window = new Window(p);
        window->Form_Load();
        return window;
    });
}

void RegisterWindows(pw::Platform& platform) {
    Register<pw::start>(platform, pw::WindowKind::start);
    Register<pw::magic>(platform, pw::WindowKind::magic);
    Register<pw::submit>(platform, pw::WindowKind::submit);
    // The help viewer is a single window: opening it again brings the open one forward.
    platform.windows().Register(pw::WindowKind::Help, [](pw::Platform& p) -> QWidget* { return pw::Help::Open(p); });
}

std::filesystem::path Installation() {
    return pw::LocateInstallation(QCoreApplication::applicationDirPath().toStdString());
}

int Generate(int argc, char* argv[]) {
    QCoreApplication app(argc, argv);  // no display needed
    const std::vector<std::string> args(argv + 2, argv + argc);
    return pw::RunGenerateCommand(Installation(), args, std::cout, std::cerr);
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
    if (argc > 1 && std::string_view(argv[1]) == "publish") return Publish(argc, argv);
    QApplication app(argc, argv);
    Q_INIT_RESOURCE(resources);  // the window pictures live in a static library
    const std::filesystem::path inst = Installation();
    const auto instance = pw::SingleInstance::Acquire(inst);
    if (!instance) return 0;

    const auto platform = pw::Platform::Desktop(inst);
    RegisterWindows(*platform);
    {
        pw::begin startUp(*platform);
        startUp.Form_Load();
    }
    return app.exec();
}
