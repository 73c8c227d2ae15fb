#include "publisher/curl_ftp.hpp"

#include <curl/curl.h>
#include <fcntl.h>
#include <openssl/evp.h>
#include <openssl/ssl.h>
#include <openssl/x509v3.h>
#include <sys/select.h>
#include <sys/stat.h>

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <cstring>
#include <optional>

#include "publisher/digest.hpp"
#include "publisher/host_address.hpp"
#include "publisher/peer_trust.hpp"
#include "shell/general/file_descriptor.hpp"
#include "shell/general/files.hpp"

namespace pw::publisher {
namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

// A listing larger than this is no listing a web host sends; stop reading it.
constexpr std::size_t kMaxListingBytes = 64u << 20;
constexpr std::size_t kMaxListingEntries = 100'000;
constexpr std::string_view kListingTooLarge = "the folder listing is too large";

// An upload goes to this name beside its target first, then is renamed over it. A leading
// dot keeps it out of the usual listings; keeping the target's ending satisfies hosts that
// accept uploads by file ending only.
constexpr std::string_view kUploadPrefix = ".pw-";
constexpr long kSftpUploadBuffer = 256L << 10;

struct CurlDeleter {
    void operator()(CURL* curl) const { curl_easy_cleanup(curl); }
};
using CurlHandle = std::unique_ptr<CURL, CurlDeleter>;

struct MultiDeleter {
    void operator()(CURLM* multi) const { curl_multi_cleanup(multi); }
};
using MultiHandle = std::unique_ptr<CURLM, MultiDeleter>;

struct ListDeleter {
    void operator()(curl_slist* list) const { curl_slist_free_all(list); }
};
using CurlList = std::unique_ptr<curl_slist, ListDeleter>;

CurlList MakeList(const std::vector<std::string>& lines) {
    curl_slist* list = nullptr;
    for (const std::string& line : lines) list = curl_slist_append(list, line.c_str());
    return CurlList(list);
}

void InitCurlOnce() {
    static const CURLcode init = curl_global_init(CURL_GLOBAL_DEFAULT);
    (void)init;
}

long WholeSeconds(std::chrono::milliseconds time) {
    return std::max(1L, static_cast<long>((time.count() + 999) / 1000));
}

bool HoldsLineBreakOrNul(std::string_view text) {
    return text.find_first_of(std::string_view("\r\n\0", 3)) != std::string_view::npos;
}

// ---- Remote paths and addresses ----

// `name` inside `folder` (or `name` alone when it is absolute), with ".", ".." and doubled
// slashes resolved; always absolute.
std::string JoinRemote(std::string_view folder, std::string_view name) {
    std::vector<std::string_view> parts;
    const auto add = [&](std::string_view path) {
        while (!path.empty()) {
            const std::size_t end = std::min(path.find('/'), path.size());
            const std::string_view part = path.substr(0, end);
            path.remove_prefix(std::min(end + 1, path.size()));
            if (part.empty() || part == ".") continue;
            if (part == "..") {
                if (!parts.empty()) parts.pop_back();
            } else {
                parts.push_back(part);
            }
        }
    };
    if (!name.starts_with('/')) add(folder);
    add(name);
    std::string joined;
    for (const std::string_view part : parts) (joined += '/') += part;
    return joined.empty() ? "/" : joined;
}

// Percent-encodes everything but unreserved characters and the '/' between folders.
std::string EncodePath(std::string_view path) {
    static constexpr char kHex[] = "0123456789ABCDEF";
    std::string encoded;
    for (const char c : path) {
        const auto u = static_cast<unsigned char>(c);
        const bool unreserved = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
                                std::string_view("-._~/").find(c) != std::string_view::npos;
        if (unreserved) {
            encoded.push_back(c);
        } else {
            encoded += {'%', kHex[u >> 4], kHex[u & 0xF]};
        }
    }
    return encoded;
}

// A path for SFTP quote commands: quoted, with '"' and '\' escaped.
std::string SftpQuoted(std::string_view path) {
    std::string quoted = "\"";
    for (const char c : path) {
        if (c == '"' || c == '\\') quoted.push_back('\\');
        quoted.push_back(c);
    }
    return quoted + "\"";
}

// The folder in a "257 "/www" is the current directory" reply ("" inside stands for ").
std::optional<std::string> FolderOfPwdReply(std::string_view reply) {
    if (!reply.starts_with("257")) return std::nullopt;
    std::size_t pos = reply.find('"');
    if (pos == std::string_view::npos) return std::nullopt;
    std::string folder;
    for (++pos; pos < reply.size(); ++pos) {
        if (reply[pos] != '"') {
            folder.push_back(reply[pos]);
        } else if (pos + 1 < reply.size() && reply[pos + 1] == '"') {
            folder.push_back('"');
            ++pos;
        } else {
            return folder;
        }
    }
    return std::nullopt;
}

// ---- Fingerprints ----

std::string ColonHex(const unsigned char* bytes, std::size_t size) {
    static constexpr char kHex[] = "0123456789ABCDEF";
    std::string text;
    for (std::size_t i = 0; i < size; ++i) {
        if (i) text.push_back(':');
        text += {kHex[bytes[i] >> 4], kHex[bytes[i] & 0xF]};
    }
    return text;
}

// As `openssl x509 -fingerprint -sha256` shows it.
std::string CertificateFingerprint(X509* certificate) {
    unsigned char digest[EVP_MAX_MD_SIZE];
    unsigned size = 0;
    if (!certificate || X509_digest(certificate, EVP_sha256(), digest, &size) != 1) return {};
    return ColonHex(digest, size);
}

std::string Base64(std::string_view bytes) {
    std::string text(4 * ((bytes.size() + 2) / 3) + 1, '\0');
    const int size =
        EVP_EncodeBlock(reinterpret_cast<unsigned char*>(text.data()),
                        reinterpret_cast<const unsigned char*>(bytes.data()), static_cast<int>(bytes.size()));
    text.resize(static_cast<std::size_t>(size));
    return text;
}

// The key in base64, as known_hosts holds it (libcurl hands it over either way).
std::string KeyBase64(const curl_khkey& key) {
    return key.len > 0 ? Base64(std::string_view(key.key, key.len)) : std::string(key.key);
}

// As `ssh-keygen -l` shows it: "SHA256:" and the digest in base64 without padding.
std::string HostKeyFingerprint(const curl_khkey& key) {
    std::string raw;
    if (key.len > 0) {
        raw.assign(key.key, key.len);
    } else {
        const std::size_t length = std::strlen(key.key);
        raw.resize(length / 4 * 3 + 3);
        const int decoded = EVP_DecodeBlock(reinterpret_cast<unsigned char*>(raw.data()),
                                            reinterpret_cast<const unsigned char*>(key.key), static_cast<int>(length));
        raw.resize(decoded < 0 ? 0 : static_cast<std::size_t>(decoded));
        // EVP_DecodeBlock counts the padding as zero bytes.
        for (std::size_t i = length; i > 0 && key.key[i - 1] == '='; --i) raw.pop_back();
    }
    const Sha256Digest digest = Sha256(raw);
    std::string text = Base64(std::string_view(reinterpret_cast<const char*>(digest.data()), digest.size()));
    while (text.ends_with('=')) text.pop_back();
    return "SHA256:" + text;
}

// The blank-separated fields of a line.
std::vector<std::string_view> Fields(std::string_view line) {
    std::vector<std::string_view> fields;
    for (std::size_t pos = 0; pos < line.size();) {
        const std::size_t start = line.find_first_not_of(" \t\r", pos);
        if (start == std::string_view::npos) break;
        const std::size_t stop = std::min(line.find_first_of(" \t\r", start), line.size());
        fields.push_back(line.substr(start, stop - start));
        pos = stop;
    }
    return fields;
}

// The line (from 1) of a known_hosts file that holds `key` (base64) for `host` ("name" or
// "[name]:port" as known_hosts writes it), else the first that holds `key` for any host
// (hashed host names cannot be told apart); 0 when none does.
std::size_t LineHoldingKey(const fs::path& knownHosts, std::string_view key, std::string_view host) {
    const auto bytes = ReadWholeFile(knownHosts);
    if (!bytes) return 0;
    std::size_t anyHost = 0;
    std::string_view rest = *bytes;
    for (std::size_t line = 1; !rest.empty(); ++line) {
        const std::size_t end = std::min(rest.find('\n'), rest.size());
        const std::vector<std::string_view> fields = Fields(rest.substr(0, end));
        rest.remove_prefix(std::min(end + 1, rest.size()));
        // [marker] hosts type key [comment]
        const auto at = std::ranges::find(fields, key);
        if (at == fields.end() || at - fields.begin() < 2) continue;
        const std::string_view hosts = *(at - 2);
        for (std::size_t pos = 0; pos <= hosts.size();) {
            const std::size_t stop = std::min(hosts.find(',', pos), hosts.size());
            if (hosts.substr(pos, stop - pos) == host) return line;
            pos = stop + 1;
        }
        if (!anyHost) anyHost = line;
    }
    return anyHost;
}

// What the user is told about a certificate or host key that differs from the one kept.
std::string ChangedPeerText(const UnverifiedPeer& peer) {
    const KeptFingerprint& old = *peer.replaces;
    const std::string what = peer.endpoint.starts_with("sftp:") ? "host key" : "certificate";
    const std::string where = (old.line ? "line " + std::to_string(old.line) + " of " : "") + old.file.string();
    return "The " + what + " of " + peer.endpoint + " has CHANGED. It was " + old.fingerprint + " (" + where +
           ") and is now " + peer.fingerprint +
           ". Someone may be posing as the host, so nothing was sent. If the host's owner says the " + what +
           " was changed, remove " + where + " and connect again.";
}

int SslSelfIndex() {
    static const int index = SSL_CTX_get_ex_new_index(0, nullptr, nullptr, nullptr, nullptr);
    return index;
}

// ---- Local files ----

// The mode of the file a download replaces; nothing when there is none.
std::optional<mode_t> ExistingMode(const fs::path& target) {
    struct stat existing {};
    if (::stat(target.c_str(), &existing) != 0) return std::nullopt;
    return existing.st_mode & 07777;
}

// ---- The component ----

enum class Phase { Connect, Command, Transfer };

FtpErrc KindOf(CURLcode code) {
    switch (code) {
        case CURLE_UNSUPPORTED_PROTOCOL:
        case CURLE_URL_MALFORMAT: return FtpErrc::BadAddress;
        case CURLE_LOGIN_DENIED: return FtpErrc::LoginRefused;
        case CURLE_OPERATION_TIMEDOUT: return FtpErrc::TimedOut;
        case CURLE_COULDNT_RESOLVE_HOST:
        case CURLE_COULDNT_CONNECT:
        case CURLE_SSL_CONNECT_ERROR:
        case CURLE_USE_SSL_FAILED:
        case CURLE_PEER_FAILED_VERIFICATION:
        case CURLE_SSL_CACERT_BADFILE: return FtpErrc::CannotConnect;
        // The server answered no.
        case CURLE_REMOTE_ACCESS_DENIED:
        case CURLE_QUOTE_ERROR:
        case CURLE_UPLOAD_FAILED:
        case CURLE_REMOTE_FILE_NOT_FOUND:
        case CURLE_FTP_COULDNT_RETR_FILE:
        case CURLE_REMOTE_DISK_FULL:
        case CURLE_REMOTE_FILE_EXISTS:
        case CURLE_FTP_COULDNT_SET_TYPE: return FtpErrc::Refused;
        case CURLE_SEND_ERROR:
        case CURLE_RECV_ERROR:
        case CURLE_PARTIAL_FILE:
        case CURLE_GOT_NOTHING:
        case CURLE_FTP_ACCEPT_FAILED:
        case CURLE_FTP_CANT_GET_HOST:
        case CURLE_FTP_WEIRD_PASV_REPLY:
        case CURLE_FTP_WEIRD_227_FORMAT:
        case CURLE_WEIRD_SERVER_REPLY: return FtpErrc::ConnectionLost;
        default: return FtpErrc::Failed;
    }
}

// What one transfer (RunTransfer) does.
struct Request {
    std::string url;
    Phase phase = Phase::Command;
    bool transfer = false;                    // false: commands only, no data connection
    std::vector<std::string> quote = {};      // commands sent before the URL's folder is entered
    std::vector<std::string> postQuote = {};  // commands sent after
    const char* listCommand = nullptr;        // in place of LIST ("MLSD")
    std::string* listing = nullptr;           // where listing bytes go
    int downloadFd = -1;                      // where downloaded bytes go
    int uploadFd = -1;                        // where uploaded bytes come from
    curl_off_t uploadSize = -1;
    bool text = false;  // ASCII type
};

class CurlFtp final : public FtpComponent {
public:
    explicit CurlFtp(FtpSettings settings) : settings_(std::move(settings)), trust_(settings_.trustFile) {
        InitCurlOnce();
    }
    ~CurlFtp() override { Disconnect(); }

    bool ReportsProgress() const override { return true; }
    Result<void> Connect() override;
    std::string LoginFolder() const override { return loginFolder_; }
    void Disconnect() override;
    std::string Directory() const override { return directory_; }
    Result<void> SetDirectory(std::string_view folder) override;
    Result<void> GetFile() override;
    Result<void> PutFile() override;
    Result<void> DeleteFile(std::string_view name) override;
    Result<void> MakeDirectory(std::string_view name) override;
    Result<void> RemoveDirectory(std::string_view name) override;
    Result<std::vector<RemoteEntry>> ReadDirectory() override;
    std::optional<UnverifiedPeer> LastUnverifiedPeer() const override { return unverified_; }
    Result<void> TrustUnverifiedPeer() override;

private:
    bool Sftp() const { return address_->protocol == Protocol::Sftp; }
    std::string FolderUrl(const std::string& folder) const;
    std::string FileUrl(const std::string& file) const;
    Result<std::string> RemotePath(std::string_view name) const;
    Result<void> Connected() const;
    void Configure();
    Result<void> Perform(const Request& request);
    Result<void> PerformOnce(const Request& request);
    bool SessionReuseRefused() const;
    bool RefusedBeside() const;
    Result<void> Upload(int fd, curl_off_t size, const std::string& target, const std::string& remote);
    CURLcode RunTransfer();
    Result<void> RunCommand(std::string ftpCommand, std::string sftpCommand, std::string_view name);
    Result<std::string> Listing(const std::string& folder);
    std::error_code Describe(CURLcode code, Phase phase) const;
    std::optional<std::string> LastReply() const;
    std::optional<UnverifiedPeer> ChangedHostKey(const curl_khkey* known, const std::string& fingerprint) const;
    Result<void> ConfirmSent(curl_off_t size) const;

    static std::size_t OnWrite(char* data, std::size_t size, std::size_t count, void* self);
    static std::size_t OnRead(char* data, std::size_t size, std::size_t count, void* self);
    static std::size_t OnHeader(char* data, std::size_t size, std::size_t count, void* self);
    static int OnProgress(void* self, curl_off_t downTotal, curl_off_t down, curl_off_t upTotal, curl_off_t up);
    static CURLcode OnSslContext(CURL* curl, void* context, void* self);
    static int OnVerifyCertificate(int preverified, X509_STORE_CTX* store);
    static int OnHostKey(CURL* curl, const curl_khkey* known, const curl_khkey* found, curl_khmatch match, void* self);

    FtpSettings settings_;
    // The connection lives in the multi handle's pool, so both go together.
    MultiHandle multi_;
    CurlHandle curl_;
    PeerTrust trust_;                     // read once, so a trust that could not be saved still holds here
    std::optional<HostAddress> address_;  // set while connected
    std::string directory_;
    std::string loginFolder_;
    bool mlsd_ = false;
    bool tlsRequiredByTrust_ = false;  // reached with TLS before: refuse the host without it
    bool tlsStarted_ = false;          // TLS was set up during the running connection
    bool sendInPlace_ = false;         // the host refused an upload beside its target, or the rename
    std::optional<UnverifiedPeer> unverified_;

    // State of the running perform.
    const Request* request_ = nullptr;
    CURLcode code_ = CURLE_OK;  // how the last perform ended
    char errorText_[CURL_ERROR_SIZE] = {};
    std::vector<std::string> replies_;
    std::optional<UnverifiedPeer> presented_;  // what the running perform could not verify
    std::optional<std::string> localError_;    // a local read or write failed: why
    std::size_t listingLines_ = 0;
    bool listingTooLarge_ = false;
    bool stalled_ = false;
    Clock::time_point lastActivity_;
    curl_off_t lastDown_ = 0, lastUp_ = 0;
    std::pair<curl_off_t, curl_off_t> lastReported_{0, 0};
};

// libcurl takes an FTP path as relative to the login folder unless it starts with %2F; one
// CWD then enters the whole folder (CURLFTPMETHOD_SINGLECWD).
std::string CurlFtp::FolderUrl(const std::string& folder) const {
    std::string url = address_->Endpoint() + (Sftp() ? "" : "/%2F") + EncodePath(Sftp() ? folder : folder.substr(1));
    if (folder != "/") url += '/';
    return url;
}

std::string CurlFtp::FileUrl(const std::string& file) const {
    return address_->Endpoint() + (Sftp() ? "" : "/%2F") + EncodePath(Sftp() ? file : file.substr(1));
}

Result<std::string> CurlFtp::RemotePath(std::string_view name) const {
    if (name.empty()) return Fail(MakeFtpError(FtpErrc::BadName, "No remote name was given"));
    if (HoldsLineBreakOrNul(name)) {
        return Fail(
            MakeFtpError(FtpErrc::BadName, "The remote name holds a line break: \"" + std::string(name) + "\""));
    }
    return JoinRemote(directory_, name);
}

Result<void> CurlFtp::Connected() const {
    if (!curl_) return Fail(MakeFtpError(FtpErrc::NotConnected, ""));
    return {};
}

void CurlFtp::Configure() {
    CURL* curl = curl_.get();
    curl_easy_setopt(curl, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(curl, CURLOPT_ERRORBUFFER, errorText_);
    // Never through a proxy from the environment (ftp_proxy, all_proxy...): libcurl would
    // carry FTP as HTTP, hand the password to the proxy and take its answer for the host's.
    curl_easy_setopt(curl, CURLOPT_PROXY, "");
    if (!UserName().empty()) curl_easy_setopt(curl, CURLOPT_USERNAME, UserName().c_str());
    curl_easy_setopt(curl, CURLOPT_PASSWORD, Password().c_str());
    curl_easy_setopt(curl, CURLOPT_CONNECTTIMEOUT_MS, static_cast<long>(settings_.connectTimeout.count()));
    curl_easy_setopt(curl, CURLOPT_LOW_SPEED_LIMIT, 1L);
    curl_easy_setopt(curl, CURLOPT_LOW_SPEED_TIME, WholeSeconds(settings_.stallTime));
    curl_easy_setopt(curl, CURLOPT_SERVER_RESPONSE_TIMEOUT, WholeSeconds(settings_.stallTime));
    // Stay logged in however long the user pauses between commands.
    curl_easy_setopt(curl, CURLOPT_MAXAGE_CONN, 24L * 3600);
    curl_easy_setopt(curl, CURLOPT_TCP_KEEPALIVE, 1L);
    curl_easy_setopt(curl, CURLOPT_NOPROGRESS, 0L);
    curl_easy_setopt(curl, CURLOPT_XFERINFOFUNCTION, &CurlFtp::OnProgress);
    curl_easy_setopt(curl, CURLOPT_XFERINFODATA, this);
    curl_easy_setopt(curl, CURLOPT_HEADERFUNCTION, &CurlFtp::OnHeader);
    curl_easy_setopt(curl, CURLOPT_HEADERDATA, this);
    curl_easy_setopt(curl, CURLOPT_WRITEFUNCTION, &CurlFtp::OnWrite);
    curl_easy_setopt(curl, CURLOPT_WRITEDATA, this);
    curl_easy_setopt(curl, CURLOPT_READFUNCTION, &CurlFtp::OnRead);
    curl_easy_setopt(curl, CURLOPT_READDATA, this);
    if (Sftp()) {
        // An empty password means the user's SSH agent and keys.
        long methods = CURLSSH_AUTH_PASSWORD | CURLSSH_AUTH_KEYBOARD;
        if (Password().empty()) {
            methods = CURLSSH_AUTH_AGENT;
            const auto key = std::ranges::find_if(settings_.identityFiles, [](const fs::path& file) {
                std::error_code ignored;
                return fs::is_regular_file(file, ignored);
            });
            if (key != settings_.identityFiles.end()) {
                methods |= CURLSSH_AUTH_PUBLICKEY;
                curl_easy_setopt(curl, CURLOPT_SSH_PRIVATE_KEYFILE, key->c_str());
                curl_easy_setopt(curl, CURLOPT_SSH_PUBLIC_KEYFILE, "");  // taken from the private key
            }
        }
        curl_easy_setopt(curl, CURLOPT_SSH_AUTH_TYPES, methods);
        // libssh2 sends what one write hands it as packets of about 30 KB, all before the
        // first acknowledgement: a larger buffer keeps more of them in flight on a slow link.
        curl_easy_setopt(curl, CURLOPT_UPLOAD_BUFFERSIZE, kSftpUploadBuffer);
        // Always a known-hosts file, so every host key goes through OnHostKey.
        const fs::path knownHosts = settings_.knownHostsFile.empty() ? fs::path("/dev/null") : settings_.knownHostsFile;
        curl_easy_setopt(curl, CURLOPT_SSH_KNOWNHOSTS, knownHosts.c_str());
        curl_easy_setopt(curl, CURLOPT_SSH_KEYFUNCTION, &CurlFtp::OnHostKey);
        curl_easy_setopt(curl, CURLOPT_SSH_KEYDATA, this);
        return;
    }
    curl_easy_setopt(curl, CURLOPT_FTP_FILEMETHOD, static_cast<long>(CURLFTPMETHOD_SINGLECWD));
    // A host that was reached with TLS and now offers none looks like someone in between
    // removing it: require it, so the user name and password are never sent readable.
    tlsRequiredByTrust_ = address_->protocol == Protocol::Ftp && trust_.RequiresTls(address_->Endpoint());
    const long tls = address_->protocol == Protocol::FtpRequireTls || tlsRequiredByTrust_ ? CURLUSESSL_ALL
                     : address_->protocol == Protocol::Ftp                                ? CURLUSESSL_TRY
                                                                                          : CURLUSESSL_NONE;
    curl_easy_setopt(curl, CURLOPT_USE_SSL, tls);
    curl_easy_setopt(curl, CURLOPT_FTPSSLAUTH, static_cast<long>(CURLFTPAUTH_TLS));
    // The chain is verified as usual and the host name by OpenSSL itself (OnSslContext), so
    // that one verify callback sees every problem and can honour a certificate the user trusts.
    curl_easy_setopt(curl, CURLOPT_SSL_VERIFYPEER, 1L);
    curl_easy_setopt(curl, CURLOPT_SSL_VERIFYHOST, 0L);
    curl_easy_setopt(curl, CURLOPT_SSL_CTX_FUNCTION, &CurlFtp::OnSslContext);
    curl_easy_setopt(curl, CURLOPT_SSL_CTX_DATA, this);
}

// Under TLS 1.3 a data connection resumes the control connection's session with a ticket
// the server may take only once (vsftpd does, and then requires the resumption); libcurl
// keeps one ticket and does not always read the fresh one a short upload's connection
// brings. Refused so ("522 ... session reuse required"), the transfer is tried once more on
// a fresh connection, whose login brings fresh tickets.
Result<void> CurlFtp::Perform(const Request& request) {
    Result<void> done = PerformOnce(request);
    if (done || !request.transfer || Sftp() || !SessionReuseRefused()) return done;
    if (request.uploadFd >= 0 && ::lseek(request.uploadFd, 0, SEEK_SET) != 0) return done;
    if (request.downloadFd >= 0 &&
        (::ftruncate(request.downloadFd, 0) != 0 || ::lseek(request.downloadFd, 0, SEEK_SET) != 0))
        return done;
    if (request.listing) request.listing->clear();
    curl_easy_setopt(curl_.get(), CURLOPT_FRESH_CONNECT, 1L);
    done = PerformOnce(request);
    curl_easy_setopt(curl_.get(), CURLOPT_FRESH_CONNECT, 0L);
    return done;
}

// After an upload beside its target failed: the host refused the name before any byte
// moved, or refused the rename. (A full disk is no reason to try in place.)
bool CurlFtp::RefusedBeside() const {
    if (code_ == CURLE_QUOTE_ERROR) return true;
    curl_off_t sent = 0;
    curl_easy_getinfo(curl_.get(), CURLINFO_SIZE_UPLOAD_T, &sent);
    return (code_ == CURLE_UPLOAD_FAILED || code_ == CURLE_REMOTE_ACCESS_DENIED) && sent == 0;
}

bool CurlFtp::SessionReuseRefused() const {
    const std::optional<std::string> reply = LastReply();
    if (reply && reply->starts_with("522")) return true;
    // Under TLS the refusal can overtake libcurl: the data connection is cut while it sends,
    // or the control connection's replies fall out of step with its next passive request.
    return tlsStarted_ && (code_ == CURLE_SEND_ERROR || code_ == CURLE_FTP_WEIRD_PASV_REPLY);
}

Result<void> CurlFtp::PerformOnce(const Request& request) {
    CURL* curl = curl_.get();
    const CurlList quote = MakeList(request.quote);
    const CurlList postQuote = MakeList(request.postQuote);
    curl_easy_setopt(curl, CURLOPT_URL, request.url.c_str());
    curl_easy_setopt(curl, CURLOPT_NOBODY, request.transfer ? 0L : 1L);
    curl_easy_setopt(curl, CURLOPT_UPLOAD, request.uploadFd >= 0 ? 1L : 0L);
    curl_easy_setopt(curl, CURLOPT_INFILESIZE_LARGE, request.uploadSize);
    curl_easy_setopt(curl, CURLOPT_TRANSFERTEXT, request.text ? 1L : 0L);
    curl_easy_setopt(curl, CURLOPT_CUSTOMREQUEST, request.listCommand);
    curl_easy_setopt(curl, CURLOPT_QUOTE, quote.get());
    curl_easy_setopt(curl, CURLOPT_POSTQUOTE, postQuote.get());

    request_ = &request;
    errorText_[0] = '\0';
    replies_.clear();
    presented_.reset();
    localError_.reset();
    listingLines_ = 0;
    listingTooLarge_ = false;
    stalled_ = false;
    lastActivity_ = Clock::now();
    lastDown_ = lastUp_ = 0;
    lastReported_ = {0, 0};
    const CURLcode code = code_ = RunTransfer();
    request_ = nullptr;
    curl_easy_setopt(curl, CURLOPT_QUOTE, nullptr);
    curl_easy_setopt(curl, CURLOPT_POSTQUOTE, nullptr);

    unverified_ = presented_;
    if (code == CURLE_OK) return {};
    return Fail(Describe(code, request.phase));
}

// curl_easy_perform, with the loop in our hands: after some steps (the EPSV reply among
// them) libcurl 7.88 leaves work pending with no socket to wait on and no timer, which
// curl_easy_perform sits out for a whole second. When libcurl watches no socket it is run
// again at once, and after a millisecond when that was not enough.
CURLcode CurlFtp::RunTransfer() {
    CURLM* multi = multi_.get();
    if (curl_multi_add_handle(multi, curl_.get()) != CURLM_OK) return CURLE_OUT_OF_MEMORY;
    CURLcode result = CURLE_OK;
    int idleRounds = 0;
    while (true) {
        int running = 0;
        if (curl_multi_perform(multi, &running) != CURLM_OK) {
            result = CURLE_OUT_OF_MEMORY;
            break;
        }
        if (!running) break;
        fd_set read, write, error;
        FD_ZERO(&read);
        FD_ZERO(&write);
        FD_ZERO(&error);
        int watched = -1;
        curl_multi_fdset(multi, &read, &write, &error, &watched);
        if (watched < 0 && idleRounds++ == 0) continue;
        if (watched >= 0) idleRounds = 0;
        long timeout = -1;
        curl_multi_timeout(multi, &timeout);
        const long wait = watched < 0 ? 1 : (timeout < 0 || timeout > 1000) ? 1000 : timeout;
        curl_multi_poll(multi, nullptr, 0, static_cast<int>(wait), nullptr);
    }
    int left = 0;
    while (const CURLMsg* message = curl_multi_info_read(multi, &left)) {
        if (message->msg == CURLMSG_DONE) result = message->data.result;
    }
    curl_multi_remove_handle(multi, curl_.get());
    return result;
}

std::optional<std::string> CurlFtp::LastReply() const {
    for (auto reply = replies_.rbegin(); reply != replies_.rend(); ++reply) {
        // The final line of a reply: three digits and a blank.
        if (reply->size() >= 4 && std::isdigit(static_cast<unsigned char>((*reply)[0])) && (*reply)[3] == ' ') {
            return *reply;
        }
    }
    return std::nullopt;
}

std::error_code CurlFtp::Describe(CURLcode code, Phase phase) const {
    if (presented_ && presented_->replaces) return MakeFtpError(FtpErrc::PeerChanged, ChangedPeerText(*presented_));
    if (presented_) {
        return MakeFtpError(FtpErrc::UnverifiedPeer, "The identity of " + presented_->endpoint +
                                                         " could not be verified: " + presented_->reason +
                                                         ". Fingerprint: " + presented_->fingerprint);
    }
    if (localError_) return MakeFtpError(FtpErrc::LocalFile, *localError_);
    if (listingTooLarge_) return MakeFtpError(FtpErrc::Failed, std::string(kListingTooLarge));
    if (code == CURLE_USE_SSL_FAILED && tlsRequiredByTrust_) {
        return MakeFtpError(FtpErrc::TlsWithdrawn,
                            address_->host +
                                " offered encryption before and does not now; the connection was stopped so the "
                                "password is not sent readable");
    }
    const long limit = WholeSeconds(std::max(settings_.stallTime, settings_.connectTimeout));
    if (stalled_) return MakeFtpError(FtpErrc::TimedOut, "The host did not answer for " + std::to_string(limit) + " s");

    FtpErrc kind = KindOf(code);
    // Whatever keeps a login from completing is, to the user, a failed connection.
    if (phase == Phase::Connect &&
        (kind == FtpErrc::Refused || kind == FtpErrc::ConnectionLost || kind == FtpErrc::Failed)) {
        kind = FtpErrc::CannotConnect;
    }
    const std::string text = errorText_[0] ? errorText_ : curl_easy_strerror(code);
    const std::optional<std::string> reply = LastReply();
    const bool replyIsRefusal = reply && ((*reply)[0] == '4' || (*reply)[0] == '5');
    if ((kind == FtpErrc::Refused || kind == FtpErrc::LoginRefused) && replyIsRefusal)
        return MakeFtpError(kind, *reply);
    if (replyIsRefusal && text.find(*reply) == std::string::npos) {
        return MakeFtpError(kind, text + " (the host said: " + *reply + ")");
    }
    return MakeFtpError(kind, text);
}

Result<void> CurlFtp::Connect() {
    Disconnect();
    unverified_.reset();
    const auto address = ParseHostAddress(RemoteHost());
    if (!address) {
        return Fail(MakeFtpError(FtpErrc::BadAddress, "\"" + RemoteHost() + "\" is not a host name or address"));
    }
    if (HoldsLineBreakOrNul(UserName()) || HoldsLineBreakOrNul(Password())) {
        return Fail(MakeFtpError(FtpErrc::BadName, "The user name or password holds a line break"));
    }
    address_ = *address;
    multi_.reset(curl_multi_init());
    curl_.reset(curl_easy_init());
    if (!multi_ || !curl_) return Fail(std::make_error_code(std::errc::not_enough_memory));
    Configure();
    tlsStarted_ = false;

    // Logging in is all this does; FEAT tells whether MLSD listings are there, and UTF-8
    // names are asked for where the server needs asking. '*': a refusal is no failure.
    Request login{.url = address_->Endpoint() + "/", .phase = Phase::Connect};
    if (!Sftp()) login.quote = {"*FEAT", "*OPTS UTF8 ON"};
    if (auto done = Perform(login); !done) {
        Disconnect();
        return done;
    }
    mlsd_ = std::ranges::any_of(replies_, [](const std::string& line) {
        // Features are listed one a line, each after a blank; MLST implies MLSD.
        std::string feature = line.substr(0, 5);
        for (char& c : feature) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
        return feature == " MLST" || feature == " MLSD";
    });
    const char* entry = nullptr;
    curl_easy_getinfo(curl_.get(), CURLINFO_FTP_ENTRY_PATH, &entry);
    directory_ = entry && *entry ? entry : "/";
    loginFolder_ = directory_;
    sendInPlace_ = false;
    // Never again without it. Not saving this costs only the protection, not the connection.
    if (tlsStarted_) (void)trust_.RequireTls(address_->Endpoint());
    return {};
}

void CurlFtp::Disconnect() {
    curl_.reset();
    multi_.reset();  // says goodbye (QUIT) on a connection that still works
    address_.reset();
    directory_.clear();
    loginFolder_.clear();
}

Result<void> CurlFtp::SetDirectory(std::string_view folder) {
    if (auto ready = Connected(); !ready) return ready;
    auto target = RemotePath(folder);
    if (!target) return Fail(target.error());
    if (Sftp()) {
        // SFTP has no "change folder": the folder is good when it can be listed.
        auto listing = Listing(*target);
        if (!listing) return Fail(listing.error());
        directory_ = *target;
        return {};
    }
    Request request{.url = FolderUrl(*target), .postQuote = {"PWD"}};
    if (auto done = Perform(request); !done) return done;
    const std::optional<std::string> reply = LastReply();
    directory_ = reply ? FolderOfPwdReply(*reply).value_or(*target) : *target;
    return {};
}

Result<std::string> CurlFtp::Listing(const std::string& folder) {
    std::string bytes;
    Request request{.url = FolderUrl(folder), .phase = Phase::Transfer, .transfer = true, .listing = &bytes};
    if (!Sftp() && mlsd_) request.listCommand = "MLSD";
    if (auto done = Perform(request); !done) return Fail(done.error());
    return bytes;
}

Result<std::vector<RemoteEntry>> CurlFtp::ReadDirectory() {
    if (auto ready = Connected(); !ready) return Fail(ready.error());
    const auto bytes = Listing(directory_);
    if (!bytes) return Fail(bytes.error());
    std::vector<RemoteEntry> entries =
        ParseListing(*bytes, !Sftp() && mlsd_ ? ListingFormat::Mlsd : ListingFormat::List);
    const bool hasParent = std::ranges::any_of(entries, [](const RemoteEntry& e) { return e.name == ".."; });
    // Many servers leave ".." out; the user still needs a way up.
    if (!hasParent && JoinRemote(directory_, "") != "/") {
        entries.insert(entries.begin(), RemoteEntry{"..", kFolderAttribute, std::nullopt});
    }
    return entries;
}

Result<void> CurlFtp::GetFile() {
    if (auto ready = Connected(); !ready) return ready;
    const auto remote = RemotePath(RemoteFile());
    if (!remote) return Fail(remote.error());
    const fs::path target = LocalFile();
    const auto localFailure = [&](std::error_code error) {
        return Fail(MakeFtpError(FtpErrc::LocalFile, target.string() + ": " + error.message()));
    };
    if (target.filename().empty()) return localFailure(std::make_error_code(std::errc::invalid_argument));
    // The bytes land beside the target, which they replace only once complete.
    ReplacingFile file;
    const std::optional<mode_t> mode = ExistingMode(target);  // a new file gets 0666 less the umask
    if (const std::error_code error = ReplacingFile::Create(target, mode.value_or(0666), file))
        return localFailure(error);
    Request request{.url = FileUrl(*remote),
                    .phase = Phase::Transfer,
                    .transfer = true,
                    .downloadFd = file.get(),
                    .text = !Binary()};
    Result<void> done = Perform(request);
    if (done && mode && ::fchmod(file.get(), *mode) != 0) done = localFailure(LastError());
    if (done) {
        if (const std::error_code error = file.Commit()) done = localFailure(error);
    }
    return done;  // a failed download's temporary goes with `file`
}

Result<void> CurlFtp::PutFile() {
    if (auto ready = Connected(); !ready) return ready;
    const auto remote = RemotePath(RemoteFile());
    if (!remote) return Fail(remote.error());
    const fs::path& source = LocalFile();
    const auto localFailure = [&](std::error_code error) {
        return Fail(MakeFtpError(FtpErrc::LocalFile, source.string() + ": " + error.message()));
    };
    const FileDescriptor fd(::open(source.c_str(), O_RDONLY | O_CLOEXEC));
    if (!fd.valid()) return localFailure(LastError());
    struct stat status {};
    if (::fstat(fd.get(), &status) != 0) return localFailure(LastError());
    if (!S_ISREG(status.st_mode)) return localFailure(std::make_error_code(std::errc::is_a_directory));
    const auto size = static_cast<curl_off_t>(status.st_size);
    if (sendInPlace_) return Upload(fd.get(), size, *remote, *remote);

    const std::string beside =
        JoinRemote(JoinRemote(*remote, ".."), std::string(kUploadPrefix) + fs::path(*remote).filename().string());
    Result<void> sent = Upload(fd.get(), size, beside, *remote);
    if (sent || !RefusedBeside()) return sent;
    // The host took neither the file beside nor the rename: whatever reached it beside goes,
    // and the file is sent as hosts have always been sent files, in place.
    Request removal{.url = FolderUrl(directory_), .quote = {Sftp() ? "*rm " + SftpQuoted(beside) : "*DELE " + beside}};
    (void)Perform(removal);
    if (::lseek(fd.get(), 0, SEEK_SET) != 0) return localFailure(LastError());
    sent = Upload(fd.get(), size, *remote, *remote);
    if (!sent) return sent;
    sendInPlace_ = true;
    if (events().notice) {
        events().notice(
            "The host refuses to take files beside the ones they replace, so they are sent in place: "
            "an upload that fails half way leaves that file incomplete on the host");
    }
    return sent;
}

// Sends `fd` as `target`, then renames it to `remote` when they differ (for SFTP after
// removing `remote`: SFTP's rename does not replace a file).
Result<void> CurlFtp::Upload(int fd, curl_off_t size, const std::string& target, const std::string& remote) {
    Request request{.url = FileUrl(target),
                    .phase = Phase::Transfer,
                    .transfer = true,
                    .uploadFd = fd,
                    .uploadSize = size,
                    .text = !Binary()};
    if (target != remote && Sftp()) {
        request.postQuote = {"*rm " + SftpQuoted(remote), "rename " + SftpQuoted(target) + " " + SftpQuoted(remote)};
    } else if (target != remote) {
        request.postQuote = {"RNFR " + target, "RNTO " + remote};
    }
    if (auto done = Perform(request); !done) return done;
    return ConfirmSent(request.uploadSize);
}

// A file is sent when the host took all of it; the transfer's own success says the host
// acknowledged it. As text, line ends travel as CR LF, so more bytes may go than the file has.
Result<void> CurlFtp::ConfirmSent(curl_off_t size) const {
    curl_off_t sent = 0;
    curl_easy_getinfo(curl_.get(), CURLINFO_SIZE_UPLOAD_T, &sent);
    if (Binary() ? sent == size : sent >= size) return {};
    return Fail(MakeFtpError(FtpErrc::ConnectionLost, "The host took " + std::to_string(sent) + " of " +
                                                          std::to_string(size) + " bytes of " + RemoteFile()));
}

// One command on a remote path, as FTP and as SFTP spell it.
Result<void> CurlFtp::RunCommand(std::string ftpCommand, std::string sftpCommand, std::string_view name) {
    if (auto ready = Connected(); !ready) return ready;
    const auto path = RemotePath(name);
    if (!path) return Fail(path.error());
    // The quote runs before libcurl enters the URL's folder, so it names the full path.
    Request request{.url = FolderUrl(directory_)};
    request.quote = {Sftp() ? sftpCommand + " " + SftpQuoted(*path) : ftpCommand + " " + *path};
    return Perform(request);
}

Result<void> CurlFtp::DeleteFile(std::string_view name) { return RunCommand("DELE", "rm", name); }
Result<void> CurlFtp::MakeDirectory(std::string_view name) { return RunCommand("MKD", "mkdir", name); }
Result<void> CurlFtp::RemoveDirectory(std::string_view name) { return RunCommand("RMD", "rmdir", name); }

Result<void> CurlFtp::TrustUnverifiedPeer() {
    if (!unverified_) return Fail(std::make_error_code(std::errc::invalid_argument));
    if (unverified_->replaces) return Fail(MakeFtpError(FtpErrc::PeerChanged, ChangedPeerText(*unverified_)));
    return trust_.Add(unverified_->endpoint, unverified_->fingerprint);
}

// ---- libcurl callbacks ----

std::size_t CurlFtp::OnWrite(char* data, std::size_t size, std::size_t count, void* self) {
    auto& ftp = *static_cast<CurlFtp*>(self);
    const std::size_t bytes = size * count;
    const Request& request = *ftp.request_;
    if (request.listing) {
        ftp.listingLines_ += static_cast<std::size_t>(std::count(data, data + bytes, '\n'));
        if (request.listing->size() + bytes > kMaxListingBytes || ftp.listingLines_ > kMaxListingEntries) {
            ftp.listingTooLarge_ = true;
            return 0;
        }
        request.listing->append(data, bytes);
    } else if (request.downloadFd >= 0) {
        if (const std::error_code failed = WriteAll(request.downloadFd, data, bytes)) {
            ftp.localError_ = ftp.LocalFile().string() + ": " + failed.message();
            return 0;
        }
    }
    return bytes;
}

std::size_t CurlFtp::OnRead(char* data, std::size_t size, std::size_t count, void* self) {
    auto& ftp = *static_cast<CurlFtp*>(self);
    std::size_t read = 0;
    if (const std::error_code failed = ReadSome(ftp.request_->uploadFd, data, size * count, read)) {
        ftp.localError_ = ftp.LocalFile().string() + ": " + failed.message();
        return CURL_READFUNC_ABORT;
    }
    return read;
}

std::size_t CurlFtp::OnHeader(char* data, std::size_t size, std::size_t count, void* self) {
    auto& ftp = *static_cast<CurlFtp*>(self);
    std::string_view line(data, size * count);
    while (line.ends_with('\n') || line.ends_with('\r')) line.remove_suffix(1);
    ftp.replies_.emplace_back(line);
    ftp.lastActivity_ = Clock::now();  // an answer is a sign of life
    return size * count;
}

int CurlFtp::OnProgress(void* self, curl_off_t downTotal, curl_off_t down, curl_off_t upTotal, curl_off_t up) {
    auto& ftp = *static_cast<CurlFtp*>(self);
    const auto now = Clock::now();
    if (down != ftp.lastDown_ || up != ftp.lastUp_) {
        ftp.lastActivity_ = now;
        ftp.lastDown_ = down;
        ftp.lastUp_ = up;
    }
    const FtpEvents& events = ftp.events();
    if (events.waiting) events.waiting();
    const Request& request = *ftp.request_;
    if (events.transferProgress && (request.downloadFd >= 0 || request.uploadFd >= 0)) {
        const std::pair<curl_off_t, curl_off_t> report =
            request.uploadFd >= 0 ? std::pair{up, upTotal} : std::pair{down, downTotal};
        if (report != ftp.lastReported_) {
            ftp.lastReported_ = report;
            events.transferProgress(static_cast<std::uint64_t>(report.first),
                                    static_cast<std::uint64_t>(report.second));
        }
    }
    // libcurl's own limits cover connecting, data and FTP answers; this one also covers
    // the SSH requests between them.
    if (now - ftp.lastActivity_ > std::max(ftp.settings_.stallTime, ftp.settings_.connectTimeout)) {
        ftp.stalled_ = true;
        return 1;
    }
    return 0;
}

CURLcode CurlFtp::OnSslContext(CURL*, void* context, void* self) {
    auto* ssl = static_cast<SSL_CTX*>(context);
    auto& ftp = *static_cast<CurlFtp*>(self);
    ftp.tlsStarted_ = true;
    SSL_CTX_set_ex_data(ssl, SslSelfIndex(), self);
    SSL_CTX_set_verify(ssl, SSL_VERIFY_PEER, &CurlFtp::OnVerifyCertificate);
    X509_VERIFY_PARAM* param = SSL_CTX_get0_param(ssl);
    const std::string& host = ftp.address_->host;
    if (X509_VERIFY_PARAM_set1_ip_asc(param, host.c_str()) != 1) X509_VERIFY_PARAM_set1_host(param, host.c_str(), 0);
    return CURLE_OK;
}

int CurlFtp::OnVerifyCertificate(int preverified, X509_STORE_CTX* store) {
    if (preverified) return 1;
    auto* ssl = static_cast<SSL*>(X509_STORE_CTX_get_ex_data(store, SSL_get_ex_data_X509_STORE_CTX_idx()));
    auto* ftp = ssl ? static_cast<CurlFtp*>(SSL_CTX_get_ex_data(SSL_get_SSL_CTX(ssl), SslSelfIndex())) : nullptr;
    if (!ftp) return 0;
    const std::string endpoint = ftp->address_->Endpoint();
    const std::string fingerprint = CertificateFingerprint(X509_STORE_CTX_get0_cert(store));
    if (ftp->trust_.Trusts(endpoint, fingerprint)) {
        X509_STORE_CTX_set_error(store, X509_V_OK);
        return 1;
    }
    if (!ftp->presented_) {
        ftp->presented_ =
            UnverifiedPeer{endpoint, fingerprint, X509_verify_cert_error_string(X509_STORE_CTX_get_error(store)),
                           ftp->trust_.Trusted(endpoint)};
    }
    return 0;
}

// A key that known_hosts holds otherwise is refused whatever the site trusts; a key known
// nowhere is acceptable once the site trusts it, unless the site trusted another before.
int CurlFtp::OnHostKey(CURL*, const curl_khkey* known, const curl_khkey* found, curl_khmatch match, void* self) {
    if (match == CURLKHMATCH_OK) return CURLKHSTAT_FINE;
    auto& ftp = *static_cast<CurlFtp*>(self);
    const std::string endpoint = ftp.address_->Endpoint();
    const std::string fingerprint = HostKeyFingerprint(*found);
    if (match == CURLKHMATCH_MISMATCH) {
        ftp.presented_ = ftp.ChangedHostKey(known, fingerprint);
        return CURLKHSTAT_REJECT;
    }
    if (ftp.trust_.Trusts(endpoint, fingerprint)) return CURLKHSTAT_FINE;
    ftp.presented_ =
        UnverifiedPeer{endpoint, fingerprint, "the host key is not in known_hosts", ftp.trust_.Trusted(endpoint)};
    return CURLKHSTAT_REJECT;
}

std::optional<UnverifiedPeer> CurlFtp::ChangedHostKey(const curl_khkey* known, const std::string& fingerprint) const {
    UnverifiedPeer peer{address_->Endpoint(), fingerprint,
                        "the host key differs from the one known_hosts holds for this host"};
    KeptFingerprint old{"", settings_.knownHostsFile, 0};
    if (known) {
        old.fingerprint = HostKeyFingerprint(*known);
        const std::string name =
            address_->port == 22 ? address_->host : "[" + address_->host + "]:" + std::to_string(address_->port);
        old.line = LineHoldingKey(settings_.knownHostsFile, KeyBase64(*known), name);
    }
    peer.replaces = old;
    return peer;
}

}  // namespace

FtpSettings DefaultFtpSettings(const fs::path& siteFolder) {
    FtpSettings settings;
    settings.trustFile = siteFolder / kTrustFileName;
    if (const fs::path home = HomeFolder(); !home.empty()) {
        const fs::path ssh = home / ".ssh";
        settings.knownHostsFile = ssh / "known_hosts";
        settings.identityFiles = {ssh / "id_ed25519", ssh / "id_ecdsa", ssh / "id_rsa"};
    }
    return settings;
}

std::unique_ptr<FtpComponent> MakeCurlFtp(FtpSettings settings) {
    return std::make_unique<CurlFtp>(std::move(settings));
}

SiteUpload::ConnectionFactory CurlConnectionsLike(const FtpComponent& primary, FtpSettings settings,
                                                  std::function<bool(const UnverifiedPeer&)> accept) {
    return [settings = std::move(settings), accept = std::move(accept), host = primary.RemoteHost(),
            user = primary.UserName(), password = primary.Password()]() -> Result<std::unique_ptr<FtpComponent>> {
        auto ftp = MakeCurlFtp(settings);
        ftp->SetRemoteHost(host);
        ftp->SetUserName(user);
        ftp->SetPassword(password);
        const auto connected =
            ConnectTrusting(*ftp, [&](const UnverifiedPeer& peer) { return accept && accept(peer); });
        if (!connected) return Fail(connected.error());
        return ftp;
    };
}

}  // namespace pw::publisher
