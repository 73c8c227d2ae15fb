#pragma once
// The folder on the web host that a site is published into, found the same way by
// `pagewright publish` and by the publisher window.
#include <array>
#include <string>
#include <string_view>

#include "publisher/ftp_component.hpp"
#include "publisher/host_address.hpp"

namespace pw::publisher {

// The folder a site goes into when the host address names none and the host has it.
inline constexpr std::string_view kDefaultWebFolder = "/www/";

// The folders web hosts serve pages from, in the order they are looked for in the login
// folder when the host has no "/www/".
inline constexpr std::array<std::string_view, 5> kWebFolderNames = {"public_html", "htdocs", "httpdocs", "www", "html"};

struct WebFolder {
    std::string folder;  // as the server reports it: "/www", "/public_html"
    std::string note;    // how it was found, when it is not the usual one:
                         // "Publishing into /public_html: this host has no /www/"
};

// Makes the web folder the connected `ftp`'s Directory(): the folder `address` names; else
// kDefaultWebFolder; else the first of kWebFolderNames in the login folder that can be entered. Fails
// when the named folder cannot be entered, or none of these exists (FtpErrc::Refused, with
// a message that says so), and when the connection fails; Directory() is then unchanged
// or the login folder. Never takes the login folder itself for the web folder.
Result<WebFolder> EnterWebFolder(FtpComponent& ftp, const HostAddress& address);

}  // namespace pw::publisher
