// Runs the built program: only one copy runs per installation, a second start ends
// at once without touching a file, and a lock left by a killed copy does not block.
#include <gtest/gtest.h>

#include <pwd.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>
#include <algorithm>
#include <chrono>
#include <csignal>
#include <map>
#include <optional>
#include <thread>

#include "tests/temp_folder.hpp"

extern char** environ;

namespace pw {
namespace {
namespace fs = std::filesystem;
using namespace std::chrono_literals;

// `runtime` as XDG_RUNTIME_DIR, an empty one for a start without the variable; nothing
// leaves the variable as the tests found it.
pid_t StartProgram(const fs::path& inst, const std::optional<fs::path>& runtime = std::nullopt) {
    if (runtime && runtime->empty()) unsetenv("XDG_RUNTIME_DIR");
    if (runtime && !runtime->empty()) setenv("XDG_RUNTIME_DIR", runtime->c_str(), 1);
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

// The lock lies in the installation, so starts whose environments differ (a desktop
// session beside `su`, `sudo -u` or a shell without XDG_RUNTIME_DIR) meet the same one.
TEST(SingleInstance, StartsWithDifferentRuntimeFoldersMeetTheSameLock) {
    test::TempFolder inst, runtimes;
    for (const char* name : {"a", "b"}) {
        fs::create_directory(runtimes.path() / name);
        fs::permissions(runtimes.path() / name, fs::perms::owner_all, fs::perm_options::replace);
    }
    const pid_t first = StartProgram(inst.path(), runtimes.path() / "a");
    ASSERT_TRUE(WaitFor(inst.path() / "Default.ste", 20s));
    ASSERT_FALSE(WaitForExit(first, 500ms));
    EXPECT_EQ(fs::symlink_status(inst.path() / ".pagewright.lock").permissions() & fs::perms::all,
              fs::perms::owner_read | fs::perms::owner_write)
        << "the lock is the owner's only";

    fs::remove_all(inst.path() / "default");
    const auto before = Snapshot(inst.path());
    for (const fs::path& runtime : {runtimes.path() / "b", fs::path()}) {
        SCOPED_TRACE(runtime.empty() ? "no XDG_RUNTIME_DIR" : runtime.string());
        const pid_t second = StartProgram(inst.path(), runtime);
        const auto exitStatus = WaitForExit(second, 10s);
        EXPECT_EQ(exitStatus, 0) << "the second copy ends at once";
        if (!exitStatus) Kill(second);
        EXPECT_EQ(Snapshot(inst.path()), before) << "and touches no file";
    }
    Kill(first);
}

// A copy of the program's folder that its user cannot write, as an installed program's
// is: the installation is then the per-user folder under XDG_DATA_HOME. Root writes
// anywhere, so as root the program runs as "nobody".
class InstalledCopy {
public:
    InstalledCopy() {
        fs::copy(PW_INSTALL_DIR, program_.path() / "lib", fs::copy_options::recursive);
        fs::create_directories(home());
        fs::create_directory(runtime());
        fs::permissions(runtime(), fs::perms::owner_all, fs::perm_options::replace);
        if (::geteuid() == 0) {
            const passwd* nobody = ::getpwnam("nobody");
            if (!nobody) return;
            user_ = {nobody->pw_uid, nobody->pw_gid};
            for (const auto& entry : fs::recursive_directory_iterator(home_.path()))
                ::chown(entry.path().c_str(), user_->first, user_->second);
            ::chown(home_.path().c_str(), user_->first, user_->second);
        }
        fs::permissions(program_.path() / "lib",
                        fs::perms::owner_write | fs::perms::group_write | fs::perms::others_write,
                        fs::perm_options::remove);
    }
    bool usable() const { return ::geteuid() != 0 || user_.has_value(); }
    fs::path home() const { return home_.path() / "home"; }
    fs::path inst() const { return home() / "data" / "pagewright"; }
    fs::path runtime() const { return home() / "runtime"; }  // the user's own, as XDG_RUNTIME_DIR

    pid_t Start() const {
        const std::string program = (program_.path() / "lib" / "pagewright").string();
        const pid_t pid = ::fork();
        if (pid != 0) return pid;
        if (user_ && (::setgid(user_->second) != 0 || ::setuid(user_->first) != 0)) ::_exit(126);
        ::unsetenv("PAGEWRIGHT_HOME");
        ::setenv("HOME", home().c_str(), 1);
        ::setenv("XDG_DATA_HOME", (home() / "data").c_str(), 1);
        ::setenv("XDG_CONFIG_HOME", (home() / "config").c_str(), 1);
        ::setenv("XDG_CACHE_HOME", (home() / "cache").c_str(), 1);
        ::setenv("XDG_RUNTIME_DIR", runtime().c_str(), 1);
        ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
        ::execl(program.c_str(), program.c_str(), static_cast<char*>(nullptr));
        ::_exit(127);
    }

private:
    test::TempFolder program_;
    test::TempFolder home_;
    std::optional<std::pair<uid_t, gid_t>> user_;
};

TEST(SingleInstance, ASecondStartOfAnInstalledCopyLeavesThePerUserFolderAlone) {
    InstalledCopy installed;
    if (!installed.usable()) GTEST_SKIP() << "no unprivileged user to run the program as";
    const pid_t first = installed.Start();
    ASSERT_TRUE(WaitFor(installed.inst() / "Default.ste", 30s)) << "the first copy fills its per-user installation";
    ASSERT_FALSE(WaitForExit(first, 300ms));
    // The lock is in the per-user installation itself, the user's own: not in the shared
    // temporary folder, where another user could make a file of its name first.
    EXPECT_TRUE(fs::is_regular_file(fs::symlink_status(installed.inst() / ".pagewright.lock")));
    const auto runtimeEntries = fs::directory_iterator(installed.runtime());
    EXPECT_TRUE(std::ranges::none_of(runtimeEntries, [](const fs::directory_entry& entry) {
        return entry.path().filename().string().starts_with("pagewright-");
    })) << "nothing of it in the runtime folder";

    fs::remove(installed.inst() / "logo.htx");  // a second copy that filled the folder would bring it back
    const auto before = Snapshot(installed.inst());
    const pid_t second = installed.Start();
    EXPECT_EQ(WaitForExit(second, 10s), 0) << "the second copy ends by itself";
    EXPECT_EQ(Snapshot(installed.inst()), before) << "and touches no file of the installation";
    Kill(first);
}

}  // namespace
}  // namespace pw
