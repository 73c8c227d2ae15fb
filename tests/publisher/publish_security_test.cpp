// `pagewright publish` and the component where someone else could get the password or the
// user's files: proxy variables, a host that drops the TLS it offered before, a changed
// host key, and what a host sends back (listings, replies) kept in bounds. Real servers on
// 127.0.0.1: pyftpdlib, Pure-FTPd, OpenSSH's sshd and the scripted server.
#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <sstream>
#include <thread>

#include "publisher/curl_ftp.hpp"
#include "publisher/peer_trust.hpp"
#include "publisher/publish_command.hpp"
#include "publisher/publish_state.hpp"
#include "tests/loopback.hpp"
#include "tests/publisher/pure_ftpd_server.hpp"
#include "tests/publisher/test_servers.hpp"
#include "tests/temp_folder.hpp"

namespace pw::publisher {
namespace {

namespace fs = std::filesystem;
using test::ReadFile;
using test::WriteFile;

constexpr const char* kUser = test::kSiteUser;
constexpr const char* kPassword = test::kSitePassword;

std::string FtpText(const std::string& host, const std::string& user = kUser, const std::string& password = kPassword) {
    return "\"" + password + "\",\"Password\"\r\n\"" + user + "\",\"UserName\"\r\n\"" + host + "\",\"Host\"\r\n";
}

// SFTP logs in with the test's key: an empty password.
std::string SftpText(const std::string& host) { return FtpText(host, test::CurrentUser(), ""); }

// Sets the variables for as long as it lives.
class Environment {
public:
    explicit Environment(const std::vector<std::pair<std::string, std::string>>& variables) {
        for (const auto& [name, value] : variables) {
            ::setenv(name.c_str(), value.c_str(), 1);
            names_.push_back(name);
        }
    }
    ~Environment() {
        for (const std::string& name : names_) ::unsetenv(name.c_str());
    }

private:
    std::vector<std::string> names_;
};

// A site with two pages and a picture, published with `pagewright publish`.
class PublishSecurity : public testing::Test {
protected:
    PublishSecurity() {
        fs::create_directories(www_);
        WriteFile(site_ / "index.html", "<html>home</html>");
        WriteFile(site_ / "news.html", "<html>news</html>");
        WriteFile(site_ / "logo.gif", std::string("GIF89a\0\x01\x02", 9));
    }

    int Run(const std::vector<std::string>& args) {
        out_.str("");
        err_.str("");
        const PublishEnvironment environment{.settings = [this](const fs::path& siteFolder) {
            FtpSettings settings = DefaultFtpSettings(siteFolder);
            // Pure-FTPd's password hash alone takes seconds on a busy machine.
            settings.connectTimeout = std::chrono::seconds(20);
            settings.stallTime = std::chrono::seconds(20);
            settings.knownHostsFile = knownHosts_;
            settings.identityFiles = identities_;
            return settings;
        }};
        const int exit = RunPublishCommand(inst_.path(), args, out_, err_, environment);
        EXPECT_EQ((out_.str() + err_.str()).find(kPassword), std::string::npos) << "the password was printed";
        return exit;
    }

    std::map<std::string, std::string> Files(const fs::path& folder) const {
        std::map<std::string, std::string> files;
        if (!fs::exists(folder)) return files;
        for (const auto& entry : fs::directory_iterator(folder)) {
            if (entry.is_regular_file()) files[entry.path().filename().string()] = ReadFile(entry.path());
        }
        return files;
    }

    std::map<std::string, std::string> Published() const {
        return {{"index.html", ReadFile(site_ / "index.html")},
                {"news.html", ReadFile(site_ / "news.html")},
                {"logo.gif", ReadFile(site_ / "logo.gif")}};
    }

    test::TempFolder inst_;
    fs::path site_ = inst_.path() / "default";
    fs::path root_ = inst_.path() / "server";
    fs::path www_ = root_ / "www";
    fs::path knownHosts_ = inst_.path() / "known_hosts";
    std::vector<fs::path> identities_;
    std::ostringstream out_, err_;
};

// ---- Proxy variables ----

TEST_F(PublishSecurity, ProxyVariablesNeverReceiveTheLoginAndTheHostGetsTheFiles) {
    test::CountingListener proxy;
    const std::string address = "http://127.0.0.1:" + std::to_string(proxy.port());
    const Environment environment({{"ftp_proxy", address},
                                   {"FTP_PROXY", address},
                                   {"all_proxy", address},
                                   {"ALL_PROXY", address},
                                   {"http_proxy", address},
                                   {"https_proxy", address},
                                   {"sftp_proxy", address},
                                   {"no_proxy", ""}});

    test::PyFtpServer ftp(root_, kUser, kPassword, {});
    test::SshServer ssh(inst_.path() / "ssh");
    WriteFile(knownHosts_, ssh.KnownHostsLine());
    identities_ = {ssh.userKey()};
    for (const std::string& settings : {FtpText("127.0.0.1:" + std::to_string(ftp.port())),
                                        SftpText("sftp://127.0.0.1:" + std::to_string(ssh.port()) + www_.string())}) {
        SCOPED_TRACE(settings);
        fs::remove_all(www_);
        fs::create_directories(www_);
        fs::remove(site_ / kPublishStateFileName);
        WriteFile(site_ / "ftp.txt", settings);
        EXPECT_EQ(Run({}), kPublishedAll) << err_.str();
        EXPECT_EQ(Files(www_), Published());
        EXPECT_EQ(proxy.connections(), 0);
    }
}

// ---- TLS once, TLS always ----

TEST_F(PublishSecurity, AHostReachedWithTlsIsRefusedWithoutItBeforeTheLoginIsSent) {
    if (!test::PureFtpdServer::Available()) GTEST_SKIP() << "Pure-FTPd needs root";
    const test::TestCertificate certificate = test::TestCertificate::Make(inst_.path());
    std::optional<test::PureFtpdServer> tls;
    tls.emplace(
        inst_.path() / "pure-ftpd", root_, kUser, kPassword,
        test::PureFtpdServer::Options{.tls = test::PureFtpdServer::Tls::Offered, .certificate = certificate.pem});
    const std::uint16_t port = tls->port();
    const std::string host = "127.0.0.1:" + std::to_string(port);
    WriteFile(site_ / "ftp.txt", FtpText(host));
    ASSERT_EQ(Run({"--trust", certificate.fingerprint}), kPublishedAll) << err_.str();
    EXPECT_EQ(Files(www_), Published());
    EXPECT_TRUE(PeerTrust(site_ / kTrustFileName).RequiresTls("ftp://" + host));

    // The same host and port without TLS: what someone in between removing AUTH TLS looks like.
    tls.reset();
    const fs::path log = inst_.path() / "commands.log";
    test::PyFtpServer plain(root_, kUser, kPassword, {.log = log, .port = port});
    EXPECT_EQ(Run({}), kCannotConnect);
    EXPECT_EQ(err_.str(),
              "pagewright publish: Unable to connect to the specified host: 127.0.0.1 offered encryption before and "
              "does not now; the connection was stopped so the password is not sent readable\n");
    const std::string commands = ReadFile(log);
    EXPECT_EQ(commands.find("USER"), std::string::npos) << commands;
    EXPECT_EQ(commands.find("PASS"), std::string::npos) << commands;

    // A host that never offered TLS goes on working without it.
    test::PyFtpServer other(root_, kUser, kPassword, {});
    WriteFile(site_ / "ftp.txt", FtpText("127.0.0.1:" + std::to_string(other.port())));
    EXPECT_EQ(Run({}), kPublishedAll) << err_.str();
}

// ---- A changed host key is not an unknown one ----

// A second ed25519 key and its fingerprint, as ssh-keygen shows them.
struct OtherKey {
    std::string publicKey;  // "ssh-ed25519 AAAA..."
    std::string fingerprint;

    static OtherKey Make(const fs::path& folder) {
        fs::create_directories(folder);
        const fs::path key = folder / "other";
        test::RunCommand({"/usr/bin/ssh-keygen", "-q", "-t", "ed25519", "-N", "", "-f", key.string()});
        std::string text = ReadFile(key.string() + ".pub");
        text = text.substr(0, text.find(' ', text.find(' ') + 1));
        std::string out;
        test::RunCommand({"/usr/bin/ssh-keygen", "-l", "-f", key.string() + ".pub"}, &out);
        const std::size_t start = out.find(' ') + 1;
        return {text, out.substr(start, out.find(' ', start) - start)};
    }
};

TEST_F(PublishSecurity, AChangedHostKeyIsRefusedWithBothFingerprintsUntilTheOldEntryIsRemoved) {
    test::SshServer server(inst_.path() / "ssh");
    identities_ = {server.userKey()};
    const OtherKey other = OtherKey::Make(inst_.path() / "keys");
    const std::string hostName = "[127.0.0.1]:" + std::to_string(server.port());
    const std::string endpoint = "sftp://127.0.0.1:" + std::to_string(server.port());
    // Another host holding the same key comes first: the line named is this host's.
    const std::string unrelated = "[example.org]:2222 " + other.publicKey + "\n";
    WriteFile(site_ / "ftp.txt", SftpText(endpoint + www_.string()));
    WriteFile(knownHosts_, unrelated + server.KnownHostsLine());
    ASSERT_EQ(Run({}), kPublishedAll) << err_.str();

    // Line 2 now holds another key for this host: the host's key changed.
    WriteFile(knownHosts_, unrelated + hostName + " " + other.publicKey + "\n");
    for (const std::vector<std::string>& args :
         {std::vector<std::string>{}, std::vector<std::string>{"--trust", server.HostKeyFingerprint()}}) {
        SCOPED_TRACE(args.size());
        EXPECT_EQ(Run(args), kCannotConnect);
        const std::string err = err_.str();
        EXPECT_NE(err.find("CHANGED"), std::string::npos) << err;
        EXPECT_NE(err.find("It was " + other.fingerprint + " (line 2 of " + knownHosts_.string() + ")"),
                  std::string::npos)
            << err;
        EXPECT_NE(err.find("is now " + server.HostKeyFingerprint()), std::string::npos) << err;
        EXPECT_EQ(err.find("--trust " + server.HostKeyFingerprint() + "\n"), std::string::npos) << "no trust offered";
        EXPECT_EQ(args.empty(), err.find("--trust is refused") == std::string::npos) << err;
        EXPECT_FALSE(fs::exists(site_ / kTrustFileName));
    }

    // Once the old entry is gone the host is new: trusted by its fingerprint as any new host.
    WriteFile(knownHosts_, unrelated);
    EXPECT_EQ(Run({}), kCannotConnect);
    EXPECT_NE(err_.str().find("--trust " + server.HostKeyFingerprint() + "\n"), std::string::npos) << err_.str();
    EXPECT_EQ(Run({"--trust", server.HostKeyFingerprint()}), kPublishedAll) << err_.str();

    // A key the site trusted that is replaced by another is a change too.
    WriteFile(site_ / kTrustFileName, "\"" + other.fingerprint + "\",\"" + endpoint + "\"\r\n");
    EXPECT_EQ(Run({"--trust", server.HostKeyFingerprint()}), kCannotConnect);
    EXPECT_NE(err_.str().find("It was " + other.fingerprint + " (line 1 of " + (site_ / kTrustFileName).string()),
              std::string::npos)
        << err_.str();
    fs::remove(site_ / kTrustFileName);
    EXPECT_EQ(Run({"--trust", server.HostKeyFingerprint()}), kPublishedAll) << err_.str();
}

// ---- What the host sends, kept in bounds ----

TEST_F(PublishSecurity, RepliesLoseTheirControlCharactersAndAnEchoedPassword) {
    test::FaultFtpServer server(root_, kUser, kPassword, {"--control-reply"});
    WriteFile(site_ / "ftp.txt", FtpText("127.0.0.1:" + std::to_string(server.port())));
    EXPECT_EQ(Run({}), kCannotConnect);
    EXPECT_EQ(err_.str(),
              "pagewright publish: Unable to connect to the specified host: 530 ?[2J?]0;owned?Login?? "
              "?31mrefused.\n");
}

TEST(ListingBounds, AListingOfMoreThanAHundredThousandEntriesStops) {
    test::TempFolder temp;
    fs::create_directories(temp.path() / "www");
    for (const int entries : {100'000 - 10, 100'001}) {
        SCOPED_TRACE(entries);
        test::FaultFtpServer server(temp.path(), kUser, kPassword, {"--entries", std::to_string(entries)});
        auto ftp = MakeCurlFtp({});
        ftp->SetRemoteHost("127.0.0.1:" + std::to_string(server.port()));
        ftp->SetUserName(kUser);
        ftp->SetPassword(kPassword);
        ASSERT_TRUE(ftp->Connect());
        const auto listed = ftp->ReadDirectory();
        if (entries <= 100'000) {
            ASSERT_TRUE(listed) << listed.error().message();
            EXPECT_GE(listed->size(), static_cast<std::size_t>(entries));
        } else {
            ASSERT_FALSE(listed);
            EXPECT_EQ(listed.error().message(), "the folder listing is too large");
        }
    }
}

}  // namespace
}  // namespace pw::publisher
