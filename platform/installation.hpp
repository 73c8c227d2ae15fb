#pragma once
// Where the installation folder <inst> is, and the rule that only one copy runs.
#include <QLockFile>
#include <filesystem>
#include <memory>

namespace pw {

// PAGEWRIGHT_HOME when set; else the program's own folder when it is writable (a
// portable installation); else $XDG_DATA_HOME/pagewright, filled on first use with
// the shipped content beside the program.
std::filesystem::path LocateInstallation(const std::filesystem::path& programFolder);

// Copies every shipped file and folder of `programFolder` that `inst` lacks, leaving
// present files alone. Program binaries are not copied: they run from where they are.
void FillFromShippedContent(const std::filesystem::path& programFolder, const std::filesystem::path& inst);

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
