#pragma once
// The Host text of the login dialog and of ftp.txt, as the user types it:
//   name, name:port                   FTP, encrypted with TLS when the server offers it
//   ftp://name[:port][/folder]        plain FTP, never encrypted
//   ftps://name[:port][/folder]       FTP that must be encrypted (explicit TLS, AUTH TLS)
//   sftp://name[:port][/folder]       SFTP over SSH
// IPv6 addresses go in brackets: [::1]:2121. A folder ("name/folder" is taken too), when
// given, is the folder the site is published into (web_folder.hpp); a "/" alone names none.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace pw::publisher {

enum class Protocol {
    Ftp,            // TLS when offered
    PlainFtp,       // no TLS
    FtpRequireTls,  // TLS or nothing
    Sftp,
};

struct HostAddress {
    Protocol protocol = Protocol::Ftp;
    std::string host;  // name or address; IPv6 without brackets
    std::uint16_t port = 21;
    std::optional<std::string> folder;  // as typed, starting with '/'

    // "ftp://name:21", "sftp://[::1]:22": which server, as trust and publish state key it.
    std::string Endpoint() const;
};

// The parsed address, or nothing when `text` names no usable host (empty, unknown
// scheme, bad port, blanks or control characters in the name, user@ given).
std::optional<HostAddress> ParseHostAddress(std::string_view text);

// The folder the address names for the site: nothing when it names none, or only "/" (a
// trailing slash typed or pasted after the host).
std::optional<std::string> NamedFolder(const HostAddress& address);

}  // namespace pw::publisher
