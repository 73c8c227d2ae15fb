#pragma once
// Real servers on 127.0.0.1 for the publisher's tests, each started by the test on a free
// port and stopped when destroyed: pyftpdlib (FTP, FTPS), a scripted FTP server that
// misbehaves on request, and OpenSSH's sshd (SFTP). Also a relay that can freeze or cut a
// connection, for faults sshd will not show by itself.
#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <pwd.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <mutex>
#include <sstream>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "tests/loopback.hpp"

namespace pw::test {

namespace fs = std::filesystem;

inline const char* kSystemPython = "/usr/bin/python3";  // the one that has pyftpdlib

// The account the publish tests log in to their servers with.
inline constexpr const char* kSiteUser = "webmaster";
inline constexpr const char* kSitePassword = "Very-Secret-7";

inline std::string ReadFile(const fs::path& file) {
    std::ifstream in(file, std::ios::binary);
    std::ostringstream bytes;
    bytes << in.rdbuf();
    return bytes.str();
}

inline void WriteFile(const fs::path& file, const std::string& bytes) {
    fs::create_directories(file.parent_path());
    std::ofstream(file, std::ios::binary) << bytes;
}

// In a forked child: becomes the program argv[0] with `argv`, or ends with 127.
[[noreturn]] inline void ExecOrExit(const std::vector<std::string>& argv) {
    std::vector<char*> args;
    for (const auto& arg : argv) args.push_back(const_cast<char*>(arg.c_str()));
    args.push_back(nullptr);
    ::execv(args[0], args.data());
    ::_exit(127);
}

// Runs a command to its end; its exit status, its standard output in `out`.
inline int RunCommand(const std::vector<std::string>& argv, std::string* out = nullptr) {
    int pipeFds[2];
    if (::pipe(pipeFds) != 0) return -1;
    const pid_t pid = ::fork();
    if (pid == 0) {
        ::dup2(pipeFds[1], STDOUT_FILENO);
        if (const int null = ::open("/dev/null", O_WRONLY); null >= 0) ::dup2(null, STDERR_FILENO);
        ::close(pipeFds[0]);
        ::close(pipeFds[1]);
        ExecOrExit(argv);
    }
    ::close(pipeFds[1]);
    std::string text;
    char buffer[4096];
    for (ssize_t n; (n = ::read(pipeFds[0], buffer, sizeof buffer)) > 0;)
        text.append(buffer, static_cast<std::size_t>(n));
    ::close(pipeFds[0]);
    int status = 0;
    ::waitpid(pid, &status, 0);
    if (out) *out = text;
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

// A free TCP port on 127.0.0.1 (for servers that cannot report the one they took).
inline std::uint16_t FreePort() {
    const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    ::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address);
    socklen_t length = sizeof address;
    ::getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length);
    ::close(fd);
    return ntohs(address.sin_port);
}

inline bool Accepts(std::uint16_t port) {
    const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(port);
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    const bool ok = ::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0;
    ::close(fd);
    return ok;
}

// A server process, stopped with everything it started when destroyed.
class ServerProcess {
public:
    ServerProcess() = default;
    ServerProcess(const ServerProcess&) = delete;
    ServerProcess& operator=(const ServerProcess&) = delete;
    ~ServerProcess() { Stop(); }

    // Starts `argv`, with its standard output readable through ReadPort.
    void Start(const std::vector<std::string>& argv) {
        int pipeFds[2];
        if (::pipe(pipeFds) != 0) throw std::runtime_error("pipe");
        pid_ = ::fork();
        if (pid_ == 0) {
            ::setpgid(0, 0);  // its own group, so Stop ends it and its children together
            // A test that crashes never runs Stop; the server must not outlive it holding
            // the test's output open, or the test runner waits for it until its time-out.
            ::prctl(PR_SET_PDEATHSIG, SIGTERM);
            ::dup2(pipeFds[1], STDOUT_FILENO);
            ::close(pipeFds[0]);
            ::close(pipeFds[1]);
            ExecOrExit(argv);
        }
        ::setpgid(pid_, pid_);
        ::close(pipeFds[1]);
        output_ = pipeFds[0];
    }

    // The port of the server's first output line, "PORT <n>".
    std::uint16_t ReadPort() {
        std::string line;
        char c;
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
        while (std::chrono::steady_clock::now() < deadline) {
            pollfd entry{output_, POLLIN, 0};
            if (::poll(&entry, 1, 100) <= 0) continue;
            if (::read(output_, &c, 1) != 1) break;
            if (c == '\n') break;
            line.push_back(c);
        }
        if (!line.starts_with("PORT ")) throw std::runtime_error("server did not start: " + line);
        return static_cast<std::uint16_t>(std::stoi(line.substr(5)));
    }

    // Waits (up to 10 s) until `ready` holds.
    template <typename Ready>
    void WaitUntil(Ready ready) {
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
        while (!ready()) {
            if (std::chrono::steady_clock::now() > deadline) throw std::runtime_error("server did not get ready");
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
    }

    void Stop() {
        if (pid_ <= 0) return;
        ::kill(-pid_, SIGKILL);
        ::waitpid(pid_, nullptr, 0);
        pid_ = -1;
        if (output_ >= 0) ::close(output_);
        output_ = -1;
    }

    pid_t pid() const { return pid_; }

private:
    pid_t pid_ = -1;
    int output_ = -1;
};

inline std::string SourceFile(const char* name) { return std::string(PW_SOURCE_DIR) + "/tests/publisher/" + name; }

// A Python server of the tests that says its port on its first line, with its arguments.
class PythonServer {
public:
    PythonServer(const char* script, std::vector<std::string> arguments) {
        arguments.insert(arguments.begin(), {kSystemPython, SourceFile(script)});
        process_.Start(arguments);
        port_ = process_.ReadPort();
    }
    std::uint16_t port() const { return port_; }

private:
    ServerProcess process_;
    std::uint16_t port_;
};

// pyftpdlib serving `root` (which the test fills) to one user.
class PyFtpServer : public PythonServer {
public:
    struct Options {
        std::string certificate = {};  // PEM with key: offer TLS
        bool requireTls = false;
        bool noMlsd = false;
        fs::path log = {};       // where each command received is appended, one a line
        std::uint16_t port = 0;  // 0: a free one
        int maxPerAddress = 0;   // connections from one address; 0: no limit
        int dropAfter = 0;       // close the first connection to receive this many files, once
    };
    PyFtpServer(const fs::path& root, const std::string& user, const std::string& password, Options options)
        : PythonServer("ftp_server.py", Arguments(root, user, password, options)) {}

private:
    static std::vector<std::string> Arguments(const fs::path& root, const std::string& user,
                                              const std::string& password, const Options& options) {
        std::vector<std::string> arguments = {root.string(), user, password};
        if (!options.certificate.empty()) arguments.insert(arguments.end(), {"--cert", options.certificate});
        if (options.requireTls) arguments.push_back("--require-tls");
        if (options.noMlsd) arguments.push_back("--no-mlsd");
        if (!options.log.empty()) arguments.insert(arguments.end(), {"--log", options.log.string()});
        if (options.port) arguments.insert(arguments.end(), {"--port", std::to_string(options.port)});
        if (options.maxPerAddress) {
            arguments.insert(arguments.end(), {"--max-per-ip", std::to_string(options.maxPerAddress)});
        }
        if (options.dropAfter) arguments.insert(arguments.end(), {"--drop-after", std::to_string(options.dropAfter)});
        return arguments;
    }
};

// The scripted server (fault_ftp_server.py) with the given fault options.
class FaultFtpServer : public PythonServer {
public:
    FaultFtpServer(const fs::path& root, const std::string& user, const std::string& password,
                   const std::vector<std::string>& faults)
        : PythonServer("fault_ftp_server.py", WithFaults({root.string(), user, password}, faults)) {}

private:
    static std::vector<std::string> WithFaults(std::vector<std::string> arguments,
                                               const std::vector<std::string>& faults) {
        arguments.insert(arguments.end(), faults.begin(), faults.end());
        return arguments;
    }
};

// A self-signed certificate for "localhost", made with the openssl tool: key and
// certificate in one PEM, and the certificate's SHA-256 fingerprint as openssl shows it.
struct TestCertificate {
    fs::path pem;
    std::string fingerprint;  // "AB:CD:..."

    static TestCertificate Make(const fs::path& folder) {
        TestCertificate made{folder / "server.pem", {}};
        const std::string key = (folder / "key.pem").string(), cert = (folder / "cert.pem").string();
        RunCommand({"/usr/bin/openssl", "req", "-x509", "-newkey", "rsa:2048", "-nodes", "-keyout", key, "-out", cert,
                    "-days", "2", "-subj", "/CN=localhost"});
        WriteFile(made.pem, ReadFile(key) + ReadFile(cert));
        std::string out;
        RunCommand({"/usr/bin/openssl", "x509", "-noout", "-fingerprint", "-sha256", "-in", cert}, &out);
        made.fingerprint = out.substr(out.find('=') + 1);
        while (!made.fingerprint.empty() && std::isspace(static_cast<unsigned char>(made.fingerprint.back()))) {
            made.fingerprint.pop_back();
        }
        return made;
    }
};

inline std::string CurrentUser() {
    const passwd* user = ::getpwuid(::getuid());
    return user ? user->pw_name : "root";
}

// OpenSSH's sshd with its own host key, configuration and the test's user key, serving
// SFTP to the current user on a free port.
class SshServer {
public:
    explicit SshServer(const fs::path& folder) : folder_(folder) {
        fs::create_directories(folder_);
        Keygen(folder_ / "host_ed25519");
        Keygen(userKey());
        WriteFile(folder_ / "authorized_keys", ReadFile(folder_ / "id_ed25519.pub"));
        port_ = FreePort();
        WriteFile(folder_ / "sshd_config", "Port " + std::to_string(port_) +
                                               "\n"
                                               "ListenAddress 127.0.0.1\n"
                                               "HostKey " +
                                               (folder_ / "host_ed25519").string() +
                                               "\n"
                                               "AuthorizedKeysFile " +
                                               (folder_ / "authorized_keys").string() +
                                               "\n"
                                               "PidFile none\n"
                                               "UsePAM no\n"
                                               "StrictModes no\n"
                                               "PermitRootLogin prohibit-password\n"
                                               "PasswordAuthentication yes\n"
                                               "KbdInteractiveAuthentication no\n"
                                               "Subsystem sftp internal-sftp\n");
        std::error_code ignored;
        fs::create_directories("/run/sshd", ignored);  // privilege separation wants it when run as root
        process_.Start({"/usr/sbin/sshd", "-D", "-e", "-f", (folder_ / "sshd_config").string()});
        process_.WaitUntil([this] { return Accepts(port_); });
    }

    std::uint16_t port() const { return port_; }
    fs::path userKey() const { return folder_ / "id_ed25519"; }
    // "[127.0.0.1]:port ssh-ed25519 AAAA..." for a known_hosts file.
    std::string KnownHostsLine() const {
        std::string key = ReadFile(folder_ / "host_ed25519.pub");
        key = key.substr(0, key.find(' ', key.find(' ') + 1));
        return "[127.0.0.1]:" + std::to_string(port_) + " " + key + "\n";
    }
    // The host key's fingerprint as ssh-keygen -l shows it ("SHA256:...").
    std::string HostKeyFingerprint() const {
        std::string out;
        RunCommand({"/usr/bin/ssh-keygen", "-l", "-f", (folder_ / "host_ed25519.pub").string()}, &out);
        const std::size_t start = out.find(' ') + 1;
        return out.substr(start, out.find(' ', start) - start);
    }

private:
    static void Keygen(const fs::path& key) {
        RunCommand({"/usr/bin/ssh-keygen", "-q", "-t", "ed25519", "-N", "", "-f", key.string()});
    }

    fs::path folder_;
    std::uint16_t port_ = 0;
    ServerProcess process_;
};

// Relays connections from its own port to `target` until told to freeze (hold every
// connection open and pass nothing on) or to cut (close them all).
class Relay {
public:
    explicit Relay(std::uint16_t target) : target_(target) {
        listener_ = ListenOnLoopback(port_);
        thread_ = std::thread([this] { Run(); });
    }
    ~Relay() {
        running_ = false;
        thread_.join();
        for (const int fd : sockets_) ::close(fd);
        ::close(listener_);
    }

    std::uint16_t port() const { return port_; }
    void Freeze() { frozen_ = true; }
    // Freeze once `bytes` more have gone from the server to the client.
    void FreezeAfter(std::size_t bytes) { freezeAfter_ = static_cast<long long>(bytes); }
    void CutAfter(std::size_t bytes) { cutAfter_ = static_cast<long long>(bytes); }

private:
    void Run() {
        std::vector<std::pair<int, int>> pairs;  // client, server
        while (running_) {
            std::vector<pollfd> entries{{listener_, POLLIN, 0}};
            if (!frozen_) {
                for (const auto& [client, server] : pairs) {
                    entries.push_back({client, POLLIN, 0});
                    entries.push_back({server, POLLIN, 0});
                }
            }
            if (::poll(entries.data(), entries.size(), 20) <= 0) continue;
            if (entries[0].revents & POLLIN) {
                const int client = ::accept(listener_, nullptr, nullptr);
                const int server = ::socket(AF_INET, SOCK_STREAM, 0);
                sockaddr_in address{};
                address.sin_family = AF_INET;
                address.sin_port = htons(target_);
                address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
                ::connect(server, reinterpret_cast<sockaddr*>(&address), sizeof address);
                pairs.emplace_back(client, server);
                sockets_.push_back(client);
                sockets_.push_back(server);
                continue;
            }
            for (std::size_t i = 1; i < entries.size(); ++i) {
                if (!(entries[i].revents & (POLLIN | POLLHUP))) continue;
                const auto& [client, server] = pairs[(i - 1) / 2];
                const bool fromServer = (i - 1) % 2 == 1;
                char buffer[16384];
                ssize_t n = ::read(entries[i].fd, buffer, sizeof buffer);
                if (n <= 0) {
                    ::shutdown(fromServer ? client : server, SHUT_WR);
                    continue;
                }
                if (fromServer) n = Limit(n);
                if (n > 0) ::send(fromServer ? client : server, buffer, static_cast<std::size_t>(n), MSG_NOSIGNAL);
                if (cut_) {
                    for (const auto& [c, s] : pairs) {
                        ::shutdown(c, SHUT_RDWR);
                        ::shutdown(s, SHUT_RDWR);
                    }
                    pairs.clear();
                    cut_ = false;
                    break;
                }
            }
        }
    }

    // How much of `n` bytes from the server may pass, applying a pending freeze or cut.
    ssize_t Limit(ssize_t n) {
        for (std::atomic<long long>* limit : {&freezeAfter_, &cutAfter_}) {
            const long long left = *limit;
            if (left < 0) continue;
            if (n >= left) {
                n = static_cast<ssize_t>(left);
                *limit = -1;
                if (limit == &freezeAfter_)
                    frozen_ = true;
                else
                    cut_ = true;
            } else {
                *limit = left - n;
            }
        }
        return n;
    }

    std::uint16_t target_;
    int listener_;
    std::uint16_t port_;
    std::atomic<bool> running_{true};
    std::atomic<bool> frozen_{false};
    std::atomic<long long> freezeAfter_{-1};
    std::atomic<long long> cutAfter_{-1};
    bool cut_ = false;
    std::vector<int> sockets_;
    std::thread thread_;
};

}  // namespace pw::test
