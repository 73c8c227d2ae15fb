// pagewright's windows: start-up. Only one copy runs per installation; the start-up
// object prepares the default site when needed and opens the main menu. The pagewright
// program starts this one for everything but its headless commands.
#include <QApplication>
#include <iostream>

#include "builder/window/magic.hpp"
#include "editor/window/desktop_ports.hpp"
#include "editor/window/main_form.hpp"
#include "help/help.hpp"
#include "pagenames/submit.hpp"
#include "pictures/preview.hpp"
#include "platform/platform.hpp"
#include "platform/single_instance.hpp"
#include "publisher/window/ftp_login.hpp"
#include "shell/begin.hpp"
#include "shell/general/hot_spot.hpp"
#include "shell/general/installation.hpp"
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
        if (auto* page = qobject_cast<pw::magic*>(&builder)) {
            QObject::connect(editor, &pw::MainForm::SectionHandedBack, page,
                             [page](bool sectionA) { sectionA ? page->afteredit() : page->afteredit2(); });
        }
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

}  // namespace

int main(int argc, char* argv[]) {
    QCoreApplication::setApplicationName(QStringLiteral("pagewright"));  // the desktop's name for the windows
    QApplication app(argc, argv);
    // A second copy ends before it touches any file, the installation's own included.
    const std::filesystem::path programFolder = pw::ProgramFolder();
    const pw::InstallationPlace place = pw::LocateInstallation(programFolder);
    const auto instance = pw::SingleInstance::Acquire(place.inst);
    if (!instance) {
        std::cerr << "pagewright: cannot lock the installation " << place.inst.string() << ": "
                  << instance.error().message() << "\n";
        return 1;
    }
    if (!*instance) return 0;  // another copy runs

    pw::PrepareInstallation(programFolder, place);
    const std::filesystem::path& inst = place.inst;

    const auto platform = pw::Platform::Desktop(inst, pw::DesktopEditorPorts(inst));
    RegisterWindows(*platform);
    {
        pw::begin startUp(*platform);
        startUp.Form_Load();
    }
    return app.exec();
}
