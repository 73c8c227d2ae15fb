// pagewright: start-up. Only one copy runs per installation; the start-up object
// prepares the default site when needed and opens the main menu.
#include <QApplication>

#include "platform/installation.hpp"
#include "platform/platform.hpp"
#include "shell/begin.hpp"

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    const std::filesystem::path programFolder = QCoreApplication::applicationDirPath().toStdString();
    const std::filesystem::path inst = pw::LocateInstallation(programFolder);
    const auto instance = pw::SingleInstance::Acquire(inst);
    if (!instance) return 0;

    const auto platform = pw::Platform::Desktop(inst);
    {
        pw::begin startUp(*platform);
        startUp.Form_Load();
    }
    return app.exec();
}
