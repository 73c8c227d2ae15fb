#pragma once
// Where the installation folder <inst> is, and how a per-user one is filled. No Qt: the
// headless commands find their installation without loading the windows' libraries.
#include <filesystem>

namespace pw {

struct InstallationPlace {
    std::filesystem::path inst;  // the installation folder <inst>
    bool fromShippedContent;     // a per-user copy of the program folder's content
};

// The folder of the running program's executable (links resolved), where its shipped
// content lies.
std::filesystem::path ProgramFolder();

// PAGEWRIGHT_HOME when set; else the program's own folder when it is writable (a
// portable installation); else $XDG_DATA_HOME/pagewright, a per-user copy. Touches no file.
InstallationPlace LocateInstallation(const std::filesystem::path& programFolder);

// Makes the installation ready to use: a per-user copy is created when missing and
// given the shipped content it lacks (FillFromShippedContent).
void PrepareInstallation(const std::filesystem::path& programFolder, const InstallationPlace& place);

// Copies every shipped file and folder of `programFolder` that `inst` lacks, leaving
// present files alone. Program binaries are not copied: they run from where they are; nor is
// a lock file left there by a copy that ran the folder as its installation.
void FillFromShippedContent(const std::filesystem::path& programFolder, const std::filesystem::path& inst);

// The lock file in the installation folder that lets only one copy of the windows run.
// Hidden, so no window lists it; never a shipped file.
inline constexpr const char* kInstanceLockFile = ".pagewright.lock";

// The program that shows the windows, beside the one that runs the headless commands.
inline constexpr const char* kWindowsProgram = "pagewright-gui";

}  // namespace pw
