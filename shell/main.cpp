// pagewright: start-up. Only one copy runs per installation; the start-up object
// prepares the default site when needed and opens the main menu.
#include <QApplication>

#include "builder/window/magic.hpp"
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
}

}  // namespace

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    Q_INIT_RESOURCE(resources);  // the window pictures live in a static library
    const std::filesystem::path programFolder = QCoreApplication::applicationDirPath().toStdString();
    const std::filesystem::path inst = pw::LocateInstallation(programFolder);
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
