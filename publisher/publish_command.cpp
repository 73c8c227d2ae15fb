#include "publisher/publish_command.hpp"

#include <algorithm>
#include <condition_variable>
#include <expected>
#include <map>
#include <mutex>
#include <optional>
#include <string_view>
#include <thread>
#include <vector>

#include "builder/store/site_files.hpp"
#include "publisher/digest.hpp"
#include "publisher/host_address.hpp"
#include "publisher/host_text.hpp"
#include "publisher/local_files.hpp"
#include "publisher/publish_state.hpp"
#include "publisher/stale_files.hpp"
#include "publisher/web_folder.hpp"
#include "shell/general/command_options.hpp"
#include "shell/general/field_file.hpp"

namespace pw::publisher {
namespace {

namespace fs = std::filesystem;

constexpr std::string_view kUsageText =
    "Usage: pagewright publish [--site NAME] [--changed-only] [--remove-stale] [--trust FINGERPRINT]\n"
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
    "  --trust FINGERPRINT  trust the host's certificate or SSH host key for this site when\n"
    "                       it has this fingerprint (printed when it could not be verified)\n"
    "  --help               show this text\n"
    "\n"
    "The site goes into the folder the host address names (host/folder), else /www/, else\n"
    "the first of public_html, htdocs, httpdocs, www, html in the login folder.\n"
    "\n"
    "Exit status: 0 all files sent, 1 some files failed, no web folder or the record of what\n"
    "was sent could not be saved, 2 usage error or no site, ftp.txt or host, 3 could not\n"
    "connect or log in.\n";

constexpr std::string_view kPrefix = "pagewright publish: ";
constexpr std::string_view kCannotConnectText = "Unable to connect to the specified host";

struct Account {
    std::string host;
    std::string user;
    std::string password;
};

// The fields of ftp.txt as the login dialog loads them: by name, a later record winning.
Account ReadAccount(std::string_view bytes) {
    Account account;
    for (const FieldRecord& record : ParseFieldRecords(bytes)) {
        if (record.name == "Host") account.host = record.text;
        if (record.name == "UserName") account.user = record.text;
        if (record.name == "Password") account.password = record.text;
    }
    return account;
}

// The connection itself is gone, rather than one file refused.
bool IsConnectionFailure(const std::error_code& error) {
    return error == FtpErrc::ConnectionLost || error == FtpErrc::TimedOut || error == FtpErrc::CannotConnect ||
           error == FtpErrc::NotConnected;
}

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

// Saves the publish state after each file without holding up the next upload: a thread
// writes the newest state, atomically and durably, as soon as the disk has finished the
// one before (a save takes two syncs, which on a busy disk cost more than a small upload).
// The file on disk is always a whole, earlier or current, state.
class StateWriter {
public:
    StateWriter() : thread_([this] { Run(); }) {}
    ~StateWriter() { (void)Finish(); }

    // Queues `state` for saving, replacing a queued one that was not written yet.
    void Save(const PublishState& state) {
        std::lock_guard lock(mutex_);
        pending_ = state;
        wake_.notify_one();
    }

    // Waits until the last queued state is written; the first failure, if any.
    Result<void> Finish() {
        {
            std::lock_guard lock(mutex_);
            finishing_ = true;
            wake_.notify_one();
        }
        if (thread_.joinable()) thread_.join();
        if (failure_) return Fail(failure_);
        return {};
    }

private:
    void Run() {
        std::unique_lock lock(mutex_);
        while (true) {
            wake_.wait(lock, [this] { return pending_ || finishing_; });
            if (!pending_) return;
            const PublishState state = std::move(*pending_);
            pending_.reset();
            lock.unlock();
            const auto saved = state.Save();
            lock.lock();
            if (!saved && !failure_) failure_ = saved.error();
        }
    }

    std::mutex mutex_;
    std::condition_variable wake_;
    std::optional<PublishState> pending_;
    bool finishing_ = false;
    std::error_code failure_;
    std::thread thread_;
};

// Connects; a certificate or host key that does not verify is trusted when it has the
// fingerprint the user gave with --trust. One that replaces a key known before never is.
Result<void> ConnectTrusting(FtpComponent& ftp, const std::string& fingerprint, std::ostream& err) {
    auto connected = ftp.Connect();
    if (!connected && connected.error() == FtpErrc::PeerChanged && !fingerprint.empty()) {
        err << kPrefix << "--trust is refused for a certificate or host key that changed\n";
    }
    if (connected || connected.error() != FtpErrc::UnverifiedPeer || fingerprint.empty()) return connected;
    const auto peer = ftp.LastUnverifiedPeer();
    if (!peer || peer->fingerprint != fingerprint) return connected;
    if (auto trusted = ftp.TrustUnverifiedPeer(); !trusted) {
        err << kPrefix << "warning: the trust could not be saved (" << trusted.error().message()
            << "); it holds for this run only\n";
    }
    return ftp.Connect();
}

// The remote folder's files by name.
using RemoteListing = std::map<std::string, RemoteEntry>;

// One run of the upload loop, with its counts.
class SiteUpload {
public:
    SiteUpload(const fs::path& siteFolder, FtpComponent& ftp, bool changedOnly, bool removeStale,
               const Account& account, std::ostream& out, std::ostream& err, ProgressBar& bar)
        : siteFolder_(siteFolder),
          ftp_(ftp),
          changedOnly_(changedOnly),
          removeStale_(removeStale),
          account_(account),
          out_(out),
          err_(err),
          bar_(bar) {}

    int Run(const std::vector<std::string>& files, const HostAddress& address) {
        const auto web = EnterWebFolder(ftp_, address);
        if (!web) {
            err_ << kPrefix << "nothing sent: " << ShownFromHost(web.error().message(), account_.password) << "\n";
            return kSomeFilesFailed;
        }
        if (!web->note.empty()) out_ << web->note << "\n";
        folder_ = web->folder;
        PublishState state(siteFolder_ / kPublishStateFileName, {address.Endpoint(), account_.user, folder_});
        const RemoteListing remote = changedOnly_ ? RemoteFiles() : RemoteListing{};
        for (std::size_t i = 0; i < files.size(); ++i) {
            if (!stopped_) {
                SendOne(files[i], i, state, remote);
                continue;
            }
            ++failed_;
            Print(err_) << kPrefix << "not sent: " << files[i] << "\n";
        }
        if (!stopped_) HandleStale(state, files);
        // Without the record, the next run would not know what it sent: a failure too.
        const auto saved = stateWriter_.Finish();
        if (!saved) {
            Print(err_) << kPrefix << (siteFolder_ / kPublishStateFileName).string()
                        << " could not be saved, so the next run will not know what this one sent ("
                        << saved.error().message() << ")\n";
        }
        bar_.Clear();
        out_ << "Published " << sent_ + unchanged_ << " of " << files.size() << " files to " << address.Endpoint()
             << folder_ << ": " << sent_ << " sent (" << bytes_ << " bytes), " << unchanged_ << " unchanged, "
             << failed_ << " failed\n";
        return failed_ || !saved ? kSomeFilesFailed : kPublishedAll;
    }

private:
    // Names what was sent before and the site no longer holds, or removes it from the host.
    void HandleStale(PublishState& state, const std::vector<std::string>& files) {
        const std::vector<std::string> stale = state.StaleFiles(files);
        if (stale.empty()) return;
        if (!removeStale_) {
            for (const std::string& name : stale) {
                Print(out_) << "stale " << name
                            << ": sent before, the site no longer has it (--remove-stale removes it)\n";
            }
            return;
        }
        for (const StaleRemoval& removal : RemoveStaleFiles(ftp_, state, stale)) {
            if (!removal.error) {
                Print(out_) << "removed " << removal.name << "\n";
                continue;
            }
            ++failed_;
            Print(err_) << kPrefix << "could not remove " << removal.name << ": "
                        << ShownFromHost(removal.error.message(), account_.password) << "\n";
        }
        stateWriter_.Save(state);
    }

    // The one listing that confirms what the state says the host holds.
    RemoteListing RemoteFiles() {
        RemoteListing listing;
        auto entries = ftp_.ReadDirectory();
        if (!entries) {
            Print(err_) << kPrefix << "warning: the remote folder could not be listed ("
                        << ShownFromHost(entries.error().message(), account_.password) << "); every file is sent\n";
            return listing;
        }
        for (RemoteEntry& entry : *entries) {
            if (!entry.IsFolder()) listing.emplace(entry.name, std::move(entry));
        }
        return listing;
    }

    static bool HostHolds(const RemoteListing& remote, const std::string& name, const FileDigest& digest) {
        const auto found = remote.find(name);
        return found != remote.end() && found->second.size.value_or(digest.size) == digest.size;
    }

    void SendOne(const std::string& name, std::size_t index, PublishState& state, const RemoteListing& remote) {
        const fs::path local = siteFolder_ / name;
        bar_.Show(index, 0, 0, name);
        const auto digest = Sha256OfFile(local);
        if (!digest) {
            ++failed_;
            Print(err_) << kPrefix << "could not send " << name << ": " << local.string() << ": "
                        << digest.error().message() << "\n";
            return;
        }
        const SentFile current{digest->size, HexDigest(digest->sha256)};
        const SentFile* recorded = state.Find(name);
        if (changedOnly_ && recorded && *recorded == current && HostHolds(remote, name, *digest)) {
            ++unchanged_;
            Print(out_) << "unchanged " << name << "\n";
            return;
        }
        ftp_.SetEvents(
            {.transferProgress = [&](std::uint64_t done, std::uint64_t total) { bar_.Show(index, done, total, name); },
             .notice = [&](const std::string& text) { Print(err_) << kPrefix << "warning: " << text << "\n"; }});
        ftp_.SetLocalFile(local);
        ftp_.SetRemoteFile(name);
        const auto put = ftp_.PutFile();
        ftp_.SetEvents({});
        if (put) {
            ++sent_;
            bytes_ += current.size;
            state.Set(name, current);
            Print(out_) << "sent " << name << " (" << current.size << " bytes)\n";
        } else {
            ++failed_;
            state.Erase(name);
            Print(err_) << kPrefix << "could not send " << name << ": "
                        << ShownFromHost(put.error().message(), account_.password) << "\n";
        }
        stateWriter_.Save(state);
        if (!put && IsConnectionFailure(put.error())) Reconnect();
    }

    // After the connection broke: log in again and go on, or stop when the host is gone.
    void Reconnect() {
        auto again = ConnectTrusting(ftp_, {}, err_);
        if (again) again = ftp_.SetDirectory(folder_);
        if (again) return;
        stopped_ = true;
        Print(err_) << kPrefix << "stopped: " << kCannotConnectText << ": "
                    << ShownFromHost(again.error().message(), account_.password) << "\n";
    }

    std::ostream& Print(std::ostream& stream) {
        bar_.Clear();
        return stream;
    }

    const fs::path& siteFolder_;
    FtpComponent& ftp_;
    const bool changedOnly_;  // send only what the host does not hold yet
    const bool removeStale_;  // remove what was sent before and the site no longer holds
    const Account& account_;
    std::ostream& out_;
    std::ostream& err_;
    ProgressBar& bar_;
    std::string folder_;
    std::size_t sent_ = 0, unchanged_ = 0, failed_ = 0;
    std::uint64_t bytes_ = 0;
    bool stopped_ = false;
    StateWriter stateWriter_;
};

}  // namespace

int RunPublishCommand(const fs::path& inst, std::span<const std::string> args, std::ostream& out, std::ostream& err,
                      const PublishEnvironment& environment) {
    static constexpr std::string_view kOwnFlags[] = {"--changed-only", "--remove-stale"};
    static constexpr std::string_view kOwnOptions[] = {"--trust"};
    const auto site = OpenCommandSite(
        inst, ReadCommandLine(args, kOwnFlags, kOwnOptions), {kPrefix, kUsageText},
        {.help = kPublishedAll, .usageError = kPublishUsageError, .noSite = kPublishUsageError}, out, err);
    if (!site) return site.error();
    const CommandLine& options = site->line;
    const fs::path& siteFolder = site->folder;
    const fs::path settingsFile = ResolveInFolder(siteFolder, store::kFtpSettingsFile);
    const auto settingsBytes = ReadWholeFile(settingsFile);
    if (!settingsBytes) {
        err << kPrefix << "no FTP settings: " << settingsFile.string() << " (" << settingsBytes.error().message()
            << "); log in once from the publisher to make it\n";
        return kPublishUsageError;
    }
    const Account account = ReadAccount(*settingsBytes);
    if (account.host.empty()) {
        err << kPrefix << settingsFile.string() << " names no host; log in once from the publisher to fill it in\n";
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

    const auto ftp = MakeCurlFtp(environment.settings(siteFolder));
    ftp->SetRemoteHost(account.host);
    ftp->SetUserName(account.user);
    ftp->SetPassword(account.password);
    ftp->SetBinary(true);
    if (auto connected = ConnectTrusting(*ftp, options.Value("--trust").value_or(""), err); !connected) {
        err << kPrefix << kCannotConnectText << ": " << ShownFromHost(connected.error().message(), account.password)
            << "\n";
        if (const auto peer = ftp->LastUnverifiedPeer(); peer && !peer->replaces) {
            err << kPrefix << "to trust it for this site: pagewright publish --site " << options.site << " --trust "
                << peer->fingerprint << "\n";
        }
        return kCannotConnect;
    }
    // Connect succeeded, so the host text parsed.
    const HostAddress address = *ParseHostAddress(account.host);
    ProgressBar bar(err, environment.progressBar, files->size());
    const int exit = SiteUpload(siteFolder, *ftp, options.Has("--changed-only"), options.Has("--remove-stale"), account,
                                out, err, bar)
                         .Run(*files, address);
    ftp->Disconnect();
    return exit;
}

}  // namespace pw::publisher
