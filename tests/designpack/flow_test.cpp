// The installer flow without a display: states, target folder, password, fixed
// paths, silent packs, resume and the runtime question, over packs made by the writer.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "designpack/flow.hpp"
#include "designpack/pack_writer.hpp"
#include "fake_installer_view.hpp"

namespace fs = std::filesystem;
using namespace pw::designpack;
using pw::test::FakeInstallerView;

namespace {

std::vector<std::uint8_t> Bytes(const std::string& text) { return {text.begin(), text.end()}; }

std::string ReadText(const fs::path& file) {
    std::ifstream in(file, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

PackMember Member(const std::string& name, const std::string& content) {
    PackMember member;
    member.record.name = name;
    member.content = Bytes(content);
    return member;
}

// Reads through to a pack in memory and calls `reached` once, the first time a read gets
// to offset `at` after it was set (the tests close the installer there, while a member is
// being written).
class HookedSource final : public ByteSource {
public:
    HookedSource(std::span<const std::uint8_t> bytes, std::uint64_t at) : inner_(bytes), at_(at) {}
    std::uint64_t size() const override { return inner_.size(); }
    std::error_code readAt(std::uint64_t offset, std::span<std::uint8_t> out) override {
        if (offset >= at_ && reached) std::exchange(reached, nullptr)();
        return inner_.readAt(offset, out);
    }
    std::function<void()> reached;

private:
    MemorySource inner_;
    std::uint64_t at_;
};

class FlowTest : public ::testing::Test {
protected:
    FlowTest() {
        root = fs::temp_directory_path() / ("dp-flow-" + std::to_string(::getpid()));
        fs::remove_all(root);
        fs::create_directories(root / "default");
        fs::create_directories(root / "system");
        ::setenv("XDG_CONFIG_HOME", (root / "config").c_str(), 1);
        contents.stub = Bytes("stub program image");
        contents.members = {Member("icon.ico", "not really an icon"), Member("graf1.gif", "GIF89a"),
                            Member("stock", "JPEG bytes"), Member("temp311.htx", "<html>%%titlez%%</html>")};
        contents.settings = {"KW5 Software",   "", "Click 'OK' to continue.", "default", "Design Updater",
                             "www.example.com"};
        contents.flags.bits = PackFlags::kOverwrite;
    }
    ~FlowTest() override {
        fs::remove_all(root);
        ::unsetenv("XDG_CONFIG_HOME");
    }

    // Writes `contents` and starts a flow on it with `arguments`.
    InstallerFlow& Start(std::vector<std::string> arguments = {}) {
        std::ostringstream out;
        EXPECT_FALSE(WritePack(contents, out));
        std::string text = out.str();
        packBytes.assign(text.begin(), text.end());
        return StartOn(std::make_unique<MemorySource>(packBytes), arguments);
    }

    InstallerFlow& StartOn(std::unique_ptr<ByteSource> source, std::vector<std::string> arguments = {}) {
        InstallerSetting setting;
        setting.program = root / "comp1.exe";
        setting.currentFolder = root;
        setting.systemFolder = root / "system";
        setting.keys = KeyStore(root / "keys");
        setting.http = HttpOptions{1, std::chrono::milliseconds(300)};  // nothing listens: downloads fail fast
        setting.makerServer = "127.0.0.1";
        flow = std::make_unique<InstallerFlow>(view, setting, std::move(source));
        flow->Start(arguments);
        return *flow;
    }

    fs::path root;
    PackContents contents;
    std::vector<std::uint8_t> packBytes;
    FakeInstallerView view;
    std::unique_ptr<InstallerFlow> flow;
};

TEST_F(FlowTest, OneOkInstallsTheDesignAndCloses) {
    std::ofstream(root / "default" / "temp311.htx") << "old template";
    InstallerFlow& installer = Start();
    EXPECT_EQ(view.title, "Design Updater");
    EXPECT_EQ(view.Status(), "Click 'OK' to continue.");
    EXPECT_EQ(view.target, "default");
    EXPECT_EQ(view.publisher, "KW5 Software");
    EXPECT_TRUE(view.targetVisible);
    EXPECT_TRUE(view.iconSet);
    EXPECT_EQ(installer.State(), DialogState::readyToInstall);

    installer.MainButton();
    EXPECT_TRUE(view.closed);
    EXPECT_TRUE(view.questions.empty());  // replaced without asking
    EXPECT_EQ(ReadText(root / "default" / "temp311.htx"), "<html>%%titlez%%</html>");
    EXPECT_EQ(ReadText(root / "default" / "graf1.gif"), "GIF89a");
    EXPECT_FALSE(fs::exists(root / "default" / "icon.ico"));
    EXPECT_EQ(view.done, 4u);
    EXPECT_EQ(view.total, 4u);
}

TEST_F(FlowTest, CorruptPackOnlyCloses) {
    contents.stub = Bytes("");
    Start();
    packBytes.back() ^= 0xFF;  // the last byte: part of the check value
    view = FakeInstallerView{};
    InstallerFlow& installer = StartOn(std::make_unique<MemorySource>(packBytes));
    EXPECT_EQ(view.Status(), "This file is corrupted.");
    EXPECT_EQ(installer.State(), DialogState::closes);
    EXPECT_FALSE(view.targetVisible);
    installer.MainButton();
    EXPECT_TRUE(view.closed);

    view = FakeInstallerView{};
    StartOn(nullptr);  // a stub with no payload at all
    EXPECT_EQ(view.Status(), "This file is corrupted.");
}

TEST_F(FlowTest, MissingFolderAnsweredNoWaits) {
    InstallerFlow& installer = Start();
    view.target = "new/site";
    installer.MainButton();
    ASSERT_EQ(view.questions.size(), 1u);
    EXPECT_EQ(view.questions[0].text, "The directory you entered does not currently exist.  Create it?");
    EXPECT_EQ(view.questions[0].caption, "Unfurl self-installer v3.1");
    EXPECT_EQ(view.Status(), "Directory does not exist.");
    EXPECT_EQ(view.beeps, 1);
    EXPECT_EQ(view.focused, DialogControl::target);
    EXPECT_EQ(installer.State(), DialogState::readyToInstall);
    EXPECT_FALSE(fs::exists(root / "new"));

    view.yesNoAnswers = {true};
    installer.MainButton();
    EXPECT_TRUE(view.closed);
    EXPECT_EQ(ReadText(root / "new" / "site" / "stock"), "JPEG bytes");
}

TEST_F(FlowTest, EmptyTargetBoxAsksToCreateItLikeAnyMissingFolder) {
    for (bool yes : {false, true}) {
        view = FakeInstallerView{};
        InstallerFlow& installer = Start();
        view.target = "";
        view.yesNoAnswers = {yes};
        installer.MainButton();
        ASSERT_EQ(view.questions.size(), 1u) << yes;
        EXPECT_EQ(view.questions[0].text, "The directory you entered does not currently exist.  Create it?");
        EXPECT_EQ(view.questions[0].caption, "Unfurl self-installer v3.1");
        // Nothing can be made of an empty name: the dialog waits for a better one.
        EXPECT_EQ(view.Status(), "Directory does not exist.") << yes;
        EXPECT_EQ(installer.State(), DialogState::readyToInstall) << yes;
        EXPECT_FALSE(fs::exists(root / "stock")) << yes;
    }
}

TEST_F(FlowTest, PasswordRightAndWrong) {
    contents.passwordCheck = PackPasswordHash("abc");
    for (auto [typed, installs] : {std::pair{"abd", false}, std::pair{"abc", true}}) {
        fs::remove_all(root / "default");
        fs::create_directories(root / "default");
        view = FakeInstallerView{};
        InstallerFlow& installer = Start();
        EXPECT_EQ(installer.State(), DialogState::passwordRequired);
        installer.MainButton();
        EXPECT_EQ(view.Status(), "This zip file requires a password.\n\nEnter the file password, then click 'OK'.");
        EXPECT_TRUE(view.passwordVisible);
        EXPECT_FALSE(view.targetVisible);
        EXPECT_EQ(installer.State(), DialogState::passwordTyped);

        view.password = typed;
        installer.MainButton();
        EXPECT_FALSE(view.passwordVisible);
        EXPECT_EQ(view.closed, installs) << typed;
        EXPECT_EQ(fs::exists(root / "default" / "stock"), installs) << typed;
        if (!installs) {
            EXPECT_EQ(view.Status(), "Incorrect password.");
            EXPECT_EQ(installer.State(), DialogState::closes);
            installer.MainButton();
            EXPECT_TRUE(view.closed);
        }
    }
}

TEST_F(FlowTest, PasswordLimitCountsCharacters) {
    std::string stored, typed;
    for (int i = 0; i < 80; ++i) stored += "\xE9", typed += "\u00E9";  // 80 characters, 160 bytes typed
    contents.passwordCheck = PackPasswordHash(stored);
    for (auto [extra, installs] : {std::pair{"xyz", true}, std::pair{"", true}}) {
        view = FakeInstallerView{};
        InstallerFlow& installer = Start();
        installer.MainButton();
        view.password = typed + extra;  // only the first 80 characters are read
        installer.MainButton();
        EXPECT_EQ(view.closed, installs) << extra;
    }
    view = FakeInstallerView{};
    InstallerFlow& installer = Start();
    installer.MainButton();
    view.password = typed.substr(2);  // 79 characters
    installer.MainButton();
    EXPECT_EQ(view.Status(), "Incorrect password.");
}

TEST_F(FlowTest, RestartOnlyRunsTheCommand) {
    contents.settings.runAfter = "sh -c \"echo resumed > marker\"";
    fs::create_directories(root / "config" / "autostart");
    std::ofstream(root / "config" / "autostart" / "Unfurl.desktop") << "[Desktop Entry]\n";
    InstallerFlow& installer = Start({"-reboot"});
    EXPECT_EQ(view.mainButton, "Continue");
    EXPECT_EQ(view.Status(), "Click 'Continue' to resume installation.");
    EXPECT_EQ(installer.State(), DialogState::resume);
    EXPECT_FALSE(fs::exists(root / "config" / "autostart" / "Unfurl.desktop"));

    installer.MainButton();
    EXPECT_TRUE(view.closed);
    EXPECT_EQ(installer.State(), DialogState::closes);  // a second click closes, it does not run again
    EXPECT_EQ(ReadText(root / "default" / "marker"), "resumed\n");
    EXPECT_FALSE(fs::exists(root / "default" / "stock"));  // nothing extracted
}

TEST_F(FlowTest, ResumeRemovesItsEntryBeforeReadingThePack) {
    // A pack that is corrupt or cannot be opened must not start again at every log-in.
    const fs::path entry = root / "config" / "autostart" / "Unfurl.desktop";
    fs::create_directories(entry.parent_path());
    contents.stub = Bytes("");
    Start();
    packBytes.back() ^= 0xFF;
    for (bool opens : {true, false}) {
        std::ofstream(entry) << "[Desktop Entry]\n";
        view = FakeInstallerView{};
        StartOn(opens ? std::make_unique<MemorySource>(packBytes) : nullptr, {"-REBOOT"});
        EXPECT_EQ(view.Status(), "This file is corrupted.") << opens;
        EXPECT_FALSE(fs::exists(entry)) << opens;
    }
}

TEST_F(FlowTest, SessionEndLeavesAResumeEntry) {
    Start().SessionEnding();
    std::string entry = ReadText(root / "config" / "autostart" / "Unfurl.desktop");
    EXPECT_NE(entry.find("Exec=\"" + (root / "comp1.exe").string() + "\" \"-REBOOT\""), std::string::npos) << entry;
}

TEST_F(FlowTest, SilentPackInstallsIntoTheCurrentFolderAtOnce) {
    contents.flags.bits |= PackFlags::kSilent;
    Start();
    EXPECT_TRUE(view.hidden);
    EXPECT_TRUE(view.closed);
    EXPECT_TRUE(view.messages.empty());
    EXPECT_EQ(ReadText(root / "temp311.htx"), "<html>%%titlez%%</html>");
}

TEST_F(FlowTest, FixedPathsOfferOnlyTheDrive) {
    contents.flags.bits |= PackFlags::kFixedPaths;
    contents.settings.defaultTarget = root.string();
    InstallerFlow& installer = Start();
    EXPECT_EQ(view.target, "/");

    view.target = (root / "default").string();
    installer.MainButton();  // warning answered Cancel
    ASSERT_EQ(view.questions.size(), 1u);
    EXPECT_EQ(view.questions[0].text,
              "Because directory locations have been hard-coded into this zip file, you may choose only the drive "
              "to expand to.  Files will be expanded onto drive \"/\".");
    EXPECT_EQ(view.questions[0].caption, "Warning");
    EXPECT_EQ(installer.State(), DialogState::readyToInstall);
    EXPECT_EQ(view.mainButton, "OK");
    EXPECT_TRUE(view.targetVisible);
    EXPECT_FALSE(view.progressVisible);
    EXPECT_FALSE(view.closed);
}

TEST_F(FlowTest, ClosingFileExistsCancels) {
    contents.flags.bits = 0;  // ask before replacing
    std::ofstream(root / "default" / "graf1.gif") << "mine";
    InstallerFlow& installer = Start();
    installer.MainButton();  // the File Exists dialog is closed with its close box
    EXPECT_EQ(view.Status(), "Cancelled by user.");
    EXPECT_EQ(view.mainButton, "OK");
    EXPECT_FALSE(view.progressVisible);
    EXPECT_EQ(installer.State(), DialogState::closes);
    EXPECT_EQ(ReadText(root / "default" / "graf1.gif"), "mine");
}

TEST_F(FlowTest, ClosingWhileFilesAreWrittenStopsAfterTheBlockAndKeepsTheOldCopy) {
    std::string big;
    for (int i = 0; big.size() < 200'000; ++i) big += std::to_string(i * 7919) + " ";  // several blocks
    contents.members = {Member("icon.ico", "icon"), Member("graf1.gif", "GIF89a"), Member("stock", big),
                        Member("temp311.htx", "<html></html>")};
    contents.settings.runAfter = "sh -c \"echo ran > marker\"";
    contents.components = {{"vb600a", "the runtime", {{"msvbvm60.dll", ""}}}};
    std::ofstream(root / "default" / "stock") << "old picture";
    Start();  // for the pack's bytes
    const Catalog& catalog = flow->PackCatalog();
    const std::uint64_t secondBlock =
        catalog.memberOffset(2) + 2 +
        (packBytes[catalog.memberOffset(2)] | packBytes[catalog.memberOffset(2) + 1] << 8);

    view = FakeInstallerView{};
    auto source = std::make_unique<HookedSource>(packBytes, secondBlock);
    HookedSource& hooked = *source;
    InstallerFlow& installer = StartOn(std::move(source));
    // The main button reads "Cancel" while installing; pressing it closes the installer.
    hooked.reached = [&] { installer.MainButton(); };
    installer.MainButton();

    EXPECT_TRUE(view.closed);
    EXPECT_TRUE(ReadText(root / "default" / "stock") == "old picture");
    EXPECT_EQ(ReadText(root / "default" / "graf1.gif"), "GIF89a");
    std::vector<fs::path> left;
    for (const auto& entry : fs::directory_iterator(root / "default")) left.push_back(entry.path().filename());
    std::ranges::sort(left);
    EXPECT_EQ(left, (std::vector<fs::path>{"graf1.gif", "stock"}));  // no half-written or temporary file
    EXPECT_TRUE(view.questions.empty());                             // no runtime offer, no question after the close
    EXPECT_FALSE(fs::exists(root / "default" / "marker"));           // the command to run did not run
}

TEST_F(FlowTest, MissingRuntimeAsksWhetherToGoOn) {
    contents.components = {{"vb600a", "the runtime", {{"msvbvm60.dll", ""}}}};
    contents.flags.bits |= PackFlags::kDeleteAfterRun;
    for (bool goOn : {false, true}) {
        view = FakeInstallerView{};
        view.yesNoAnswers = {true, goOn};  // yes, download; then the answer to going on
        InstallerFlow& installer = Start();
        installer.MainButton();
        ASSERT_EQ(view.questions.size(), 2u);
        EXPECT_EQ(view.questions[1].text, "Runtime download failed.  Continue installation?");
        EXPECT_EQ(view.questions[1].caption, "Error");
        EXPECT_EQ(view.messages.at(0).text, "Could not establish Internet connection.");
        EXPECT_EQ(view.closed, goOn);
        if (!goOn) {
            EXPECT_EQ(view.Status(), "Cancelled by user.");
            EXPECT_TRUE(fs::exists(root / "default" / "stock"));
        } else {
            EXPECT_FALSE(fs::exists(root / "default" / "stock"));  // deleted after the (empty) command
        }
    }

    view = FakeInstallerView{};
    std::ofstream(root / "system" / "msvbvm60.dll") << "present";
    Start().MainButton();
    EXPECT_TRUE(view.questions.empty());
    EXPECT_TRUE(view.closed);
}

}  // namespace
