#pragma once
// Where the installation folder <inst> is, and the rule that only one copy runs.
#include <QLockFile>
#include <filesystem>
#include <memory>

namespace pw {

struct InstallationPlace {
    std::filesystem::path inst;  // the installation folder <inst>
    bool fromShippedContent;     // a per-user copy of the program folder's content
};

// PAGEWRIGHT_HOME when set; else the program's own folder when it is writable (a
// portable installation); else $XDG_DATA_HOME/pagewright, a per-user copy. Touches no file.
InstallationPlace LocateInstallation(const std::filesystem::path& programFolder);

// Makes the installation ready to use: a per-user copy is created when missing and
// given the shipped content it lacks (FillFromShippedContent).
void PrepareInstallation(const std::filesystem::path& programFolder, const InstallationPlace& place);

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
