#include "publisher/site_upload.hpp"

#include <algorithm>
#include <cassert>
#include <chrono>
#include <condition_variable>
#include <deque>
#include <map>
#include <mutex>
#include <set>
#include <thread>
#include <utility>

#include "publisher/digest.hpp"
#include "publisher/host_address.hpp"
#include "publisher/host_text.hpp"
#include "publisher/publish_state.hpp"

namespace pw::publisher {
namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

constexpr auto kWaitingInterval = std::chrono::milliseconds(100);

// The connection itself is gone, rather than one file refused.
bool IsConnectionFailure(const std::error_code& error) {
    return error == FtpErrc::ConnectionLost || error == FtpErrc::TimedOut || error == FtpErrc::CannotConnect ||
           error == FtpErrc::NotConnected;
}

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

// What a connection's thread tells the calling thread.
struct Message {
    enum class Kind { Started, Progress, Sent, Unchanged, Failed, Notice, Refused, Lost, Finished };
    Kind kind;
    std::size_t index = 0;
    std::uint64_t done = 0, total = 0;
    SentFile file = {};     // Sent
    std::string text = {};  // the reason (Failed, Refused, Lost) or the notice
};

// A file's last word, kept until the files before it in the list have had theirs.
struct Outcome {
    Message::Kind kind;
    std::uint64_t bytes = 0;
    std::string reason = {};
};

// One connection of the run, on its own thread.
struct Connection {
    FtpComponent* ftp = nullptr;
    std::unique_ptr<FtpComponent> owned = {};  // an extra's
    bool primary = false;
    std::size_t files = 0;  // files it tried to send
};

enum class After { Next, Leave };

}  // namespace

// The publish state of a run and the machinery of its connections.
struct SiteUpload::RunState {
    RunState(SiteUpload& upload, const std::vector<std::string>& files, PublishDestination destination)
        : upload(upload),
          files(files),
          folder(destination.folder),
          state(upload.siteFolder_ / kPublishStateFileName, std::move(destination)),
          outcomes(files.size()) {}

    UploadResult Go();
    void RunConnections();
    void ReadRemote();
    bool HostHoldsAsSent(std::size_t index);
    void Work(Connection& connection);
    After SendOne(Connection& connection, std::size_t index);
    std::optional<std::size_t> Take(bool primary);
    void Release(bool lostHost);
    void Post(Message message);
    void Handle(Message& message);
    void TellReady();
    void TellNotice(const std::string& text);
    void HandleStale();
    std::string Shown(const std::error_code& error) const {
        return ShownFromHost(error.message(), upload.primary_.Password());
    }

    SiteUpload& upload;
    const std::vector<std::string>& files;
    const std::string folder;
    PublishState state;
    StateWriter writer;
    UploadResult result;

    // With changedOnly: the one listing of the host's files.
    std::map<std::string, std::uint64_t> remoteSizes;  // by name
    std::set<std::string> remoteUnsized;               // those the listing gave no size for

    // Shared with the connections, under `mutex`.
    std::mutex mutex;
    std::condition_variable messageReady, released;
    std::vector<Message> messages;
    std::deque<std::size_t> pending;
    bool extrasReleased = false;
    bool hostLost = false;

    // The calling thread's own.
    std::vector<std::optional<Outcome>> outcomes;
    std::size_t nextToTell = 0;
    std::set<std::string> noticesTold;
    std::string refusal;  // why the host refused the first extra it refused
    std::string lostReason;
};

SiteUpload::SiteUpload(FtpComponent& primary, ConnectionFactory extraConnections, fs::path siteFolder,
                       UploadOptions options, UploadEvents events)
    : primary_(primary),
      extraConnections_(std::move(extraConnections)),
      siteFolder_(std::move(siteFolder)),
      options_(options),
      events_(std::move(events)) {}

SiteUpload::~SiteUpload() = default;

UploadResult SiteUpload::Run(const std::vector<std::string>& files) {
    // Not re-entered from an event handler: two runs would share the primary's connection.
    assert(!running_);
    running_ = true;
    const auto address = ParseHostAddress(primary_.RemoteHost());
    last_ = std::make_unique<RunState>(*this, files,
                                       PublishDestination{address ? address->Endpoint() : primary_.RemoteHost(),
                                                          primary_.UserName(), primary_.Directory()});
    const FtpEvents ownEvents = primary_.events();
    primary_.SetEvents({});
    UploadResult result = last_->Go();
    primary_.SetEvents(ownEvents);
    running_ = false;
    return result;
}

UploadResult SiteUpload::RunState::Go() {
    // What the host holds already is told before any connection is made, so a run with
    // nothing changed logs in no extra connection.
    if (upload.options_.changedOnly) ReadRemote();
    for (std::size_t index = 0; index < files.size(); ++index) {
        if (upload.options_.changedOnly && HostHoldsAsSent(index)) {
            outcomes[index] = Outcome{Message::Kind::Unchanged};
        } else {
            pending.push_back(index);
        }
    }
    TellReady();
    RunConnections();
    // Told once the files are, and not for a host that is gone: then it is no limit.
    if (!refusal.empty() && !hostLost) {
        TellNotice("The host took fewer connections than asked for (" + refusal +
                   "); the upload went on with the others");
    }
    result.stopRequested = upload.stop_.load();
    result.lost = hostLost;
    if (hostLost && upload.events_.lost) upload.events_.lost(lostReason);
    for (TellReady(); nextToTell < files.size(); TellReady()) {
        ++result.notSent;
        if (upload.events_.notSent) upload.events_.notSent(files[nextToTell]);
        ++nextToTell;
    }
    if (upload.options_.findStale && !result.stopRequested && !hostLost) HandleStale();
    // Without the record, the next run would not know what this one sent.
    result.stateSaved = writer.Finish();
    if (upload.options_.listAtEnd && !hostLost) result.listing = upload.primary_.ReadDirectory();
    return result;
}

// Runs the connections, each on its thread, and tells their events until all are done.
void SiteUpload::RunState::RunConnections() {
    const int wanted =
        upload.extraConnections_ ? std::clamp(upload.options_.connections, kMinConnections, kMaxConnections) : 1;
    const auto count =
        std::max<std::size_t>(1, std::min<std::size_t>(static_cast<std::size_t>(wanted), pending.size()));
    std::vector<Connection> connections(count);
    connections[0].ftp = &upload.primary_;
    connections[0].primary = true;
    std::vector<std::thread> threads;
    for (Connection& connection : connections) threads.emplace_back([this, &connection] { Work(connection); });

    std::size_t finished = 0;
    auto lastWaiting = Clock::now();
    while (finished < connections.size()) {
        std::vector<Message> batch;
        {
            std::unique_lock lock(mutex);
            messageReady.wait_for(lock, kWaitingInterval, [this] { return !messages.empty(); });
            batch.swap(messages);
        }
        for (Message& message : batch) {
            if (message.kind == Message::Kind::Finished) ++finished;
            Handle(message);
        }
        TellReady();
        if (upload.events_.waiting && Clock::now() - lastWaiting >= kWaitingInterval) {
            upload.events_.waiting();
            lastWaiting = Clock::now();
        }
    }
    for (std::thread& thread : threads) thread.join();
    result.connections = static_cast<int>(
        std::ranges::count_if(connections, [](const Connection& c) { return c.primary || c.files > 0; }));
}

// The one listing that confirms what the state says the host holds.
void SiteUpload::RunState::ReadRemote() {
    auto entries = upload.primary_.ReadDirectory();
    if (!entries) {
        TellNotice("The remote folder could not be listed (" + Shown(entries.error()) + "); every file is sent");
        return;
    }
    for (const RemoteEntry& entry : *entries) {
        if (entry.IsFolder()) continue;
        if (entry.size) {
            remoteSizes[entry.name] = *entry.size;
        } else {
            remoteUnsized.insert(entry.name);
        }
    }
}

// The file's size and digest are what was last sent here, and the listing shows it there
// at that size (or with no size). A file that cannot be read is left to fail when sent.
bool SiteUpload::RunState::HostHoldsAsSent(std::size_t index) {
    const std::string& name = files[index];
    const SentFile* recorded = state.Find(name);
    if (!recorded) return false;
    const auto current = SentFileOf(upload.siteFolder_ / name);
    if (!current || *current != *recorded) return false;
    const auto sized = remoteSizes.find(name);
    return sized != remoteSizes.end() ? sized->second == current->size : remoteUnsized.contains(name);
}

void SiteUpload::RunState::Work(Connection& connection) {
    if (!connection.primary) {
        auto made = upload.extraConnections_();
        Result<void> ready = made ? Result<void>{} : Fail(made.error());
        if (made) {
            connection.owned = std::move(*made);
            connection.ftp = connection.owned.get();
            connection.ftp->SetBinary(upload.primary_.Binary());
            ready = connection.ftp->SetDirectory(folder);
        }
        if (!ready) {
            if (connection.ftp) connection.ftp->Disconnect();
            Post({.kind = Message::Kind::Refused, .text = Shown(ready.error())});
            Post({.kind = Message::Kind::Finished});
            return;
        }
    }
    std::size_t current = 0;
    connection.ftp->SetEvents(
        {.transferProgress =
             [this, &current](std::uint64_t done, std::uint64_t total) {
                 Post({.kind = Message::Kind::Progress, .index = current, .done = done, .total = total});
             },
         .notice = [this](const std::string& text) { Post({.kind = Message::Kind::Notice, .text = text}); }});
    while (const auto index = Take(connection.primary)) {
        current = *index;
        const After after = SendOne(connection, *index);
        if (connection.primary) Release(after == After::Leave);
        if (after == After::Leave) break;
    }
    connection.ftp->SetEvents({});
    if (!connection.primary) connection.ftp->Disconnect();
    // The extras wait for the primary's first file; a primary with none to send lets them go.
    if (connection.primary) Release(false);
    Post({.kind = Message::Kind::Finished});
}

After SiteUpload::RunState::SendOne(Connection& connection, std::size_t index) {
    const std::string& name = files[index];
    Post({.kind = Message::Kind::Started, .index = index});
    const fs::path local = upload.siteFolder_ / name;
    const auto digest = Sha256OfFile(local);
    if (!digest) {
        Post({.kind = Message::Kind::Failed, .index = index, .text = local.string() + ": " + digest.error().message()});
        return After::Next;
    }
    const SentFile current{digest->size, HexDigest(digest->sha256)};
    // A connection only takes files once it is connected and in the web folder.
    assert(connection.ftp);
    FtpComponent& ftp = *connection.ftp;
    ftp.SetLocalFile(local);
    ftp.SetRemoteFile(name);
    const auto put = ftp.PutFile();
    ++connection.files;
    if (put) {
        Post({.kind = Message::Kind::Sent, .index = index, .file = current});
        return After::Next;
    }
    Post({.kind = Message::Kind::Failed, .index = index, .text = Shown(put.error())});
    if (!IsConnectionFailure(put.error())) return After::Next;
    // The connection broke: made again, the connection goes on with the next file.
    auto again = ConnectTrusting(ftp, {});
    if (again) again = ftp.SetDirectory(folder);
    if (again) return After::Next;
    Post({.kind = connection.primary ? Message::Kind::Lost : Message::Kind::Refused, .text = Shown(again.error())});
    return After::Leave;
}

// The next file for a connection; nothing when the run is over for it. The extras wait
// until the primary has sent its first file.
std::optional<std::size_t> SiteUpload::RunState::Take(bool primary) {
    std::unique_lock lock(mutex);
    // A stop asked for from a signal handler comes without a notification: look again now and then.
    while (!primary && !extrasReleased && !upload.stop_) released.wait_for(lock, kWaitingInterval);
    if (upload.stop_ || hostLost || pending.empty()) return std::nullopt;
    const std::size_t index = pending.front();
    pending.pop_front();
    return index;
}

void SiteUpload::RunState::Release(bool lostHost) {
    std::lock_guard lock(mutex);
    hostLost = hostLost || lostHost;
    extrasReleased = true;
    released.notify_all();
}

void SiteUpload::RunState::Post(Message message) {
    std::lock_guard lock(mutex);
    // Progress is only ever shown at its newest.
    if (message.kind == Message::Kind::Progress && !messages.empty() &&
        messages.back().kind == Message::Kind::Progress && messages.back().index == message.index) {
        messages.back() = std::move(message);
        return;
    }
    messages.push_back(std::move(message));
    messageReady.notify_one();
}

void SiteUpload::RunState::Handle(Message& message) {
    const UploadEvents& events = upload.events_;
    const auto name = [&]() -> const std::string& { return files[message.index]; };
    switch (message.kind) {
        case Message::Kind::Started:
            if (events.started) events.started(name());
            break;
        case Message::Kind::Progress:
            if (events.progress) events.progress(name(), message.done, message.total);
            break;
        case Message::Kind::Sent:
            state.Set(name(), message.file);
            writer.Save(state);
            outcomes[message.index] = Outcome{message.kind, message.file.size};
            break;
        case Message::Kind::Failed:
            state.Erase(name());
            writer.Save(state);
            outcomes[message.index] = Outcome{message.kind, 0, std::move(message.text)};
            break;
        case Message::Kind::Notice: TellNotice(message.text); break;
        case Message::Kind::Refused:
            if (refusal.empty()) refusal = std::move(message.text);
            break;
        case Message::Kind::Lost: lostReason = std::move(message.text); break;
        case Message::Kind::Unchanged:  // told before the connections start
        case Message::Kind::Finished: break;
    }
}

// Tells the files whose outcome is in, as far as the list has them in order.
void SiteUpload::RunState::TellReady() {
    const UploadEvents& events = upload.events_;
    for (; nextToTell < files.size() && outcomes[nextToTell]; ++nextToTell) {
        const std::string& name = files[nextToTell];
        const Outcome& outcome = *outcomes[nextToTell];
        switch (outcome.kind) {
            case Message::Kind::Sent:
                ++result.sent;
                result.bytes += outcome.bytes;
                if (events.sent) events.sent(name, outcome.bytes);
                break;
            case Message::Kind::Unchanged:
                ++result.unchanged;
                if (events.unchanged) events.unchanged(name);
                break;
            default:
                ++result.failed;
                if (events.failed) events.failed(name, outcome.reason);
                break;
        }
    }
}

void SiteUpload::RunState::TellNotice(const std::string& text) {
    if (noticesTold.insert(text).second && upload.events_.notice) upload.events_.notice(text);
}

// Names what was sent before and the site no longer holds, or removes it from the host.
void SiteUpload::RunState::HandleStale() {
    result.stale = state.StaleFiles(files);
    if (result.stale.empty() || !upload.options_.removeStale) {
        if (upload.events_.stale) {
            for (const std::string& name : result.stale) upload.events_.stale(name);
        }
        return;
    }
    for (const StaleRemoval& removal : RemoveStaleFiles(upload.primary_, state, std::exchange(result.stale, {}))) {
        if (!removal.error) {
            if (upload.events_.removed) upload.events_.removed(removal.name);
            continue;
        }
        ++result.failed;
        if (upload.events_.notRemoved) upload.events_.notRemoved(removal.name, Shown(removal.error));
    }
    writer.Save(state);
}

StaleOutcome SiteUpload::RemoveStale(const std::vector<std::string>& names) {
    // Only after a run: the state names the host, user and folder the names are about.
    assert(last_ && !running_);
    StaleOutcome outcome;
    outcome.removals = RemoveStaleFiles(primary_, last_->state, names);
    outcome.stateSaved = last_->state.Save();
    return outcome;
}

}  // namespace pw::publisher
