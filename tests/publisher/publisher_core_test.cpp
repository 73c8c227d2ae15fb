// The publisher's parts that need no server: host texts, masks, error codes, the local
// pane's files, the publish state and the trust file.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "publisher/ftp_component.hpp"
#include "publisher/ftp_error.hpp"
#include "publisher/host_address.hpp"
#include "publisher/local_files.hpp"
#include "publisher/peer_trust.hpp"
#include "publisher/publish_state.hpp"
#include "tests/temp_folder.hpp"

namespace pw::publisher {
namespace {

namespace fs = std::filesystem;

struct HostCase {
    const char* text;
    std::optional<HostAddress> address;
};

HostAddress Address(Protocol protocol, std::string host, std::uint16_t port, std::optional<std::string> folder = {}) {
    return {protocol, std::move(host), port, std::move(folder)};
}

TEST(ParseHostAddress, TakesEveryFormTheLoginDialogAccepts) {
    const HostCase cases[] = {
        {"ftp.example.com", Address(Protocol::Ftp, "ftp.example.com", 21)},
        {"  ftp.example.com:2121 ", Address(Protocol::Ftp, "ftp.example.com", 2121)},
        {"ftp://example.com", Address(Protocol::PlainFtp, "example.com", 21)},
        {"FTP://example.com:21/public_html", Address(Protocol::PlainFtp, "example.com", 21, "/public_html")},
        {"ftps://example.com/", Address(Protocol::FtpRequireTls, "example.com", 21, "/")},
        {"sftp://example.com:2222/home/me/www/", Address(Protocol::Sftp, "example.com", 2222, "/home/me/www/")},
        {"sftp://example.com", Address(Protocol::Sftp, "example.com", 22)},
        {"[::1]:2121", Address(Protocol::Ftp, "::1", 2121)},
        {"example.com/my site", Address(Protocol::Ftp, "example.com", 21, "/my site")},
        {"", std::nullopt},
        {"   ", std::nullopt},
        {"ftp://", std::nullopt},
        {"example.com:", std::nullopt},
        {"example.com:0", std::nullopt},
        {"example.com:65536", std::nullopt},
        {"example.com:21x", std::nullopt},
        {"user@example.com", std::nullopt},
        {"http://example.com", std::nullopt},
        {"two words", std::nullopt},
        {"[::1", std::nullopt},
        {"ftp://example.com/a\r\nDELE x", std::nullopt},
    };
    for (const HostCase& c : cases) {
        const auto parsed = ParseHostAddress(c.text);
        ASSERT_EQ(parsed.has_value(), c.address.has_value()) << c.text;
        if (!parsed) continue;
        EXPECT_EQ(parsed->protocol, c.address->protocol) << c.text;
        EXPECT_EQ(parsed->host, c.address->host) << c.text;
        EXPECT_EQ(parsed->port, c.address->port) << c.text;
        EXPECT_EQ(parsed->folder, c.address->folder) << c.text;
    }
}

TEST(ParseHostAddress, EndpointAndPublishFolder) {
    EXPECT_EQ(ParseHostAddress("example.com")->Endpoint(), "ftp://example.com:21");
    EXPECT_EQ(ParseHostAddress("ftps://example.com")->Endpoint(), "ftp://example.com:21");
    EXPECT_EQ(ParseHostAddress("sftp://[::1]:22")->Endpoint(), "sftp://[::1]:22");
    // A trailing "/", typed or pasted, names no folder: the web folder is looked for.
    for (const char* none : {"example.com", "example.com/", "ftp://example.com/", "sftp://example.com//"}) {
        EXPECT_EQ(NamedFolder(*ParseHostAddress(none)), std::nullopt) << none;
    }
    EXPECT_EQ(NamedFolder(*ParseHostAddress("ftp://example.com/htdocs")), "/htdocs");
    EXPECT_EQ(NamedFolder(*ParseHostAddress("example.com/sites/mine/")), "/sites/mine/");
}

TEST(MatchesMask, StarDotStarIsEverythingAndOtherMasksAreWildcards) {
    EXPECT_TRUE(MatchesMask("README", "*.*"));
    EXPECT_TRUE(MatchesMask("..", "*.*"));
    EXPECT_TRUE(MatchesMask("Index.HTML", "*.html"));
    EXPECT_TRUE(MatchesMask("page2.html", "page?.htm*"));
    EXPECT_TRUE(MatchesMask("a.b.c", "*.c"));
    EXPECT_FALSE(MatchesMask("index.htm", "*.html"));
    EXPECT_FALSE(MatchesMask("page10.html", "page?.html"));
}

TEST(FtpError, CarriesTheReasonAndComparesAsItsKind) {
    const std::error_code error = MakeFtpError(FtpErrc::Refused, "550 /www: No such file or directory");
    EXPECT_EQ(error.message(), "550 /www: No such file or directory");
    EXPECT_TRUE(error == FtpErrc::Refused);
    EXPECT_FALSE(error == FtpErrc::TimedOut);
    EXPECT_TRUE(error);  // never the success value 0
    EXPECT_EQ(MakeFtpError(FtpErrc::Refused, "550 /www: No such file or directory"), error);
    EXPECT_EQ(MakeFtpError(FtpErrc::TimedOut, "").message(), "The host stopped answering");
}

// The pane's commands act inside the folder they are given, whatever folder is current.
TEST(LocalPane, CommandsActInsideTheirFolderNeverTheCurrentOne) {
    test::TempFolder site, elsewhere;
    const fs::path start = fs::current_path();
    fs::current_path(elsewhere.path());
    site.Write("page.html", "x");
    elsewhere.Write("page.html", "x");

    EXPECT_TRUE(MakeLocalFolder(site.path(), "new.gif"));
    EXPECT_FALSE(MakeLocalFolder(site.path(), "new.gif")) << "already there";
    EXPECT_TRUE(fs::is_directory(site.path() / "new.gif"));
    EXPECT_FALSE(fs::exists(elsewhere.path() / "new.gif"));
    EXPECT_FALSE(DeleteLocalFile(site.path(), "new.gif")) << "a folder is never deleted as a file";
    site.Write("new.gif/inside.gif", "x");
    EXPECT_FALSE(RemoveLocalFolder(site.path(), "new.gif")) << "only an empty folder goes";
    EXPECT_TRUE(DeleteLocalFile(site.path() / "new.gif", "inside.gif"));
    EXPECT_TRUE(RemoveLocalFolder(site.path(), "new.gif"));
    EXPECT_TRUE(DeleteLocalFile(site.path(), "page.html"));
    EXPECT_FALSE(DeleteLocalFile(site.path(), "page.html"));
    EXPECT_TRUE(fs::exists(elsewhere.path() / "page.html"));

    fs::create_directory(site.path() / "inner");
    fs::create_directory_symlink(site.path() / "inner", site.path() / "link");
    fs::create_directory(site.path() / "closed");
    fs::permissions(site.path() / "closed", fs::perms::owner_read);
    site.Write("file.html", "x");
    const fs::path real = fs::canonical(site.path());
    struct Case {
        std::string name;
        std::optional<fs::path> entered;
    };
    const std::vector<Case> cases = {
        {"inner", real / "inner"},
        {"link", real / "inner"},  // as the system reports the folder
        {"inner/..", real},
        {real.string() + "/inner", real / "inner"},
        {"file.html", std::nullopt},
        {"missing", std::nullopt},
        {::geteuid() == 0 ? "missing" : "closed", std::nullopt},  // root enters any folder
    };
    for (const Case& c : cases) {
        const auto entered = EnterLocalFolder(site.path(), c.name);
        EXPECT_EQ(entered ? std::optional<fs::path>(*entered) : std::nullopt, c.entered) << c.name;
    }
    fs::permissions(site.path() / "closed", fs::perms::owner_all);
    EXPECT_EQ(fs::current_path(), fs::canonical(elsewhere.path()));
    fs::current_path(start);
}

TEST(LocalPane, ListsGifThenHtmlThenJpgEachInFileSystemOrder) {
    test::TempFolder site;
    for (const char* name : {"index.html", "page2.html", "logo.gif", "photo.jpg", "temp311.htx", "site.htm", "LOUD.GIF",
                             "stock", "a.jpeg", ".gif"}) {
        site.Write(name, "x");
    }
    fs::create_directory(site.path() / "pictures.jpg");
    fs::create_directory(site.path() / "plain");
    fs::create_symlink("index.html", site.path() / "link.html");
    fs::create_symlink("missing.gif", site.path() / "broken.gif");
    ::mkfifo((site.path() / "pipe.html").c_str(), 0600);

    const auto entries = ListLocalPane(site.path());
    ASSERT_TRUE(entries);
    // Within each group the order is the file system's, whatever it is.
    std::vector<std::string> gifs, htmls, jpgs;
    for (const auto& entry : fs::directory_iterator(site.path())) {
        const std::string name = entry.path().filename().string();
        if (!fs::is_regular_file(entry.status())) continue;
        if (name == "logo.gif" || name == "LOUD.GIF" || name == ".gif") gifs.push_back(name);
        if (name == "index.html" || name == "page2.html" || name == "link.html") htmls.push_back(name);
        if (name == "photo.jpg") jpgs.push_back(name);
    }
    std::vector<std::string> expected = gifs;
    expected.insert(expected.end(), htmls.begin(), htmls.end());
    expected.insert(expected.end(), jpgs.begin(), jpgs.end());
    EXPECT_EQ(entries->files, expected);
    EXPECT_EQ(entries->folders, std::vector<std::string>{"pictures.jpg"});
    EXPECT_EQ(*PublishableFiles(site.path()), expected);
    EXPECT_FALSE(PublishableFiles(site.path() / "missing"));
}

PublishDestination Destination(std::string folder = "/www") { return {"ftp://host:21", "me", std::move(folder)}; }

TEST(PublishState, KeepsEachDestinationsFilesApartAndIsOwnerOnly) {
    test::TempFolder site;
    const fs::path file = site.path() / kPublishStateFileName;
    const SentFile index{12, std::string(64, 'a')};
    const SentFile odd{3, std::string(64, 'b')};
    {
        PublishState www(file, Destination());
        www.Set("index.html", index);
        www.Set("odd \"name\", with, commas.html", odd);
        ASSERT_TRUE(www.Save());
    }
    {
        PublishState other(file, Destination("/other"));
        EXPECT_EQ(other.Find("index.html"), nullptr);
        other.Set("news.html", index);
        ASSERT_TRUE(other.Save());
    }
    PublishState www(file, Destination());
    ASSERT_NE(www.Find("index.html"), nullptr);
    EXPECT_EQ(*www.Find("index.html"), index);
    ASSERT_NE(www.Find("odd \"name\", with, commas.html"), nullptr);
    EXPECT_EQ(*www.Find("odd \"name\", with, commas.html"), odd);
    EXPECT_EQ(www.Find("news.html"), nullptr);
    www.Erase("index.html");
    ASSERT_TRUE(www.Save());
    EXPECT_EQ(PublishState(file, Destination()).Find("index.html"), nullptr);
    ASSERT_NE(PublishState(file, Destination("/other")).Find("news.html"), nullptr);
    EXPECT_EQ(fs::status(file).permissions() & fs::perms::all, fs::perms::owner_read | fs::perms::owner_write);
}

TEST(PublishState, AMissingOrDamagedFileMeansNothingWasSent) {
    test::TempFolder site;
    EXPECT_EQ(PublishState(site.path() / "absent.txt", Destination()).Find("index.html"), nullptr);
    const fs::path damaged = site.Write("ftpsent.txt",
                                        "\"ftp://host:21\tme\t/www\",\"Destination\"\r\n"
                                        "\"12 short index.html\",\"File\"\r\n"
                                        "\"x " +
                                            std::string(64, 'a') +
                                            " a.html\",\"File\"\r\n"
                                            "garbage");
    const PublishState state(damaged, Destination());
    EXPECT_EQ(state.Find("index.html"), nullptr);
    EXPECT_EQ(state.Find("a.html"), nullptr);
}

TEST(PeerTrust, RemembersTrustOwnerOnlyAndKeepsOtherEntries) {
    test::TempFolder site;
    const fs::path file = site.path() / kTrustFileName;
    ASSERT_TRUE(PeerTrust(file).Add("ftp://a:21", "AA:BB"));
    PeerTrust second(file);
    ASSERT_TRUE(second.Add("sftp://b:22", "SHA256:xyz"));
    const PeerTrust reread(file);
    EXPECT_TRUE(reread.Trusts("ftp://a:21", "AA:BB"));
    EXPECT_TRUE(reread.Trusts("sftp://b:22", "SHA256:xyz"));
    EXPECT_FALSE(reread.Trusts("ftp://a:21", "SHA256:xyz"));
    EXPECT_FALSE(reread.Trusts("ftp://b:21", "AA:BB"));
    EXPECT_EQ(fs::status(file).permissions() & fs::perms::all, fs::perms::owner_read | fs::perms::owner_write);
}

}  // namespace
}  // namespace pw::publisher
