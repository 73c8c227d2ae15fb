#include "designpack/http.hpp"

#include <netdb.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <fstream>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <thread>
#include <string>

namespace pw::designpack {

namespace {

class HttpCategory final : public std::error_category {
public:
    const char* name() const noexcept override { return "http fetch"; }
    std::string message(int value) const override {
        switch (static_cast<HttpErrc>(value)) {
            case HttpErrc::noSocketLibrary: return "no socket library";
            case HttpErrc::wrongSocketLibrary: return "unusable socket library version";
            case HttpErrc::cannotResolve: return "the host name could not be resolved";
            case HttpErrc::noConnection: return "no connection, or no answer before the server closed or stalled";
            case HttpErrc::resolveTimedOut: return "the host name lookup timed out";
            case HttpErrc::badRequest: return "host or path too long, or holding a line break";
        }
        return "unknown fetch error";
    }
};

using Clock = std::chrono::steady_clock;

// Measures the time since the last sign of life; every blocking wait is bounded by
// what is left of the stall limit.
class StallClock {
public:
    explicit StallClock(std::chrono::milliseconds limit) : limit_(limit), since_(Clock::now()) {}
    void Restart() { since_ = Clock::now(); }
    // Milliseconds left before the limit, 0 when it has passed.
    int Remaining() const {
        auto left = limit_ - std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - since_);
        return left.count() > 0 ? static_cast<int>(left.count()) : 0;
    }

private:
    std::chrono::milliseconds limit_;
    Clock::time_point since_;
};

class Socket {
public:
    explicit Socket(int fd) : fd_(fd) {}
    Socket(const Socket&) = delete;
    Socket& operator=(const Socket&) = delete;
    ~Socket() {
        if (fd_ >= 0) ::close(fd_);
    }
    int fd() const { return fd_; }
    void Reset(int fd) {
        if (fd_ >= 0) ::close(fd_);
        fd_ = fd;
    }

private:
    int fd_;
};

bool HoldsLineBreak(std::string_view text) { return text.find_first_of("\r\n") != std::string_view::npos; }

using AddressList = std::unique_ptr<addrinfo, decltype(&freeaddrinfo)>;

struct Resolved {
    std::error_code error;
    AddressList list{nullptr, freeaddrinfo};
};

// Name lookup that can be given up: getaddrinfo runs on a thread of its own, which
// owns the shared state, so a lookup abandoned at the time-out cleans up after itself.
Resolved Resolve(const std::string& host, std::uint16_t port, const StallClock& clock) {
    struct Lookup {
        std::mutex mutex;
        std::condition_variable done;
        bool finished = false;
        int status = 0;
        AddressList list{nullptr, freeaddrinfo};
    };
    auto lookup = std::make_shared<Lookup>();
    std::thread([lookup, host, service = std::to_string(port)] {
        addrinfo hints{};
        hints.ai_family = AF_INET;  // the request format predates IPv6; keep to IPv4
        hints.ai_socktype = SOCK_STREAM;
        addrinfo* found = nullptr;
        int status = ::getaddrinfo(host.c_str(), service.c_str(), &hints, &found);
        std::lock_guard lock(lookup->mutex);
        lookup->status = status;
        lookup->list.reset(found);
        lookup->finished = true;
        lookup->done.notify_one();
    }).detach();

    Resolved result;
    std::unique_lock lock(lookup->mutex);
    if (!lookup->done.wait_for(lock, std::chrono::milliseconds(clock.Remaining()), [&] { return lookup->finished; })) {
        result.error = HttpErrc::resolveTimedOut;
    } else if (lookup->status != 0 || !lookup->list) {
        result.error = HttpErrc::cannotResolve;
    } else {
        result.list = std::move(lookup->list);
    }
    return result;
}

// Waits for `events` on the socket within the stall limit; false on time-out or error.
bool WaitFor(int fd, short events, const StallClock& clock) {
    pollfd entry{fd, events, 0};
    for (;;) {
        int rc = ::poll(&entry, 1, clock.Remaining());
        if (rc > 0) return true;
        if (rc == 0 || errno != EINTR) return false;
    }
}

std::error_code Connect(const addrinfo& address, const StallClock& clock, Socket& out) {
    int fd = ::socket(address.ai_family, address.ai_socktype | SOCK_CLOEXEC, address.ai_protocol);
    if (fd < 0) return HttpErrc::noConnection;
    out.Reset(fd);
    ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) | O_NONBLOCK);
    if (::connect(fd, address.ai_addr, address.ai_addrlen) == 0) return {};
    if (errno != EINPROGRESS || !WaitFor(fd, POLLOUT, clock)) return HttpErrc::noConnection;
    int error = 0;
    socklen_t length = sizeof error;
    if (::getsockopt(fd, SOL_SOCKET, SO_ERROR, &error, &length) != 0 || error != 0) return HttpErrc::noConnection;
    return {};
}

bool SendAll(int fd, std::string_view bytes, const StallClock& clock) {
    while (!bytes.empty()) {
        ssize_t sent = ::send(fd, bytes.data(), bytes.size(), MSG_NOSIGNAL);
        if (sent > 0) {
            bytes.remove_prefix(static_cast<std::size_t>(sent));
        } else if (sent < 0 && errno == EINTR) {
            continue;
        } else if (sent < 0 && errno == EAGAIN) {
            if (!WaitFor(fd, POLLOUT, clock)) return false;
        } else {
            return false;
        }
    }
    return true;
}

std::error_code ReceiveInto(int fd, std::ofstream& file, StallClock& clock, const FetchProgress& progress,
                            std::uint64_t expectedSize) {
    char chunk[kReceiveChunk];
    std::uint64_t total = 0;
    for (;;) {
        if (!WaitFor(fd, POLLIN, clock)) return HttpErrc::noConnection;
        ssize_t got = ::recv(fd, chunk, sizeof chunk, 0);
        if (got < 0 && (errno == EINTR || errno == EAGAIN)) continue;
        if (got < 0) return HttpErrc::noConnection;
        if (got == 0) return total > 0 ? std::error_code{} : HttpErrc::noConnection;
        if (!file.write(chunk, got)) return std::make_error_code(std::errc::io_error);
        total += static_cast<std::uint64_t>(got);
        clock.Restart();
        if (progress) progress(total, expectedSize);
    }
}

}  // namespace

const std::error_category& http_category() {
    static const HttpCategory category;
    return category;
}

std::error_code make_error_code(HttpErrc e) { return {static_cast<int>(e), http_category()}; }

pw::Result<void> HttpFetch(std::string_view host, std::string_view path, const std::filesystem::path& file,
                           const FetchProgress& progress, std::uint64_t expectedSize, const HttpOptions& options) {
    if (host.size() > kMaxHostLength || path.size() > kMaxPathLength) return pw::Fail(HttpErrc::badRequest);
    // A line break would let a value add its own lines to the request.
    if (HoldsLineBreak(host) || HoldsLineBreak(path)) return pw::Fail(HttpErrc::badRequest);

    std::ofstream out(file, std::ios::binary | std::ios::trunc);
    if (!out) return pw::Fail(std::error_code(errno, std::generic_category()));
    if (progress) progress(0, expectedSize);

    StallClock clock(options.stallLimit);
    Resolved resolved = Resolve(std::string(host), options.port, clock);
    if (resolved.error) return pw::Fail(resolved.error);

    Socket socket(-1);
    if (auto error = Connect(*resolved.list, clock, socket)) return pw::Fail(error);

    std::string request = "GET ";
    if (!path.starts_with('/')) request += '/';
    request.append(path);
    request += "\r\n";
    if (!SendAll(socket.fd(), request, clock)) return pw::Fail(HttpErrc::noConnection);

    clock.Restart();
    std::error_code error = ReceiveInto(socket.fd(), out, clock, progress, expectedSize);
    out.close();
    if (!error && !out) error = std::make_error_code(std::errc::io_error);
    if (error) return pw::Fail(error);
    return {};
}

std::string_view HttpFailureMessage(std::error_code error) {
    if (error.category() != http_category()) return "Could not write to hard disk.";
    switch (static_cast<HttpErrc>(error.value())) {
        case HttpErrc::noSocketLibrary: return "Could not find WinSock DLL.";
        case HttpErrc::wrongSocketLibrary: return "Can't use this version of WinSock DLL.";
        default: return "Could not establish Internet connection.";
    }
}

}  // namespace pw::designpack
