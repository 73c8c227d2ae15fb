// Installs the build as the Debian package does (`cmake --install` into a scratch prefix)
// and looks at the result as a desktop and a new user do: the layout, the menu entry and
// metainfo through the desktop's own validators, and the first start of the installed
// program by a user who cannot write its folder, up to a design pack installing into
// that user's site.
#include <gtest/gtest.h>

#include <pwd.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <sstream>
#include <thread>

#include "tests/publisher/test_servers.hpp"
#include "tests/temp_folder.hpp"

namespace pw {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

// Runs a command (found on the PATH) to its end: its exit status, and its standard
// output and error together in `output`.
int RunToEnd(const std::vector<std::string>& argv, std::string* output) {
    std::vector<std::string> command{"/bin/sh", "-c", "exec \"$@\" 2>&1", "sh"};
    command.insert(command.end(), argv.begin(), argv.end());
    return test::RunCommand(command, output);
}

// The lines of a validator's output that are remarks ("E: ", "W: ", "I: ", "P: ").
std::vector<std::string> Remarks(const std::string& output) {
    std::vector<std::string> remarks;
    std::istringstream lines(output);
    for (std::string line; std::getline(lines, line);) {
        const std::string text = line.substr(std::min(line.find_first_not_of(' '), line.size()));
        if (text.size() > 2 && std::string_view("EWIP").contains(text[0]) && text[1] == ':') remarks.push_back(text);
    }
    return remarks;
}

bool IsProgram(const fs::path& file) { return fs::is_regular_file(file) && ::access(file.c_str(), X_OK) == 0; }

// Width and height from a PNG's header.
std::pair<int, int> PngSize(const fs::path& file) {
    const std::string bytes = test::TempFolder::Read(file);
    if (bytes.size() < 24 || bytes.substr(1, 3) != "PNG") return {0, 0};
    const auto number = [&bytes](std::size_t at) {
        int value = 0;
        for (std::size_t i = at; i < at + 4; ++i) value = value * 256 + static_cast<unsigned char>(bytes[i]);
        return value;
    };
    return {number(16), number(20)};
}

// The command line of a desktop entry's Exec key (it has no field codes or quoting).
std::vector<std::string> DesktopExec(const fs::path& desktopFile) {
    std::istringstream lines(test::TempFolder::Read(desktopFile));
    for (std::string line; std::getline(lines, line);) {
        if (!line.starts_with("Exec=")) continue;
        std::istringstream words(line.substr(5));
        std::vector<std::string> argv;
        for (std::string word; words >> word;) argv.push_back(word);
        return argv;
    }
    return {};
}

bool WaitFor(const fs::path& file, std::chrono::seconds limit) {
    const auto deadline = std::chrono::steady_clock::now() + limit;
    while (!fs::exists(file) && std::chrono::steady_clock::now() < deadline) std::this_thread::sleep_for(50ms);
    return fs::exists(file);
}

// A program left running, with no output, until it is destroyed.
class Running {
public:
    explicit Running(const std::vector<std::string>& argv) {
        pid_ = ::fork();
        if (pid_ != 0) return;
        ::freopen("/dev/null", "w", stdout);
        ::freopen("/dev/null", "w", stderr);
        test::ExecOrExit(argv);
    }
    ~Running() {
        ::kill(pid_, SIGTERM);
        ::waitpid(pid_, nullptr, 0);
    }
    Running(const Running&) = delete;
    Running& operator=(const Running&) = delete;

private:
    pid_t pid_;
};

// Someone who has just installed pagewright: a home folder of their own, none of the XDG
// folders or PAGEWRIGHT_HOME set, the installed commands on the PATH. Root may write
// any folder, the program's included, so as root the commands run as "nobody".
class NewUser {
public:
    explicit NewUser(const fs::path& prefix) : bin_(prefix / "bin") {
        fs::create_directories(home());
        if (::geteuid() != 0) return;
        const passwd* nobody = ::getpwnam("nobody");
        if (!nobody) return;
        ::chown(home().c_str(), nobody->pw_uid, nobody->pw_gid);
        runAs_ = {"/usr/bin/setpriv", "--reuid=" + std::to_string(nobody->pw_uid),
                  "--regid=" + std::to_string(nobody->pw_gid), "--clear-groups"};
    }
    bool usable() const { return ::geteuid() != 0 || !runAs_.empty(); }
    fs::path home() const { return folder_.path() / "home"; }
    fs::path inst() const { return home() / ".local" / "share" / "pagewright"; }

    // `argv` as this user runs it, in `folder` (default: their home), with `environment`
    // entries ("NAME=value") added.
    std::vector<std::string> Command(const std::vector<std::string>& argv, const fs::path& folder = {},
                                     const std::vector<std::string>& environment = {}) const {
        std::vector<std::string> command{"/usr/bin/env"};
        for (const char* name :
             {"PAGEWRIGHT_HOME", "XDG_DATA_HOME", "XDG_CONFIG_HOME", "XDG_CACHE_HOME", "XDG_RUNTIME_DIR"})
            command.insert(command.end(), {"-u", name});
        command.insert(command.end(), {"-C", (folder.empty() ? home() : folder).string(), "HOME=" + home().string(),
                                       "PATH=" + bin_.string() + ":/usr/bin:/bin"});
        command.insert(command.end(), environment.begin(), environment.end());
        command.insert(command.end(), runAs_.begin(), runAs_.end());
        command.insert(command.end(), argv.begin(), argv.end());
        return command;
    }

private:
    test::TempFolder folder_;
    fs::path bin_;
    std::vector<std::string> runAs_;
};

// The folder's write permission taken away for the guard's lifetime, as a package's
// program folder is for its users.
class ReadOnly {
public:
    explicit ReadOnly(fs::path folder) : folder_(std::move(folder)) { Set(fs::perm_options::remove); }
    ~ReadOnly() { Set(fs::perm_options::add); }
    ReadOnly(const ReadOnly&) = delete;
    ReadOnly& operator=(const ReadOnly&) = delete;

private:
    void Set(fs::perm_options how) const {
        fs::permissions(folder_, fs::perms::owner_write | fs::perms::group_write | fs::perms::others_write, how);
    }
    fs::path folder_;
};

// The build, installed once into a scratch prefix for every test here.
class Installed : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        prefix_.emplace();
        fs::permissions(prefix(), fs::perms::owner_all | fs::perms::group_read | fs::perms::group_exec |
                                      fs::perms::others_read | fs::perms::others_exec);
        installStatus_ =
            RunToEnd({PW_CMAKE_COMMAND, "--install", PW_BUILD_DIR, "--prefix", prefix().string()}, &installLog_);
    }
    static void TearDownTestSuite() { prefix_.reset(); }
    void SetUp() override { ASSERT_EQ(installStatus_, 0) << installLog_; }

    static fs::path prefix() { return prefix_->path(); }
    static fs::path program() { return prefix() / "lib" / "pagewright"; }
    static fs::path desktopFile() {
        return prefix() / "share" / "applications" / (std::string(PW_APP_ID) + ".desktop");
    }
    static fs::path metainfo() { return prefix() / "share" / "metainfo" / (std::string(PW_APP_ID) + ".metainfo.xml"); }

private:
    static inline std::optional<test::TempFolder> prefix_;
    static inline int installStatus_ = -1;
    static inline std::string installLog_;
};

TEST_F(Installed, TheProgramFolderTheCommandsAndTheDesktopFilesAreInPlace) {
    for (const char* name : {"pagewright", "pagewright-gui", "designpack", "comp1.exe", "comp2.exe", "comp3.exe"})
        EXPECT_TRUE(IsProgram(program() / name)) << name;
    EXPECT_TRUE(IsProgram(prefix() / "bin" / "mkdesignpack"));
    // A relative link: the program's folder stays its executable's folder under any prefix.
    EXPECT_EQ(fs::read_symlink(prefix() / "bin" / "pagewright"), "../lib/pagewright/pagewright");
    EXPECT_TRUE(IsProgram(prefix() / "bin" / "pagewright"));

    // Every file the build puts in its program folder. Run from the build tree, the program
    // also writes its sites there (folders and NAME.ste markers) and the user dictionary.
    for (const auto& entry : fs::directory_iterator(PW_INSTALL_DIR)) {
        const fs::path name = entry.path().filename();
        if (!entry.is_regular_file() || name.extension() == ".ste" || name == "KW5.dct" || name == "mkdesignpack")
            continue;
        EXPECT_TRUE(fs::is_regular_file(program() / name)) << name << " is not installed";
    }

    const std::string id = PW_APP_ID;
    const fs::path share = prefix() / "share";
    for (const fs::path& file : {desktopFile(), metainfo(), share / "icons/hicolor/scalable/apps" / (id + ".svg"),
                                 share / "man/man1/pagewright.1.gz", share / "man/man1/mkdesignpack.1.gz",
                                 share / "doc/pagewright/copyright", share / "doc/pagewright/changelog.gz"}) {
        EXPECT_TRUE(fs::is_regular_file(file) && fs::file_size(file) > 0) << file;
    }
    for (int size : {48, 128, 256}) {
        const std::string folder = std::to_string(size) + "x" + std::to_string(size);
        EXPECT_EQ(PngSize(share / "icons/hicolor" / folder / "apps" / (id + ".png")), std::pair(size, size)) << folder;
    }
}

TEST_F(Installed, TheMenuEntryAndTheMetainfoPassTheDesktopsValidators) {
    std::string output;
    EXPECT_EQ(RunToEnd({"desktop-file-validate", desktopFile().string()}, &output), 0) << output;
    EXPECT_EQ(output, "") << "not even a hint";

    // --pedantic lists every remark the validator has; the tree check also finds the
    // desktop entry and the icon the metainfo names.
    EXPECT_EQ(RunToEnd({"appstreamcli", "validate", "--no-net", "--pedantic", metainfo().string()}, &output), 0)
        << output;
    EXPECT_EQ(Remarks(output), std::vector<std::string>{}) << output;
    EXPECT_EQ(RunToEnd({"appstreamcli", "validate-tree", "--no-net", "--pedantic", prefix().string()}, &output), 0)
        << output;
    EXPECT_EQ(Remarks(output), std::vector<std::string>{}) << output;
}

TEST_F(Installed, ANewUsersFirstStartFillsTheirOwnInstallationWhereADesignPackThenInstalls) {
    NewUser user(prefix());
    if (!user.usable()) GTEST_SKIP() << "no unprivileged user to run the program as";
    const ReadOnly programFolder(program());

    {  // Started as the menu entry starts it, it makes its site "default" and shows the main menu.
        const Running menu(user.Command(DesktopExec(desktopFile()), {}, {"QT_QPA_PLATFORM=offscreen"}));
        ASSERT_TRUE(WaitFor(user.inst() / "default" / "oneBox.txt", 60s)) << "no site under " << user.inst();
    }
    // The shipped content, packs included, is the user's to use; the programs stay where they are.
    for (const auto& entry : fs::directory_iterator(program())) {
        const fs::path name = entry.path().filename();
        const bool program = name == "pagewright" || name == "pagewright-gui" || name == "designpack";
        EXPECT_EQ(fs::exists(user.inst() / name), !program) << name;
    }
    EXPECT_TRUE(IsProgram(user.inst() / "comp1.exe"));

    std::string output;
    const fs::path site = user.inst() / "default";
    ASSERT_EQ(RunToEnd(user.Command({"pagewright", "generate"}), &output), 0) << output;
    EXPECT_NE(output.find((site / "index.html").string() + "\n"), std::string::npos) << output;
    EXPECT_TRUE(fs::is_regular_file(site / "index.html"));

    // Design pack 1 as the main menu starts it: from the installation folder, in which its
    // target "default" is the site. The user presses OK.
    const std::string design1 = test::TempFolder::Read(fs::path(PW_SOURCE_DIR) / "content/designs/comp1/temp311.htx");
    ASSERT_NE(test::TempFolder::Read(site / "temp311.htx"), design1);
    const char* pressOk = R"(timeout 60 "$@" & pack=$!
window=$(timeout 30 xdotool search --sync --name 'Design Updater' | head -n 1)
if [ -n "$window" ]; then xdotool key --window "$window" Return; else kill $pack; fi
wait $pack)";
    std::vector<std::string> onScreen{"xvfb-run", "-a", "-s",    "-ac -screen 0 1024x768x24",
                                      "/bin/sh",  "-c", pressOk, "sh"};
    for (const std::string& arg :
         user.Command({(user.inst() / "comp1.exe").string()}, user.inst(), {"QT_QPA_PLATFORM=xcb"}))
        onScreen.push_back(arg);
    EXPECT_EQ(RunToEnd(onScreen, &output), 0) << output;
    EXPECT_EQ(test::TempFolder::Read(site / "temp311.htx"), design1) << "design 1 is the site's design now";
}

}  // namespace
}  // namespace pw
