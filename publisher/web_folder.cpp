#include "publisher/web_folder.hpp"

namespace pw::publisher {
namespace {

// The server said no to the folder (it is not there, or not ours), rather than the
// connection failing: worth trying the next one.
bool FolderRefused(const std::error_code& error) { return error == FtpErrc::Refused; }

}  // namespace

Result<WebFolder> EnterWebFolder(FtpComponent& ftp, const HostAddress& address) {
    if (const auto named = NamedFolder(address)) {
        if (auto entered = ftp.SetDirectory(*named); !entered) {
            if (!FolderRefused(entered.error())) return Fail(entered.error());
            return Fail(MakeFtpError(FtpErrc::Refused, "The folder " + *named +
                                                           " that the host address names cannot be entered (" +
                                                           entered.error().message() + ")"));
        }
        return WebFolder{ftp.Directory(), {}};
    }
    auto entered = ftp.SetDirectory(kDefaultWebFolder);
    if (entered) return WebFolder{ftp.Directory(), {}};
    if (!FolderRefused(entered.error())) return Fail(entered.error());

    const std::string login = ftp.LoginFolder();
    std::string tried;
    for (const std::string_view name : kWebFolderNames) {
        const std::string folder = (login.ends_with('/') ? login : login + '/') + std::string(name);
        entered = ftp.SetDirectory(folder);
        if (entered) {
            return WebFolder{ftp.Directory(), "Publishing into " + ftp.Directory() + ": this host has no /www/"};
        }
        if (!FolderRefused(entered.error())) return Fail(entered.error());
        tried += (tried.empty() ? "" : ", ") + std::string(name);
    }
    (void)ftp.SetDirectory(login);
    return Fail(MakeFtpError(FtpErrc::Refused, "This host has no web folder: neither /www/ nor any of " + tried +
                                                   " in the login folder " + login +
                                                   ". Name the folder after the host (host/folder)"));
}

}  // namespace pw::publisher
