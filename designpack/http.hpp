#pragma once
// The installer's plain HTTP fetch: one bare "GET path" line, no headers, and the
// whole answer (whatever the server sends until it closes) written to a file.
#include <netdb.h>

#include <atomic>
#include <chrono>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <string_view>
#include <system_error>

#include "shell/general/result.hpp"

namespace pw::designpack {

// Why a fetch failed, besides the errno of a file that could not be written. The values
// are the installer's failure codes; its messages are keyed on them (HttpFailureMessage).
enum class HttpErrc {
    noSocketLibrary = 1,     // kept for the message table; POSIX sockets are always there
    wrongSocketLibrary = 2,  // likewise
    cannotResolve = 3,
    noConnection = 4,  // connect failed, nothing received, receive error or stall
    resolveTimedOut = 6,
    badRequest = 7,  // host or path too long, or holding CR/LF
    webPage = 100,   // not one of the codes: a web page came where WebPages::refuse wanted a file
};
const std::error_category& http_category();
std::error_code make_error_code(HttpErrc e);

inline constexpr std::size_t kMaxHostLength = 100;
inline constexpr std::size_t kMaxPathLength = 250;
inline constexpr std::size_t kReceiveChunk = 4096;

// Looks a host up as getaddrinfo does.
using NameLookup = int (*)(const char* host, const char* service, const addrinfo* hints, addrinfo** found);

struct HttpOptions {
    std::uint16_t port = 80;
    // A blocking step is given up when this long passes without data; the clock
    // starts with the first wait and restarts only after each received chunk.
    std::chrono::milliseconds stallLimit = std::chrono::seconds(45);
    // The system's name service; tests put a slow one in its place.
    NameLookup lookup = ::getaddrinfo;
    // When given, the fetch ends soon after it becomes true (std::errc::operation_canceled).
    const std::atomic<bool>* stop = nullptr;
};

// Whether an answer that looks like a web page (LooksLikeWebPage) is kept.
enum class WebPages { keep, refuse };

// Progress display: called with 0 first, then with the running byte total after each
// chunk; `expected` is passed through unchanged (0 when unknown).
using FetchProgress = std::function<void(std::uint64_t received, std::uint64_t expected)>;

// Sends "GET " + ("/" unless path starts with it) + path + CR LF to host:port and
// writes every byte received until the server closes into a temporary file beside
// `file` (created before connecting), which replaces `file` only when the fetch
// succeeds: at least one byte arrived, the server then closed, and with
// WebPages::refuse the answer does not look like a web page. On failure `file` is as it
// was and no temporary file stays. Fails with an HttpErrc, with the errno of a file that
// could not be written, or with operation_canceled once options.stop is set. `progress`
// may be empty.
pw::Result<void> HttpFetch(std::string_view host, std::string_view path, const std::filesystem::path& file,
                           const FetchProgress& progress = {}, std::uint64_t expectedSize = 0,
                           const HttpOptions& options = {}, WebPages pages = WebPages::keep);

// True when an answer starting with `start` is a web page rather than a file: its
// first four bytes, upper-cased, are "<!DO", "<TIT", "<HTM" or "HTTP" (a status line).
bool LooksLikeWebPage(std::string_view start);

// The message shown for a failed script fetch: by HttpErrc, and "Could not write to
// hard disk." for any other reason (a file that could not be written).
std::string_view HttpFailureMessage(std::error_code error);

}  // namespace pw::designpack

template <>
struct std::is_error_code_enum<pw::designpack::HttpErrc> : std::true_type {};
