#pragma once
// Why an FTP, FTPS or SFTP call failed. Each failure is an std::error_code whose message()
// is the whole reason, the server's own reply included ("550 /www: No such file or
// directory"), so a window can show it under "Show Details..." and a command can print it.
// The code compares equal to one FtpErrc kind, which is what callers branch on:
//     if (result.error() == FtpErrc::UnverifiedPeer) ...
#include <string>
#include <system_error>

namespace pw::publisher {

enum class FtpErrc {
    BadAddress = 1,  // the host text is no address we can use
    NotConnected,    // Connect has not succeeded (or Disconnect was called)
    CannotConnect,   // no connection: name lookup, refused, TLS required but not offered...
    LoginRefused,    // the server refused the user name, password or key
    UnverifiedPeer,  // the certificate or host key did not verify and is not trusted for this site
    PeerChanged,     // the certificate or host key differs from the one known for this host
    TlsWithdrawn,    // a host reached with TLS before offers none now; nothing was sent
    Refused,         // the server refused the command; its reply says why
    ConnectionLost,  // the connection broke during the call
    TimedOut,        // the server stopped answering for longer than the set limit
    LocalFile,       // a local file could not be read or written
    BadName,         // a name holding a line break or NUL, which would end the command early
    Failed,          // anything else; the message says what
};

// True for the refusals that protect the password from someone posing as the host
// (PeerChanged, TlsWithdrawn): windows show their reason at once, not only on request.
bool IsSecurityRefusal(const std::error_code& error);

// The category of the kinds themselves, as error conditions.
const std::error_category& FtpCategory();
std::error_condition make_error_condition(FtpErrc kind);

// A code of kind `kind` whose message() is `reason`. The texts live for the whole process;
// equal (kind, reason) pairs share one code, so repeated failures do not add up.
std::error_code MakeFtpError(FtpErrc kind, std::string reason);

}  // namespace pw::publisher

template <>
struct std::is_error_condition_enum<pw::publisher::FtpErrc> : std::true_type {};
