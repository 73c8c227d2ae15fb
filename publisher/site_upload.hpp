#pragma once
// The one upload engine: sends a list of site files to the web host over one or several
// connections, and keeps the publish state (publish_state.hpp) that `--changed-only` reads.
// `pagewright publish` and the publisher window's uploads both drive it; they only show
// its events and its result.
//
//   SiteUpload upload(primary, extraConnections, siteFolder, options, events);
//   UploadResult result = upload.Run(files);   // blocks; events arrive during the call
//
// - `primary` is connected, logged in and in the web folder (EnterWebFolder). The run
//   records its files under the primary's endpoint, user and Directory(). During Run the
//   primary works on one of the engine's threads, with the engine's FtpEvents; its own
//   are given back when Run returns.
// - `extraConnections` makes one more connection, connected and logged in with the same
//   account and trust (the engine enters the web folder itself). It is called on the
//   engine's worker threads, several at once, so it must not touch a window. Empty, or
//   `connections` = 1: the primary alone, today's one-connection behaviour. A host that
//   limits connections (421, a refused login, a connection dropped at once, which the
//   engine's entering the web folder meets) gets what it allows: the extras it refuses are
//   dropped, and no file fails for it.
// - Every event arrives on the thread that called Run, one at a time. A file's last event
//   (sent, unchanged, failed or notSent) comes in the order of the list, whichever
//   connection finished first; started and progress come as they happen. Handlers may
//   repaint a window and may call Stop, but must not call the engine's components.
// - The primary sends the first file alone; the extras join once it is done, so a host
//   that is gone, or a folder that refuses files, meets one connection, not N. When the
//   primary's connection breaks and cannot be made again, the host is taken for gone:
//   the files under way finish, the rest are not sent.
// - A file is recorded as sent only once the host confirmed it whole. A file whose
//   connection broke is failed and the connection made again, as with one connection; an
//   extra that cannot be made again is dropped. Uploads go beside the remote file and are
//   renamed over it, so a file is never half there.
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <system_error>
#include <vector>

#include "publisher/ftp_account.hpp"
#include "publisher/ftp_component.hpp"
#include "publisher/stale_files.hpp"
#include "shell/general/result.hpp"

namespace pw::publisher {

struct UploadOptions {
    // Leave out the files whose size and SHA-256 match what was last sent to this host,
    // user and folder, and that one listing shows still there at that size.
    bool changedOnly = false;
    // The list is the whole site: what was sent before and is not in it is stale. False
    // for a selection of files, which leaves stale files alone.
    bool findStale = true;
    // Remove from the host the files sent there before that the site no longer holds;
    // without it they are only told (UploadEvents::stale, UploadResult::stale).
    bool removeStale = false;
    // Connections at once, the primary included (kMinConnections..kMaxConnections).
    int connections = kDefaultConnections;
    // Read the remote folder once at the end, for a window that shows it.
    bool listAtEnd = false;
};

// Reasons come in words safe to show: the host's with the password masked and control
// characters taken out (ShownFromHost), or the local file's path and what went wrong.
struct UploadEvents {
    std::function<void(const std::string& name)> started = {};
    // Bytes of `name` sent so far and its size (0 while unknown).
    std::function<void(const std::string& name, std::uint64_t done, std::uint64_t total)> progress = {};
    std::function<void(const std::string& name, std::uint64_t bytes)> sent = {};
    std::function<void(const std::string& name)> unchanged = {};
    std::function<void(const std::string& name, const std::string& reason)> failed = {};
    // Every connection is gone and the primary could not be made again: told once, just
    // before the files left are told notSent.
    std::function<void(const std::string& reason)> lost = {};
    // Not started because the run stopped (Stop, or lost).
    std::function<void(const std::string& name)> notSent = {};
    // Sent before, the site no longer holds it; told when not removing.
    std::function<void(const std::string& name)> stale = {};
    std::function<void(const std::string& name)> removed = {};
    std::function<void(const std::string& name, const std::string& reason)> notRemoved = {};
    // About every 100 ms while the run waits: the moment to repaint and see a Stop click.
    std::function<void()> waiting = {};
    // Something the user should know about a run that goes on, in a sentence, each text
    // once per run: a host that refuses renames, a listing that failed, and (after the
    // files) extra connections the host refused.
    std::function<void(const std::string& text)> notice = {};
};

struct UploadResult {
    std::size_t sent = 0;
    std::size_t unchanged = 0;
    std::size_t failed = 0;   // including stale files that could not be removed
    std::size_t notSent = 0;  // left because the run stopped
    std::uint64_t bytes = 0;
    std::vector<std::string> stale;  // told, not removed
    // Why files were left: Stop was called, or the host was lost (UploadEvents::lost).
    bool stopRequested = false;
    bool lost = false;
    // The connections that took part (the extras a host refused are not counted).
    int connections = 1;
    // Saving the publish state: a failure means the next run will not know what this sent.
    Result<void> stateSaved = {};
    // With UploadOptions::listAtEnd: the remote folder after the run.
    std::optional<Result<std::vector<RemoteEntry>>> listing = {};
    // Every file of the list was sent or found unchanged, every stale file to be removed
    // was, and the state was saved.
    bool Complete() const { return failed == 0 && notSent == 0 && stateSaved.has_value(); }
};

struct StaleOutcome {
    std::vector<StaleRemoval> removals;  // one per name, in order
    Result<void> stateSaved = {};
};

class SiteUpload {
public:
    using ConnectionFactory = std::function<Result<std::unique_ptr<FtpComponent>>()>;

    SiteUpload(FtpComponent& primary, ConnectionFactory extraConnections, std::filesystem::path siteFolder,
               UploadOptions options, UploadEvents events);
    ~SiteUpload();
    SiteUpload(const SiteUpload&) = delete;
    SiteUpload& operator=(const SiteUpload&) = delete;

    // Sends `files`, names in the site folder, in order as far as the connections allow.
    // Must not be re-entered (asserted). The primary stays connected, in the web folder.
    UploadResult Run(const std::vector<std::string>& files);

    // No file starts after this; those under way finish. Callable from an event handler,
    // another thread, or through StopFlag() from a signal handler. It holds for every later
    // Run of this object: make a new one for the next upload.
    void Stop() { stop_.store(true); }
    // The flag Stop sets, lock-free, for a SIGINT handler to set directly.
    std::atomic<bool>& StopFlag() { return stop_; }

    // After Run: removes `names` (of UploadResult::stale, as the user chose) from the host
    // over the primary and forgets them in the publish state, which is saved again.
    StaleOutcome RemoveStale(const std::vector<std::string>& names);

private:
    struct RunState;
    FtpComponent& primary_;
    ConnectionFactory extraConnections_;
    std::filesystem::path siteFolder_;
    UploadOptions options_;
    UploadEvents events_;
    std::atomic<bool> stop_ = false;
    bool running_ = false;
    std::unique_ptr<RunState> last_;  // the publish state of the last run, for RemoveStale
};

}  // namespace pw::publisher
