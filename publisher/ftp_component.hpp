#pragma once
// The FTP component: the one connection to the web host that the login dialog opens and
// the publisher window and `pagewright publish` work through. Windows only set its
// members, call its operations and react to its events; MakeCurlFtp (curl_ftp.hpp) gives
// the real one on libcurl, tests may give their own.
//
// Every operation blocks until it is done and reports success or the reason it failed
// (ftp_error.hpp: the error compares equal to an FtpErrc kind and its message() carries
// the server's own reply). Events arrive on the calling thread during the call; a handler
// may repaint a window but must not call the component again.
#include <cstdint>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "publisher/ftp_error.hpp"
#include "publisher/listing.hpp"
#include "publisher/peer_trust.hpp"
#include "shell/general/result.hpp"

namespace pw::publisher {

struct FtpEvents {
    // Once per entry during ListDirectory, before it returns. Folders have kFolderAttribute
    // (0x10), files kFileAttribute.
    std::function<void(const std::string& name, std::uint32_t attributes)> directoryEntry = {};
    // Repeatedly during GetFile and PutFile: bytes moved so far and the file's size, which
    // is 0 while the server has not told it. `done` may pass a total that was reported.
    std::function<void(std::uint64_t done, std::uint64_t total)> transferProgress = {};
    // About once a second, and whenever data moves, during every blocking call: the moment
    // for a window to repaint.
    std::function<void()> waiting = {};
    // Something about a call that succeeded which the user should know, in a sentence
    // ("The host refuses to rename files: ..."). At most once per connection for each kind.
    std::function<void(const std::string& text)> notice = {};
};

// A certificate (FTPS) or host key (SFTP) that did not verify, as Connect met it.
struct UnverifiedPeer {
    std::string endpoint;     // "ftp://host:21", "sftp://host:22"
    std::string fingerprint;  // SHA-256: "AB:CD:..." for a certificate, "SHA256:base64" for a host key
    std::string reason;       // "self-signed certificate", "the host key is not in known_hosts"...
    // Set when the host showed another certificate or key before: what was kept, and where.
    // A changed identity is what a connection taken over by someone else looks like, so it
    // is never trusted in passing; the old entry has to be removed by hand first.
    std::optional<KeptFingerprint> replaces = {};
};

class FtpComponent {
public:
    virtual ~FtpComponent() = default;

    // ---- Members set before Connect ----
    // The Host text (host_address.hpp: name, name:port, ftp://, ftps://, sftp://...).
    void SetRemoteHost(std::string host) { remoteHost_ = std::move(host); }
    const std::string& RemoteHost() const { return remoteHost_; }
    void SetUserName(std::string user) { userName_ = std::move(user); }
    const std::string& UserName() const { return userName_; }
    // For SFTP an empty password means: log in with the user's SSH agent or keys.
    void SetPassword(std::string password) { password_ = std::move(password); }
    const std::string& Password() const { return password_; }

    // ---- Members of the next transfer ----
    // true (the default): files travel byte for byte; false: as text (FTP's ASCII type).
    void SetBinary(bool binary) { binary_ = binary; }
    bool Binary() const { return binary_; }
    // The local file, relative to the process's current folder unless absolute.
    void SetLocalFile(std::filesystem::path file) { localFile_ = std::move(file); }
    const std::filesystem::path& LocalFile() const { return localFile_; }
    // The remote file's name in Directory().
    void SetRemoteFile(std::string name) { remoteFile_ = std::move(name); }
    const std::string& RemoteFile() const { return remoteFile_; }

    void SetEvents(FtpEvents events) { events_ = std::move(events); }
    const FtpEvents& events() const { return events_; }

    // ---- Operations ----
    // True when transfers raise transferProgress.
    virtual bool ReportsProgress() const = 0;
    // Connects to RemoteHost and logs in with UserName and Password; a wrong password fails
    // here. The connection stays open (and is reopened if it drops) until Disconnect.
    // Directory() is then the login folder. FtpErrc::UnverifiedPeer and FtpErrc::PeerChanged:
    // see LastUnverifiedPeer. A host reached with TLS once (recorded in the trust file) is
    // refused without it, before the user name is sent.
    virtual Result<void> Connect() = 0;
    // The folder Connect logged in to, as the server reported it; "" when not connected.
    virtual std::string LoginFolder() const = 0;
    // Logs out and closes the connection; harmless when not connected.
    virtual void Disconnect() = 0;
    // The current remote folder as the server reports it ("/www").
    virtual std::string Directory() const = 0;
    // Changes to `folder`, absolute or relative to Directory() (".." goes up); fails, and
    // leaves Directory() as it was, when the server refuses.
    virtual Result<void> SetDirectory(std::string_view folder) = 0;
    // Downloads RemoteFile to LocalFile. The bytes land in a temporary file beside LocalFile
    // that replaces it only once complete: a failed download leaves LocalFile as it was.
    virtual Result<void> GetFile() = 0;
    // Uploads LocalFile as RemoteFile, replacing a remote file of that name. The bytes go to
    // a file beside it that is then renamed over it, so a failed upload leaves the remote
    // file as it was. Where the host refuses that file or the rename, the file is sent in
    // place instead (raising `notice` once), and so are the connection's later uploads.
    virtual Result<void> PutFile() = 0;
    // Deletes the file, creates or removes the folder `name` of Directory().
    virtual Result<void> DeleteFile(std::string_view name) = 0;
    virtual Result<void> MakeDirectory(std::string_view name) = 0;
    virtual Result<void> RemoveDirectory(std::string_view name) = 0;
    // The entries of Directory() in the server's order: "." left out, ".." first unless the
    // server listed it itself or this is the root.
    virtual Result<std::vector<RemoteEntry>> ReadDirectory() = 0;
    // ReadDirectory, raising directoryEntry for each entry whose name matches `mask` ('*' any
    // run, '?' one character, letter case ignored; "*.*" matches every entry).
    Result<void> ListDirectory(std::string_view mask = "*.*");

    // ---- Certificates and host keys ----
    // What the last call (normally Connect) could not verify; nothing when that call met
    // no such certificate or key.
    virtual std::optional<UnverifiedPeer> LastUnverifiedPeer() const = 0;
    // Trusts LastUnverifiedPeer() for this site from now on: the next Connect accepts it,
    // and so do later runs, as it is kept beside ftp.txt. Fails when there is nothing to
    // trust, when the peer replaces one known before (FtpErrc::PeerChanged), or when the
    // choice could not be saved (it still holds for this component).
    virtual Result<void> TrustUnverifiedPeer() = 0;

private:
    std::string remoteHost_;
    std::string userName_;
    std::string password_;
    bool binary_ = true;
    std::filesystem::path localFile_;
    std::string remoteFile_;
    FtpEvents events_;
};

// Connects `ftp`. A certificate or host key that does not verify is trusted for the site
// when `accept` says yes to it (the login asks the user; `publish --trust` compares the
// fingerprint), and the connection is made again. A key that replaces one known before is
// never offered to `accept` (Connect fails with FtpErrc::PeerChanged). `trustNotSaved`
// hears when a trust could not be kept for later runs; it still holds for `ftp`.
Result<void> ConnectTrusting(FtpComponent& ftp, const std::function<bool(const UnverifiedPeer&)>& accept,
                             const std::function<void(const std::error_code&)>& trustNotSaved = {});

// True when `name` matches the wildcard `mask` as ListDirectory matches it.
bool MatchesMask(std::string_view name, std::string_view mask);

}  // namespace pw::publisher
