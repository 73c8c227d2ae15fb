#pragma once
// The rule that only one copy of the windows runs per installation.
#include <QLockFile>
#include <filesystem>
#include <memory>

namespace pw {

// Held for the lifetime of the first running copy for an installation. A lock left by
// a killed process is taken over, since its owner no longer runs.
class SingleInstance {
public:
    // Nothing when another live copy holds the lock for `inst`.
    static std::unique_ptr<SingleInstance> Acquire(const std::filesystem::path& inst);

private:
    explicit SingleInstance(std::unique_ptr<QLockFile> lock) : lock_(std::move(lock)) {}
    std::unique_ptr<QLockFile> lock_;
};

}  // namespace pw
