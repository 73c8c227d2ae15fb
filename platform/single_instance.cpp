#include "platform/single_instance.hpp"

#include <fcntl.h>
#include <sys/file.h>

#include <cerrno>

#include "shell/general/installation.hpp"

namespace pw {
namespace fs = std::filesystem;

Result<std::unique_ptr<SingleInstance>> SingleInstance::Acquire(const fs::path& inst) {
    std::error_code ec;
    fs::create_directories(inst, ec);
    if (ec) return Fail(ec);
    // Owner-only from the start, never written, and never followed through a link: a link
    // planted in its place cannot make this copy create or lock a file elsewhere.
    FileDescriptor lock(::open((inst / kInstanceLockFile).c_str(), O_RDONLY | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600));
    if (!lock.valid()) return Fail(LastError());
    if (::flock(lock.get(), LOCK_EX | LOCK_NB) != 0) {
        if (errno == EWOULDBLOCK) return nullptr;
        return Fail(LastError());
    }
    return std::unique_ptr<SingleInstance>(new SingleInstance(std::move(lock)));
}

}  // namespace pw
