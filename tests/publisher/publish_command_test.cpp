// `pagewright publish` against pyftpdlib and the scripted server on 127.0.0.1: what lands
// on the host, byte for byte, every exit status, and --changed-only.
#include "publisher/publish_command.hpp"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <algorithm>
#include <sstream>

#include "publisher/ftp_account.hpp"
#include "publisher/peer_trust.hpp"
#include "publisher/publish_state.hpp"
#include "shell/designs/design_copies.hpp"
#include "tests/publisher/test_servers.hpp"
#include "tests/publisher/vsftpd_server.hpp"
#include "tests/temp_folder.hpp"

namespace pw::publisher {
namespace {

namespace fs = std::filesystem;
using test::ReadFile;
using test::WriteFile;

constexpr const char* kUser = test::kSiteUser;
constexpr const char* kPassword = test::kSitePassword;

// The files of a folder and their bytes.
std::map<std::string, std::string> Contents(const fs::path& folder) {
    std::map<std::string, std::string> files;
    if (!fs::exists(folder)) return files;
    for (const auto& entry : fs::directory_iterator(folder)) {
        if (entry.is_regular_file()) files[entry.path().filename().string()] = ReadFile(entry.path());
    }
    return files;
}

std::string FtpText(const std::string& host, const std::string& password = kPassword) {
    return "\"" + password + "\",\"Password\"\r\n\"" + kUser + "\",\"UserName\"\r\n\"" + host + "\",\"Host\"\r\n";
}

// An installation whose "default" site holds pages, pictures and files that are not published.
class PublishCommand : public testing::Test {
protected:
    PublishCommand() {
        fs::create_directories(root_ / "www");
        site_ = inst_.path() / "default";
        WriteFile(site_ / "index.html", "<html>home</html>");
        WriteFile(site_ / "news.html", "<html>news</html>");
        WriteFile(site_ / "logo.gif", std::string("GIF89a\0\x01\x02", 9));
        WriteFile(site_ / "photo.jpg", std::string(50'000, '\xFF'));
        WriteFile(site_ / "temp311.htx", "template");
        WriteFile(site_ / "site.htm", "not published");
        WriteFile(site_ / "oneBox.txt", "fields");
        fs::create_directories(site_ / "pictures.jpg");
    }

    void StartServer() {
        server_.emplace(root_, kUser, kPassword, test::PyFtpServer::Options{});
        WriteFile(site_ / "ftp.txt", FtpText("127.0.0.1:" + std::to_string(server_->port())));
    }

    int Run(const std::vector<std::string>& args) {
        out_.str("");
        err_.str("");
        const PublishEnvironment environment{.settings = [](const fs::path& siteFolder) {
            FtpSettings settings = DefaultFtpSettings(siteFolder);
            settings.connectTimeout = std::chrono::seconds(2);
            settings.stallTime = std::chrono::seconds(2);
            return settings;
        }};
        const int exit = RunPublishCommand(inst_.path(), args, out_, err_, environment);
        EXPECT_EQ((out_.str() + err_.str()).find(kPassword), std::string::npos) << "the password was printed";
        return exit;
    }

    std::map<std::string, std::string> Published() const {
        std::map<std::string, std::string> expected;
        for (const char* name : {"index.html", "news.html", "logo.gif", "photo.jpg"}) {
            expected[name] = ReadFile(site_ / name);
        }
        return expected;
    }

    // How often `part` starts a line of `text`, or (for a part ending in a line break) occurs.
    static std::size_t Count(const std::string& text, const std::string& part) {
        std::size_t count = 0;
        for (std::size_t pos = text.find(part); pos != std::string::npos; pos = text.find(part, pos + 1)) {
            if (pos == 0 || text[pos - 1] == '\n' || part == "\n") ++count;
        }
        return count;
    }

    test::TempFolder inst_;
    fs::path site_;
    fs::path root_ = inst_.path() / "server";
    std::optional<test::PyFtpServer> server_;
    std::ostringstream out_, err_;
};

TEST_F(PublishCommand, SendsExactlyThePublishableFilesIntoWww) {
    StartServer();
    ASSERT_EQ(Run({}), kPublishedAll) << err_.str();
    EXPECT_EQ(Contents(root_ / "www"), Published());
    EXPECT_EQ(err_.str(), "");
    const std::string out = out_.str();
    // Pictures (.gif) first, pages next, photos (.jpg) last; then the summary.
    EXPECT_TRUE(out.starts_with("sent logo.gif (9 bytes)\n")) << out;
    EXPECT_LT(out.find("sent news.html"), out.find("sent photo.jpg (50000 bytes)\n"));
    EXPECT_NE(out.find("Published 4 of 4 files to ftp://127.0.0.1:" + std::to_string(server_->port()) +
                       "/www: 4 sent (50043 bytes), 0 unchanged, 0 failed\n"),
              std::string::npos)
        << out;
}

// The copies of earlier designs hold the site's pictures too, below the site folder: they stay at home.
TEST_F(PublishCommand, CopiesOfEarlierDesignsAreNeverSent) {
    WriteFile(site_ / "temp311.htx", "<body background=\"photo.jpg\"><img src=\"logo.gif\">%%texta%%</body>");
    const auto copy = designs::KeepCopy(site_, std::chrono::system_clock::now());
    ASSERT_TRUE(copy.has_value());
    ASSERT_TRUE(fs::exists(*copy / "logo.gif"));
    StartServer();
    ASSERT_EQ(Run({}), kPublishedAll) << err_.str();
    EXPECT_EQ(Contents(root_ / "www"), Published());
    for (const auto& entry : fs::recursive_directory_iterator(root_))
        EXPECT_EQ(entry.path().string().find(".designs"), std::string::npos) << entry.path();
    EXPECT_EQ(out_.str().find(".designs"), std::string::npos) << out_.str();
}

// The folder the host address names, else /www/; never the login folder in their place.
TEST_F(PublishCommand, TheHostsFolderReplacesWwwAndAFolderThatCannotBeEnteredSendsNothing) {
    fs::create_directories(root_ / "custom dir");
    StartServer();
    const std::string host = "127.0.0.1:" + std::to_string(server_->port());
    WriteFile(site_ / "ftp.txt", FtpText("ftp://" + host + "/custom dir"));
    ASSERT_EQ(Run({}), kPublishedAll) << err_.str();
    EXPECT_EQ(Contents(root_ / "custom dir"), Published());

    WriteFile(site_ / "ftp.txt", FtpText(host + "/no such dir"));
    EXPECT_EQ(Run({}), kSomeFilesFailed);
    EXPECT_TRUE(
        err_.str().starts_with("pagewright publish: nothing sent: The folder /no such dir that the host "
                               "address names cannot be entered"))
        << err_.str();
    EXPECT_TRUE(Contents(root_).empty());
    EXPECT_TRUE(Contents(root_ / "www").empty());
}

// Hosts without /www/ serve from a folder of the login folder; a Host with a trailing "/"
// names no folder of its own.
TEST_F(PublishCommand, AHostWithoutWwwGetsTheSiteInItsWebFolderAndSaysSo) {
    fs::remove_all(root_ / "www");
    for (const char* folder : {"htdocs", "public_html", "html"}) fs::create_directories(root_ / folder);
    StartServer();
    const std::string host = "127.0.0.1:" + std::to_string(server_->port());
    for (const std::string& typed : {host, host + "/", "ftp://" + host + "/"}) {
        SCOPED_TRACE(typed);
        fs::remove_all(root_ / "public_html");
        fs::create_directories(root_ / "public_html");
        WriteFile(site_ / "ftp.txt", FtpText(typed));
        ASSERT_EQ(Run({}), kPublishedAll) << err_.str();
        EXPECT_EQ(Contents(root_ / "public_html"), Published());
        EXPECT_TRUE(Contents(root_).empty()) << "nothing in the login folder";
        EXPECT_TRUE(Contents(root_ / "htdocs").empty());
        EXPECT_TRUE(out_.str().starts_with("Publishing into /public_html: this host has no /www/\n")) << out_.str();
        EXPECT_NE(out_.str().find(":" + std::to_string(server_->port()) + "/public_html: 4 sent"), std::string::npos)
            << out_.str();
    }
}

TEST_F(PublishCommand, AHostWithNoWebFolderGetsNothingAndExitOne) {
    fs::remove_all(root_ / "www");
    fs::create_directories(root_ / "logs");
    StartServer();
    WriteFile(site_ / "ftp.txt", FtpText("127.0.0.1:" + std::to_string(server_->port()) + "/"));
    EXPECT_EQ(Run({}), kSomeFilesFailed);
    EXPECT_EQ(err_.str(),
              "pagewright publish: nothing sent: This host has no web folder: neither /www/ nor any of public_html, "
              "htdocs, httpdocs, www, html in the login folder /. Name the folder after the host (host/folder)\n");
    EXPECT_EQ(out_.str(), "");
    EXPECT_TRUE(Contents(root_).empty());
    EXPECT_TRUE(Contents(root_ / "logs").empty());
}

TEST_F(PublishCommand, ChangedOnlySendsWhatTheHostDoesNotHold) {
    StartServer();
    ASSERT_EQ(Run({}), kPublishedAll) << err_.str();
    struct stat before {};
    ::stat((root_ / "www/index.html").c_str(), &before);

    // Nothing changed: nothing is sent, nothing on the host is touched.
    ASSERT_EQ(Run({"--changed-only"}), kPublishedAll) << err_.str();
    EXPECT_EQ(Count(out_.str(), "unchanged "), 4u) << out_.str();
    EXPECT_NE(out_.str().find(": 0 sent (0 bytes), 4 unchanged, 0 failed"), std::string::npos) << out_.str();
    struct stat after {};
    ::stat((root_ / "www/index.html").c_str(), &after);
    EXPECT_EQ(before.st_mtim.tv_sec, after.st_mtim.tv_sec);
    EXPECT_EQ(before.st_mtim.tv_nsec, after.st_mtim.tv_nsec);
    EXPECT_EQ(before.st_ino, after.st_ino);

    // A page changed at the same size, a picture removed on the host, a photo changed there.
    WriteFile(site_ / "index.html", "<html>HOME</html>");
    fs::remove(root_ / "www/logo.gif");
    WriteFile(root_ / "www/photo.jpg", "someone else's photo");
    ASSERT_EQ(Run({"--changed-only"}), kPublishedAll) << err_.str();
    EXPECT_EQ(Count(out_.str(), "sent "), 3u) << out_.str();
    EXPECT_NE(out_.str().find("sent index.html"), std::string::npos);
    EXPECT_NE(out_.str().find("sent logo.gif"), std::string::npos);
    EXPECT_NE(out_.str().find("sent photo.jpg"), std::string::npos);
    EXPECT_NE(out_.str().find("unchanged news.html"), std::string::npos);
    EXPECT_EQ(Contents(root_ / "www"), Published());

    // The state is the site's own, owner-only, and kept per destination.
    EXPECT_EQ(fs::status(site_ / kPublishStateFileName).permissions() & fs::perms::all,
              fs::perms::owner_read | fs::perms::owner_write);
    fs::create_directories(root_ / "other");
    WriteFile(site_ / "ftp.txt", FtpText("ftp://127.0.0.1:" + std::to_string(server_->port()) + "/other"));
    ASSERT_EQ(Run({"--changed-only"}), kPublishedAll) << err_.str();
    EXPECT_EQ(Contents(root_ / "other"), Published());
}

TEST_F(PublishCommand, AFileTheHostRefusesIsNamedAndTheRestAreSent) {
    test::FaultFtpServer server(root_, kUser, kPassword, {"--deny-stor", "news.html"});
    WriteFile(site_ / "ftp.txt", FtpText("127.0.0.1:" + std::to_string(server.port())));
    ASSERT_EQ(Run({}), kSomeFilesFailed);
    EXPECT_EQ(err_.str(), "pagewright publish: could not send news.html: 553 news.html: Could not create file.\n");
    auto expected = Published();
    expected.erase("news.html");
    EXPECT_EQ(Contents(root_ / "www"), expected);
    EXPECT_NE(out_.str().find("3 sent (50026 bytes), 0 unchanged, 1 failed"), std::string::npos) << out_.str();

    // A failed file is not taken for sent by the next --changed-only.
    ASSERT_EQ(Run({"--changed-only"}), kSomeFilesFailed);
    EXPECT_NE(out_.str().find("0 sent (0 bytes), 3 unchanged, 1 failed"), std::string::npos) << out_.str();
}

TEST_F(PublishCommand, AConnectionLostMidwayIsTakenUpAgain) {
    test::FaultFtpServer server(root_, kUser, kPassword, {"--drop", "news.html"});
    WriteFile(site_ / "ftp.txt", FtpText("127.0.0.1:" + std::to_string(server.port())));
    ASSERT_EQ(Run({}), kSomeFilesFailed);
    EXPECT_TRUE(err_.str().starts_with("pagewright publish: could not send news.html: ")) << err_.str();
    EXPECT_EQ(Count(err_.str(), "\n"), 1u) << err_.str();
    EXPECT_EQ(ReadFile(root_ / "www/photo.jpg"), ReadFile(site_ / "photo.jpg"));
}

TEST_F(PublishCommand, AHostThatIsGoneForGoodStopsTheRunAndNamesWhatWasNotSent) {
    test::FaultFtpServer server(root_, kUser, kPassword, {"--drop", "logo.gif", "--exit-after-drop"});
    WriteFile(site_ / "ftp.txt", FtpText("127.0.0.1:" + std::to_string(server.port())));
    ASSERT_EQ(Run({}), kSomeFilesFailed);
    const std::string err = err_.str();
    EXPECT_TRUE(err.starts_with("pagewright publish: could not send logo.gif: ")) << err;
    EXPECT_NE(err.find("pagewright publish: stopped: Unable to connect to the specified host: "), std::string::npos);
    for (const char* name : {"index.html", "news.html", "photo.jpg"}) {
        EXPECT_NE(err.find(std::string("pagewright publish: not sent: ") + name + "\n"), std::string::npos) << name;
    }
    EXPECT_NE(out_.str().find("Published 0 of 4 files"), std::string::npos) << out_.str();
    EXPECT_NE(out_.str().find("4 failed"), std::string::npos) << out_.str();
}

// Each file goes beside its target and is renamed over it: a transfer cut half way leaves
// the host's previous file whole. A host that refuses the rename gets files in place.
TEST_F(PublishCommand, AnUploadFailingHalfWayLeavesTheHostsPreviousFileWhole) {
    const std::string previous = "<html>yesterday's news, whole</html>";
    WriteFile(root_ / "www/news.html", previous);
    WriteFile(site_ / "news.html", std::string(300'000, 'n'));
    {
        test::FaultFtpServer server(root_, kUser, kPassword, {"--drop", "news.html"});
        WriteFile(site_ / "ftp.txt", FtpText("127.0.0.1:" + std::to_string(server.port())));
        ASSERT_EQ(Run({}), kSomeFilesFailed);
        EXPECT_TRUE(err_.str().starts_with("pagewright publish: could not send news.html: ")) << err_.str();
        EXPECT_EQ(ReadFile(root_ / "www/news.html"), previous);
        EXPECT_EQ(ReadFile(root_ / "www/index.html"), ReadFile(site_ / "index.html"));
    }
    fs::remove_all(root_ / "www");
    fs::create_directories(root_ / "www");
    test::FaultFtpServer server(root_, kUser, kPassword, {"--refuse-rename"});
    WriteFile(site_ / "ftp.txt", FtpText("127.0.0.1:" + std::to_string(server.port())));
    ASSERT_EQ(Run({}), kPublishedAll) << err_.str();
    EXPECT_EQ(Contents(root_ / "www"), Published()) << "sent in place, nothing left beside";
    EXPECT_EQ(Count(err_.str(), "pagewright publish: warning: The host refuses to take files beside"), 1u)
        << err_.str();
}

// What pagewright sent before and the site no longer has: named, removed on request, and
// nothing else removed.
TEST_F(PublishCommand, AFileTheSiteNoLongerHasIsNamedAndRemovedOnlyOnRequest) {
    StartServer();
    ASSERT_EQ(Run({}), kPublishedAll) << err_.str();
    // Page two renamed from "News" to "Offers"; the host also holds someone else's page.
    fs::rename(site_ / "news.html", site_ / "offers.html");
    WriteFile(root_ / "www/guest.html", "someone else's");
    ASSERT_EQ(Run({"--changed-only"}), kPublishedAll) << err_.str();
    EXPECT_NE(out_.str().find("stale news.html: sent before, the site no longer has it (--remove-stale removes it)\n"),
              std::string::npos)
        << out_.str();
    EXPECT_EQ(Count(out_.str(), "stale "), 1u) << out_.str();
    EXPECT_TRUE(fs::exists(root_ / "www/news.html"));

    ASSERT_EQ(Run({"--changed-only", "--remove-stale"}), kPublishedAll) << err_.str();
    EXPECT_NE(out_.str().find("removed news.html\n"), std::string::npos) << out_.str();
    auto expected = Published();
    expected.erase("news.html");
    expected["offers.html"] = ReadFile(site_ / "offers.html");
    expected["guest.html"] = "someone else's";
    EXPECT_EQ(Contents(root_ / "www"), expected);

    ASSERT_EQ(Run({"--remove-stale"}), kPublishedAll) << err_.str();
    EXPECT_EQ(Count(out_.str(), "stale "), 0u) << out_.str();
    EXPECT_EQ(Count(out_.str(), "removed "), 0u) << out_.str();
    EXPECT_EQ(Contents(root_ / "www"), expected);
}

TEST_F(PublishCommand, APublishWhoseRecordCannotBeSavedIsExitOne) {
    StartServer();
    fs::create_directories(site_ / kPublishStateFileName);  // a folder where the file goes
    EXPECT_EQ(Run({}), kSomeFilesFailed);
    EXPECT_NE(err_.str().find("could not be saved, so the next run will not know what this one sent"),
              std::string::npos)
        << err_.str();
    EXPECT_EQ(Contents(root_ / "www"), Published());
}

// vsftpd requires each data connection to resume the control connection's TLS session;
// under TLS 1.3 every one of many files must still be sent.
TEST_F(PublishCommand, VsftpdWithTlsAndSessionReuseRequiredGetsEveryFile) {
    if (!test::VsftpdServer::Available()) GTEST_SKIP() << "vsftpd needs root and " << test::VsftpdServer::kBinary;
    const test::TestCertificate certificate = test::TestCertificate::Make(inst_.path());
    const fs::path root = inst_.path() / "vsftpd-root";
    test::VsftpdServer server(inst_.path() / "vsftpd", root, certificate);
    server.MakeUploadFolder("www");
    for (int i = 0; i < 50; ++i) WriteFile(site_ / ("page" + std::to_string(i) + ".html"), std::string(3000 + i, 'p'));
    WriteFile(site_ / "ftp.txt",
              "\"x\",\"Password\"\r\n\"anonymous\",\"UserName\"\r\n\"" + server.Host() + "\",\"Host\"\r\n");
    ASSERT_TRUE(PeerTrust(site_ / kTrustFileName)
                    .Add("ftp://127.0.0.1:" + std::to_string(server.port()), certificate.fingerprint));
    ASSERT_EQ(Run({}), kPublishedAll) << err_.str();
    const auto sent = Contents(root / "www");
    EXPECT_EQ(sent.size(), 54u);
    for (const auto& [name, bytes] : Contents(site_)) {
        if (name.ends_with(".html") || name.ends_with(".gif") || name.ends_with(".jpg")) {
            EXPECT_EQ(sent.contains(name) ? sent.at(name) : "(missing)", bytes) << name;
        }
    }
}

TEST_F(PublishCommand, APasswordTheHostEchoesIsMasked) {
    // A password of stars is found again inside its own mask; masking must still end.
    for (const std::string& password : {std::string(kPassword), std::string("*"), std::string("**")}) {
        SCOPED_TRACE(password);
        test::FaultFtpServer server(root_, kUser, password, {"--echo-password"});
        WriteFile(site_ / "ftp.txt", FtpText("127.0.0.1:" + std::to_string(server.port()), password));
        EXPECT_EQ(Run({}), kCannotConnect);  // Run itself checks the test's usual password was not printed
        EXPECT_EQ(err_.str(),
                  "pagewright publish: Unable to connect to the specified host: 530 Password ******** is not right.\n");
    }
}

TEST_F(PublishCommand, CannotConnectOrLogInIsExitThree) {
    WriteFile(site_ / "ftp.txt", FtpText("127.0.0.1:" + std::to_string(test::FreePort())));
    EXPECT_EQ(Run({}), kCannotConnect);
    EXPECT_TRUE(err_.str().starts_with("pagewright publish: Unable to connect to the specified host: ")) << err_.str();

    test::FaultFtpServer server(root_, kUser, kPassword, {"--refuse-login"});
    WriteFile(site_ / "ftp.txt", FtpText("127.0.0.1:" + std::to_string(server.port())));
    EXPECT_EQ(Run({}), kCannotConnect);
    EXPECT_EQ(err_.str(), "pagewright publish: Unable to connect to the specified host: 530 Login incorrect.\n");
    EXPECT_TRUE(Contents(root_ / "www").empty());
}

TEST_F(PublishCommand, AnUntrustedCertificateIsExitThreeUntilTrustedByFingerprint) {
    const test::TestCertificate certificate = test::TestCertificate::Make(inst_.path());
    test::PyFtpServer server(root_, kUser, kPassword, {.certificate = certificate.pem.string(), .requireTls = true});
    WriteFile(site_ / "ftp.txt", FtpText("127.0.0.1:" + std::to_string(server.port())));
    ASSERT_EQ(Run({}), kCannotConnect);
    EXPECT_NE(err_.str().find("--trust " + certificate.fingerprint + "\n"), std::string::npos) << err_.str();
    ASSERT_EQ(Run({"--trust", "00:11"}), kCannotConnect);
    ASSERT_EQ(Run({"--trust", certificate.fingerprint}), kPublishedAll) << err_.str();
    EXPECT_EQ(Contents(root_ / "www"), Published());
    ASSERT_EQ(Run({}), kPublishedAll) << err_.str();  // remembered for the site
}

TEST_F(PublishCommand, UsageAndMissingSettingsAreExitTwo) {
    StartServer();
    EXPECT_EQ(Run({"--bogus"}), kPublishUsageError);
    EXPECT_NE(err_.str().find("unknown option '--bogus'"), std::string::npos);
    EXPECT_NE(err_.str().find("Usage: pagewright publish"), std::string::npos);
    EXPECT_EQ(Run({"--site"}), kPublishUsageError);
    EXPECT_EQ(Run({"--site", "../elsewhere"}), kPublishUsageError);
    EXPECT_EQ(Run({"--site", "nosuchsite"}), kPublishUsageError);
    EXPECT_NE(err_.str().find("there is no site \"nosuchsite\""), std::string::npos);

    // A first-start ftp.txt names no host; a site without one has no settings at all.
    WriteFile(site_ / "ftp.txt", "\"\",\"Text1\"\r\n");
    EXPECT_EQ(Run({}), kPublishUsageError);
    EXPECT_NE(err_.str().find("names no host"), std::string::npos);
    fs::remove(site_ / "ftp.txt");
    EXPECT_EQ(Run({}), kPublishUsageError);
    EXPECT_NE(err_.str().find("no FTP settings"), std::string::npos);
    EXPECT_TRUE(Contents(root_ / "www").empty());

    EXPECT_EQ(Run({"--help"}), kPublishedAll);
    EXPECT_TRUE(out_.str().starts_with("Usage: pagewright publish"));
}

// --connections is checked before anything is sent; the site's ftpoptions.txt is its
// default; with one connection or several the host gets the same files and the same lines.
TEST_F(PublishCommand, TheNumberOfConnectionsIsBoundedAndChangesNothingSent) {
    StartServer();
    for (const char* bad : {"0", "17", "x", "2x"}) {
        EXPECT_EQ(Run({"--connections", bad}), kPublishUsageError) << bad;
        EXPECT_NE(err_.str().find("--connections takes a number from 1 to 16"), std::string::npos) << err_.str();
        EXPECT_TRUE(Contents(root_ / "www").empty());
    }
    std::string lines;
    for (const std::vector<std::string>& args :
         {std::vector<std::string>{"--connections", "1"}, {"--connections=16"}, {}}) {
        fs::remove_all(root_ / "www");
        fs::create_directories(root_ / "www");
        WriteFile(site_ / kFtpOptionsFileName, "\"2\",\"Connections\"\r\n");
        ASSERT_EQ(Run(args), kPublishedAll) << err_.str();
        EXPECT_EQ(Contents(root_ / "www"), Published());
        if (lines.empty()) lines = out_.str();
        EXPECT_EQ(out_.str(), lines) << "the same lines, in the same order";
    }
}

TEST_F(PublishCommand, TheSiteIsFoundWithoutRegardToCaseAndItsFtpTxtToo) {
    StartServer();
    fs::rename(site_ / "ftp.txt", site_ / "FTP.TXT");
    fs::rename(site_, inst_.path() / "Shop");
    site_ = inst_.path() / "Shop";
    ASSERT_EQ(Run({"--site=shop"}), kPublishedAll) << err_.str();
    EXPECT_EQ(Contents(root_ / "www"), Published());
}

}  // namespace
}  // namespace pw::publisher
