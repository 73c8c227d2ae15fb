// pagewright: `pagewright generate ...` regenerates pages, `pagewright check ...` looks a
// site through before it is published and `pagewright publish ...` sends a site to its
// web host (see --help of each); with anything else it starts the windows. The headless
// commands load none of the windows' libraries, so a script that publishes often does
// not wait for them.
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <iostream>
#include <string>
#include <string_view>
#include <vector>

#include "builder/generate_command.hpp"
#include "publisher/check_command.hpp"
#include "publisher/publish_command.hpp"
#include "shell/general/installation.hpp"

namespace {

// The installation, made ready to use.
std::filesystem::path Installation() {
    const std::filesystem::path programFolder = pw::ProgramFolder();
    const pw::InstallationPlace place = pw::LocateInstallation(programFolder);
    pw::PrepareInstallation(programFolder, place);
    return place.inst;
}

// Becomes the windows program, with the same command line; returns only when it cannot.
int StartWindows(char* argv[]) {
    const std::filesystem::path windows = pw::ProgramFolder() / pw::kWindowsProgram;
    ::execv(windows.c_str(), argv);
    std::cerr << "pagewright: cannot start " << windows.string() << ": " << std::strerror(errno) << "\n";
    return 127;
}

}  // namespace

int main(int argc, char* argv[]) {
    const std::string_view command = argc > 1 ? argv[1] : "";
    const std::vector<std::string> args(argv + std::min(argc, 2), argv + argc);
    if (command == "generate") return pw::RunGenerateCommand(Installation(), args, std::cout, std::cerr);
    if (command == "check") return pw::publisher::RunCheckCommand(Installation(), args, std::cout, std::cerr);
    if (command == "publish") {
        return pw::publisher::RunPublishCommand(Installation(), args, std::cout, std::cerr,
                                                {.progressBar = ::isatty(STDERR_FILENO) == 1});
    }
    return StartWindows(argv);
}
