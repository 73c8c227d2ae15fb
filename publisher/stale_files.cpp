#include "publisher/stale_files.hpp"

namespace pw::publisher {

std::vector<StaleRemoval> RemoveStaleFiles(FtpComponent& ftp, PublishState& state,
                                           const std::vector<std::string>& names) {
    std::vector<StaleRemoval> results;
    for (const std::string& name : names) {
        const auto deleted = ftp.DeleteFile(name);
        if (deleted) state.Erase(name);
        results.push_back({name, deleted ? std::error_code() : deleted.error()});
    }
    return results;
}

}  // namespace pw::publisher
