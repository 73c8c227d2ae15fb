#pragma once
// Files that pagewright sent to a host before and the site no longer holds: a renamed
// page, a removed picture. Only what the publish state records as sent is ever removed,
// so a file someone else put on the host stays.
#include <string>
#include <system_error>
#include <vector>

#include "publisher/ftp_component.hpp"
#include "publisher/publish_state.hpp"

namespace pw::publisher {

struct StaleRemoval {
    std::string name;
    std::error_code error;  // none: removed
};

// Deletes each of `names` (as PublishState::StaleFiles gives them) from the connected
// `ftp`'s Directory(), which must be the folder `state` is about, and forgets in `state`
// those it deleted. One result per name, in order.
std::vector<StaleRemoval> RemoveStaleFiles(FtpComponent& ftp, PublishState& state,
                                           const std::vector<std::string>& names);

}  // namespace pw::publisher
