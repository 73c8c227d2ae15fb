// The publisher window's "Upload ALL Files" as the user gets it, for bench/publish_bench.sh:
// the real login dialog and publisher window on the offscreen platform (message boxes and
// the shell are doubles), from pressing "Upload Site" (connect, first activation with its
// listings) to the end of the upload of the whole site.
// Usage: publish_window_upload_all HOST USER PASSWORD INST   (the site is INST/default)
// Prints "elapsed-ms N" and the number of files in the remote pane; exit 1 when the
// window showed any message.
#include <QApplication>
#include <QElapsedTimer>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <iostream>

#include "publisher/window/ftp_login.hpp"
#include "publisher/window/main_window.hpp"
#include "testing/doubles.hpp"

namespace {

pw::Main* OpenPublisher() {
    for (QWidget* window : QApplication::topLevelWidgets()) {
        if (auto* publisher = qobject_cast<pw::Main*>(window)) return publisher;
    }
    return nullptr;
}

}  // namespace

int main(int argc, char* argv[]) {
    if (argc != 5) {
        std::cerr << "usage: publish_window_upload_all HOST USER PASSWORD INST\n";
        return 2;
    }
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    pw::testing::TestPlatform doubles(argv[4]);

    QElapsedTimer clock;
    clock.start();
    pw::FTPLogin* login = pw::FTPLogin::Open(*doubles.platform);
    login->findChild<QLineEdit*>("Host")->setText(argv[1]);
    login->findChild<QLineEdit*>("UserName")->setText(argv[2]);
    login->findChild<QLineEdit*>("Password")->setText(argv[3]);
    login->Command2_Click();
    pw::Main* publisher = OpenPublisher();
    if (!publisher) {
        std::cerr << "no connection\n";
        return 3;
    }
    auto* remoteFolder = publisher->findChild<QLabel*>("RemotePWD");
    while (remoteFolder->text().isEmpty()) QApplication::processEvents(QEventLoop::AllEvents, 5);
    publisher->Label10_Click();
    const qint64 elapsed = clock.elapsed();

    std::cout << "elapsed-ms " << elapsed << "\n"
              << publisher->findChild<QListWidget*>("RemoteFiles")->count() << " files in the remote pane\n";
    for (const auto& shown : doubles.dialogs->shown) std::cerr << shown.text.toStdString() << "\n";
    publisher->close();
    return doubles.dialogs->shown.empty() ? 0 : 1;
}
