#pragma once
// The rule that only one copy of the windows runs per installation.
#include <filesystem>
#include <memory>

#include "shell/general/file_descriptor.hpp"
#include "shell/general/result.hpp"

namespace pw {

// Held for the lifetime of the first running copy for an installation: a lock on the file
// kInstanceLockFile in the installation folder itself, so every start of that installation
// meets it whatever its environment. The system drops the lock when its holder ends, so a
// copy that was killed never blocks the next start.
class SingleInstance {
public:
    // The lock, creating the installation folder if need be; nullptr when another live copy
    // holds it; the reason when the lock cannot be made.
    static Result<std::unique_ptr<SingleInstance>> Acquire(const std::filesystem::path& inst);

private:
    explicit SingleInstance(FileDescriptor lock) : lock_(std::move(lock)) {}
    FileDescriptor lock_;
};

}  // namespace pw
