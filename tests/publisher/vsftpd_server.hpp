#pragma once
// vsftpd on 127.0.0.1 for the publisher's tests: TLS required on the control and every data
// connection, each data connection required to resume the control connection's session
// (require_ssl_reuse, vsftpd's default), as many Linux hosts run it. It serves a root of
// the test's to anonymous logins (user "anonymous", any password), chrooted into that root
// as the unprivileged user "daemon", with its own configuration and empty secure_chroot_dir.
// vsftpd must start as root; Available() says whether it can run here.
#include <pwd.h>
#include <unistd.h>

#include <filesystem>
#include <string>

#include "tests/publisher/test_servers.hpp"

namespace pw::test {

class VsftpdServer {
public:
    static constexpr const char* kBinary = "/usr/sbin/vsftpd";
    static constexpr const char* kUser = "anonymous";
    static constexpr const char* kServingUser = "daemon";  // in every Debian system, with a home that exists

    static bool Available() { return ::geteuid() == 0 && ::access(kBinary, X_OK) == 0 && ::getpwnam(kServingUser); }

    // Serves `root` (made here, owned by root as vsftpd wants a chroot to be), keeping its
    // configuration in `folder`. Upload folders must be made with MakeUploadFolder.
    VsftpdServer(const fs::path& folder, const fs::path& root, const TestCertificate& certificate) : root_(root) {
        fs::create_directories(folder / "empty");
        fs::create_directories(root_);
        // The serving user enters every folder from / down to the root.
        for (fs::path up = root_; up != up.root_path(); up = up.parent_path()) {
            fs::permissions(up, fs::perms::others_exec | fs::perms::others_read, fs::perm_options::add);
        }
        port_ = FreePort();
        const fs::path config = folder / "vsftpd.conf";
        WriteFile(config,
                  "listen=YES\n"
                  "listen_ipv6=NO\n"
                  "listen_address=127.0.0.1\n"
                  "listen_port=" +
                      std::to_string(port_) +
                      "\n"
                      "background=NO\n"
                      "seccomp_sandbox=NO\n"
                      "anonymous_enable=YES\n"
                      "local_enable=NO\n"
                      "no_anon_password=YES\n"
                      "ftp_username=" +
                      kServingUser +
                      "\n"
                      "anon_root=" +
                      root_.string() +
                      "\n"
                      "write_enable=YES\n"
                      "anon_upload_enable=YES\n"
                      "anon_mkdir_write_enable=YES\n"
                      "anon_other_write_enable=YES\n"
                      "anon_umask=022\n"
                      "secure_chroot_dir=" +
                      (folder / "empty").string() +
                      "\n"
                      "pasv_address=127.0.0.1\n"
                      "ssl_enable=YES\n"
                      "allow_anon_ssl=YES\n"
                      "force_anon_logins_ssl=YES\n"
                      "force_anon_data_ssl=YES\n"
                      "require_ssl_reuse=YES\n"
                      "rsa_cert_file=" +
                      certificate.pem.string() +
                      "\n"
                      "rsa_private_key_file=" +
                      certificate.pem.string() + "\n");
        process_.Start({kBinary, config.string()});
        process_.WaitUntil([this] { return Accepts(port_); });
    }

    std::uint16_t port() const { return port_; }
    std::string Host() const { return "ftps://127.0.0.1:" + std::to_string(port_); }

    // A folder of the root that anonymous uploads may write into.
    void MakeUploadFolder(const fs::path& relative) const {
        const fs::path folder = root_ / relative;
        fs::create_directories(folder);
        const passwd* user = ::getpwnam(kServingUser);
        if (::chown(folder.c_str(), user->pw_uid, user->pw_gid) != 0)
            throw std::runtime_error("chown " + folder.string());
    }

private:
    fs::path root_;
    std::uint16_t port_ = 0;
    ServerProcess process_;
};

}  // namespace pw::test
