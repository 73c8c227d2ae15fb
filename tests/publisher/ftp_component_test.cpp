// The FTP component against real servers on 127.0.0.1: pyftpdlib for FTP (MLSD and LIST)
// and FTPS, OpenSSH's sshd for SFTP, and a scripted server for the faults. Every member,
// and after every fault the local files as they were.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <random>
#include <ranges>

#include "publisher/peer_trust.hpp"

#include "publisher/curl_ftp.hpp"
#include "tests/publisher/test_servers.hpp"
#include "tests/temp_folder.hpp"

namespace pw::publisher {
namespace {

namespace fs = std::filesystem;
using test::ReadFile;
using test::WriteFile;
using Clock = std::chrono::steady_clock;

constexpr const char* kUser = "publisher";
constexpr const char* kPassword = "s3cret-Pass";

std::string RandomBytes(std::size_t size) {
    std::mt19937 random(42);
    std::string bytes(size, '\0');
    for (char& c : bytes) c = static_cast<char>(random());
    return bytes;
}

// Everything left in `folder` (to find stray temporary files).
std::vector<std::string> Names(const fs::path& folder) {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(folder)) names.push_back(entry.path().filename().string());
    std::ranges::sort(names);
    return names;
}

// Success, or the failure with its reason.
template <typename T>
testing::AssertionResult Ok(const Result<T>& result) {
    if (result) return testing::AssertionSuccess();
    return testing::AssertionFailure() << result.error().message();
}

// What the component raised.
struct Recorder {
    std::vector<std::pair<std::string, std::uint32_t>> entries;
    std::vector<std::pair<std::uint64_t, std::uint64_t>> progress;
    int waits = 0;

    FtpEvents Events() {
        return {
            .directoryEntry = [this](const std::string& name,
                                     std::uint32_t attributes) { entries.emplace_back(name, attributes); },
            .transferProgress = [this](std::uint64_t done, std::uint64_t total) { progress.emplace_back(done, total); },
            .waiting = [this] { ++waits; }};
    }
};

// ---- Every member on each kind of server ----

enum class ServerKind { Ftp, FtpWithoutMlsd, Ftps, Sftp };

std::string KindName(const testing::TestParamInfo<ServerKind>& info) {
    switch (info.param) {
        case ServerKind::Ftp: return "Ftp";
        case ServerKind::FtpWithoutMlsd: return "FtpWithoutMlsd";
        case ServerKind::Ftps: return "Ftps";
        case ServerKind::Sftp: return "Sftp";
    }
    return "";
}

class Component : public testing::TestWithParam<ServerKind> {
protected:
    void SetUp() override {
        fs::create_directories(www_);
        fs::create_directories(local_);
        switch (GetParam()) {
            case ServerKind::Ftp:
            case ServerKind::FtpWithoutMlsd:
                ftpServer_.emplace(root_, kUser, kPassword,
                                   test::PyFtpServer::Options{.noMlsd = GetParam() == ServerKind::FtpWithoutMlsd});
                host_ = "127.0.0.1:" + std::to_string(ftpServer_->port());
                remoteWww_ = "/www";
                break;
            case ServerKind::Ftps: {
                certificate_ = test::TestCertificate::Make(temp_.path());
                ftpServer_.emplace(
                    root_, kUser, kPassword,
                    test::PyFtpServer::Options{.certificate = certificate_.pem.string(), .requireTls = true});
                host_ = "127.0.0.1:" + std::to_string(ftpServer_->port());
                remoteWww_ = "/www";
                break;
            }
            case ServerKind::Sftp:
                sshServer_.emplace(temp_.path() / "ssh");
                WriteFile(temp_.path() / "known_hosts", sshServer_->KnownHostsLine());
                host_ = "sftp://127.0.0.1:" + std::to_string(sshServer_->port());
                remoteWww_ = www_.string();
                break;
        }
    }

    bool IsFtp() const { return GetParam() != ServerKind::Sftp; }

    FtpSettings Settings() const {
        FtpSettings settings;
        settings.connectTimeout = std::chrono::seconds(5);
        settings.stallTime = std::chrono::seconds(5);
        settings.trustFile = temp_.path() / "ftptrust.txt";
        settings.knownHostsFile = temp_.path() / "known_hosts";
        if (sshServer_) settings.identityFiles = {sshServer_->userKey()};
        return settings;
    }

    // A connected component; the test certificate is trusted for FTPS as a user would.
    std::unique_ptr<FtpComponent> Connected() {
        auto ftp = MakeCurlFtp(Settings());
        ftp->SetRemoteHost(host_);
        ftp->SetUserName(IsFtp() ? kUser : test::CurrentUser());
        ftp->SetPassword(IsFtp() ? kPassword : "");
        auto connected = ftp->Connect();
        if (!connected && connected.error() == FtpErrc::UnverifiedPeer && GetParam() == ServerKind::Ftps) {
            EXPECT_TRUE(Ok(ftp->TrustUnverifiedPeer()));
            connected = ftp->Connect();
        }
        EXPECT_TRUE(connected) << connected.error().message();
        return ftp;
    }

    test::TempFolder temp_;
    fs::path root_ = temp_.path() / "root";
    fs::path www_ = root_ / "www";
    fs::path local_ = temp_.path() / "local";
    std::optional<test::PyFtpServer> ftpServer_;
    std::optional<test::SshServer> sshServer_;
    test::TestCertificate certificate_;
    std::string host_;
    std::string remoteWww_;
};

TEST_P(Component, ConnectsAndMovesBetweenFolders) {
    const auto ftp = Connected();
    EXPECT_TRUE(ftp->ReportsProgress());
    EXPECT_FALSE(ftp->Directory().empty());
    ASSERT_TRUE(Ok(ftp->SetDirectory(remoteWww_ + "/")));
    EXPECT_EQ(ftp->Directory(), remoteWww_);

    ASSERT_TRUE(Ok(ftp->MakeDirectory("new folder")));
    EXPECT_TRUE(fs::is_directory(www_ / "new folder"));
    ASSERT_TRUE(Ok(ftp->SetDirectory("new folder")));
    EXPECT_EQ(ftp->Directory(), remoteWww_ + "/new folder");
    ASSERT_TRUE(Ok(ftp->SetDirectory("..")));
    EXPECT_EQ(ftp->Directory(), remoteWww_);

    const auto missing = ftp->SetDirectory("missing");
    ASSERT_FALSE(missing);
    EXPECT_EQ(missing.error(), FtpErrc::Refused) << missing.error().message();
    EXPECT_EQ(ftp->Directory(), remoteWww_);

    ASSERT_TRUE(Ok(ftp->RemoveDirectory("new folder")));
    EXPECT_FALSE(fs::exists(www_ / "new folder"));
    const auto again = ftp->RemoveDirectory("new folder");
    ASSERT_FALSE(again);
    EXPECT_EQ(again.error(), FtpErrc::Refused);
    if (IsFtp()) {
        EXPECT_TRUE(again.error().message().starts_with("550")) << again.error().message();
    }
}

TEST_P(Component, ListsFoldersAndFilesWithTheirAttributes) {
    WriteFile(www_ / "index.html", "<html></html>");
    WriteFile(www_ / "Ünïcode café.gif", "GIF89a");
    WriteFile(www_ / " leading blank.jpg", "jpg");
    fs::create_directories(www_ / "my pictures");
    const auto ftp = Connected();
    Recorder recorder;
    ftp->SetEvents(recorder.Events());
    ASSERT_TRUE(Ok(ftp->SetDirectory(remoteWww_)));
    ASSERT_TRUE(Ok(ftp->ListDirectory("*.*")));

    // pyftpdlib lists no "..", so it comes first; sshd lists it where it finds it.
    ASSERT_FALSE(recorder.entries.empty());
    if (IsFtp()) {
        EXPECT_EQ(recorder.entries.front(), (std::pair<std::string, std::uint32_t>{"..", kFolderAttribute}));
    }
    auto sorted = recorder.entries;
    std::ranges::sort(sorted);
    const std::vector<std::pair<std::string, std::uint32_t>> expected = {{" leading blank.jpg", kFileAttribute},
                                                                         {"..", kFolderAttribute},
                                                                         {"index.html", kFileAttribute},
                                                                         {"my pictures", kFolderAttribute},
                                                                         {"Ünïcode café.gif", kFileAttribute}};
    EXPECT_EQ(sorted, expected);

    const auto entries = ftp->ReadDirectory();
    ASSERT_TRUE(entries);
    const auto index = std::ranges::find(*entries, std::string("index.html"), &RemoteEntry::name);
    ASSERT_NE(index, entries->end());
    EXPECT_EQ(index->size, std::optional<std::uint64_t>(13));

    recorder.entries.clear();
    ASSERT_TRUE(Ok(ftp->ListDirectory("*.HTML")));
    EXPECT_EQ(recorder.entries, (std::vector<std::pair<std::string, std::uint32_t>>{{"index.html", kFileAttribute}}));
}

TEST_P(Component, UploadsAndDownloadsEveryByteWithProgress) {
    const std::string big = RandomBytes(700'000);
    const std::string odd = std::string("line\r\nbreaks\n\0and nul", 21);
    WriteFile(local_ / "big photo.jpg", big);
    WriteFile(local_ / "Ünïcode.gif", odd);
    const auto ftp = Connected();
    Recorder recorder;
    ftp->SetEvents(recorder.Events());
    ASSERT_TRUE(Ok(ftp->SetDirectory(remoteWww_)));

    for (const auto& [name, bytes] :
         {std::pair<std::string, std::string>{"big photo.jpg", big}, {"Ünïcode.gif", odd}}) {
        recorder.progress.clear();
        ftp->SetLocalFile(local_ / name);
        ftp->SetRemoteFile(name);
        ASSERT_TRUE(Ok(ftp->PutFile())) << name;
        EXPECT_EQ(ReadFile(www_ / name), bytes);
        // The bar's rule: the first report fixes the scale, later ones move it up to the end.
        ASSERT_FALSE(recorder.progress.empty());
        EXPECT_TRUE(std::ranges::is_sorted(recorder.progress));
        EXPECT_EQ(recorder.progress.back(), (std::pair<std::uint64_t, std::uint64_t>{bytes.size(), bytes.size()}));
    }
    EXPECT_GT(recorder.waits, 0);

    // Download over an existing local file, which is replaced only once complete.
    WriteFile(local_ / "copy.jpg", "old");
    recorder.progress.clear();
    ftp->SetRemoteFile("big photo.jpg");
    ftp->SetLocalFile(local_ / "copy.jpg");
    ASSERT_TRUE(Ok(ftp->GetFile()));
    EXPECT_EQ(ReadFile(local_ / "copy.jpg"), big);
    ASSERT_FALSE(recorder.progress.empty());
    EXPECT_EQ(recorder.progress.back().first, big.size());
    EXPECT_EQ(Names(local_), (std::vector<std::string>{"big photo.jpg", "copy.jpg", "Ünïcode.gif"}));

    // A download that fails leaves the local file alone and no temporary file behind.
    ftp->SetRemoteFile("missing.jpg");
    const auto missing = ftp->GetFile();
    ASSERT_FALSE(missing);
    EXPECT_EQ(missing.error(), FtpErrc::Refused) << missing.error().message();
    EXPECT_EQ(ReadFile(local_ / "copy.jpg"), big);
    EXPECT_EQ(Names(local_), (std::vector<std::string>{"big photo.jpg", "copy.jpg", "Ünïcode.gif"}));

    // An upload from a file that is not there fails before anything is sent.
    ftp->SetLocalFile(local_ / "absent.html");
    ftp->SetRemoteFile("absent.html");
    const auto absent = ftp->PutFile();
    ASSERT_FALSE(absent);
    EXPECT_EQ(absent.error(), FtpErrc::LocalFile);
    EXPECT_NE(absent.error().message().find("absent.html"), std::string::npos);
}

TEST_P(Component, DeletesFilesAndReportsTheServersReason) {
    WriteFile(www_ / "old page.html", "x");
    const auto ftp = Connected();
    ASSERT_TRUE(Ok(ftp->SetDirectory(remoteWww_)));
    ASSERT_TRUE(Ok(ftp->DeleteFile("old page.html")));
    EXPECT_FALSE(fs::exists(www_ / "old page.html"));
    const auto again = ftp->DeleteFile("old page.html");
    ASSERT_FALSE(again);
    EXPECT_EQ(again.error(), FtpErrc::Refused);
    EXPECT_FALSE(again.error().message().empty());
    if (IsFtp()) {
        EXPECT_TRUE(again.error().message().starts_with("550")) << again.error().message();
    }

    const auto injected = ftp->DeleteFile("x\r\nRMD /www");
    ASSERT_FALSE(injected);
    EXPECT_EQ(injected.error(), FtpErrc::BadName);
    EXPECT_TRUE(fs::exists(www_));
}

TEST_P(Component, DisconnectEndsTheSessionAndConnectStartsAnother) {
    const auto ftp = Connected();
    ftp->Disconnect();
    const auto after = ftp->SetDirectory(remoteWww_);
    ASSERT_FALSE(after);
    EXPECT_EQ(after.error(), FtpErrc::NotConnected);
    ftp->Disconnect();  // harmless twice
    ASSERT_TRUE(Ok(ftp->Connect()));
    EXPECT_TRUE(Ok(ftp->SetDirectory(remoteWww_)));
}

TEST_P(Component, AWrongPasswordFailsAtConnect) {
    if (GetParam() == ServerKind::Ftps) {
        ASSERT_TRUE(PeerTrust(Settings().trustFile)
                        .Add("ftp://127.0.0.1:" + std::to_string(ftpServer_->port()), certificate_.fingerprint));
    }
    auto ftp = MakeCurlFtp(Settings());
    ftp->SetRemoteHost(host_);
    ftp->SetUserName(IsFtp() ? kUser : test::CurrentUser());
    ftp->SetPassword("wrong password");
    const auto connected = ftp->Connect();
    ASSERT_FALSE(connected);
    EXPECT_EQ(connected.error(), FtpErrc::LoginRefused) << connected.error().message();
    if (IsFtp()) {
        EXPECT_TRUE(connected.error().message().starts_with("530")) << connected.error().message();
    }
    EXPECT_EQ(connected.error().message().find("wrong password"), std::string::npos);
}

INSTANTIATE_TEST_SUITE_P(Servers, Component,
                         testing::Values(ServerKind::Ftp, ServerKind::FtpWithoutMlsd, ServerKind::Ftps,
                                         ServerKind::Sftp),
                         KindName);

// ---- Addresses ----

TEST(ComponentAddress, BadHostTextAndClosedPortFailAtConnect) {
    auto ftp = MakeCurlFtp({.connectTimeout = std::chrono::seconds(2), .stallTime = std::chrono::seconds(2)});
    ftp->SetRemoteHost("not a host");
    EXPECT_EQ(ftp->Connect().error(), FtpErrc::BadAddress);
    ftp->SetRemoteHost("127.0.0.1:" + std::to_string(test::FreePort()));
    const auto refused = ftp->Connect();
    ASSERT_FALSE(refused);
    EXPECT_EQ(refused.error(), FtpErrc::CannotConnect);
    EXPECT_FALSE(refused.error().message().empty());
}

TEST(ComponentAddress, FtpsDemandsTlsAndFtpNeverUsesIt) {
    test::TempFolder temp;
    fs::create_directories(temp.path() / "root/www");
    const test::TestCertificate certificate = test::TestCertificate::Make(temp.path());
    test::PyFtpServer plain(temp.path() / "root", kUser, kPassword, {});
    test::PyFtpServer tls(temp.path() / "root", kUser, kPassword, {.certificate = certificate.pem.string()});
    auto ftp = MakeCurlFtp({.trustFile = temp.path() / "trust.txt"});
    ftp->SetUserName(kUser);
    ftp->SetPassword(kPassword);

    ftp->SetRemoteHost("ftps://127.0.0.1:" + std::to_string(plain.port()));
    const auto noTls = ftp->Connect();
    ASSERT_FALSE(noTls);
    EXPECT_EQ(noTls.error(), FtpErrc::CannotConnect) << noTls.error().message();

    // ftp:// is plain FTP even where TLS is offered: no certificate to ask about.
    ftp->SetRemoteHost("ftp://127.0.0.1:" + std::to_string(tls.port()) + "/www");
    EXPECT_TRUE(Ok(ftp->Connect()));
    // A plain name takes the TLS the server offers, so its certificate is checked.
    ftp->SetRemoteHost("127.0.0.1:" + std::to_string(tls.port()));
    EXPECT_EQ(ftp->Connect().error(), FtpErrc::UnverifiedPeer);
}

// ---- Certificates and host keys ----

TEST(ComponentTrust, AnUnverifiedCertificateIsRecognisedTrustedAndRemembered) {
    test::TempFolder temp;
    fs::create_directories(temp.path() / "root/www");
    const test::TestCertificate certificate = test::TestCertificate::Make(temp.path());
    test::PyFtpServer server(temp.path() / "root", kUser, kPassword,
                             {.certificate = certificate.pem.string(), .requireTls = true});
    const FtpSettings settings{.trustFile = temp.path() / "site" / "ftptrust.txt"};
    fs::create_directories(temp.path() / "site");
    const auto connect = [&] {
        auto ftp = MakeCurlFtp(settings);
        ftp->SetRemoteHost("127.0.0.1:" + std::to_string(server.port()));
        ftp->SetUserName(kUser);
        ftp->SetPassword(kPassword);
        return ftp;
    };

    auto first = connect();
    const auto refused = first->Connect();
    ASSERT_FALSE(refused);
    EXPECT_EQ(refused.error(), FtpErrc::UnverifiedPeer);
    const auto peer = first->LastUnverifiedPeer();
    ASSERT_TRUE(peer);
    EXPECT_EQ(peer->endpoint, "ftp://127.0.0.1:" + std::to_string(server.port()));
    EXPECT_EQ(peer->fingerprint, certificate.fingerprint);
    EXPECT_FALSE(peer->reason.empty());
    EXPECT_NE(refused.error().message().find(certificate.fingerprint), std::string::npos);
    EXPECT_FALSE(fs::exists(settings.trustFile));

    ASSERT_TRUE(Ok(first->TrustUnverifiedPeer()));
    EXPECT_EQ(fs::status(settings.trustFile).permissions() & fs::perms::all,
              fs::perms::owner_read | fs::perms::owner_write);
    ASSERT_TRUE(Ok(first->Connect()));
    EXPECT_FALSE(first->LastUnverifiedPeer());
    ASSERT_TRUE(Ok(first->SetDirectory("/www")));
    WriteFile(temp.path() / "page.html", "over TLS");
    first->SetLocalFile(temp.path() / "page.html");
    first->SetRemoteFile("page.html");
    ASSERT_TRUE(Ok(first->PutFile()));
    EXPECT_EQ(ReadFile(temp.path() / "root/www/page.html"), "over TLS");

    // A later session of the same site takes the stored trust.
    EXPECT_TRUE(Ok(connect()->Connect()));
}

TEST(ComponentTrust, ATrustThatCannotBeSavedStillHoldsForTheSession) {
    test::TempFolder temp;
    fs::create_directories(temp.path() / "root/www");
    const test::TestCertificate certificate = test::TestCertificate::Make(temp.path());
    test::PyFtpServer server(temp.path() / "root", kUser, kPassword, {.certificate = certificate.pem.string()});
    auto ftp = MakeCurlFtp({.trustFile = temp.path() / "no such folder" / "ftptrust.txt"});
    ftp->SetRemoteHost("127.0.0.1:" + std::to_string(server.port()));
    ftp->SetUserName(kUser);
    ftp->SetPassword(kPassword);
    ASSERT_FALSE(ftp->Connect());
    EXPECT_FALSE(ftp->TrustUnverifiedPeer());
    EXPECT_TRUE(Ok(ftp->Connect()));
}

TEST(ComponentTrust, AnUnknownHostKeyIsTrustedAndRememberedAndAChangedOneRefused) {
    test::TempFolder temp;
    test::SshServer server(temp.path() / "ssh");
    FtpSettings settings{.trustFile = temp.path() / "ftptrust.txt",
                         .knownHostsFile = temp.path() / "known_hosts",
                         .identityFiles = {server.userKey()}};
    const auto connect = [&] {
        auto ftp = MakeCurlFtp(settings);
        ftp->SetRemoteHost("sftp://127.0.0.1:" + std::to_string(server.port()));
        ftp->SetUserName(test::CurrentUser());
        return ftp;
    };

    // No known_hosts file at all, then one that holds another key for this host: a changed
    // key, which is never trusted in passing.
    for (const std::string& knownHosts : {std::string(), "[127.0.0.1]:" + std::to_string(server.port()) +
                                                             " ssh-ed25519 AAAAC3NzaC1lZDI1NTE5AAAAIPLBB8Oi0VZl8Nqf"
                                                             "vWoxQ0JgCDVOQ8BvLj8CxJLnyXvS\n"}) {
        if (!knownHosts.empty()) WriteFile(settings.knownHostsFile, knownHosts);
        auto ftp = connect();
        const auto refused = ftp->Connect();
        ASSERT_FALSE(refused);
        EXPECT_EQ(refused.error(), knownHosts.empty() ? FtpErrc::UnverifiedPeer : FtpErrc::PeerChanged)
            << refused.error().message();
        ASSERT_TRUE(ftp->LastUnverifiedPeer());
        EXPECT_EQ(ftp->LastUnverifiedPeer()->fingerprint, server.HostKeyFingerprint());
        EXPECT_NE(ftp->LastUnverifiedPeer()->reason.find(knownHosts.empty() ? "not in" : "differs"), std::string::npos);
        EXPECT_EQ(ftp->LastUnverifiedPeer()->replaces.has_value(), !knownHosts.empty());
        if (!knownHosts.empty()) {
            EXPECT_EQ(ftp->TrustUnverifiedPeer().error(), FtpErrc::PeerChanged);
        }
    }

    fs::remove(settings.knownHostsFile);  // the old key's entry removed: the host is new again
    auto ftp = connect();
    ASSERT_FALSE(ftp->Connect());
    ASSERT_TRUE(Ok(ftp->TrustUnverifiedPeer()));
    ASSERT_TRUE(Ok(ftp->Connect()));
    EXPECT_TRUE(Ok(connect()->Connect()));  // remembered

    // The host key as known_hosts holds it needs no trust of ours.
    fs::remove(settings.trustFile);
    WriteFile(settings.knownHostsFile, server.KnownHostsLine());
    EXPECT_TRUE(Ok(connect()->Connect()));
}

TEST(ComponentSsh, LogsInWithTheAgentsKeyWhenThePasswordIsEmpty) {
    test::TempFolder temp;
    test::SshServer server(temp.path() / "ssh");
    WriteFile(temp.path() / "known_hosts", server.KnownHostsLine());
    const fs::path socket = temp.path() / "agent.sock";
    test::ServerProcess agent;
    agent.Start({"/usr/bin/ssh-agent", "-D", "-a", socket.string()});
    agent.WaitUntil([&] { return fs::exists(socket); });
    ::setenv("SSH_AUTH_SOCK", socket.c_str(), 1);
    ASSERT_EQ(test::RunCommand({"/usr/bin/ssh-add", "-q", server.userKey().string()}), 0);

    auto ftp = MakeCurlFtp({.knownHostsFile = temp.path() / "known_hosts"});  // no key files: the agent only
    ftp->SetRemoteHost("sftp://127.0.0.1:" + std::to_string(server.port()));
    ftp->SetUserName(test::CurrentUser());
    const auto connected = ftp->Connect();
    ::unsetenv("SSH_AUTH_SOCK");
    EXPECT_TRUE(connected) << connected.error().message();
}

// ---- Text mode and faults, with the scripted server ----

class Scripted : public testing::Test {
protected:
    void SetUp() override {
        fs::create_directories(root_ / "www");
        fs::create_directories(local_);
    }

    std::unique_ptr<FtpComponent> Start(const std::vector<std::string>& faults) {
        server_.emplace(root_, kUser, kPassword, faults);
        auto ftp = MakeCurlFtp({.connectTimeout = kLimit, .stallTime = kLimit});
        ftp->SetRemoteHost("127.0.0.1:" + std::to_string(server_->port()));
        ftp->SetUserName(kUser);
        ftp->SetPassword(kPassword);
        return ftp;
    }

    // Runs `call` and checks it ended within the set limit (with room for a busy machine).
    template <typename Call>
    auto WithinLimit(Call call) {
        const auto start = Clock::now();
        auto result = call();
        EXPECT_LT(Clock::now() - start, 2 * kLimit + std::chrono::seconds(2));
        return result;
    }

    static constexpr std::chrono::seconds kLimit{1};
    test::TempFolder temp_;
    fs::path root_ = temp_.path() / "root";
    fs::path local_ = temp_.path() / "local";
    std::optional<test::FaultFtpServer> server_;
};

// Text mode is FTP's own: lines travel with CR LF and are stored with this system's LF.
TEST_F(Scripted, TextModeConvertsLineEndsBinaryModeKeepsEveryByte) {
    WriteFile(root_ / "www/dos.html", "a\r\nb\r\n");
    WriteFile(local_ / "unix.html", "c\nd\n");
    const auto ftp = Start({});
    ASSERT_TRUE(Ok(ftp->Connect()));
    ASSERT_TRUE(Ok(ftp->SetDirectory("/www")));
    ftp->SetBinary(false);
    ftp->SetRemoteFile("dos.html");
    ftp->SetLocalFile(local_ / "dos.html");
    ASSERT_TRUE(Ok(ftp->GetFile()));
    EXPECT_EQ(ReadFile(local_ / "dos.html"), "a\nb\n");
    ftp->SetRemoteFile("unix.html");
    ftp->SetLocalFile(local_ / "unix.html");
    ASSERT_TRUE(Ok(ftp->PutFile()));
    EXPECT_EQ(ReadFile(root_ / "www/unix.html"), "c\r\nd\r\n");  // as it went over the wire

    ftp->SetBinary(true);
    ftp->SetRemoteFile("dos.html");
    ftp->SetLocalFile(local_ / "dos.html");
    ASSERT_TRUE(Ok(ftp->GetFile()));
    EXPECT_EQ(ReadFile(local_ / "dos.html"), "a\r\nb\r\n");
    ftp->SetRemoteFile("unix.html");
    ftp->SetLocalFile(local_ / "unix.html");
    ASSERT_TRUE(Ok(ftp->PutFile()));
    EXPECT_EQ(ReadFile(root_ / "www/unix.html"), "c\nd\n");
}

TEST_F(Scripted, ARefusedLoginFailsConnectWithTheServersReason) {
    const auto ftp = Start({"--refuse-login"});
    const auto connected = ftp->Connect();
    ASSERT_FALSE(connected);
    EXPECT_EQ(connected.error(), FtpErrc::LoginRefused);
    EXPECT_EQ(connected.error().message(), "530 Login incorrect.");
}

TEST_F(Scripted, A550OnWwwLeavesTheLoginFolderAndSaysWhy) {
    const auto ftp = Start({"--deny-cwd", "/www"});
    ASSERT_TRUE(Ok(ftp->Connect()));
    const auto entered = ftp->SetDirectory("/www/");
    ASSERT_FALSE(entered);
    EXPECT_EQ(entered.error(), FtpErrc::Refused);
    EXPECT_EQ(entered.error().message(), "550 /www: No such file or directory.");
    EXPECT_EQ(ftp->Directory(), "/");
    // The connection goes on working, with the DOS listing this server sends.
    Recorder recorder;
    ftp->SetEvents(recorder.Events());
    ASSERT_TRUE(Ok(ftp->ListDirectory()));
    EXPECT_EQ(recorder.entries, (std::vector<std::pair<std::string, std::uint32_t>>{{"www", kFolderAttribute}}));
}

TEST_F(Scripted, A553OnOneFileOfSeveralFailsThatFileOnly) {
    for (const char* name : {"a.html", "b.html", "c.html"}) WriteFile(local_ / name, name);
    const auto ftp = Start({"--deny-stor", "b.html"});
    ASSERT_TRUE(Ok(ftp->Connect()));
    ASSERT_TRUE(Ok(ftp->SetDirectory("/www")));
    std::vector<std::string> failures;
    for (const char* name : {"a.html", "b.html", "c.html"}) {
        ftp->SetLocalFile(local_ / name);
        ftp->SetRemoteFile(name);
        if (auto put = ftp->PutFile(); !put) {
            EXPECT_EQ(put.error(), FtpErrc::Refused);
            failures.push_back(name + (": " + put.error().message()));
        }
    }
    EXPECT_EQ(failures, std::vector<std::string>{"b.html: 553 b.html: Could not create file."});
    EXPECT_EQ(Names(root_ / "www"), (std::vector<std::string>{"a.html", "c.html"}));
    EXPECT_EQ(ReadFile(root_ / "www/c.html"), "c.html");
}

TEST_F(Scripted, AConnectionDroppedMidTransferLosesNoLocalFile) {
    const std::string big = RandomBytes(1'000'000);
    WriteFile(root_ / "www/page.html", big);
    WriteFile(local_ / "page.html", "the user's own copy");
    WriteFile(local_ / "upload.jpg", big);
    const auto ftp = Start({"--drop", "page.html"});
    ASSERT_TRUE(Ok(ftp->Connect()));
    ASSERT_TRUE(Ok(ftp->SetDirectory("/www")));

    ftp->SetRemoteFile("page.html");
    ftp->SetLocalFile(local_ / "page.html");
    const auto got = ftp->GetFile();
    ASSERT_FALSE(got);
    EXPECT_EQ(got.error(), FtpErrc::ConnectionLost) << got.error().message();
    EXPECT_EQ(ReadFile(local_ / "page.html"), "the user's own copy");
    EXPECT_EQ(Names(local_), (std::vector<std::string>{"page.html", "upload.jpg"}));

    // The component logs in again by itself for the next call.
    ftp->SetRemoteFile("page.html");
    ftp->SetLocalFile(local_ / "upload.jpg");
    const auto put = ftp->PutFile();
    ASSERT_FALSE(put);
    EXPECT_EQ(ReadFile(local_ / "upload.jpg"), big);
    ftp->SetRemoteFile("other.jpg");
    EXPECT_TRUE(Ok(ftp->PutFile()));
    EXPECT_EQ(ReadFile(root_ / "www/other.jpg"), big);
}

TEST_F(Scripted, AServerThatStopsAnsweringEndsEachCallWithinTheLimit) {
    WriteFile(root_ / "www/slow.html", RandomBytes(200'000));
    WriteFile(local_ / "slow.html", "kept");
    {
        const auto ftp = Start({"--stall", "PASS"});
        const auto connected = WithinLimit([&] { return ftp->Connect(); });
        ASSERT_FALSE(connected);
        EXPECT_EQ(connected.error(), FtpErrc::TimedOut) << connected.error().message();
    }
    for (const std::vector<std::string>& fault :
         {std::vector<std::string>{"--stall", "LIST"}, {"--stall", "RETR"}, {"--stall-data", "slow.html"}}) {
        const auto ftp = Start(fault);
        ASSERT_TRUE(Ok(ftp->Connect()));
        ASSERT_TRUE(Ok(ftp->SetDirectory("/www")));
        const auto listed = WithinLimit([&] { return ftp->ReadDirectory(); });
        if (fault[1] == "LIST") {
            ASSERT_FALSE(listed);
            EXPECT_EQ(listed.error(), FtpErrc::TimedOut) << listed.error().message();
            continue;
        }
        ftp->SetRemoteFile("slow.html");
        ftp->SetLocalFile(local_ / "slow.html");
        const auto got = WithinLimit([&] { return ftp->GetFile(); });
        ASSERT_FALSE(got);
        EXPECT_EQ(got.error(), FtpErrc::TimedOut) << fault[1] << ": " << got.error().message();
        EXPECT_EQ(ReadFile(local_ / "slow.html"), "kept");
        EXPECT_EQ(Names(local_), std::vector<std::string>{"slow.html"});
    }
}

// SFTP faults, through a relay that freezes or cuts the connection to sshd.
class SftpFaults : public testing::Test {
protected:
    SftpFaults() {
        WriteFile(temp_.path() / "known_hosts", server_.KnownHostsLine());
        WriteFile(www_ / "big.jpg", RandomBytes(2'000'000));
        WriteFile(local_ / "big.jpg", "kept");
    }

    std::unique_ptr<FtpComponent> Connected() {
        auto ftp = MakeCurlFtp({.connectTimeout = std::chrono::seconds(1),
                                .stallTime = std::chrono::seconds(1),
                                .knownHostsFile = temp_.path() / "known_hosts",
                                .identityFiles = {server_.userKey()}});
        // The relay's port is another port of 127.0.0.1: the same host to known_hosts.
        WriteFile(temp_.path() / "known_hosts",
                  server_.KnownHostsLine() + "[127.0.0.1]:" + std::to_string(relay_.port()) +
                      server_.KnownHostsLine().substr(server_.KnownHostsLine().find(' ')));
        ftp->SetRemoteHost("sftp://127.0.0.1:" + std::to_string(relay_.port()));
        ftp->SetUserName(test::CurrentUser());
        EXPECT_TRUE(Ok(ftp->Connect()));
        EXPECT_TRUE(Ok(ftp->SetDirectory(www_.string())));
        ftp->SetRemoteFile("big.jpg");
        ftp->SetLocalFile(local_ / "big.jpg");
        return ftp;
    }

    test::TempFolder temp_;
    fs::path www_ = temp_.path() / "www";
    fs::path local_ = temp_.path() / "local";
    test::SshServer server_{temp_.path() / "ssh"};
    test::Relay relay_{server_.port()};
};

// The limit is 1 s; closing an SSH session whose peer stopped answering takes libcurl up
// to a second per step on top, so the bound allows for that.
TEST_F(SftpFaults, AFrozenConnectionEndsTheCallWithinTheLimit) {
    const auto ftp = Connected();
    relay_.FreezeAfter(100'000);
    const auto start = Clock::now();
    const auto got = ftp->GetFile();
    EXPECT_LT(Clock::now() - start, std::chrono::seconds(6));
    ASSERT_FALSE(got);
    EXPECT_EQ(got.error(), FtpErrc::TimedOut) << got.error().message();
    EXPECT_EQ(ReadFile(local_ / "big.jpg"), "kept");
    EXPECT_EQ(Names(local_), std::vector<std::string>{"big.jpg"});

    relay_.Freeze();
    const auto start2 = Clock::now();
    const auto made = ftp->MakeDirectory("never");
    ASSERT_FALSE(made);
    EXPECT_EQ(made.error(), FtpErrc::TimedOut) << made.error().message();
    EXPECT_LT(Clock::now() - start2, std::chrono::seconds(6));
}

TEST_F(SftpFaults, ACutConnectionLosesNoLocalFile) {
    const auto ftp = Connected();
    relay_.CutAfter(100'000);
    const auto got = ftp->GetFile();
    ASSERT_FALSE(got);
    EXPECT_TRUE(got.error() == FtpErrc::ConnectionLost || got.error() == FtpErrc::Failed) << got.error().message();
    EXPECT_EQ(ReadFile(local_ / "big.jpg"), "kept");
    EXPECT_EQ(Names(local_), std::vector<std::string>{"big.jpg"});
    // A new connection through the relay serves the next call.
    EXPECT_TRUE(Ok(ftp->GetFile()));
    EXPECT_EQ(ReadFile(local_ / "big.jpg"), ReadFile(www_ / "big.jpg"));
}

}  // namespace
}  // namespace pw::publisher
