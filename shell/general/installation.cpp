#include "shell/general/installation.hpp"

#include <unistd.h>

#include <cstdlib>
#include <system_error>

#include "shell/general/files.hpp"

namespace pw {
namespace fs = std::filesystem;

namespace {

bool IsWritableFolder(const fs::path& folder) { return ::access(folder.c_str(), W_OK) == 0; }

// Program binaries run from where they are; a lock file belongs to the folder it lies in.
bool IsShippedContent(const fs::path& file) {
    const std::string name = file.filename().string();
    return name != "pagewright" && name != kWindowsProgram && name != "designpack" && name != "mkdesignpack" &&
           name != kInstanceLockFile;
}

// The user's data folder as the XDG base directories give it: $XDG_DATA_HOME when it is
// an absolute path, else ~/.local/share.
fs::path DataHome() {
    if (const char* data = std::getenv("XDG_DATA_HOME"); data && *data == '/') return data;
    const fs::path home = HomeFolder();
    return (home.empty() ? fs::path("/") : home) / ".local" / "share";
}

}  // namespace

fs::path ProgramFolder() {
    std::error_code ec;
    const fs::path self = fs::read_symlink("/proc/self/exe", ec);
    return ec ? fs::current_path(ec) : self.parent_path();
}

InstallationPlace LocateInstallation(const fs::path& programFolder) {
    if (const char* home = std::getenv("PAGEWRIGHT_HOME"); home && *home) return {fs::path(home), false};
    if (IsWritableFolder(programFolder)) return {programFolder, false};
    return {DataHome() / "pagewright", true};
}

void PrepareInstallation(const fs::path& programFolder, const InstallationPlace& place) {
    if (!place.fromShippedContent) return;
    std::error_code ec;
    fs::create_directories(place.inst, ec);
    FillFromShippedContent(programFolder, place.inst);
}

void FillFromShippedContent(const fs::path& programFolder, const fs::path& inst) {
    std::error_code ec;
    for (const fs::directory_entry& entry : fs::directory_iterator(programFolder, ec)) {
        if (!IsShippedContent(entry.path())) continue;
        const fs::path target = inst / entry.path().filename();
        if (fs::exists(target, ec)) continue;
        fs::copy(entry.path(), target, fs::copy_options::recursive, ec);
    }
}

}  // namespace pw
