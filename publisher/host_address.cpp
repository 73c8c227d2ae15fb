#include "publisher/host_address.hpp"

#include <algorithm>
#include <charconv>

#include "shell/general/text.hpp"

namespace pw::publisher {
namespace {

struct Scheme {
    std::string_view prefix;
    Protocol protocol;
    std::uint16_t defaultPort;
};

constexpr Scheme kSchemes[] = {
    {"ftp://", Protocol::PlainFtp, 21},
    {"ftps://", Protocol::FtpRequireTls, 21},
    {"sftp://", Protocol::Sftp, 22},
};

bool IsHostCharacter(char c) {
    const auto u = static_cast<unsigned char>(c);
    return u > 0x20 && u != 0x7F && std::string_view("/@[]\\:").find(c) == std::string_view::npos;
}

bool IsIpv6Character(char c) {
    return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F') || c == ':' || c == '.';
}

std::optional<std::uint16_t> Port(std::string_view digits) {
    unsigned value = 0;
    const auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), value);
    if (error != std::errc() || end != digits.data() + digits.size() || value == 0 || value > 65535)
        return std::nullopt;
    return static_cast<std::uint16_t>(value);
}

}  // namespace

std::string HostAddress::Endpoint() const {
    std::string scheme = protocol == Protocol::Sftp ? "sftp://" : "ftp://";
    const bool ipv6 = host.find(':') != std::string::npos;
    return scheme + (ipv6 ? "[" + host + "]" : host) + ":" + std::to_string(port);
}

std::optional<HostAddress> ParseHostAddress(std::string_view text) {
    text = Trimmed(text, " \t\r\n");
    HostAddress address;
    for (const Scheme& scheme : kSchemes) {
        if (!StartsWithIgnoringAsciiCase(text, scheme.prefix)) continue;
        text.remove_prefix(scheme.prefix.size());
        address.protocol = scheme.protocol;
        address.port = scheme.defaultPort;
        break;
    }
    if (const std::size_t slash = text.find('/'); slash != std::string_view::npos) {
        address.folder = std::string(text.substr(slash));
        text = text.substr(0, slash);
    }
    std::string_view host = text;
    std::optional<std::string_view> port;
    if (host.starts_with('[')) {
        const std::size_t close = host.find(']');
        if (close == std::string_view::npos) return std::nullopt;
        const std::string_view rest = host.substr(close + 1);
        if (!rest.empty() && !rest.starts_with(':')) return std::nullopt;
        if (!rest.empty()) port = rest.substr(1);
        host = host.substr(1, close - 1);
        if (host.empty() || !std::ranges::all_of(host, IsIpv6Character)) return std::nullopt;
    } else {
        if (const std::size_t colon = host.find(':'); colon != std::string_view::npos) {
            port = host.substr(colon + 1);
            host = host.substr(0, colon);
        }
        if (host.empty() || !std::ranges::all_of(host, IsHostCharacter)) return std::nullopt;
    }
    if (port) {
        const auto number = Port(*port);
        if (!number) return std::nullopt;
        address.port = *number;
    }
    address.host = std::string(host);
    if (address.folder && address.folder->find_first_of(std::string_view("\0\r\n", 3)) != std::string::npos) {
        return std::nullopt;
    }
    return address;
}

std::optional<std::string> NamedFolder(const HostAddress& address) {
    if (!address.folder || address.folder->find_first_not_of('/') == std::string::npos) return std::nullopt;
    return address.folder;
}

}  // namespace pw::publisher
