// The picture browser: walking folders, the picture filter, the preview, and bringing a
// picture into the site folder.
#include <gtest/gtest.h>

#include <QComboBox>
#include <QFileSystemModel>
#include <QImage>
#include <QLabel>
#include <QListWidget>
#include <QPointer>
#include <QProgressBar>
#include <QTreeView>

#include <unistd.h>

#include "pictures/preview.hpp"
#include "platform/testing/doubles.hpp"
#include "shell/general/hot_spot.hpp"
#include "tests/temp_folder.hpp"

namespace pw {
namespace {
namespace fs = std::filesystem;

// A JPEG picture of `size` saved as `path`.
void SavePicture(const fs::path& path, QSize size) {
    QImage image(size, QImage::Format_RGB32);
    image.fill(QColor(0x1f, 0x8a, 0x8a));
    ASSERT_TRUE(image.save(QString::fromStdString(path.string()), "JPG"));
}

class PreviewTest : public ::testing::Test {
protected:
    test::TempFolder inst;
    test::TempFolder photos;
    testing::TestPlatform doubles{inst.path()};
    QPointer<preview> browser;

    void SetUp() override {
        fs::create_directories(inst.path() / "default");
        browser = new preview(*doubles.platform);
        browser->Form_Load();
    }
    void TearDown() override { delete browser; }

    QStringList Files() {
        QStringList names;
        auto* list = browser->findChild<QListWidget*>("File1");
        for (int i = 0; i < list->count(); ++i) names << list->item(i)->text();
        return names;
    }
    void Click(const QString& name) {
        auto* list = browser->findChild<QListWidget*>("File1");
        list->setCurrentItem(list->findItems(name, Qt::MatchExactly).value(0));
        browser->File1_Click();
    }
    std::string& Picked() { return doubles.platform->globals().pickedFile; }
    QString Folder(const fs::path& path) const { return QString::fromStdString(path.string()); }
};

TEST_F(PreviewTest, ListsTheJpegAndGifPicturesOfAFolderWhateverTheirCase) {
    for (const char* name : {"shop.jpg", "TEAM.JPG", "logo.Gif", "notes.txt", "photo.jpeg", "page.html"})
        photos.Write(name, "x");
    fs::create_directory(photos.path() / "folder.jpg");
    browser->OpenFolder(Folder(photos.path()));
    EXPECT_EQ(Files(), (QStringList{"logo.Gif", "shop.jpg", "TEAM.JPG"}));

    fs::create_directories(photos.path() / "empty");
    browser->OpenFolder(Folder(photos.path() / "empty"));
    EXPECT_TRUE(Files().isEmpty());
}

TEST_F(PreviewTest, ChoosingAFolderInTheFolderListShowsItsPictures) {
    fs::create_directories(photos.path() / "summer");
    SavePicture(photos.path() / "summer" / "beach.jpg", {40, 30});
    browser->OpenFolder(Folder(photos.path()));
    auto* folders = browser->findChild<QTreeView*>("dir1");
    auto* model = static_cast<QFileSystemModel*>(folders->model());
    folders->setCurrentIndex(model->index(Folder(photos.path() / "summer")));
    EXPECT_EQ(browser->FolderPath(), Folder(photos.path() / "summer"));
    EXPECT_EQ(Files(), QStringList{"beach.jpg"});
}

TEST_F(PreviewTest, APictureIsPreviewedAtItsSizeOrScaledDownNeverUp) {
    SavePicture(photos.path() / "small.jpg", {40, 30});
    SavePicture(photos.path() / "large.jpg", {800, 600});
    fs::copy_file(fs::path(PW_SOURCE_DIR) / "content" / "graf1.gif", photos.path() / "emblem.GIF");
    photos.Write("broken.jpg", "not a picture");
    browser->OpenFolder(Folder(photos.path()));
    auto* preview = browser->findChild<QLabel*>("Image1");
    Click("small.jpg");
    EXPECT_EQ(preview->pixmap().size(), QSize(40, 30));
    EXPECT_EQ(Picked(), "small.jpg");
    Click("emblem.GIF");
    EXPECT_FALSE(preview->pixmap().isNull()) << "GIF pictures show too";
    Click("large.jpg");
    EXPECT_LE(preview->pixmap().width(), preview->width());
    EXPECT_LE(preview->pixmap().height(), preview->height());
    EXPECT_NEAR(double(preview->pixmap().width()) / preview->pixmap().height(), 4.0 / 3.0, 0.02) << "the shape is kept";
    const QSize shown = preview->pixmap().size();
    Click("broken.jpg");
    EXPECT_EQ(preview->pixmap().size(), shown) << "a picture that cannot be read leaves the preview";
    EXPECT_EQ(Picked(), "broken.jpg");
}

TEST_F(PreviewTest, AddItCopiesThePictureIntoTheSiteInBlocksWithProgress) {
    photos.Write("my photo.jpg", std::string(2500, 'p'));
    browser->OpenFolder(Folder(photos.path()));
    std::vector<int> values;
    QObject::connect(browser->findChild<QProgressBar*>("ProgressBar"), &QProgressBar::valueChanged,
                     [&values](int v) { values.push_back(v); });
    Click("my photo.jpg");
    browser->Label1_Click();
    EXPECT_EQ(test::TempFolder::Read(inst.path() / "default" / "my photo.jpg"), std::string(2500, 'p'));
    EXPECT_EQ(values, (std::vector<int>{41, 82, 100, 0}));
    EXPECT_EQ(Picked(), "my photo.jpg");
    EXPECT_TRUE(browser.isNull() || !browser->isVisible());
}

TEST_F(PreviewTest, AddItCopiesThePicturePreviewedThoughTheHighlightMovedOn) {
    photos.Write("a.jpg", "picture a");
    photos.Write("b.jpg", "picture b");
    browser->OpenFolder(Folder(photos.path()));
    Click("a.jpg");
    auto* list = browser->findChild<QListWidget*>("File1");
    list->setCurrentItem(list->findItems("b.jpg", Qt::MatchExactly).value(0));  // an arrow key: no click
    browser->Label1_Click();
    EXPECT_EQ(Picked(), "a.jpg");
    EXPECT_EQ(test::TempFolder::Read(inst.path() / "default" / "a.jpg"), "picture a");
}

TEST_F(PreviewTest, APictureAlreadyInTheSiteIsUsedOnYesAndDroppedOnNo) {
    photos.Write("logo.gif", "new");
    for (const bool yes : {true, false}) {
        inst.Write("default/logo.gif", "the site's own");
        browser = new preview(*doubles.platform);
        browser->Form_Load();
        browser->OpenFolder(Folder(photos.path()));
        doubles.dialogs->answers = {yes ? MessageAnswer::Yes : MessageAnswer::No};
        Click("logo.gif");
        browser->Label1_Click();
        ASSERT_FALSE(doubles.dialogs->shown.empty());
        EXPECT_EQ(doubles.dialogs->shown.back().text,
                  Folder(inst.path() / "default" / "logo.gif") +
                      "\n\nFile already exists in your web page directory. Do you want use it?");
        EXPECT_EQ(doubles.dialogs->shown.back().icon, MessageIcon::Question);
        EXPECT_EQ(test::TempFolder::Read(inst.path() / "default" / "logo.gif"), "the site's own");
        EXPECT_EQ(Picked(), yes ? "logo.gif" : "");
    }
}

TEST_F(PreviewTest, AZeroLengthPictureIsCopiedEmpty) {
    photos.Write("empty.jpg", "");
    browser->OpenFolder(Folder(photos.path()));
    Click("empty.jpg");
    browser->Label1_Click();
    EXPECT_TRUE(fs::exists(inst.path() / "default" / "empty.jpg"));
    EXPECT_EQ(fs::file_size(inst.path() / "default" / "empty.jpg"), 0u);
}

TEST_F(PreviewTest, ACopyThatFailsLeavesNothingToInsert) {
    photos.Write("shop.jpg", "x");
    fs::remove_all(inst.path() / "default");  // the site folder is gone
    browser->OpenFolder(Folder(photos.path()));
    Click("shop.jpg");
    browser->Label1_Click();
    EXPECT_EQ(Picked(), "");
    EXPECT_TRUE(doubles.dialogs->shown.empty());
}

TEST_F(PreviewTest, ExitAndTheCloseBoxInsertNothingAndAddItWithoutAClickDoesNothing) {
    photos.Write("shop.jpg", "x");
    browser->OpenFolder(Folder(photos.path()));
    browser->Label1_Click();
    EXPECT_FALSE(browser.isNull()) << "nothing chosen yet: Add It! does nothing";
    Click("shop.jpg");
    browser->Label28_Click();
    EXPECT_EQ(Picked(), "");

    browser = new preview(*doubles.platform);
    browser->Form_Load();
    browser->OpenFolder(Folder(photos.path()));
    Click("shop.jpg");
    browser->close();
    EXPECT_EQ(Picked(), "") << "a picture that was not added is not inserted";
    EXPECT_FALSE(fs::exists(inst.path() / "default" / "shop.jpg"));
}

TEST_F(PreviewTest, InADrivesRootThePathHasNoDoubledSeparator) {
    // The root of the file system is a folder of the drive list; its pictures are named
    // without a doubled separator. A read of "/" lists what is there without failing.
    browser->OpenFolder(QStringLiteral("/"));
    EXPECT_EQ(browser->FolderPath(), "/");
    auto* drives = browser->findChild<QComboBox*>("Drive1");
    ASSERT_GE(drives->count(), 2);
    EXPECT_TRUE(drives->itemText(0).startsWith("Home"));
    EXPECT_EQ(drives->itemData(1).toString(), "/");
}

TEST_F(PreviewTest, AFolderThatCannotBeReadLeavesTheListsUsable) {
    photos.Write("locked/inside.jpg", "x");
    photos.Write("open/shop.jpg", "x");
    fs::permissions(photos.path() / "locked", fs::perms::none);
    browser->OpenFolder(Folder(photos.path() / "locked"));
    if (::geteuid() != 0) {
        EXPECT_TRUE(Files().isEmpty());
    }
    browser->OpenFolder(Folder(photos.path() / "open"));
    EXPECT_EQ(Files(), QStringList{"shop.jpg"});
    browser->OpenFolder(Folder(photos.path() / "no such folder"));
    EXPECT_TRUE(Files().isEmpty());
    fs::permissions(photos.path() / "locked", fs::perms::owner_all);
}

TEST_F(PreviewTest, HelpExplainsTheBrowser) {
    browser->Image5_Click();
    ASSERT_EQ(doubles.dialogs->shown.size(), 1u);
    EXPECT_EQ(doubles.dialogs->shown[0].caption, "Quick Help");
    EXPECT_TRUE(doubles.dialogs->shown[0].text.startsWith("Double click on picture to view it\r\nPush ADD IT"));
    EXPECT_TRUE(doubles.dialogs->shown[0].text.endsWith("exit viewer and load another directory"));
}

}  // namespace
}  // namespace pw
