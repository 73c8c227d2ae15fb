// Runs the built program: only one copy runs per installation, a second start ends
// at once without touching a file, and a lock left by a killed copy does not block.
#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <map>
#include <spawn.h>
#include <sys/wait.h>
#include <thread>

#include "tests/temp_folder.hpp"

extern char** environ;

namespace pw {
namespace {
namespace fs = std::filesystem;
using namespace std::chrono_literals;

pid_t StartProgram(const fs::path& inst) {
    setenv("PAGEWRIGHT_HOME", inst.c_str(), 1);
    setenv("QT_QPA_PLATFORM", "offscreen", 1);
    const std::string program = std::string(PW_INSTALL_DIR) + "/pagewright";
    char* argv[] = {const_cast<char*>(program.c_str()), nullptr};
    pid_t pid = 0;
    EXPECT_EQ(posix_spawn(&pid, program.c_str(), nullptr, nullptr, argv, environ), 0);
    return pid;
}

// The exit status, or nothing if it still runs after `limit`.
std::optional<int> WaitForExit(pid_t pid, std::chrono::milliseconds limit) {
    const auto deadline = std::chrono::steady_clock::now() + limit;
    int status = 0;
    while (std::chrono::steady_clock::now() < deadline) {
        if (waitpid(pid, &status, WNOHANG) == pid) return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
        std::this_thread::sleep_for(20ms);
    }
    return std::nullopt;
}

bool WaitFor(const fs::path& file, std::chrono::milliseconds limit) {
    const auto deadline = std::chrono::steady_clock::now() + limit;
    while (!fs::exists(file) && std::chrono::steady_clock::now() < deadline) std::this_thread::sleep_for(20ms);
    return fs::exists(file);
}

// Every file with its contents and modification time.
std::map<std::string, std::pair<std::string, fs::file_time_type>> Snapshot(const fs::path& folder) {
    std::map<std::string, std::pair<std::string, fs::file_time_type>> files;
    for (const auto& entry : fs::recursive_directory_iterator(folder)) {
        files[entry.path().string()] = {entry.is_regular_file() ? test::TempFolder::Read(entry.path()) : "",
                                        entry.last_write_time()};
    }
    return files;
}

void Kill(pid_t pid) {
    kill(pid, SIGKILL);
    waitpid(pid, nullptr, 0);
}

TEST(SingleInstance, SecondStartEndsAtOnceAndAStaleLockDoesNotBlock) {
    test::TempFolder inst;
    const pid_t first = StartProgram(inst.path());
    ASSERT_TRUE(WaitFor(inst.path() / "Default.ste", 20s)) << "the first copy seeds the default site";
    ASSERT_FALSE(WaitForExit(first, 500ms)) << "the first copy keeps running";

    fs::remove_all(inst.path() / "default");  // a second copy that got past the lock would seed it again
    const auto before = Snapshot(inst.path());
    const pid_t second = StartProgram(inst.path());
    EXPECT_EQ(WaitForExit(second, 10s), 0) << "the second copy ends by itself";
    EXPECT_EQ(Snapshot(inst.path()), before) << "and touches no file";

    Kill(first);
    const pid_t third = StartProgram(inst.path());
    EXPECT_TRUE(WaitFor(inst.path() / "default" / "oneBox.txt", 20s)) << "a killed copy's lock does not block";
    EXPECT_FALSE(WaitForExit(third, 300ms));
    Kill(third);
}

}  // namespace
}  // namespace pw
