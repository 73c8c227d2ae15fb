// The installer dialog on the offscreen platform: what it shows for a pack, the File
// Exists dialog's labels, and the self-drawn progress text.
#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <algorithm>
#include <condition_variable>
#include <mutex>
#include <sstream>

#include "designpack/app/file_exists_dialog.hpp"
#include "designpack/app/installer_dialog.hpp"
#include "designpack/pack_writer.hpp"
#include "tests/temp_folder.hpp"

using namespace pw::designpack;

namespace {

QApplication& App() {
    static int argc = 1;
    static char name[] = "installer_dialog_test";
    static char* argv[] = {name, nullptr};
    static QApplication app(argc, argv);
    return app;
}

TEST(ProgressBar, PercentText) {
    const std::tuple<std::uint64_t, std::uint64_t, const char*> cases[] = {
        {0, 0, "0%"},
        {1, 3, "33%"},
        {4, 4, "100%"},
        {5'000'000'000, 10'000'000'000, "50%"},
    };
    for (auto [done, total, text] : cases) EXPECT_EQ(ProgressBar::PercentText(done, total), text);
}

TEST(FileExistsDialog, StopAskingTurnsButtonsIntoAll) {
    App();
    FileExistsDialog dialog("/site/temp311.htx", nullptr);
    EXPECT_EQ(dialog.windowTitle(), "File Exists");
    EXPECT_EQ(dialog.findChild<QLabel*>("Label1")->text(), "File already exists:\n\t/site/temp311.htx");
    auto* replace = dialog.findChild<QPushButton*>("Command1");
    auto* skip = dialog.findChild<QPushButton*>("Command2");
    auto* rename = dialog.findChild<QPushButton*>("Command3");
    dialog.findChild<QCheckBox*>("Check1")->setChecked(true);
    EXPECT_EQ(replace->text(), "&Replace all");
    EXPECT_EQ(skip->text(), "&Skip all");
    EXPECT_FALSE(rename->isEnabled());
    dialog.findChild<QCheckBox*>("Check1")->setChecked(false);
    EXPECT_EQ(replace->text(), "&Replace");
    EXPECT_TRUE(rename->isEnabled());
}

TEST(InstallerDialog, ShowsThePacksTexts) {
    App();
    PackContents contents;
    contents.stub = std::vector<std::uint8_t>{};
    PackMember icon;
    icon.record.name = "icon.ico";
    icon.content = std::vector<std::uint8_t>{1, 2, 3};
    contents.members = {icon};
    contents.settings = {"KW5 Software", "", "Click 'OK' to continue.", "default", "Design Updater", "www.example.com"};
    std::ostringstream out;
    ASSERT_FALSE(WritePack(contents, out));
    std::string text = out.str();
    std::vector<std::uint8_t> bytes(text.begin(), text.end());

    InstallerDialog dialog;
    InstallerSetting setting;
    setting.currentFolder = "/tmp";
    InstallerFlow flow(dialog, setting, std::make_unique<MemorySource>(bytes));
    dialog.Attach(flow);
    flow.Start({});
    QCoreApplication::processEvents();  // status updates are posted

    EXPECT_EQ(dialog.windowTitle(), "Design Updater");
    EXPECT_EQ(dialog.findChild<QLabel*>("Label1")->text(), "Click 'OK' to continue.");
    EXPECT_EQ(dialog.findChild<QLineEdit*>("Text1")->text(), "default");
    EXPECT_EQ(dialog.findChild<QPushButton*>("Command1")->text(), "&OK");
    EXPECT_EQ(dialog.InformationLine(), "Unfurl self-installer v3.1, KW5 Software");
    QRect link = dialog.LinkRect();
    EXPECT_EQ(link.top(), 153);
    EXPECT_NEAR(link.center().x(), dialog.width() / 2, 1);
    EXPECT_FALSE(dialog.CloseRequested());
}

// Reads through to a pack in memory; the first read at or past `at` waits until the
// test lets it go, so the test can close the dialog while that member is being written.
class GatedSource final : public ByteSource {
public:
    GatedSource(std::span<const std::uint8_t> bytes, std::uint64_t at) : inner_(bytes), at_(at) {}
    std::uint64_t size() const override { return inner_.size(); }
    std::error_code readAt(std::uint64_t offset, std::span<std::uint8_t> out) override {
        if (armed && offset >= at_) {
            armed = false;
            std::unique_lock lock(mutex_);
            reached_ = true;
            changed_.notify_all();
            changed_.wait(lock, [this] { return released_; });
        }
        return inner_.readAt(offset, out);
    }
    bool WaitUntilReached() {
        std::unique_lock lock(mutex_);
        return changed_.wait_for(lock, std::chrono::seconds(10), [this] { return reached_; });
    }
    void Release() {
        std::lock_guard lock(mutex_);
        released_ = true;
        changed_.notify_all();
    }
    std::atomic<bool> armed{false};

private:
    MemorySource inner_;
    std::uint64_t at_;
    std::mutex mutex_;
    std::condition_variable changed_;
    bool reached_ = false, released_ = false;
};

TEST(InstallerDialog, ClosingWhileFilesAreWrittenLetsTheWorkerRemoveTheMember) {
    App();
    pw::test::TempFolder folder;
    folder.Write("site/stock", "old picture");
    PackContents contents;
    contents.stub = std::vector<std::uint8_t>{};
    auto member = [](std::string name, std::string content) {
        PackMember m;
        m.record.name = std::move(name);
        m.content = std::vector<std::uint8_t>(content.begin(), content.end());
        return m;
    };
    std::string big;
    for (int i = 0; big.size() < 200'000; ++i) big += std::to_string(i * 7919) + " ";
    contents.members = {member("icon.ico", "icon"), member("graf1.gif", "GIF89a"), member("stock", big),
                        member("temp311.htx", "<html></html>")};
    contents.settings = {"", "", "Click 'OK' to continue.", (folder.path() / "site").string(), "Design Updater", ""};
    contents.flags.bits = PackFlags::kOverwrite;
    std::ostringstream out;
    ASSERT_FALSE(WritePack(contents, out));
    std::string text = out.str();
    std::vector<std::uint8_t> bytes(text.begin(), text.end());
    Catalog catalog;
    MemorySource reader(bytes);
    ASSERT_FALSE(ReadPayload(reader, catalog));
    const std::uint64_t stock = catalog.memberOffset(2);
    auto source = std::make_unique<GatedSource>(bytes, stock + 2 + (bytes[stock] | bytes[stock + 1] << 8));
    GatedSource& gate = *source;

    InstallerDialog dialog;
    InstallerSetting setting;
    setting.currentFolder = folder.path();
    setting.keys = KeyStore(folder.path() / "keys");
    InstallerFlow flow(dialog, setting, std::move(source));
    dialog.Attach(flow);
    flow.Start({});
    gate.armed = true;
    dialog.findChild<QPushButton*>("Command1")->click();  // OK: the worker starts writing
    ASSERT_TRUE(gate.WaitUntilReached());
    dialog.findChild<QPushButton*>("Command2")->click();  // Esc: the installer closes
    EXPECT_TRUE(dialog.CloseRequested());
    gate.Release();
    dialog.FinishWorker();

    EXPECT_FALSE(dialog.WorkerRunning());
    EXPECT_TRUE(pw::test::TempFolder::Read(folder.path() / "site/stock") == "old picture");
    std::vector<std::string> left;
    for (const auto& entry : std::filesystem::directory_iterator(folder.path() / "site"))
        left.push_back(entry.path().filename().string());
    std::ranges::sort(left);
    EXPECT_EQ(left, (std::vector<std::string>{"graf1.gif", "stock"}));
}

TEST(InstallerDialog, StubWithoutPayloadSaysCorrupted) {
    App();
    InstallerDialog dialog;
    InstallerFlow flow(dialog, InstallerSetting{}, nullptr);
    dialog.Attach(flow);
    flow.Start({});
    QCoreApplication::processEvents();
    EXPECT_EQ(dialog.findChild<QLabel*>("Label1")->text(), "This file is corrupted.");
    EXPECT_EQ(dialog.InformationLine(), "Unfurl self-installer v3.1");
    dialog.findChild<QPushButton*>("Command1")->click();
    EXPECT_TRUE(dialog.CloseRequested());
}

}  // namespace
