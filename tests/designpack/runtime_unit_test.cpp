// Runtime requirements, the key store and run-once entry, and the pieces of the
// script and command-line handling that need no network.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "designpack/flow.hpp"
#include "designpack/http.hpp"
#include "designpack/keystore.hpp"
#include "designpack/runtime.hpp"
#include "designpack/runtime_process.hpp"
#include "designpack/script.hpp"
#include "fake_installer_view.hpp"

namespace fs = std::filesystem;
using namespace pw::designpack;

namespace {

class Scratch : public ::testing::Test {
protected:
    Scratch() {
        root = fs::temp_directory_path() / ("dp-unit-" + std::to_string(::getpid()));
        fs::remove_all(root);
        fs::create_directories(root / "system" / "sub");
    }
    ~Scratch() override { fs::remove_all(root); }
    void Touch(const fs::path& file, const std::string& text = "x") { std::ofstream(file) << text; }
    fs::path root;
};

using RequirementTest = Scratch;

TEST_F(RequirementTest, Table) {
    fs::path system = root / "system";
    Touch(system / "libQt6Widgets.so.6");
    Touch(system / "sub" / "dated.so");
    timespec times[2] = {{1720051200, 0}, {0, UTIME_OMIT}};  // accessed 2024-07-04 00:00 UTC
    ASSERT_EQ(::utimensat(AT_FDCWD, (system / "sub" / "dated.so").c_str(), times, 0), 0);
    KeyStore keys(root / "keys");
    ASSERT_TRUE(keys.CreateKey(KeyRoot::System, "SOFTWARE\\Microsoft\\DirectX\\Version"));
    ASSERT_TRUE(keys.CreateKey(KeyRoot::User, "Software/Pagewright/"));

    struct Case {
        const char* what;
        std::vector<Requirement> requirements;
        bool met;
    };
    const Case cases[] = {
        {"file present, any version", {{"libQt6Widgets.so.6", ""}}, true},
        {"file missing", {{"msvbvm60.dll", ""}}, false},
        {"folder is not a file", {{"sub", ""}}, false},
        {"backslash path and access date", {{"\\sub\\dated.so", "7/4/2024"}}, true},
        {"access date differs", {{"sub\\dated.so", "07/04/2024"}}, false},
        {"system key, other case", {{"#software\\microsoft\\directx", ""}}, true},
        {"system key missing", {{"#SOFTWARE\\Other", ""}}, false},
        {"user key", {{"~Software\\Pagewright", ""}}, true},
        {"user key is not a system key", {{"#Software\\Pagewright", ""}}, false},
        {"key is a prefix of a name only", {{"#SOFTWARE\\Micro", ""}}, false},
        {"second item met", {{"msvbvm60.dll", ""}, {"libQt6Widgets.so.6", ""}}, true},
        {"no requirements", {}, false},
    };
    for (const Case& c : cases) {
        RuntimeComponent component{"id", "desc", c.requirements};
        EXPECT_EQ(RequirementMet(component, system, keys), c.met) << c.what;
    }
}

TEST(WebPage, FirstFourBytesUpperCased) {
    const std::pair<const char*, bool> cases[] = {
        {"<html>", true},
        {"<!doctype html>", true},
        {"<Title>", true},
        {"http/1.1 404", true},
        {"DOWNLOAD a b c 1", false},
        {"<ht", false},
        {"", false},
        {" <html>", false},
    };
    for (auto [text, page] : cases) EXPECT_EQ(LooksLikeWebPage(text), page) << text;
}

TEST_F(RequirementTest, RunOnceEntryIsWrittenQuotedAndRemoved) {
    ::setenv("XDG_CONFIG_HOME", root.c_str(), 1);
    ASSERT_TRUE(WriteRunOnceEntry("Unfurl", "/opt/My $Packs/100%\"x\".exe", "-REBOOT"));
    std::ifstream in(root / "autostart" / "Unfurl.desktop");
    std::string entry((std::istreambuf_iterator<char>(in)), {});
    EXPECT_NE(entry.find("Exec=\"/opt/My \\\\$Packs/100%%\\\\\"x\\\\\".exe\" \"-REBOOT\"\n"), std::string::npos)
        << entry;
    RemoveRunOnceEntry("Unfurl");
    EXPECT_FALSE(fs::exists(root / "autostart" / "Unfurl.desktop"));
    ::unsetenv("XDG_CONFIG_HOME");
}

TEST(ScriptLine, SplitsAtEverySingleSpace) {
    ScriptLine line = ParseScriptLine("download host  /p f 10");
    EXPECT_EQ(line.command, "DOWNLOAD");
    EXPECT_EQ(line.arguments, (std::vector<std::string>{"host", "", "/p", "f", "10"}));
}

TEST(Script, MessageCommandsAndTheEnd) {
    pw::test::FakeInstallerView view;
    ExtractionSession session;
    RuntimeContext context{
        view,        session,      fs::temp_directory_path(), "/nonexistent", KeyStore("/nonexistent"), "",
        "127.0.0.1", HttpOptions{}};
    // The maker's server is unreachable here, but no line below contacts it.
    EXPECT_TRUE(RunScript("delete\nREBOOT now\nfrobnicate x\n\nDELETE\n", "id", context));
    ASSERT_EQ(view.messages.size(), 3u);
    EXPECT_EQ(view.messages[0].text, "delete");
    EXPECT_EQ(view.messages[0].caption, "");
    EXPECT_EQ(view.messages[1].text, "reboot");
    EXPECT_EQ(view.messages[2].text, "FROBNICATE");
    EXPECT_EQ(view.messages[2].caption, "not a command");
    for (const auto& box : view.messages) EXPECT_FALSE(box.owned);

    view.messages.clear();
    std::string longScript(kMaxScriptBytes - 1, 'x');
    EXPECT_TRUE(RunScript(longScript + "\nDELETE\n", "id", context));
    ASSERT_EQ(view.messages.size(), 1u);  // only the first 1,000 bytes count: DELETE is cut off
    EXPECT_EQ(view.messages[0].caption, "not a command");
}

TEST(Script, RequestPaths) {
    EXPECT_EQ(ScriptRequestPath("vb600a"), "/cgi-sys/cgiwrap/zip/getScript.pl?id=vb600a");
    EXPECT_EQ(AlternateDownloadPath("ftp.x.com", "/a b", "vb600a"),
              "/cgi-sys/cgiwrap/zip/ftp_error.pl?server=ftp.x.com&fileURL=/a b&id=vb600a");
    EXPECT_EQ(ScriptErrorPath("vb600a", "Unzip", "rt.zip"),
              "/cgi-sys/cgiwrap/zip/scriptError.pl?id=vb600a&verb=Unzip&parms=rt.zip");
    EXPECT_EQ(UnsupportedRuntimeMessage("vb600a", ""),
              "The installation package is requesting a runtime file which is not supported (id=vb600a).  Please "
              "contact the developer of this package.");
}

TEST(CommandLine, RestartFlagDriveAndWords) {
    const std::pair<std::vector<std::string>, bool> restart[] = {
        {{"-REBOOT"}, true}, {{"-reboot"}, true},        {{"x-Reboot-y"}, true},
        {{"REBOOT"}, false}, {{"-REBOOT", "-X"}, false}, {{}, false},
    };
    for (const auto& [arguments, expected] : restart) EXPECT_EQ(HasRestartFlag(arguments), expected);

    EXPECT_EQ(DrivePart("C:\\Program Files\\x"), "C:");
    EXPECT_EQ(DrivePart("/home/user/site"), "/");

    EXPECT_EQ(SplitCommandLine("setup.sh -q \"two words\""), (std::vector<std::string>{"setup.sh", "-q", "two words"}));
}

TEST_F(RequirementTest, RunAndWaitRunsInTheFolderAndReportsTheExitStatus) {
    Touch(root / "job.sh", "#!/bin/sh\npwd > where\nexit 3\n");
    fs::permissions(root / "job.sh", fs::perms::owner_all);
    bool started = false;
    auto status = RunAndWait({"job.sh"}, root, [&] { started = true; });
    ASSERT_TRUE(status);
    EXPECT_EQ(*status, 3);
    EXPECT_TRUE(started);
    std::ifstream where(root / "where");
    std::string line;
    std::getline(where, line);
    EXPECT_EQ(fs::path(line), fs::canonical(root));
    EXPECT_FALSE(RunAndWait({"definitely-not-a-program"}, root));
}

}  // namespace
