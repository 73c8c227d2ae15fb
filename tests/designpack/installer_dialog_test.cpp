// The installer dialog on the offscreen platform: what it shows for a pack, the File
// Exists dialog's labels, and the self-drawn progress text.
#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <sstream>

#include "designpack/app/file_exists_dialog.hpp"
#include "designpack/app/installer_dialog.hpp"
#include "designpack/pack_writer.hpp"

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
        {0, 0, "0%"}, {1, 3, "33%"}, {4, 4, "100%"}, {5'000'000'000, 10'000'000'000, "50%"},
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
