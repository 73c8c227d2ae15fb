// The publisher window against a real pyftpdlib server on 127.0.0.1: its panes and
// their refresh rules, activation, the folder and delete commands, and the transfers.
#include <QAccessible>
#include <QInputDialog>
#include <QLabel>
#include <QListWidget>
#include <QMenuBar>
#include <QMessageBox>
#include <QProgressBar>
#include <QTimer>
#include <QtTest/QTest>

#include <algorithm>
#include <climits>
#include <set>
#include <sstream>

#include "publisher/ftp_account.hpp"
#include "publisher/peer_trust.hpp"
#include "publisher/publish_command.hpp"
#include "publisher/window/site_check_dialog.hpp"
#include "shell/designs/design_copies.hpp"
#include "shell/general/hot_spot.hpp"
#include "tests/publisher/vsftpd_server.hpp"
#include "tests/publisher/window_fixture.hpp"

namespace pw {
namespace {

namespace fs = std::filesystem;
using test::kPassword;
using test::kUser;
using test::PublisherWindowFixture;
using test::Texts;
using testing::ShownMessage;

// Site files whose names the local pane shows, in the order it must show them: each
// pattern's group in the order the file system lists the folder.
QStringList ExpectedLocalPane(const fs::path& folder) {
    QStringList names;
    for (const std::string extension : {".gif", ".html", ".jpg"}) {
        for (const auto& entry : fs::directory_iterator(folder)) {
            std::string name = entry.path().filename().string();
            std::string lower = name;
            for (char& c : lower) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
            if (lower.ends_with(extension) && entry.is_regular_file()) names << QString::fromStdString(name);
        }
    }
    return names;
}

QStringList Sorted(QStringList names) {
    names.sort();
    return names;
}

// Runs `run`, answering the real boxes it shows: input boxes with `answer`, message boxes
// with OK. Returns the messages' texts.
QStringList AnswerBoxes(const QString& answer, const std::function<void()>& run) {
    QStringList messages;
    QTimer answering;
    answering.setInterval(20);
    QObject::connect(&answering, &QTimer::timeout, [&] {
        QWidget* box = QApplication::activeModalWidget();
        if (auto* input = qobject_cast<QInputDialog*>(box)) {
            input->setTextValue(answer);
            input->accept();
        } else if (auto* message = qobject_cast<QMessageBox*>(box)) {
            messages << message->text();
            message->accept();
        }
    });
    answering.start();
    run();
    return messages;
}

class PublisherTest : public PublisherWindowFixture {
protected:
    void SetUp() override {
        PublisherWindowFixture::SetUp();
        StartServer();
    }

    // One connection: the files reach the host in the list's order, as before there were several.
    void OneConnection() { ASSERT_TRUE(publisher::SaveFtpOptions(site, {.connections = 1})); }

    // `pagewright publish` with `args` on this site, as a user runs it after the window.
    int Publish(std::vector<std::string> args, std::string* printed = nullptr) {
        std::ostringstream out, err;
        const int exit = publisher::RunPublishCommand(inst.path(), args, out, err);
        if (printed) *printed = out.str() + err.str();
        return exit;
    }

    std::set<std::string> OnHost() const {
        std::set<std::string> names;
        for (const auto& entry : fs::directory_iterator(www)) names.insert(entry.path().filename().string());
        return names;
    }

    // A published site's files, each with bytes of its own.
    void WriteSite(const std::vector<std::string>& names) {
        for (const std::string& name : names) test::WriteFile(site / name, "bytes of " + name + "\n");
    }

    // The names sent, in order, among `commands`: each file is stored beside its target and
    // renamed over it (RNTO), or stored in place.
    static std::vector<std::string> Stored(const std::vector<std::string>& commands) {
        std::vector<std::string> names;
        for (const std::string& command : commands) {
            const bool inPlace =
                command.starts_with("STOR ") && !fs::path(command.substr(5)).filename().string().starts_with(".pw-");
            if (inPlace || command.starts_with("RNTO "))
                names.push_back(fs::path(command.substr(5)).filename().string());
        }
        return names;
    }

    void ExpectOneMessage(const QString& text, MessageIcon icon, const QString& caption, bool withDetails) {
        const auto shown = TakeMessages();
        ASSERT_EQ(shown.size(), 1u) << text.toStdString();
        EXPECT_EQ(shown[0].text, text);
        EXPECT_EQ(shown[0].icon, icon) << text.toStdString();
        EXPECT_EQ(shown[0].caption, caption) << text.toStdString();
        EXPECT_EQ(shown[0].details.isEmpty(), !withDetails)
            << text.toStdString() << ": " << shown[0].details.toStdString();
    }

    void ExpectFailure(const QString& text) { ExpectOneMessage(text, MessageIcon::Exclamation, "KW5 Sitewell", true); }
    void ExpectNothingShown() { EXPECT_TRUE(TakeMessages().empty()); }

    QProgressBar& Bar() { return *publisher->findChild<QProgressBar*>("ProgressBar"); }
};

TEST_F(PublisherTest, LaysOutTheWindowAndFillsBothPanesOnFirstActivation) {
    WriteSite({"index.html", "page2.html", "logo.gif", "photo.jpg", "temp311.htx", "site.htm", "Banner.GIF", "z.html"});
    fs::create_directories(site / "album.jpg");
    fs::create_directories(www / "sub");
    test::WriteFile(www / "old.html", "x");
    ASSERT_NE(OpenPublisher(Host()), nullptr);

    EXPECT_EQ(publisher->windowTitle(), "Publish site tool ( FTP Client)");
    // No window manager here, so no frame: the inside holds the menu bar and the picture.
    EXPECT_EQ(publisher->size(), QSize(640, publisher->menuBar()->sizeHint().height() + kPictureHeight));
    const std::vector<std::pair<const char*, QRect>> places = {
        {"Label15", {40, 72, 209, 17}},
        {"LocalFiles", {40, 96, 157, 368}},
        {"LocalDEL", {0, 104, 33, 21}},
        {"RemotePWD", {432, 80, 149, 17}},
        {"RemoteDirectories", {432, 104, 153, 69}},
        {"RemoteFiles", {432, 184, 153, 277}},
        {"RemoteCD", {592, 104, 33, 21}},
        {"RemoteRD", {592, 128, 33, 21}},
        {"RemoteMD", {592, 152, 33, 21}},
        {"RemoteDEL", {592, 184, 33, 21}},
        {"Picture1", {216, 232, 200, 220}},
        {"WebBrowser1", {216, 232, 200, 220}},
        {"Label10", {216, 136, 200, 17}},
        {"Label6", {208, 160, 208, 17}},
        {"Label1", {232, 184, 184, 17}},
        {"Label7", {232, 208, 184, 17}},
        {"Label2", {200, 48, 73, 17}},
        {"Label4", {496, 48, 97, 17}},
    };
    for (const auto& [name, place] : places) {
        auto* control = publisher->findChild<QWidget*>(name);
        ASSERT_NE(control, nullptr) << name;
        EXPECT_EQ(control->geometry(), place) << name;
        EXPECT_TRUE(control->isVisible()) << name;
    }
    for (const char* hidden : {"LocalDirectories", "LocalCD", "LocalMD", "LocalRD", "ProgressBar"}) {
        EXPECT_FALSE(publisher->findChild<QWidget*>(hidden)->isVisible()) << hidden;
    }
    for (const char* below :
         {"Command2", "ToLocal", "ToRemote", "rall", "Command3", "ASCIIMode", "BinaryMode", "List1"}) {
        EXPECT_GE(publisher->findChild<QWidget*>(below)->y(), publisher->centralWidget()->height()) << below;
    }
    QStringList menu;
    for (QAction* entry : publisher->menuBar()->actions()) menu << entry->text();
    EXPECT_EQ(menu, (QStringList{"&File", "&Help"}));
    QStringList file;
    for (QAction* entry : publisher->menuBar()->actions()[0]->menu()->actions()) file << entry->text();
    EXPECT_EQ(file, (QStringList{"Check Site...", "Quit FTP"}));

    EXPECT_EQ(Texts(List("LocalFiles")), ExpectedLocalPane(site));
    EXPECT_EQ(Texts(List("LocalFiles")).size(), 6) << "no .htx, .htm or other files";
    EXPECT_EQ(Texts(List("LocalDirectories")), QStringList{"album.jpg"});
    EXPECT_EQ(publisher->findChild<QLabel*>("Label15")->toolTip().toStdString(), site.string());
    EXPECT_EQ(Label("LocalPWD").toStdString(), site.string());
    EXPECT_EQ(fs::current_path(), site);
    EXPECT_EQ(Label("RemotePWD"), "/www");
    EXPECT_EQ(Texts(List("RemoteDirectories")), (QStringList{"..", "sub"}));
    EXPECT_EQ(Texts(List("RemoteFiles")), QStringList{"old.html"});
    // The first activation lists the login folder, then "/www/": once each.
    EXPECT_EQ(Count(Commands(), "MLSD"), 2);

    EXPECT_TRUE(publisher->FTP().Binary());
    auto* ascii = publisher->findChild<QAbstractButton*>("ASCIIMode");
    ascii->click();
    EXPECT_FALSE(publisher->FTP().Binary());
    publisher->findChild<QAbstractButton*>("BinaryMode")->click();
    EXPECT_TRUE(publisher->FTP().Binary());
}

// Between the local file list and the centre strip lies only the picture: no piece of a
// label that reaches out from under the list.
TEST_F(PublisherTest, NoStrayTextBesideTheLocalFileList) {
    WriteSite({"index.html"});
    ASSERT_NE(OpenPublisher(Host()), nullptr);
    const QRect list = List("LocalFiles").geometry();
    const QRect gap(list.right() + 1, list.top(), Px(3240) - list.right() - 1, list.height());
    for (QLabel* label : publisher->centralWidget()->findChildren<QLabel*>()) {
        if (!label->isVisible() || label->text().isEmpty()) continue;
        EXPECT_FALSE(label->geometry().intersects(gap)) << label->objectName().toStdString();
    }
    EXPECT_EQ(Label("LocalPWD").toStdString(), site.string()) << "it still holds the path";
}

// A screen reader says the words drawn under each click area, and Tab reaches them all.
TEST_F(PublisherTest, ClickAreasAreButtonsNamedByTheirDrawnWords) {
    WriteSite({"index.html"});
    ASSERT_NE(OpenPublisher(Host()), nullptr);
    const std::vector<std::pair<const char*, const char*>> areas = {
        {"Label10", "Upload ALL Files"}, {"Label6", "Upload Selected File"},
        {"Label1", "Download File"},     {"Label7", "Exit / Main Menu"},
        {"Label2", "Main Menu"},         {"Label4", "Quit FTP"},
    };
    for (const auto& [name, words] : areas) {
        QAccessibleInterface* reader = QAccessible::queryAccessibleInterface(publisher->findChild<HotSpot*>(name));
        ASSERT_NE(reader, nullptr) << name;
        EXPECT_EQ(reader->role(), QAccessible::Button) << name;
        EXPECT_EQ(reader->text(QAccessible::Name), words) << name;
        EXPECT_TRUE(reader->state().focusable) << name;
    }
    QWidget* next = List("RemoteFiles").nextInFocusChain();
    while (!(next->focusPolicy() & Qt::TabFocus)) next = next->nextInFocusChain();  // past the list's own parts
    EXPECT_EQ(next->objectName(), "Command2") << "View Remote File after the list";
}

// The folder the site goes to: the one the Host address names, else "/www/", else the
// first web folder of the login folder (said once); a host with none is told, and the
// pane stays in the login folder.
TEST_F(PublisherTest, ActivationOpensTheHostsFolderOrWwwOrTheWebFolderOfTheLogin) {
    fs::create_directories(serverRoot.path() / "sites" / "mine");
    ASSERT_NE(OpenPublisher(Host() + "/sites/mine/"), nullptr);
    EXPECT_EQ(Label("RemotePWD"), "/sites/mine");
    ExpectNothingShown();
    publisher->close();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);

    fs::remove_all(www);
    fs::create_directories(serverRoot.path() / "httpdocs");
    fs::create_directories(serverRoot.path() / "public_html");
    ASSERT_NE(OpenPublisher("ftp://" + Host() + "/"), nullptr);
    EXPECT_EQ(Label("RemotePWD"), "/public_html");
    ExpectOneMessage("Publishing into /public_html: this host has no /www/", MessageIcon::Information, "KW5 Sitewell",
                     false);
    WriteSite({"index.html"});
    publisher->RefreshLocal();
    publisher->findChild<HotSpot*>("Label10")->clicked();
    EXPECT_EQ(test::TempFolder::Read(serverRoot.path() / "public_html/index.html"), "bytes of index.html\n");
    EXPECT_FALSE(fs::exists(serverRoot.path() / "index.html"));
    publisher->close();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);

    fs::remove_all(serverRoot.path() / "httpdocs");
    fs::remove_all(serverRoot.path() / "public_html");
    ASSERT_NE(OpenPublisher(Host()), nullptr);
    EXPECT_EQ(Label("RemotePWD"), "/");
    EXPECT_TRUE(Texts(List("RemoteDirectories")).contains("sites"));
    const auto shown = TakeMessages();
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_TRUE(shown[0].text.startsWith("This host has no folder to publish into")) << shown[0].text.toStdString();
    EXPECT_EQ(shown[0].icon, MessageIcon::Exclamation);
}

// The real message and input boxes: when one of the publisher's own closes, the window
// becomes active again without going back to the working folder and "/www/"; coming
// from another window of the program it does go back.
TEST_F(PublisherTest, ActivationResetsThePanesOnlyWhenComingFromAnotherWindow) {
    fs::create_directories(www / "sub");
    fs::create_directories(site / "elsewhere");
    Platform real(inst.path(),
                  Ports{.dialogs = std::make_unique<QtDialogs>(),
                        .shell = std::make_unique<testing::RecordingShell>(),
                        .makeWebPane = [](QWidget* parent) { return new testing::RecordingWebPane(parent); },
                        .makeEditingSurface = {},
                        .makeSpellChecker = {}});
    publisher = new Main(real);
    publisher->Form_Load();
    publisher->FTP().SetRemoteHost(Host());
    publisher->FTP().SetUserName(kUser);
    publisher->FTP().SetPassword(kPassword);
    ASSERT_TRUE(publisher->FTP().Connect());
    publisher->show();
    publisher->activateWindow();
    ASSERT_TRUE(test::WaitFor([&] { return Label("RemotePWD") == "/www" && publisher->isActiveWindow(); }));

    // The user answers the publisher's own input box, which then closes.
    EXPECT_TRUE(AnswerBoxes("sub", [&] { publisher->RemoteCD_Click(); }).isEmpty());
    ASSERT_EQ(Label("RemotePWD"), "/www/sub");
    fs::current_path(site / "elsewhere");
    publisher->activateWindow();  // as the window manager gives the focus back
    ASSERT_TRUE(test::WaitFor([&] { return publisher->isActiveWindow(); }));
    QApplication::processEvents();
    EXPECT_EQ(Label("RemotePWD"), "/www/sub");
    EXPECT_EQ(fs::current_path(), site / "elsewhere");

    // A failure message of its own: no reset either.
    EXPECT_EQ(AnswerBoxes("missing", [&] { publisher->RemoteCD_Click(); }), QStringList{"Unable to change directory"});
    publisher->activateWindow();
    ASSERT_TRUE(test::WaitFor([&] { return publisher->isActiveWindow(); }));
    QApplication::processEvents();
    EXPECT_EQ(Label("RemotePWD"), "/www/sub");

    // Another window of the program, then back: the panes go back.
    QWidget help;
    help.show();
    help.activateWindow();
    ASSERT_TRUE(test::WaitFor([&] { return help.isActiveWindow(); }));
    publisher->activateWindow();
    ASSERT_TRUE(test::WaitFor([&] { return Label("RemotePWD") == "/www"; }));
    EXPECT_EQ(fs::current_path(), site);
    EXPECT_EQ(Label("LocalPWD").toStdString(), site.string());
    delete publisher;
}

TEST_F(PublisherTest, RemoteFolderAndFileCommandsWithTheirMessages) {
    fs::create_directories(www / "full");
    test::WriteFile(www / "full" / "keep.html", "x");
    test::WriteFile(www / "old.html", "x");
    ASSERT_NE(OpenPublisher(Host()), nullptr);
    auto& inputs = doubles.dialogs->inputs;

    // Empty answers and Cancel do nothing.
    inputs = {QString(), std::nullopt, QString(), std::nullopt};
    publisher->RemoteCD_Click();
    publisher->RemoteCD_Click();
    publisher->RemoteMD_Click();
    publisher->RemoteMD_Click();
    EXPECT_EQ(doubles.dialogs->prompts, (QStringList{"Enter directory to change to", "Enter directory to change to",
                                                     "Enter new directory name", "Enter new directory name"}));
    ExpectNothingShown();
    EXPECT_EQ(Label("RemotePWD"), "/www");

    // Without a current item RD and DEL only beep.
    List("RemoteDirectories").setCurrentRow(-1);
    List("RemoteFiles").setCurrentRow(-1);
    Commands();
    publisher->RemoteRD_Click();
    publisher->RemoteDEL_Click();
    ExpectNothingShown();
    const auto none = Commands();
    EXPECT_EQ(Count(none, "RMD") + Count(none, "DELE"), 0);

    inputs = {QString("new folder")};
    publisher->RemoteMD_Click();
    EXPECT_TRUE(fs::is_directory(www / "new folder"));
    EXPECT_TRUE(Texts(List("RemoteDirectories")).contains("new folder"));
    inputs = {QString("new folder")};
    publisher->RemoteMD_Click();
    ExpectFailure("Unable to make remote directory");

    inputs = {QString("new folder")};
    publisher->RemoteCD_Click();
    EXPECT_EQ(Label("RemotePWD"), "/www/new folder");
    Choose("RemoteDirectories", "..");
    publisher->RemoteDirectories_DblClick();
    EXPECT_EQ(Label("RemotePWD"), "/www");
    inputs = {QString("nowhere")};
    publisher->RemoteCD_Click();
    ExpectFailure("Unable to change directory");
    EXPECT_EQ(Label("RemotePWD"), "/www") << "the panes stay as they were";

    Choose("RemoteDirectories", "full");
    publisher->RemoteRD_Click();
    ExpectFailure("Unable to remove remote directory");
    Choose("RemoteDirectories", "new folder");
    publisher->RemoteRD_Click();
    ExpectNothingShown();
    EXPECT_FALSE(fs::exists(www / "new folder"));
    EXPECT_FALSE(Texts(List("RemoteDirectories")).contains("new folder"));

    Choose("RemoteFiles", "old.html");
    fs::copy_file(www / "old.html", www / "copy.html");
    publisher->RemoteDEL_Click();
    ExpectNothingShown();
    EXPECT_FALSE(fs::exists(www / "old.html"));
    EXPECT_EQ(Texts(List("RemoteFiles")), QStringList{"copy.html"});
    Choose("RemoteFiles", "copy.html");
    fs::remove(www / "copy.html");
    publisher->RemoteDEL_Click();
    ExpectFailure("Unable to delete remote file");
    EXPECT_EQ(Texts(List("RemoteFiles")), QStringList{"copy.html"}) << "the panes stay as they were";
}

TEST_F(PublisherTest, LocalFolderAndFileCommandsWithTheirMessages) {
    WriteSite({"a.html", "b.html"});
    ASSERT_NE(OpenPublisher(Host()), nullptr);
    auto& inputs = doubles.dialogs->inputs;

    List("LocalFiles").setCurrentRow(-1);
    publisher->LocalDEL_Click();
    ExpectNothingShown();
    Choose("LocalFiles", "a.html");
    publisher->LocalDEL_Click();
    ExpectNothingShown();
    EXPECT_FALSE(fs::exists(site / "a.html"));
    EXPECT_EQ(Texts(List("LocalFiles")), QStringList{"b.html"});
    Choose("LocalFiles", "b.html");
    fs::remove(site / "b.html");
    publisher->LocalDEL_Click();
    ExpectFailure("Unable to delete local file");

    inputs = {QString("pictures.gif")};  // a folder the pane lists, as its name matches a pattern
    publisher->LocalMD_Click();
    EXPECT_TRUE(fs::is_directory(site / "pictures.gif"));
    EXPECT_EQ(Texts(List("LocalDirectories")), QStringList{"pictures.gif"});
    inputs = {QString("pictures.gif")};
    publisher->LocalMD_Click();
    ExpectFailure("Unable to make local directory");

    test::WriteFile(site / "pictures.gif" / "inside.gif", "x");
    Choose("LocalDirectories", "pictures.gif");
    publisher->LocalRD_Click();
    ExpectFailure("Unable to remove local directory");
    publisher->LocalDirectories_DblClick();
    EXPECT_EQ(fs::current_path(), site / "pictures.gif");
    EXPECT_EQ(Texts(List("LocalFiles")), QStringList{"inside.gif"});

    inputs = {QString(".."), QString("no such folder"), QString()};
    publisher->LocalCD_Click();
    EXPECT_EQ(fs::current_path(), site);
    publisher->LocalCD_Click();
    EXPECT_EQ(fs::current_path(), site) << "a failed change is silent";
    publisher->LocalCD_Click();
    ExpectNothingShown();

    fs::remove(site / "pictures.gif" / "inside.gif");
    Choose("LocalDirectories", "pictures.gif");
    publisher->LocalRD_Click();
    ExpectNothingShown();
    EXPECT_FALSE(fs::exists(site / "pictures.gif"));
    List("LocalDirectories").setCurrentRow(-1);
    publisher->LocalRD_Click();
    publisher->LocalDirectories_DblClick();
    ExpectNothingShown();
}

TEST_F(PublisherTest, SingleUploadAndDownloadReplaceWithoutAskingAndRefreshTheirPane) {
    WriteSite({"index.html"});
    test::WriteFile(www / "index.html", "older");
    test::WriteFile(www / "news.html", "news from the host");
    ASSERT_NE(OpenPublisher(Host()), nullptr);
    Commands();

    Choose("LocalFiles", "index.html");
    publisher->ToRemote_Click();
    ExpectNothingShown();
    EXPECT_EQ(test::TempFolder::Read(www / "index.html"), "bytes of index.html\n");
    EXPECT_EQ(Count(Commands(), "MLSD"), 1) << "a single upload lists the remote folder";

    Choose("RemoteFiles", "news.html");
    publisher->ToLocal_Click();
    ExpectNothingShown();
    EXPECT_EQ(test::TempFolder::Read(site / "news.html"), "news from the host");
    EXPECT_TRUE(Texts(List("LocalFiles")).contains("news.html"));
    EXPECT_FALSE(Bar().isVisible());

    List("LocalFiles").setCurrentRow(-1);
    List("RemoteFiles").setCurrentRow(-1);
    publisher->ToRemote_Click();
    publisher->ToLocal_Click();
    ExpectNothingShown();

    // Failures, with the reason under the details; the local file stays as it was.
    Choose("RemoteFiles", "news.html");
    fs::remove(www / "news.html");
    publisher->ToLocal_Click();
    ExpectFailure("Unable to transfer from remote system");
    EXPECT_EQ(test::TempFolder::Read(site / "news.html"), "news from the host");
    Choose("LocalFiles", "news.html");
    fs::remove(site / "news.html");
    publisher->ToRemote_Click();
    ExpectFailure("Unable to transfer to remote system");
}

// The whole site: every listed file in list order, one listing of the remote folder at
// the end, the remote pane holding each name; nothing left selected.
TEST_F(PublisherTest, UploadAllSendsTheListInOrderAndListsTheHostOnce) {
    OneConnection();
    ASSERT_NE(OpenPublisher(Host()), nullptr);
    Commands();
    publisher->findChild<HotSpot*>("Label10")->clicked();
    ExpectOneMessage("No Items To Select.", MessageIcon::Critical, "Error", false);
    EXPECT_EQ(Count(Commands(), "STOR"), 0);

    WriteSite({"index.html", "news.html", "logo.gif", "photo.jpg", "notes.txt"});
    test::WriteFile(www / "index.html", "older");
    publisher->RefreshLocal();
    const QStringList order = Texts(List("LocalFiles"));
    publisher->findChild<HotSpot*>("Label10")->clicked();
    ExpectNothingShown();
    const auto commands = Commands();
    std::vector<std::string> expected;
    for (const QString& name : order) expected.push_back(name.toStdString());
    EXPECT_EQ(Stored(commands), expected);
    EXPECT_EQ(Count(commands, "MLSD"), 1);
    EXPECT_TRUE(commands.back().starts_with("MLSD")) << "listed after the last file";
    for (const QString& name : order) {
        EXPECT_EQ(test::TempFolder::Read(www / name.toStdString()), "bytes of " + name.toStdString() + "\n");
    }
    EXPECT_EQ(Sorted(Texts(List("RemoteFiles"))), Sorted(order));
    EXPECT_TRUE(List("LocalFiles").selectedItems().isEmpty());
    EXPECT_EQ(Texts(List("LocalFiles")), order);

    // "?" opens the upload guide, then sends the whole list the same way, leaving it selected.
    fs::remove_all(www);
    fs::create_directories(www);
    publisher->Command3_Click();
    ExpectNothingShown();
    EXPECT_EQ(doubles.shell->opened.last().toStdString(), inst.path().string() + "/ghelp.html");
    const auto again = Commands();
    EXPECT_EQ(Stored(again), expected);
    EXPECT_EQ(Count(again, "MLSD"), 1);
    EXPECT_EQ(List("LocalFiles").selectedItems().size(), order.size());
}

// After "Upload ALL Files", what it sent before and the site no longer has is offered for
// removal once; only that goes, and only on Yes.
TEST_F(PublisherTest, UploadAllOffersToRemoveWhatTheSiteNoLongerHas) {
    WriteSite({"index.html", "news.html", "logo.gif"});
    ASSERT_NE(OpenPublisher(Host()), nullptr);
    publisher->findChild<HotSpot*>("Label10")->clicked();
    ExpectNothingShown();

    fs::rename(site / "news.html", site / "offers.html");  // page two renamed
    test::WriteFile(www / "guest.html", "someone else's");
    publisher->RefreshLocal();
    doubles.dialogs->answers = {MessageAnswer::No};
    publisher->findChild<HotSpot*>("Label10")->clicked();
    auto shown = TakeMessages();
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown[0].buttons, MessageButtons::YesNo);
    EXPECT_EQ(shown[0].text,
              "These files were sent to this folder before, and the site no longer has them:\n"
              "\nnews.html\n\nRemove them from the host?");
    EXPECT_TRUE(fs::exists(www / "news.html"));

    doubles.dialogs->answers = {MessageAnswer::Yes};
    publisher->findChild<HotSpot*>("Label10")->clicked();
    EXPECT_EQ(TakeMessages().size(), 1u);
    std::set<std::string> onHost;
    for (const auto& entry : fs::directory_iterator(www)) onHost.insert(entry.path().filename().string());
    EXPECT_EQ(onHost, (std::set<std::string>{"guest.html", "index.html", "logo.gif", "offers.html"}));
    EXPECT_FALSE(Texts(List("RemoteFiles")).contains("news.html"));
    publisher->findChild<HotSpot*>("Label10")->clicked();
    ExpectNothingShown();
}

// The copies of earlier designs lie below the site folder: Upload ALL Files leaves them at home.
TEST_F(PublisherTest, UploadAllNeverSendsTheCopiesOfEarlierDesigns) {
    WriteSite({"index.html", "graf1.gif", "graf2.jpg", "stock"});
    test::WriteFile(site / "temp311.htx", "<body background=\"graf2.jpg\"><img src=\"graf1.gif\"></body>");
    ASSERT_TRUE(designs::KeepCopy(site, std::chrono::system_clock::now()).has_value());
    OneConnection();
    ASSERT_NE(OpenPublisher(Host()), nullptr);
    publisher->RefreshLocal();
    EXPECT_EQ(Sorted(Texts(List("LocalFiles"))), (QStringList{"graf1.gif", "graf2.jpg", "index.html"}));
    publisher->findChild<HotSpot*>("Label10")->clicked();
    EXPECT_EQ(Stored(Commands()), (std::vector<std::string>{"graf1.gif", "index.html", "graf2.jpg"}));
    for (const auto& entry : fs::recursive_directory_iterator(www))
        EXPECT_EQ(entry.path().string().find(".designs"), std::string::npos) << entry.path();
}

TEST_F(PublisherTest, UploadSelectedSendsExactlyThoseAndBringsTheListBack) {
    std::vector<std::string> names;
    for (int i = 0; i < 10; ++i) names.push_back("page" + std::to_string(i) + ".html");
    WriteSite(names);
    OneConnection();
    ASSERT_NE(OpenPublisher(Host()), nullptr);
    Commands();
    publisher->findChild<HotSpot*>("Label6")->clicked();
    ExpectOneMessage("No items selected. Cannot continue.", MessageIcon::Critical, "Error: No Selected Items", false);

    const QStringList all = Texts(List("LocalFiles"));
    for (const int row : {7, 2, 5}) List("LocalFiles").item(row)->setSelected(true);
    publisher->findChild<HotSpot*>("Label6")->clicked();
    ExpectNothingShown();
    const auto commands = Commands();
    EXPECT_EQ(Stored(commands),
              (std::vector<std::string>{all[2].toStdString(), all[5].toStdString(), all[7].toStdString()}));
    EXPECT_EQ(Count(commands, "MLSD"), 1);
    EXPECT_EQ(Texts(List("LocalFiles")), all);
    EXPECT_TRUE(List("LocalFiles").selectedItems().isEmpty());
    EXPECT_EQ(Texts(List("RemoteFiles")).size(), 3);
}

// Upload ALL Files goes over several connections and keeps the publish state as
// `pagewright publish` does: a later `publish --changed-only` finds nothing to send.
TEST_F(PublisherTest, UploadAllKeepsThePublishStateThatChangedOnlyReads) {
    std::vector<std::string> names;
    for (int i = 0; i < 40; ++i) names.push_back("page" + std::to_string(i) + ".html");
    WriteSite(names);
    ASSERT_NE(OpenPublisher(Host()), nullptr);
    Commands();
    publisher->findChild<HotSpot*>("Label10")->clicked();
    ExpectNothingShown();
    const auto commands = Commands();
    EXPECT_GT(Count(commands, "USER"), 0) << "extra connections logged in";
    const std::vector<std::string> stored = Stored(commands);
    EXPECT_EQ(std::set<std::string>(stored.begin(), stored.end()), std::set<std::string>(names.begin(), names.end()));
    EXPECT_EQ(stored.size(), names.size()) << "each file once";
    for (const std::string& name : names) EXPECT_EQ(test::TempFolder::Read(www / name), "bytes of " + name + "\n");
    EXPECT_EQ(Sorted(Texts(List("RemoteFiles"))), Sorted(Texts(List("LocalFiles"))));
    EXPECT_FALSE(publisher->findChild<QWidget*>("StopUpload")->isVisible());

    std::string printed;
    EXPECT_EQ(Publish({"--changed-only"}, &printed), publisher::kPublishedAll) << printed;
    EXPECT_TRUE(Stored(Commands()).empty()) << printed;
}

// Stop (its button, or Esc) lets no new file start and finishes those under way; what was
// sent is recorded exactly, so `publish --changed-only` sends the rest and only that.
TEST_F(PublisherTest, StopDuringUploadAllLeavesTheRestForChangedOnly) {
    std::vector<std::string> names;
    for (int i = 0; i < 200; ++i) names.push_back("page" + std::to_string(i) + ".html");
    WriteSite(names);
    ASSERT_NE(OpenPublisher(Host()), nullptr);
    auto* stop = publisher->findChild<QPushButton*>("StopUpload");
    auto* count = publisher->findChild<QLabel*>("UploadCount");
    for (const bool byEscape : {false, true}) {
        fs::remove_all(www);
        fs::create_directories(www);
        fs::remove(site / publisher::kPublishStateFileName);
        publisher->RefreshRemote();
        QString shownAtStop;
        const auto stopping = QObject::connect(List("RemoteFiles").model(), &QAbstractItemModel::rowsInserted, [&] {
            if (!shownAtStop.isEmpty() || List("RemoteFiles").count() != 5) return;
            EXPECT_TRUE(stop->isVisible());
            shownAtStop = count->text();
            if (byEscape) {
                QTest::keyClick(&List("LocalFiles"), Qt::Key_Escape);
            } else {
                QTest::mouseClick(stop, Qt::LeftButton);
            }
        });
        publisher->findChild<HotSpot*>("Label10")->clicked();
        QObject::disconnect(stopping);
        ExpectNothingShown();
        EXPECT_EQ(shownAtStop, "5 sent, 195 to go");
        EXPECT_FALSE(stop->isVisible());
        const std::set<std::string> first = OnHost();
        EXPECT_GE(first.size(), 5u) << byEscape;
        EXPECT_LT(first.size(), 100u) << byEscape << ": stopped well before the end";

        Commands();
        std::string printed;
        EXPECT_EQ(Publish({"--changed-only"}, &printed), publisher::kPublishedAll) << printed;
        const std::vector<std::string> rest = Stored(Commands());
        EXPECT_EQ(rest.size() + first.size(), names.size()) << printed;
        for (const std::string& name : rest) EXPECT_FALSE(first.contains(name)) << name << " sent twice";
        EXPECT_EQ(OnHost(), std::set<std::string>(names.begin(), names.end()));
    }
}

TEST_F(PublisherTest, DownloadAllAndSelected) {
    ASSERT_NE(OpenPublisher(Host()), nullptr);
    publisher->rall_Click();
    ExpectOneMessage("No Items To Select.", MessageIcon::Critical, "Error", false);
    publisher->findChild<HotSpot*>("Label1")->clicked();
    ExpectOneMessage("No items selected. Cannot continue.", MessageIcon::Critical, "Error: No Selected Items", false);

    for (const char* name : {"a.html", "b.gif", "c.txt", "d.jpg"})
        test::WriteFile(www / name, std::string("remote ") + name);
    publisher->RefreshRemote();
    List("RemoteFiles").item(1)->setSelected(true);
    List("RemoteFiles").item(3)->setSelected(true);
    const QStringList chosen = {List("RemoteFiles").item(1)->text(), List("RemoteFiles").item(3)->text()};
    publisher->findChild<HotSpot*>("Label1")->clicked();
    ExpectNothingShown();
    for (const char* name : {"a.html", "b.gif", "c.txt", "d.jpg"}) {
        EXPECT_EQ(fs::exists(site / name), chosen.contains(name)) << name;
    }
    EXPECT_EQ(Texts(List("RemoteFiles")).size(), 4) << "listed again in full";

    publisher->rall_Click();
    ExpectNothingShown();
    for (const char* name : {"a.html", "b.gif", "c.txt", "d.jpg"}) {
        EXPECT_EQ(test::TempFolder::Read(site / name), std::string("remote ") + name);
    }
    EXPECT_TRUE(List("RemoteFiles").selectedItems().isEmpty());
}

TEST_F(PublisherTest, RemoteViewWritesOnlyItsTemporaryFilesAndLocalPreviewShowsTheFile) {
    QPixmap dot(4, 4);
    dot.fill(Qt::red);
    ASSERT_TRUE(dot.save(QString::fromStdString((www / "dot.gif").string()), "PNG"));  // a picture under a .gif name
    test::WriteFile(www / "page.html", "<p>hi</p>");
    test::WriteFile(www / "old.htm", "<p>old</p>");
    test::WriteFile(www / "LOGO.GIF", "x");
    test::WriteFile(www / "notes.txt", "x");
    test::WriteFile(www / "broken.jpg", "not a picture");
    ASSERT_NE(OpenPublisher(Host()), nullptr);
    auto* picture = publisher->findChild<QLabel*>("Picture1");
    auto* pane = publisher->findChild<testing::RecordingWebPane*>("WebBrowser1");

    Choose("RemoteFiles", "dot.gif");
    publisher->Command2_Click();
    ExpectNothingShown();
    EXPECT_TRUE(picture->isVisible());
    EXPECT_FALSE(picture->pixmap().isNull());
    EXPECT_TRUE(Texts(List("LocalFiles")).contains("temp.gif")) << "kept, listed, and so sent by the next upload";

    Choose("RemoteFiles", "page.html");
    publisher->Command2_Click();
    EXPECT_FALSE(picture->isVisible());
    EXPECT_EQ(pane->navigations.last().toStdString(), (site / "temp.html").string());
    EXPECT_TRUE(Texts(List("LocalFiles")).contains("temp.html"));
    Choose("RemoteFiles", "old.htm");
    publisher->Command2_Click();
    EXPECT_TRUE(fs::exists(site / "temp.htm"));
    EXPECT_FALSE(Texts(List("LocalFiles")).contains("temp.htm"));

    // Not viewed: the case of the extension counts, and other kinds write nothing.
    for (const char* name : {"LOGO.GIF", "notes.txt"}) {
        Choose("RemoteFiles", name);
        publisher->Command2_Click();
    }
    ExpectNothingShown();
    Choose("RemoteFiles", "broken.jpg");
    publisher->Command2_Click();
    ExpectFailure("Unable to transfer from remote system");

    std::set<std::string> local;
    for (const auto& entry : fs::directory_iterator(site)) local.insert(entry.path().filename().string());
    EXPECT_EQ(local, (std::set<std::string>{"ftp.txt", "temp.gif", "temp.html", "temp.htm", "temp.jpg"}));

    // Local preview: pictures from the current folder, pages from the site folder.
    pane->navigations.clear();
    Choose("LocalFiles", "temp.html");
    publisher->LocalFiles_Click();
    EXPECT_FALSE(picture->isVisible());
    EXPECT_EQ(pane->navigations, QStringList{QString::fromStdString((site / "temp.html").string())});
    Choose("LocalFiles", "temp.gif");
    publisher->LocalFiles_Click();
    EXPECT_TRUE(picture->isVisible());
}

// The bar: shown during a transfer, moved by its progress, never outside its range.
TEST_F(PublisherTest, ProgressBarMovesDuringATransferAndStaysInRange) {
    test::WriteFile(site / "big.jpg", std::string(3 << 20, 'x'));
    ASSERT_NE(OpenPublisher(Host()), nullptr);
    QProgressBar& bar = Bar();
    std::vector<std::pair<int, int>> seen;  // value, maximum
    bool visibleWhileMoving = true;
    const auto watching = QObject::connect(&bar, &QProgressBar::valueChanged, [&](int value) {
        seen.emplace_back(value, bar.maximum());
        visibleWhileMoving = visibleWhileMoving && bar.isVisible();
    });
    Choose("LocalFiles", "big.jpg");
    publisher->ToRemote_Click();
    ExpectNothingShown();
    EXPECT_FALSE(bar.isVisible());
    EXPECT_TRUE(visibleWhileMoving);
    EXPECT_TRUE(std::ranges::any_of(seen, [](auto s) { return s.second == 3 << 20 && s.first > 0; }))
        << "the file's size set the scale";
    for (const auto& [value, maximum] : seen) {
        EXPECT_GE(value, 0);
        EXPECT_LE(value, maximum);
    }
    QObject::disconnect(watching);

    struct Report {
        std::uint64_t done, total;
        int value, maximum;
    };
    const std::vector<Report> reports = {
        {50, 0, 0, 100},             // no total yet: the bar waits
        {10, 1000, 10, 1000},        // the first total sets the scale
        {5000, 1000, 1000, 1000},    // past the total: held at the end
        {1'000'000, 0, 1000, 1000},  // a later unknown total keeps the scale
    };
    bar.setMaximum(100);
    bar.setValue(0);
    for (const Report& report : reports) {
        publisher->FTP_TransferProgress(report.done, report.total);
        EXPECT_EQ(bar.value(), report.value) << report.done << "/" << report.total;
        EXPECT_EQ(bar.maximum(), report.maximum) << report.done << "/" << report.total;
    }
    bar.setMaximum(100);
    publisher->FTP_TransferProgress(6'000'000'000ULL, 10'000'000'000ULL);  // beyond the bar's int range
    EXPECT_GT(bar.maximum(), 0);
    EXPECT_LE(bar.maximum(), INT_MAX);
    EXPECT_NEAR(static_cast<double>(bar.value()) / bar.maximum(), 0.6, 0.01);
}

TEST_F(PublisherTest, QuitAndTheBackAreasReturnToTheMainMenuAndDisconnect) {
    for (const char* route : {"mnu", "Label2", "Label4", "Label7"}) {
        SCOPED_TRACE(route);
        ASSERT_NE(OpenPublisher(Host()), nullptr);
        openedKinds.clear();
        Commands();
        if (std::string_view(route) == "mnu") {
            publisher->findChild<QAction*>("mnu")->trigger();
        } else {
            publisher->findChild<HotSpot*>(route)->clicked();
        }
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        EXPECT_TRUE(publisher.isNull());
        EXPECT_EQ(openedKinds, std::vector<WindowKind>{WindowKind::start});
        EXPECT_TRUE(test::WaitFor([&] { return Count(Commands(), "QUIT") == 1; }));
    }
    ASSERT_NE(OpenPublisher(Host()), nullptr);
    openedKinds.clear();
    publisher->menuBar()->actions()[1]->trigger();
    EXPECT_EQ(openedKinds, std::vector<WindowKind>{WindowKind::Help});
    EXPECT_TRUE(publisher->isVisible());
}

// "Check Site..." shows the findings of the folder the local pane works in, modal over the
// window, and the window stays as it was once the dialog is closed.
TEST_F(PublisherTest, CheckSiteShowsTheFindingsOfTheSiteFolder) {
    ASSERT_NE(OpenPublisher(Host()), nullptr);
    QStringList shown;
    QTimer closing;
    closing.setInterval(20);
    QObject::connect(&closing, &QTimer::timeout, [&] {
        if (auto* dialog = qobject_cast<SiteCheckDialog*>(QApplication::activeModalWidget())) {
            for (auto* list : dialog->findChildren<QListWidget*>()) {
                for (int row = 0; row < list->count(); ++row) shown << list->item(row)->text();
            }
            dialog->accept();
        }
    });
    closing.start();
    publisher->findChild<QAction*>("mnucheck")->trigger();
    ASSERT_FALSE(shown.isEmpty());
    EXPECT_TRUE(std::ranges::all_of(shown, [](const QString& line) { return line.contains(": "); }))
        << shown.join('\n').toStdString();
    EXPECT_TRUE(publisher->isVisible());
    EXPECT_TRUE(TakeMessages().empty());
}

// A server that refuses one file of an upload of the whole site: that file's message
// with the server's reply, and the rest are still sent.
TEST_F(PublisherWindowFixture, UploadAllGoesOnPastAFileTheServerRefuses) {
    test::FaultFtpServer faulty(serverRoot.path(), test::kUser, test::kPassword, {"--deny-stor", "b.html"});
    for (const char* name : {"a.html", "b.html", "c.html"}) test::WriteFile(site / name, name);
    ASSERT_NE(OpenPublisher("127.0.0.1:" + std::to_string(faulty.port())), nullptr);
    publisher->findChild<HotSpot*>("Label10")->clicked();
    const auto shown = TakeMessages();
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown[0].text, "Unable to transfer to remote system");
    EXPECT_TRUE(shown[0].details.startsWith("553")) << shown[0].details.toStdString();
    EXPECT_TRUE(fs::exists(www / "a.html"));
    EXPECT_FALSE(fs::exists(www / "b.html"));
    EXPECT_EQ(test::TempFolder::Read(www / "c.html"), "c.html");
    EXPECT_EQ(Sorted(Texts(List("RemoteFiles"))), (QStringList{"a.html", "c.html"}));
}

// vsftpd requires each data connection to resume the control connection's TLS session;
// under TLS 1.3 "Upload ALL Files" must still send every one of many files.
TEST_F(PublisherWindowFixture, VsftpdWithTlsAndSessionReuseRequiredGetsEveryFileOfUploadAll) {
    if (!test::VsftpdServer::Available()) GTEST_SKIP() << "vsftpd needs root and " << test::VsftpdServer::kBinary;
    const test::TestCertificate certificate = test::TestCertificate::Make(inst.path());
    const fs::path root = serverRoot.path() / "vsftpd";
    test::VsftpdServer vsftpd(inst.path() / "vsftpd", root, certificate);
    vsftpd.MakeUploadFolder("www");
    std::set<std::string> names;
    for (int i = 0; i < 50; ++i) {
        const std::string name = "page" + std::to_string(i) + ".html";
        test::WriteFile(site / name, std::string(2000 + i, 'p'));
        names.insert(name);
    }
    ASSERT_TRUE(publisher::PeerTrust(site / publisher::kTrustFileName)
                    .Add("ftp://127.0.0.1:" + std::to_string(vsftpd.port()), certificate.fingerprint));
    ASSERT_NE(OpenPublisher(vsftpd.Host(), test::VsftpdServer::kUser, "x"), nullptr);
    EXPECT_EQ(Label("RemotePWD"), "/www");
    publisher->findChild<HotSpot*>("Label10")->clicked();
    EXPECT_TRUE(TakeMessages().empty());
    std::set<std::string> sent;
    for (const auto& entry : fs::directory_iterator(root / "www")) {
        const std::string name = entry.path().filename().string();
        sent.insert(name);
        EXPECT_EQ(test::TempFolder::Read(entry.path()), test::TempFolder::Read(site / name)) << name;
    }
    EXPECT_EQ(sent, names);
    EXPECT_EQ(List("RemoteFiles").count(), 50);
}

// A connection that drops halfway through a download: the message with the reason, the
// local file as it was, no stray temporary file, and the next command works again.
TEST_F(PublisherWindowFixture, ADroppedDownloadLeavesTheLocalFileAsItWas) {
    test::FaultFtpServer faulty(serverRoot.path(), test::kUser, test::kPassword, {"--drop", "news.html"});
    test::WriteFile(site / "news.html", "mine");
    test::WriteFile(www / "news.html", std::string(200000, 'n'));
    ASSERT_NE(OpenPublisher("127.0.0.1:" + std::to_string(faulty.port())), nullptr);
    Choose("RemoteFiles", "news.html");
    publisher->ToLocal_Click();
    const auto shown = TakeMessages();
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown[0].text, "Unable to transfer from remote system");
    EXPECT_FALSE(shown[0].details.isEmpty());
    EXPECT_EQ(test::TempFolder::Read(site / "news.html"), "mine");
    std::set<std::string> local;
    for (const auto& entry : fs::directory_iterator(site)) local.insert(entry.path().filename().string());
    EXPECT_EQ(local, (std::set<std::string>{"ftp.txt", "news.html"}));

    test::WriteFile(www / "later.html", "x");
    publisher->RefreshRemote();
    EXPECT_TRUE(Texts(List("RemoteFiles")).contains("later.html"));
}

// A host's files named like the site's own settings and content, or like a path: the
// download is refused with a message and the site's file stays; other files still come.
TEST_F(PublisherTest, DownloadsNeverReplaceTheSitesOwnFiles) {
    for (const char* name : {"ftp.txt", "FTPTRUST.TXT", "ftpsent.txt", "oneBox.txt", "rtemp1.txt", "page.html"}) {
        test::WriteFile(www / name, "the host's bytes");
    }
    test::WriteFile(site / "oneBox.txt", "my fields");
    ASSERT_NE(OpenPublisher(Host()), nullptr);
    const std::string settings = test::TempFolder::Read(site / "ftp.txt");
    Commands();
    for (const char* name : {"ftp.txt", "FTPTRUST.TXT", "ftpsent.txt", "oneBox.txt", "rtemp1.txt"}) {
        SCOPED_TRACE(name);
        Choose("RemoteFiles", name);
        publisher->ToLocal_Click();
        const auto shown = TakeMessages();
        ASSERT_EQ(shown.size(), 1u);
        EXPECT_TRUE(shown[0].text.startsWith("Unable to transfer from remote system")) << shown[0].text.toStdString();
        EXPECT_TRUE(shown[0].text.contains("one of the site's own files")) << shown[0].text.toStdString();
    }
    EXPECT_EQ(Count(Commands(), "RETR"), 0);
    EXPECT_EQ(test::TempFolder::Read(site / "ftp.txt"), settings);
    EXPECT_EQ(test::TempFolder::Read(site / "oneBox.txt"), "my fields");
    EXPECT_FALSE(fs::exists(site / "rtemp1.txt"));

    Choose("RemoteFiles", "page.html");
    publisher->ToLocal_Click();
    ExpectNothingShown();
    EXPECT_EQ(test::TempFolder::Read(site / "page.html"), "the host's bytes");
}

// A page from the host is shown with its scripts off, whether viewed from the remote pane
// or clicked afterwards in the local one; the site's own pages keep theirs.
TEST_F(PublisherTest, PagesFromTheHostAreShownWithoutTheirScripts) {
    test::WriteFile(www / "page.html", "<script>steal()</script>");
    WriteSite({"index.html"});
    ASSERT_NE(OpenPublisher(Host()), nullptr);
    auto* pane = publisher->findChild<testing::RecordingWebPane*>("WebBrowser1");
    Choose("RemoteFiles", "page.html");
    publisher->Command2_Click();
    EXPECT_EQ(pane->withoutScripts, QStringList{QString::fromStdString((site / "temp.html").string())});
    Choose("LocalFiles", "temp.html");
    publisher->LocalFiles_Click();
    EXPECT_EQ(pane->withoutScripts.size(), 2);
    Choose("LocalFiles", "index.html");
    publisher->LocalFiles_Click();
    EXPECT_EQ(pane->withoutScripts.size(), 2);
    EXPECT_EQ(pane->navigations.last().toStdString(), (site / "index.html").string());
}

// What the host says goes under "Show Details..." without its control characters.
TEST_F(PublisherWindowFixture, ARefusalFromTheHostIsShownWithoutControlCharacters) {
    test::FaultFtpServer faulty(serverRoot.path(), test::kUser, test::kPassword, {"--control-reply"});
    EXPECT_EQ(OpenPublisher("127.0.0.1:" + std::to_string(faulty.port())), nullptr);
    const auto shown = TakeMessages();
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown[0].details, "530 ?[2J?]0;owned?Login?? ?31mrefused.");
}

}  // namespace
}  // namespace pw
