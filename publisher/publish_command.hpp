#pragma once
// `pagewright publish`: sends a site to its web host without any window, for scripts and
// for users who publish often.
#include <filesystem>
#include <functional>
#include <ostream>
#include <span>
#include <string>

#include "publisher/curl_ftp.hpp"

namespace pw::publisher {

enum PublishExit {
    kPublishedAll = 0,
    kSomeFilesFailed = 1,    // also: no web folder, or the publish state could not be saved
    kPublishUsageError = 2,  // also: no such site, no ftp.txt or no host in it
    kCannotConnect = 3,      // could not connect or log in
};

struct PublishEnvironment {
    // Draw a progress bar on `err` (it is a terminal).
    bool progressBar = false;
    // The component's settings for a site folder.
    std::function<FtpSettings(const std::filesystem::path& siteFolder)> settings = DefaultFtpSettings;
};

// Runs the command with `args`, the words that follow "publish" on the command line:
//   [--site NAME] [--changed-only] [--remove-stale] [--trust FINGERPRINT] [--help]
// Reads <inst>/<NAME>/ftp.txt ("default" when not named), connects, enters the web folder
// (web_folder.hpp; none found: nothing is sent, exit 1) and uploads every file the
// publisher's local pane lists, in its order, in binary. The files sent there before that
// the site no longer holds are named, or with --remove-stale removed from the host. One line per file
// and a summary go to `out`; failures, each with the host's reason, to `err`. The password
// is never printed. With --changed-only, files whose size and SHA-256 match what was last
// sent to this host, user and folder, and that one listing shows still there at that size,
// are left out. A record of what was sent that cannot be saved is a failure (exit 1).
// Returns a PublishExit.
int RunPublishCommand(const std::filesystem::path& inst, std::span<const std::string> args, std::ostream& out,
                      std::ostream& err, const PublishEnvironment& environment = {});

}  // namespace pw::publisher
