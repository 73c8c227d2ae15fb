#pragma once
// Pure-FTPd on 127.0.0.1 for the publisher's tests: one virtual user whose files live in
// `root`, TLS off, offered or required, on a free port or a given one. Pure-FTPd must run as
// root (it changes to the virtual user's account); tests skip when it cannot.
#include <unistd.h>

#include <cstdint>
#include <filesystem>
#include <string>

#include "tests/publisher/test_servers.hpp"

namespace pw::test {

class PureFtpdServer {
public:
    enum class Tls { Off, Offered, Required };
    struct Options {
        Tls tls = Tls::Off;
        fs::path certificate = {};  // PEM with key; needed unless Tls::Off
        std::uint16_t port = 0;     // 0: a free one
        int perAddress = 0;         // connections from one address (-C); 0: Pure-FTPd's own limit
    };

    static bool Available() { return ::geteuid() == 0 && fs::exists(kProgram); }

    // `folder` holds the user database; `root` is the user's home (created, and with every
    // folder above it made enterable, as Pure-FTPd drops to the user before entering it).
    PureFtpdServer(const fs::path& folder, const fs::path& root, const std::string& user, const std::string& password,
                   Options options)
        : port_(options.port ? options.port : FreePort()) {
        fs::create_directories(folder);
        fs::create_directories(root);
        // Only adds permissions, so /tmp keeps its own.
        for (fs::path up = root; up != up.root_path(); up = up.parent_path()) {
            fs::permissions(
                up, fs::perms::group_read | fs::perms::group_exec | fs::perms::others_read | fs::perms::others_exec,
                fs::perm_options::add);
        }
        RunCommand({"/bin/chown", "-R", kUid + ":" + kUid, root.string()});
        const fs::path passwd = folder / "pureftpd.passwd", database = folder / "pureftpd.pdb";
        // The user's line as pure-pw writes it, but with a SHA-512 crypt hash: pure-pw's own
        // argon2id costs seconds a login, which under load outlasts the tests' time limits.
        std::string hash;
        RunCommand({"/usr/bin/openssl", "passwd", "-6", "-salt", "pwtests", password}, &hash);
        while (!hash.empty() && (hash.back() == '\n' || hash.back() == '\r')) hash.pop_back();
        WriteFile(passwd, user + ":" + hash + ":" + kUid + ":" + kUid + "::" + root.string() + "/./::::::::::::\n");
        RunCommand({"/usr/bin/pure-pw", "mkdb", database.string(), "-f", passwd.string()});
        std::vector<std::string> argv = {kProgram,
                                         "-S",
                                         "127.0.0.1," + std::to_string(port_),
                                         "-l",
                                         "puredb:" + database.string(),
                                         "-E",  // no anonymous logins
                                         "-H",  // no name look-ups
                                         "-A",  // every user kept in their home
                                         "-Y",
                                         options.tls == Tls::Off       ? "0"
                                         : options.tls == Tls::Offered ? "1"
                                                                       : "2"};
        if (options.tls != Tls::Off) argv.insert(argv.end(), {"-2", options.certificate.string()});
        if (options.perAddress) argv.insert(argv.end(), {"-C", std::to_string(options.perAddress)});
        process_.Start(argv);
        process_.WaitUntil([this] { return Accepts(port_); });
    }

    std::uint16_t port() const { return port_; }
    void Stop() { process_.Stop(); }

private:
    static constexpr const char* kProgram = "/usr/sbin/pure-ftpd";
    inline static const std::string kUid = "65534";  // nobody

    std::uint16_t port_;
    ServerProcess process_;
};

}  // namespace pw::test
