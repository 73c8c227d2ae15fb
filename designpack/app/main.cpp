// designpack: the self-extracting design installer. Its payload is appended to this
// very program file; the dialog shows the pack's prompt and installs on OK.
#include <QApplication>
#include <QLibraryInfo>
#include <QSessionManager>
#include <cstdlib>
#include <filesystem>

#include "designpack/app/installer_dialog.hpp"
#include "designpack/flow.hpp"

namespace fs = std::filesystem;
using namespace pw::designpack;

namespace {

fs::path OwnProgramFile() {
    std::error_code error;
    fs::path self = fs::read_symlink("/proc/self/exe", error);
    return error ? fs::path(QCoreApplication::applicationFilePath().toStdString()) : self;
}

InstallerSetting SettingForThisRun(const fs::path& program) {
    InstallerSetting setting;
    setting.program = program;
    std::error_code ignored;
    setting.currentFolder = fs::current_path(ignored);
    setting.systemFolder = QLibraryInfo::path(QLibraryInfo::LibrariesPath).toStdString();
    if (const char* server = std::getenv("DESIGNPACK_SERVER"); server && *server) setting.makerServer = server;
    return setting;
}

}  // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    std::vector<std::string> arguments;
    for (const QString& argument : QCoreApplication::arguments().mid(1)) arguments.push_back(argument.toStdString());

    fs::path program = OwnProgramFile();
    std::error_code openError;
    std::unique_ptr<ByteSource> pack = FileSource::open(program, openError);

    InstallerDialog dialog;
    InstallerFlow flow(dialog, SettingForThisRun(program), std::move(pack));
    dialog.Attach(flow);
    QObject::connect(&app, &QGuiApplication::commitDataRequest, [&flow](QSessionManager&) { flow.SessionEnding(); });

    flow.Start(arguments);
    if (!dialog.CloseRequested()) {
        dialog.show();
        app.exec();
    }
    // However the dialog went, an installation under way ends after its current block
    // and removes the member it was writing: the process never leaves a half-written file.
    flow.Stop();
    dialog.FinishWorker();
    return 0;
}
