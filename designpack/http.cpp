#include "designpack/http.hpp"

#include "shell/general/file_descriptor.hpp"

#include <netdb.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <fcntl.h>
#include <algorithm>
#include <cerrno>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <span>
#include <string>
#include <thread>

#include "designpack/extract.hpp"
#include "designpack/text.hpp"

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
            case HttpErrc::webPage: return "the server answered with a web page";
        }
        return "unknown fetch error";
    }
};

using Clock = std::chrono::steady_clock;

// How often a blocking wait looks at the stop flag.
constexpr std::chrono::milliseconds kStopCheck{50};

// Bounds every blocking wait of one fetch: the stall limit, counted from the last sign
// of life, and the caller's stop flag, looked at between slices of waiting.
class StallClock {
public:
    StallClock(std::chrono::milliseconds limit, const std::atomic<bool>* stop)
        : limit_(limit), stop_(stop), since_(Clock::now()) {}
    void Restart() { since_ = Clock::now(); }
    bool Stopped() const { return stop_ && *stop_; }
    // How long the next slice of waiting may last: what is left of the limit, at most
    // kStopCheck; 0 when the limit has passed.
    std::chrono::milliseconds Slice() const {
        auto left = limit_ - std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - since_);
        return std::clamp(left, std::chrono::milliseconds(0), kStopCheck);
    }
    // Why waiting must end now (a stop, or `expired` once the limit has passed), or none.
    std::error_code Over(std::error_code expired) const {
        if (Stopped()) return std::make_error_code(std::errc::operation_canceled);
        if (Slice().count() == 0) return expired;
        return {};
    }

private:
    std::chrono::milliseconds limit_;
    const std::atomic<bool>* stop_;
    Clock::time_point since_;
};

bool HoldsLineBreak(std::string_view text) { return text.find_first_of("\r\n") != std::string_view::npos; }

using AddressList = std::unique_ptr<addrinfo, decltype(&freeaddrinfo)>;

struct Resolved {
    std::error_code error;
    AddressList list{nullptr, freeaddrinfo};
};

// Name lookup that can be given up: getaddrinfo runs on a thread of its own, which
// owns the shared state, so a lookup abandoned at the time-out cleans up after itself.
Resolved Resolve(const std::string& host, std::uint16_t port, NameLookup lookUp, const StallClock& clock) {
    struct Lookup {
        std::mutex mutex;
        std::condition_variable done;
        bool finished = false;
        int status = 0;
        AddressList list{nullptr, freeaddrinfo};
    };
    auto lookup = std::make_shared<Lookup>();
    std::thread([lookup, lookUp, host, service = std::to_string(port)] {
        addrinfo hints{};
        hints.ai_family = AF_INET;  // the request format predates IPv6; keep to IPv4
        hints.ai_socktype = SOCK_STREAM;
        addrinfo* found = nullptr;
        int status = lookUp(host.c_str(), service.c_str(), &hints, &found);
        std::lock_guard lock(lookup->mutex);
        lookup->status = status;
        lookup->list.reset(found);
        lookup->finished = true;
        lookup->done.notify_one();
    }).detach();

    Resolved result;
    std::unique_lock lock(lookup->mutex);
    while (!lookup->done.wait_for(lock, clock.Slice(), [&] { return lookup->finished; })) {
        if ((result.error = clock.Over(HttpErrc::resolveTimedOut))) return result;
    }
    if (lookup->status != 0 || !lookup->list) {
        result.error = HttpErrc::cannotResolve;
    } else {
        result.list = std::move(lookup->list);
    }
    return result;
}

// Waits for `events` on the socket: none once they come; noConnection when the stall
// limit passes or polling fails; operation_canceled on a stop.
std::error_code WaitFor(int fd, short events, const StallClock& clock) {
    pollfd entry{fd, events, 0};
    for (;;) {
        if (auto over = clock.Over(HttpErrc::noConnection)) return over;
        int rc = ::poll(&entry, 1, static_cast<int>(clock.Slice().count()));
        if (rc > 0) return {};
        if (rc < 0 && errno != EINTR) return HttpErrc::noConnection;
    }
}

std::error_code Connect(const addrinfo& address, const StallClock& clock, FileDescriptor& out) {
    out = FileDescriptor(::socket(address.ai_family, address.ai_socktype | SOCK_CLOEXEC, address.ai_protocol));
    if (!out.valid()) return HttpErrc::noConnection;
    const int fd = out.get();
    ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) | O_NONBLOCK);
    if (::connect(fd, address.ai_addr, address.ai_addrlen) == 0) return {};
    if (errno != EINPROGRESS) return HttpErrc::noConnection;
    if (auto waited = WaitFor(fd, POLLOUT, clock)) return waited;
    int error = 0;
    socklen_t length = sizeof error;
    if (::getsockopt(fd, SOL_SOCKET, SO_ERROR, &error, &length) != 0 || error != 0) return HttpErrc::noConnection;
    return {};
}

std::error_code SendAll(int fd, std::string_view bytes, const StallClock& clock) {
    while (!bytes.empty()) {
        ssize_t sent = ::send(fd, bytes.data(), bytes.size(), MSG_NOSIGNAL);
        if (sent > 0) {
            bytes.remove_prefix(static_cast<std::size_t>(sent));
        } else if (sent < 0 && errno == EINTR) {
            continue;
        } else if (sent < 0 && errno == EAGAIN) {
            if (auto waited = WaitFor(fd, POLLOUT, clock)) return waited;
        } else {
            return HttpErrc::noConnection;
        }
    }
    return {};
}

// Writes what arrives into `file` until the server closes; `start` keeps the first
// four bytes for the web-page test.
std::error_code ReceiveInto(int fd, OutputFile& file, StallClock& clock, const FetchProgress& progress,
                            std::uint64_t expectedSize, std::string& start) {
    std::uint8_t chunk[kReceiveChunk];
    std::uint64_t total = 0;
    for (;;) {
        if (auto waited = WaitFor(fd, POLLIN, clock)) return waited;
        ssize_t got = ::recv(fd, chunk, sizeof chunk, 0);
        if (got < 0 && (errno == EINTR || errno == EAGAIN)) continue;
        if (got < 0) return HttpErrc::noConnection;
        if (got == 0) return total > 0 ? std::error_code{} : HttpErrc::noConnection;
        std::span<const std::uint8_t> bytes(chunk, static_cast<std::size_t>(got));
        if (auto error = file.write(bytes)) return error;
        start.append(bytes.begin(), bytes.begin() + std::min(bytes.size(), 4 - start.size()));
        total += bytes.size();
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
                           const FetchProgress& progress, std::uint64_t expectedSize, const HttpOptions& options,
                           WebPages pages) {
    if (host.size() > kMaxHostLength || path.size() > kMaxPathLength) return pw::Fail(HttpErrc::badRequest);
    // A line break would let a value add its own lines to the request.
    if (HoldsLineBreak(host) || HoldsLineBreak(path)) return pw::Fail(HttpErrc::badRequest);

    // Dropped unkept on every failure below, which removes it and leaves `file` alone.
    CreatedFile out = CreateReplacingFile(file, kAttrArchive);
    if (!out.file) return pw::Fail(out.error);
    if (progress) progress(0, expectedSize);

    // One clock for every wait, from the first on: only data arriving restarts it.
    StallClock clock(options.stallLimit, options.stop);
    Resolved resolved = Resolve(std::string(host), options.port, options.lookup, clock);
    if (resolved.error) return pw::Fail(resolved.error);

    FileDescriptor socket;
    if (auto error = Connect(*resolved.list, clock, socket)) return pw::Fail(error);

    std::string request = "GET ";
    if (!path.starts_with('/')) request += '/';
    request.append(path);
    request += "\r\n";
    if (auto error = SendAll(socket.get(), request, clock)) return pw::Fail(error);

    std::string start;
    if (auto error = ReceiveInto(socket.get(), *out.file, clock, progress, expectedSize, start)) return pw::Fail(error);
    if (pages == WebPages::refuse && LooksLikeWebPage(start)) return pw::Fail(HttpErrc::webPage);
    if (auto error = out.file->close()) return pw::Fail(error);
    return {};
}

bool LooksLikeWebPage(std::string_view start) {
    std::string head = UpperCased(start.substr(0, 4));
    return head == "<!DO" || head == "<TIT" || head == "<HTM" || head == "HTTP";
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
