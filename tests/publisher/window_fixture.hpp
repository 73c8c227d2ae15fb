#pragma once
// The publisher's windows on the offscreen platform with port doubles, against a real
// pyftpdlib server on 127.0.0.1 that logs every command it receives. The site is
// <inst>/default; the server's root holds "www".
#include <gtest/gtest.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QListWidget>
#include <QPointer>
#include <QPushButton>

#include <algorithm>
#include <functional>
#include <optional>
#include <sstream>

#include "publisher/window/ftp_login.hpp"
#include "publisher/window/main_window.hpp"
#include "testing/doubles.hpp"
#include "tests/publisher/test_servers.hpp"
#include "tests/temp_folder.hpp"

namespace pw::test {

inline const std::string kUser = "webmaster";
inline const std::string kPassword = "s3cret, \"quoted\"";

// Processes events until `done` holds; false after `seconds`.
inline bool WaitFor(const std::function<bool()>& done, int seconds = 10) {
    QElapsedTimer clock;
    clock.start();
    while (!done()) {
        if (clock.elapsed() > seconds * 1000) return false;
        QApplication::processEvents(QEventLoop::AllEvents, 20);
    }
    return true;
}

inline QStringList Texts(const QListWidget& list) {
    QStringList texts;
    for (int row = 0; row < list.count(); ++row) texts << list.item(row)->text();
    return texts;
}

class PublisherWindowFixture : public ::testing::Test {
protected:
    TempFolder inst;
    TempFolder serverRoot;
    testing::TestPlatform doubles{inst.path()};
    fs::path site = inst.path() / "default";
    fs::path www = serverRoot.path() / "www";
    fs::path commandLog = inst.path() / "commands.log";  // outside the site, so never listed
    std::optional<PyFtpServer> server;
    QPointer<Main> publisher;
    std::vector<QPointer<QWidget>> opened;  // windows the doubles of other kinds made
    std::vector<WindowKind> openedKinds;
    fs::path startFolder = fs::current_path();

    void SetUp() override {
        fs::create_directories(site);
        fs::create_directories(www);
        for (WindowKind kind : {WindowKind::start, WindowKind::Help}) {
            doubles.platform->windows().Register(kind, [this, kind](Platform&, QWidget&) {
                auto* window = new QWidget;
                window->setObjectName(kind == WindowKind::start ? "start" : "Help");
                window->setAttribute(Qt::WA_DeleteOnClose);
                window->show();
                opened.push_back(window);
                openedKinds.push_back(kind);
                return window;
            });
        }
    }

    void TearDown() override {
        delete publisher;
        for (QWidget* login : QApplication::topLevelWidgets()) {
            if (qobject_cast<FTPLogin*>(login)) delete login;
        }
        for (const auto& window : opened) delete window;
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        fs::current_path(startFolder);  // the publisher makes the site folder current
    }

    void StartServer(PyFtpServer::Options options = {}) {
        options.log = commandLog;
        server.emplace(serverRoot.path(), kUser, kPassword, options);
    }

    std::string Host() const { return "127.0.0.1:" + std::to_string(server->port()); }

    // The commands the server received since the last call, PASS without its password.
    std::vector<std::string> Commands() {
        std::istringstream lines(TempFolder::Read(commandLog));
        std::vector<std::string> commands;
        for (std::string line; std::getline(lines, line);) commands.push_back(line);
        std::error_code ignored;
        fs::remove(commandLog, ignored);
        return commands;
    }

    static long Count(const std::vector<std::string>& commands, std::string_view verb) {
        return std::ranges::count_if(commands, [&](const std::string& c) { return c.starts_with(verb); });
    }

    // The login dialog, loaded as the main menu opens it.
    FTPLogin& Login() {
        FTPLogin* login = FTPLogin::Open(*doubles.platform);
        return *login;
    }

    // Logs in through the dialog with `host`, as the user does, and waits for the
    // publisher's first activation to fill its panes. Null when no publisher opened.
    Main* OpenPublisher(const std::string& host, const std::string& user = kUser,
                        const std::string& password = kPassword) {
        FTPLogin& login = Login();
        login.findChild<QLineEdit*>("Host")->setText(QString::fromStdString(host));
        login.findChild<QLineEdit*>("UserName")->setText(QString::fromStdString(user));
        login.findChild<QLineEdit*>("Password")->setText(QString::fromStdString(password));
        login.Command2_Click();
        for (QWidget* window : QApplication::topLevelWidgets()) {
            if (auto* main = qobject_cast<Main*>(window)) publisher = main;
        }
        if (!publisher) return nullptr;
        EXPECT_TRUE(WaitFor([&] { return !Label("RemotePWD").isEmpty(); })) << "the first activation filled the panes";
        return publisher;
    }

    QListWidget& List(const char* name) { return *publisher->findChild<QListWidget*>(name); }
    QString Label(const char* name) { return publisher->findChild<QLabel*>(name)->text(); }

    // Makes `name` the current (and selected) item of `list`.
    void Choose(const char* list, const QString& name) {
        QListWidget& items = List(list);
        const auto found = items.findItems(name, Qt::MatchExactly);
        ASSERT_EQ(found.size(), 1) << name.toStdString();
        items.setCurrentItem(found[0]);
    }

    std::vector<testing::ShownMessage> TakeMessages() { return std::exchange(doubles.dialogs->shown, {}); }
};

}  // namespace pw::test
