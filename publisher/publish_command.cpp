#include "publisher/publish_command.hpp"

#include <signal.h>

#include <algorithm>
#include <atomic>
#include <expected>
#include <string_view>
#include <vector>

#include "publisher/ftp_account.hpp"
#include "publisher/host_address.hpp"
#include "publisher/host_text.hpp"
#include "publisher/local_files.hpp"
#include "publisher/publish_state.hpp"
#include "publisher/site_upload.hpp"
#include "publisher/web_folder.hpp"
#include "shell/general/command_options.hpp"

namespace pw::publisher {
namespace {

namespace fs = std::filesystem;

constexpr std::string_view kUsageText =
    "Usage: pagewright publish [--site NAME] [--changed-only] [--remove-stale] [--connections N]\n"
    "                          [--trust FINGERPRINT]\n"
    "\n"
    "Sends the site's .gif, .html and .jpg files to its web host with the host, user name\n"
    "and password the FTP login saved (ftp.txt in the site's folder), without a window.\n"
    "\n"
    "  --site NAME          the site's folder beside the program (default: default)\n"
    "  --changed-only       send only the files that changed since they were last\n"
    "                       published to this host, or that the host no longer holds\n"
    "  --remove-stale       remove from the host the files pagewright sent there before\n"
    "                       that the site no longer has (a renamed page, a removed\n"
    "                       picture); without it they are only named\n"
    "  --connections N      send over N connections at once, 1 to 16 (default: the\n"
    "                       site's ftpoptions.txt, else 4); 1 sends one file after another\n"
    "  --trust FINGERPRINT  trust the host's certificate or SSH host key for this site when\n"
    "                       it has this fingerprint (printed when it could not be verified)\n"
    "  --help               show this text\n"
    "\n"
    "The site goes into the folder the host address names (host/folder), else /www/, else\n"
    "the first of public_html, htdocs, httpdocs, www, html in the login folder.\n"
    "\n"
    "Ctrl+C stops the upload: the files under way are finished, no other starts, and what\n"
    "was sent is recorded, so --changed-only sends the rest. A second Ctrl+C ends at once.\n"
    "\n"
    "Exit status: 0 all files sent, 1 some files failed or were not sent (stopped), no web\n"
    "folder or the record of what was sent could not be saved, 2 usage error or no site,\n"
    "ftp.txt or host, 3 could not connect or log in.\n";

constexpr std::string_view kPrefix = "pagewright publish: ";
constexpr std::string_view kCannotConnectText = "Unable to connect to the specified host";

// A one-line bar on a terminal: "[#######.............]  12/200  index.html".
class ProgressBar {
public:
    ProgressBar(std::ostream& err, bool enabled, std::size_t files) : err_(err), enabled_(enabled), files_(files) {}

    void Show(std::size_t index, std::uint64_t done, std::uint64_t total, std::string_view name) {
        if (!enabled_) return;
        const double fraction =
            (static_cast<double>(index) +
             (total ? std::min(1.0, static_cast<double>(done) / static_cast<double>(total)) : 0.0)) /
            static_cast<double>(files_);
        const auto filled = static_cast<std::size_t>(fraction * kWidth);
        std::string line = "[" + std::string(filled, '#') + std::string(kWidth - filled, '.') + "]  " +
                           std::to_string(index + 1) + "/" + std::to_string(files_) + "  " + Shortened(name);
        if (line == shown_) return;
        err_ << "\r\033[K" << line << std::flush;
        shown_ = std::move(line);
    }

    // Takes the bar away so that a line can be printed.
    void Clear() {
        if (!enabled_ || shown_.empty()) return;
        err_ << "\r\033[K" << std::flush;
        shown_.clear();
    }

private:
    static constexpr std::size_t kWidth = 30;
    static constexpr std::size_t kNameWidth = 32;

    // A long name cut to fit on one line (a wrapped bar cannot be redrawn), at a character boundary.
    static std::string Shortened(std::string_view name) {
        if (name.size() <= kNameWidth) return std::string(name);
        std::size_t end = kNameWidth - 3;
        while (end > 0 && (static_cast<unsigned char>(name[end]) & 0xC0) == 0x80) --end;
        return std::string(name.substr(0, end)) + "...";
    }

    std::ostream& err_;
    bool enabled_;
    std::size_t files_;
    std::string shown_;
};

// Ctrl+C asks the upload under way to stop; a second one ends the program as usual.
std::atomic<bool>* interruptFlag = nullptr;
extern "C" void OnInterrupt(int) {
    if (interruptFlag) interruptFlag->store(true);
}

class InterruptStops {
public:
    explicit InterruptStops(std::atomic<bool>& flag) {
        static_assert(std::atomic<bool>::is_always_lock_free, "set from a signal handler");
        interruptFlag = &flag;
        struct sigaction action {};
        action.sa_handler = OnInterrupt;
        action.sa_flags = SA_RESETHAND;
        sigemptyset(&action.sa_mask);
        ::sigaction(SIGINT, &action, &previous_);
    }
    ~InterruptStops() {
        ::sigaction(SIGINT, &previous_, nullptr);
        interruptFlag = nullptr;
    }
    InterruptStops(const InterruptStops&) = delete;
    InterruptStops& operator=(const InterruptStops&) = delete;

private:
    struct sigaction previous_ {};
};

// The --connections value, else the site's own setting.
std::expected<CommandLine, std::string> WithConnections(std::expected<CommandLine, std::string> line) {
    if (!line) return line;
    const auto value = line->Value("--connections");
    if (!value) return line;
    if (!ParseConnections(*value)) {
        return std::unexpected("--connections takes a number from " + std::to_string(kMinConnections) + " to " +
                               std::to_string(kMaxConnections) + ", not " + *value);
    }
    return line;
}

// Prints the upload's events: one line per file, failures on `err`, the bar in between.
UploadEvents PrintedEvents(std::ostream& out, std::ostream& err, ProgressBar& bar, std::size_t& told) {
    const auto print = [&bar](std::ostream& stream) -> std::ostream& {
        bar.Clear();
        return stream;
    };
    return {
        .started = [&bar, &told](const std::string& name) { bar.Show(told, 0, 0, name); },
        .progress = [&bar, &told](const std::string& name, std::uint64_t done,
                                  std::uint64_t total) { bar.Show(told, done, total, name); },
        .sent =
            [print, &out, &told](const std::string& name, std::uint64_t bytes) {
                ++told;
                print(out) << "sent " << name << " (" << bytes << " bytes)\n";
            },
        .unchanged =
            [print, &out, &told](const std::string& name) {
                ++told;
                print(out) << "unchanged " << name << "\n";
            },
        .failed =
            [print, &err, &told](const std::string& name, const std::string& reason) {
                ++told;
                print(err) << kPrefix << "could not send " << name << ": " << reason << "\n";
            },
        .lost =
            [print, &err](const std::string& reason) {
                print(err) << kPrefix << "stopped: " << kCannotConnectText << ": " << reason << "\n";
            },
        .notSent = [print, &err](const std::string& name) { print(err) << kPrefix << "not sent: " << name << "\n"; },
        .stale =
            [print, &out](const std::string& name) {
                print(out) << "stale " << name
                           << ": sent before, the site no longer has it (--remove-stale removes it)\n";
            },
        .removed = [print, &out](const std::string& name) { print(out) << "removed " << name << "\n"; },
        .notRemoved =
            [print, &err](const std::string& name, const std::string& reason) {
                print(err) << kPrefix << "could not remove " << name << ": " << reason << "\n";
            },
        .notice = [print, &err](const std::string& text) { print(err) << kPrefix << "warning: " << text << "\n"; },
    };
}

// Sends the site into the web folder and prints what happened; the exit status.
int Publish(FtpComponent& ftp, SiteUpload::ConnectionFactory extras, const fs::path& siteFolder,
            const std::vector<std::string>& files, const UploadOptions& options, const HostAddress& address,
            std::ostream& out, std::ostream& err, bool progressBar) {
    const auto web = EnterWebFolder(ftp, address);
    if (!web) {
        err << kPrefix << "nothing sent: " << ShownFromHost(web.error().message(), ftp.Password()) << "\n";
        return kSomeFilesFailed;
    }
    if (!web->note.empty()) out << web->note << "\n";
    ProgressBar bar(err, progressBar, files.size());
    std::size_t told = 0;
    SiteUpload upload(ftp, std::move(extras), siteFolder, options, PrintedEvents(out, err, bar, told));
    const InterruptStops interrupt(upload.StopFlag());
    const UploadResult result = upload.Run(files);
    bar.Clear();
    if (result.stopRequested && result.notSent > 0) {
        err << kPrefix << "stopped: " << result.notSent << " files not sent; publish --changed-only sends them\n";
    }
    if (!result.stateSaved) {
        err << kPrefix << (siteFolder / kPublishStateFileName).string()
            << " could not be saved, so the next run will not know what this one sent ("
            << result.stateSaved.error().message() << ")\n";
    }
    out << "Published " << result.sent + result.unchanged << " of " << files.size() << " files to "
        << address.Endpoint() << web->folder << ": " << result.sent << " sent (" << result.bytes << " bytes), "
        << result.unchanged << " unchanged, " << result.failed + result.notSent << " failed\n";
    return result.Complete() ? kPublishedAll : kSomeFilesFailed;
}
}  // namespace

int RunPublishCommand(const fs::path& inst, std::span<const std::string> args, std::ostream& out, std::ostream& err,
                      const PublishEnvironment& environment) {
    static constexpr std::string_view kOwnFlags[] = {"--changed-only", "--remove-stale"};
    static constexpr std::string_view kOwnOptions[] = {"--trust", "--connections"};
    const auto site = OpenCommandSite(
        inst, WithConnections(ReadCommandLine(args, kOwnFlags, kOwnOptions)), {kPrefix, kUsageText},
        {.help = kPublishedAll, .usageError = kPublishUsageError, .noSite = kPublishUsageError}, out, err);
    if (!site) return site.error();
    const CommandLine& options = site->line;
    const fs::path& siteFolder = site->folder;
    const auto account = LoadFtpAccount(siteFolder);
    if (!account) {
        err << kPrefix << "no FTP settings: " << FtpAccountFile(siteFolder).string() << " ("
            << account.error().message() << "); log in once from the publisher to make it\n";
        return kPublishUsageError;
    }
    if (account->host.empty()) {
        err << kPrefix << FtpAccountFile(siteFolder).string()
            << " names no host; log in once from the publisher to fill it in\n";
        return kPublishUsageError;
    }
    const auto files = PublishableFiles(siteFolder);
    if (!files) {
        err << kPrefix << "could not read " << siteFolder.string() << " (" << files.error().message() << ")\n";
        return kPublishUsageError;
    }
    if (files->empty()) {
        out << "Nothing to publish: " << siteFolder.string() << " holds no .gif, .html or .jpg files\n";
        return kPublishedAll;
    }

    const FtpSettings settings = environment.settings(siteFolder);
    const auto ftp = MakeCurlFtp(settings);
    ftp->SetRemoteHost(account->host);
    ftp->SetUserName(account->user);
    ftp->SetPassword(account->password);
    ftp->SetBinary(true);
    const std::string fingerprint = options.Value("--trust").value_or("");
    const auto connected = ConnectTrusting(
        *ftp, [&](const UnverifiedPeer& peer) { return !fingerprint.empty() && peer.fingerprint == fingerprint; },
        [&](const std::error_code& error) {
            err << kPrefix << "warning: the trust could not be saved (" << error.message()
                << "); it holds for this run only\n";
        });
    if (!connected) {
        if (connected.error() == FtpErrc::PeerChanged && !fingerprint.empty()) {
            err << kPrefix << "--trust is refused for a certificate or host key that changed\n";
        }
        err << kPrefix << kCannotConnectText << ": " << ShownFromHost(connected.error().message(), account->password)
            << "\n";
        if (const auto peer = ftp->LastUnverifiedPeer(); peer && !peer->replaces) {
            err << kPrefix << "to trust it for this site: pagewright publish --site " << options.site << " --trust "
                << peer->fingerprint << "\n";
        }
        return kCannotConnect;
    }
    const UploadOptions upload{
        .changedOnly = options.Has("--changed-only"),
        .removeStale = options.Has("--remove-stale"),
        .connections = options.Value("--connections") ? *ParseConnections(*options.Value("--connections"))
                                                      : LoadFtpOptions(siteFolder).connections,
    };
    // Connect succeeded, so the host text parsed.
    const int exit = Publish(
        *ftp,
        CurlConnectionsLike(*ftp, settings,
                            [fingerprint](const UnverifiedPeer& peer) { return peer.fingerprint == fingerprint; }),
        siteFolder, *files, upload, *ParseHostAddress(account->host), out, err, environment.progressBar);
    ftp->Disconnect();
    return exit;
}

}  // namespace pw::publisher
