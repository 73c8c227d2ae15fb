// The FTP login dialog: its layout, the remembered fields, and the connect sequence
// against real servers on 127.0.0.1.
#include <QCheckBox>
#include <QLabel>
#include <QTest>

#include "shell/general/hot_spot.hpp"
#include "tests/publisher/window_fixture.hpp"

namespace pw {
namespace {

namespace fs = std::filesystem;
using test::kPassword;
using test::kUser;
using test::PublisherWindowFixture;
using testing::ShownMessage;

class FtpLoginTest : public PublisherWindowFixture {
protected:
    QLineEdit& Box(FTPLogin& login, const char* name) { return *login.findChild<QLineEdit*>(name); }

    // The three records the dialog writes, in its order.
    static std::string Saved(const std::string& host, const std::string& user, const std::string& password) {
        const auto quoted = [](std::string text) { return "\"" + ReplaceQuotes(text) + "\""; };
        return quoted(password) + ",\"Password\"\r\n" + quoted(user) + ",\"UserName\"\r\n" + quoted(host) +
               ",\"Host\"\r\n";
    }
    static std::string ReplaceQuotes(std::string text) {
        for (std::size_t at = 0; (at = text.find('"', at)) != std::string::npos; at += 2) text.insert(at, 1, '"');
        return text;
    }

    static fs::perms Permissions(const fs::path& file) { return fs::status(file).permissions() & fs::perms::all; }
};

TEST_F(FtpLoginTest, LaysOutTheDialogWithVerdanaCaptionsAndStarredPassword) {
    inst.Write("default/ftp.txt", "\"\",\"Text1\"\r\n");  // as start-up creates it
    FTPLogin& login = Login();
    EXPECT_TRUE(login.isVisible());
    EXPECT_EQ(login.windowTitle(), "FTP Login");
    EXPECT_EQ(login.size(), QSize(334, 298));
    EXPECT_EQ(login.font().family(), "Verdana");
    const std::vector<std::pair<const char*, QRect>> places = {
        {"Host", QRect(96, 12, 197, 19)},       {"UserName", QRect(96, 36, 197, 19)},
        {"Password", QRect(96, 60, 197, 19)},   {"Cancel", QRect(16, 104, 121, 29)},
        {"Command2", QRect(144, 104, 121, 29)}, {"Label1", QRect(40, 168, 249, 91)},
        {"Anonymous", QRect(800, 32, 113, 17)},
    };
    for (const auto& [name, place] : places) {
        auto* control = login.findChild<QWidget*>(name);
        ASSERT_NE(control, nullptr) << name;
        EXPECT_EQ(control->geometry(), place) << name;
    }
    for (const char* field : {"Host", "UserName", "Password"}) {
        EXPECT_EQ(Box(login, field).text(), "") << "a first run shows empty fields: " << field;
        EXPECT_EQ(Box(login, field).property("tag").toString(), "T") << field;
    }
    EXPECT_EQ(login.findChild<QPushButton*>("Command2")->text(), "Upload Site");
    EXPECT_EQ(login.findChild<QPushButton*>("Cancel")->text(), "Cancel");
    EXPECT_TRUE(login.findChild<QLabel*>("Label1")->text().startsWith("Tip: To get your web site on the Internet"));
    EXPECT_GT(login.findChild<QWidget*>("Anonymous")->x(), login.width()) << "only its accelerator reaches it";

    Box(login, "Password").setText("abc");
    EXPECT_EQ(Box(login, "Password").displayText(), "***");
    EXPECT_EQ(&login, &Login()) << "opening again brings the open dialog forward";
}

TEST_F(FtpLoginTest, AltAFillsAndEmptiesTheAnonymousLogin) {
    FTPLogin& login = Login();
    Box(login, "UserName").setText("me");
    Box(login, "Password").setText("typed");
    login.activateWindow();
    ASSERT_TRUE(test::WaitFor([&] { return login.isActiveWindow(); }));
    QTest::keyClick(&login, Qt::Key_A, Qt::AltModifier);
    ASSERT_TRUE(test::WaitFor([&] { return login.findChild<QCheckBox*>("Anonymous")->isChecked(); }));
    ASSERT_TRUE(test::WaitFor([&] { return Box(login, "UserName").text() == "anonymous"; }));
    EXPECT_EQ(Box(login, "Password").text(), FTPLogin::kAnonymousPassword);
    EXPECT_TRUE(FTPLogin::kAnonymousPassword.contains('@'));

    QTest::keyClick(&login, Qt::Key_A, Qt::AltModifier);
    ASSERT_TRUE(test::WaitFor([&] { return Box(login, "UserName").text().isEmpty(); }));
    EXPECT_EQ(Box(login, "Password").text(), "");
}

TEST_F(FtpLoginTest, QuickHelpHostingOfferAndCancel) {
    qputenv("PAGEWRIGHT_VENDOR_SITE", "https://vendor.example");
    FTPLogin& login = Login();
    Box(login, "Host").setText("not saved");
    login.findChild<HotSpot*>("Image1")->clicked();
    login.findChild<HotSpot*>("Label1")->clicked();
    ASSERT_EQ(doubles.dialogs->shown.size(), 1u);
    const ShownMessage& help = doubles.dialogs->shown[0];
    EXPECT_EQ(help.caption, "Quick Help");
    EXPECT_EQ(help.icon, MessageIcon::Information);
    EXPECT_EQ(help.text,
              "This tool allows you to publish your site online\r\n"
              "If you have already published your site you can use this tool to make online updates\r\n\r\n");
    EXPECT_EQ(doubles.shell->opened, QStringList{"https://vendor.example/kw5host.html"});

    QPointer<FTPLogin> closing = &login;
    login.findChild<QPushButton*>("Cancel")->click();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(closing.isNull());
    EXPECT_EQ(openedKinds, std::vector<WindowKind>{WindowKind::start});
    EXPECT_FALSE(fs::exists(site / "ftp.txt")) << "Cancel saves nothing";
}

// A host that refuses the connection and a password the server refuses: the message
// carries the reason, the fields are kept (owner-only), and the user is back at the menu.
TEST_F(FtpLoginTest, FailedConnectShowsTheReasonAndRemembersWhatFailed) {
    StartServer();
    struct Case {
        std::string host, password, reason;
    };
    const std::vector<Case> cases = {
        {"127.0.0.1:" + std::to_string(test::FreePort()), kPassword, "onnect"},
        {Host(), "wrong, \"very\"", "530"},
    };
    for (const Case& failing : cases) {
        SCOPED_TRACE(failing.host);
        EXPECT_EQ(OpenPublisher(failing.host, kUser, failing.password), nullptr);
        const auto shown = TakeMessages();
        ASSERT_EQ(shown.size(), 1u);
        EXPECT_EQ(shown[0].text, "Unable to connect to the specified host");
        EXPECT_EQ(shown[0].icon, MessageIcon::Critical);
        EXPECT_EQ(shown[0].caption, "KW5 Sitewell");
        EXPECT_TRUE(shown[0].details.contains(QString::fromStdString(failing.reason)))
            << shown[0].details.toStdString();
        EXPECT_FALSE(shown[0].details.contains("very")) << "the password is not shown";
        EXPECT_EQ(test::TempFolder::Read(site / "ftp.txt"), Saved(failing.host, kUser, failing.password));
        EXPECT_EQ(Permissions(site / "ftp.txt"), fs::perms::owner_read | fs::perms::owner_write);
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        for (QWidget* window : QApplication::topLevelWidgets()) {
            EXPECT_FALSE(qobject_cast<FTPLogin*>(window) && window->isVisible()) << "the dialog is gone";
            EXPECT_EQ(qobject_cast<Main*>(window), nullptr) << "no publisher is left behind";
        }
        EXPECT_EQ(Box(Login(), "Host").text().toStdString(), failing.host) << "reopening shows what failed";
        Login().close();
    }
}

// A login that cannot be kept is told, on both paths of the connect sequence, and the
// publisher still opens when the connection works.
TEST_F(FtpLoginTest, ALoginThatCannotBeSavedIsTold) {
    StartServer();
    fs::create_directories(site / "ftp.txt" / "in the way");  // a folder where the file goes
    for (const bool connects : {false, true}) {
        SCOPED_TRACE(connects);
        const std::string host = connects ? Host() : "127.0.0.1:" + std::to_string(test::FreePort());
        EXPECT_EQ(OpenPublisher(host) != nullptr, connects);
        const auto shown = TakeMessages();
        ASSERT_EQ(shown.size(), connects ? 1u : 2u);
        const ShownMessage& told = shown.back();
        EXPECT_TRUE(told.text.startsWith("The host, user name and password could not be kept"))
            << told.text.toStdString();
        EXPECT_TRUE(told.text.contains("ftp.txt"));
        EXPECT_EQ(told.icon, MessageIcon::Exclamation);
        EXPECT_FALSE(told.details.isEmpty());
        EXPECT_TRUE(fs::is_directory(site / "ftp.txt" / "in the way"));
        delete publisher;
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
}

TEST_F(FtpLoginTest, ConnectingOpensThePublisherClosesTheMenuAndSavesTheFields) {
    StartServer();
    QWidget opener;
    doubles.platform->windows().Load(WindowKind::start, *doubles.platform, opener);
    ASSERT_NE(OpenPublisher(Host()), nullptr);
    EXPECT_TRUE(publisher->isVisible());
    EXPECT_TRUE(TakeMessages().empty());
    EXPECT_EQ(test::TempFolder::Read(site / "ftp.txt"), Saved(Host(), kUser, kPassword));
    EXPECT_EQ(Permissions(site / "ftp.txt"), fs::perms::owner_read | fs::perms::owner_write);
    EXPECT_TRUE(test::WaitFor([&] { return opened[0].isNull(); })) << "the publisher closed the main menu";
}

// An FTPS certificate that does not verify: the user is asked, may refuse (no
// connection) or trust it, which is remembered for the site.
TEST_F(FtpLoginTest, UnverifiedCertificateIsAskedTrustedAndRemembered) {
    const test::TestCertificate certificate = test::TestCertificate::Make(serverRoot.path());
    StartServer({.certificate = certificate.pem.string(), .requireTls = true});
    const std::string host = "ftps://" + Host();

    doubles.dialogs->answers = {MessageAnswer::No};
    EXPECT_EQ(OpenPublisher(host), nullptr);
    auto shown = TakeMessages();
    ASSERT_EQ(shown.size(), 2u);
    EXPECT_EQ(shown[0].icon, MessageIcon::Question);
    EXPECT_TRUE(shown[0].text.contains(QString::fromStdString(certificate.fingerprint))) << shown[0].text.toStdString();
    EXPECT_EQ(shown[1].text, "Unable to connect to the specified host");
    EXPECT_TRUE(shown[1].details.contains(QString::fromStdString(certificate.fingerprint)));
    EXPECT_FALSE(fs::exists(site / "ftptrust.txt"));

    doubles.dialogs->answers = {MessageAnswer::Yes};
    ASSERT_NE(OpenPublisher(host), nullptr);
    shown = TakeMessages();
    ASSERT_EQ(shown.size(), 1u) << "asked once, then connected";
    EXPECT_EQ(shown[0].icon, MessageIcon::Question);
    EXPECT_EQ(Permissions(site / "ftptrust.txt"), fs::perms::owner_read | fs::perms::owner_write);
    publisher->close();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);

    ASSERT_NE(OpenPublisher(host), nullptr);
    EXPECT_TRUE(TakeMessages().empty()) << "a trusted certificate is not asked about again";
    EXPECT_EQ(Label("RemotePWD"), "/www");
}

// A certificate other than the one trusted for this host and port: refused with both
// fingerprints and where the old one is kept, and nothing offered to trust.
TEST_F(FtpLoginTest, AChangedCertificateIsRefusedWithoutATrustQuestion) {
    for (const char* folder : {"first", "second"}) fs::create_directories(inst.path() / folder);
    const test::TestCertificate first = test::TestCertificate::Make(inst.path() / "first");
    const test::TestCertificate second = test::TestCertificate::Make(inst.path() / "second");
    StartServer({.certificate = first.pem.string(), .requireTls = true});
    const std::uint16_t port = server->port();
    const std::string host = "ftps://" + Host();
    doubles.dialogs->answers = {MessageAnswer::Yes};
    ASSERT_NE(OpenPublisher(host), nullptr);
    TakeMessages();
    publisher->close();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);

    server.reset();
    Commands();
    StartServer({.certificate = second.pem.string(), .requireTls = true, .port = port});
    doubles.dialogs->answers = {MessageAnswer::Yes};  // would trust it, were it asked
    EXPECT_EQ(OpenPublisher(host), nullptr);
    const auto shown = TakeMessages();
    ASSERT_EQ(shown.size(), 1u) << "no question, only the refusal";
    EXPECT_EQ(shown[0].icon, MessageIcon::Critical);
    const std::string text = shown[0].text.toStdString();
    EXPECT_TRUE(text.starts_with("Unable to connect to the specified host\n\n")) << text;
    EXPECT_NE(text.find("CHANGED"), std::string::npos) << text;
    EXPECT_NE(text.find("It was " + first.fingerprint + " (line 1 of " + (site / "ftptrust.txt").string() + ")"),
              std::string::npos)
        << text;
    EXPECT_NE(text.find("is now " + second.fingerprint), std::string::npos) << text;
    EXPECT_EQ(Count(Commands(), "USER"), 0) << "nothing sent";
}

// A host that offered TLS before and now answers without it: the login names the reason
// in the message itself, and the server never sees the user name.
TEST_F(FtpLoginTest, AHostThatDroppedItsTlsIsRefusedBeforeTheLogin) {
    const test::TestCertificate certificate = test::TestCertificate::Make(inst.path());
    StartServer({.certificate = certificate.pem.string()});
    const std::uint16_t port = server->port();
    doubles.dialogs->answers = {MessageAnswer::Yes};  // trust the test certificate
    ASSERT_NE(OpenPublisher(Host()), nullptr);
    TakeMessages();
    publisher->close();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);

    server.reset();
    Commands();
    StartServer({.port = port});
    EXPECT_EQ(OpenPublisher(Host()), nullptr);
    const auto shown = TakeMessages();
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown[0].icon, MessageIcon::Critical);
    EXPECT_EQ(shown[0].text.toStdString(),
              "Unable to connect to the specified host\n\n127.0.0.1 offered encryption before and does not now; the "
              "connection was stopped so the password is not sent readable");
    EXPECT_EQ(Count(Commands(), "USER"), 0);
}

}  // namespace
}  // namespace pw
