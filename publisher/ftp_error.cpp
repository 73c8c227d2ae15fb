#include "publisher/ftp_error.hpp"

#include <map>
#include <mutex>
#include <utility>
#include <vector>

namespace pw::publisher {
namespace {

class KindCategory final : public std::error_category {
public:
    const char* name() const noexcept override { return "ftp"; }
    std::string message(int kind) const override {
        switch (static_cast<FtpErrc>(kind)) {
            case FtpErrc::BadAddress: return "The host address is not valid";
            case FtpErrc::NotConnected: return "Not connected";
            case FtpErrc::CannotConnect: return "Could not connect to the host";
            case FtpErrc::LoginRefused: return "The host refused the login";
            case FtpErrc::UnverifiedPeer: return "The host's certificate or key could not be verified";
            case FtpErrc::PeerChanged: return "The host's certificate or key has changed";
            case FtpErrc::TlsWithdrawn: return "The host no longer offers encryption";
            case FtpErrc::Refused: return "The host refused the command";
            case FtpErrc::ConnectionLost: return "The connection was lost";
            case FtpErrc::TimedOut: return "The host stopped answering";
            case FtpErrc::LocalFile: return "A local file could not be read or written";
            case FtpErrc::BadName: return "The name holds a line break";
            case FtpErrc::Failed: return "The command failed";
        }
        return "Unknown FTP error";
    }
};

// Codes are indexes into a process-wide table of (kind, reason) pairs.
class ReasonCategory final : public std::error_category {
public:
    const char* name() const noexcept override { return "ftp-reason"; }

    std::string message(int code) const override {
        std::lock_guard lock(mutex_);
        return Valid(code) ? reasons_[static_cast<std::size_t>(code)].second : "Unknown FTP error";
    }

    std::error_condition default_error_condition(int code) const noexcept override {
        std::lock_guard lock(mutex_);
        if (!Valid(code)) return {code, *this};
        return make_error_condition(reasons_[static_cast<std::size_t>(code)].first);
    }

    int Intern(FtpErrc kind, std::string reason) {
        std::lock_guard lock(mutex_);
        auto key = std::make_pair(kind, std::move(reason));
        if (auto found = index_.find(key); found != index_.end()) return found->second;
        const int code = static_cast<int>(reasons_.size());
        reasons_.push_back(key);
        index_.emplace(std::move(key), code);
        return code;
    }

private:
    bool Valid(int code) const { return code >= 0 && static_cast<std::size_t>(code) < reasons_.size(); }

    mutable std::mutex mutex_;
    // Slot 0 is never handed out: an error_code with value 0 means success.
    std::vector<std::pair<FtpErrc, std::string>> reasons_{{FtpErrc::Failed, ""}};
    std::map<std::pair<FtpErrc, std::string>, int> index_;
};

ReasonCategory& Reasons() {
    static ReasonCategory category;
    return category;
}

}  // namespace

const std::error_category& FtpCategory() {
    static const KindCategory category;
    return category;
}

std::error_condition make_error_condition(FtpErrc kind) { return {static_cast<int>(kind), FtpCategory()}; }

bool IsSecurityRefusal(const std::error_code& error) {
    return error == FtpErrc::PeerChanged || error == FtpErrc::TlsWithdrawn;
}

std::error_code MakeFtpError(FtpErrc kind, std::string reason) {
    if (reason.empty()) reason = FtpCategory().message(static_cast<int>(kind));
    return {Reasons().Intern(kind, std::move(reason)), Reasons()};
}

}  // namespace pw::publisher
