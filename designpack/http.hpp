#pragma once
// The installer's plain HTTP fetch: one bare "GET path" line, no headers, and the
// whole answer (whatever the server sends until it closes) written to a file.
#include <chrono>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <string_view>

namespace pw::designpack {

// Results of HttpFetch; the download messages are keyed on them.
enum HttpCode : int {
    kHttpOk = 0,
    kHttpCannotWriteFile = -1,
    kHttpNoSocketLibrary = 1,      // kept for the message table; POSIX sockets are always there
    kHttpWrongSocketLibrary = 2,   // likewise
    kHttpCannotResolve = 3,
    kHttpNoConnection = 4,         // connect failed, nothing received, receive error or stall
    kHttpResolveTimedOut = 6,
    kHttpBadRequest = 7,           // host or path too long, or holding CR/LF
};

inline constexpr std::size_t kMaxHostLength = 100;
inline constexpr std::size_t kMaxPathLength = 250;
inline constexpr std::size_t kReceiveChunk = 4096;

struct HttpOptions {
    std::uint16_t port = 80;
    // A blocking step is given up when this long passes without data; the clock
    // starts with the first wait and restarts after every received chunk.
    std::chrono::milliseconds stallLimit = std::chrono::seconds(45);
};

// Progress display: called with 0 first, then with the running byte total after each
// chunk; `expected` is passed through unchanged (0 when unknown).
using FetchProgress = std::function<void(std::uint64_t received, std::uint64_t expected)>;

// Sends "GET " + ("/" unless path starts with it) + path + CR LF to host:port and
// writes every byte received until the server closes into `file` (created or
// truncated first). Returns kHttpOk only when at least one byte arrived and the
// server then closed; otherwise one of the codes above. `progress` may be empty.
int HttpFetch(std::string_view host, std::string_view path, const std::filesystem::path& file,
              const FetchProgress& progress = {}, std::uint64_t expectedSize = 0, const HttpOptions& options = {});

// The message shown for a failed script fetch, by code ("" for kHttpOk).
std::string_view HttpFailureMessage(int code);

}  // namespace pw::designpack
