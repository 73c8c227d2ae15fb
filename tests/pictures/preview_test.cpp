// The picture browser: walking folders, the picture filter, the preview, and bringing a
// picture into the site folder.
#include <gtest/gtest.h>

#include <QComboBox>
#include <QFileSystemModel>
#include <QImage>
#include <QLabel>
#include <QListWidget>
#include <QPointer>
#include <QProcess>
#include <QProgressBar>
#include <QRegularExpression>
#include <QTreeView>

#include <unistd.h>
#include <random>
#include <utility>

#include "pictures/preview.hpp"
#include "pictures/web_picture.hpp"
#include "shell/general/hot_spot.hpp"
#include "testing/doubles.hpp"
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

// What exiv2 reads of a file's metadata, one tag a line; empty for a file without any.
QString MetadataOf(const fs::path& path) {
    QProcess exiv2;
    exiv2.start(QStringLiteral("exiv2"), {QStringLiteral("-pa"), QString::fromStdString(path.string())});
    EXPECT_TRUE(exiv2.waitForFinished(30000)) << "exiv2 is needed (tools/packages.txt)";
    return QString::fromUtf8(exiv2.readAllStandardOutput());
}

// A photo as a phone stores it: 4000 x 3000 pixels taken sideways, with the orientation flag
// 6 (turn a quarter clockwise to show it) and where it was taken. The stored picture's top
// left corner is red, so once upright the red is at the top right.
void SavePhoneShot(const fs::path& path) {
    QImage image(4000, 3000, QImage::Format_RGB32);
    image.fill(QColor(0x80, 0x80, 0x80));
    for (int y = 0; y < 600; ++y)
        for (int x = 0; x < 600; ++x) image.setPixel(x, y, qRgb(0xe0, 0x10, 0x10));
    ASSERT_TRUE(image.save(QString::fromStdString(path.string()), "JPG", 95));
    QProcess exiv2;
    exiv2.start(QStringLiteral("exiv2"),
                {QStringLiteral("-M"), QStringLiteral("set Exif.Image.Orientation 6"), QStringLiteral("-M"),
                 QStringLiteral("set Exif.GPSInfo.GPSLatitudeRef N"), QStringLiteral("-M"),
                 QStringLiteral("set Exif.GPSInfo.GPSLatitude 52/1 31/1 1234/100"), QStringLiteral("-M"),
                 QStringLiteral("set Exif.GPSInfo.GPSLongitudeRef E"), QStringLiteral("-M"),
                 QStringLiteral("set Exif.GPSInfo.GPSLongitude 13/1 24/1 0/1"), QStringLiteral("-M"),
                 QStringLiteral("set Exif.Image.Model Phone 12"), QString::fromStdString(path.string())});
    ASSERT_TRUE(exiv2.waitForFinished(30000));
    ASSERT_EQ(exiv2.exitCode(), 0) << exiv2.readAllStandardError().toStdString();
    ASSERT_TRUE(MetadataOf(path).contains("GPSLatitude")) << "the fixture carries its location";
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

TEST_F(PreviewTest, APhonePhotoBecomesAnUprightWebCopyWithoutItsLocationOnYesAndStaysAsItIsOnNo) {
    SavePhoneShot(photos.path() / "Harbour.jpg");
    const std::string original = test::TempFolder::Read(photos.path() / "Harbour.jpg");
    browser->OpenFolder(Folder(photos.path()));
    doubles.dialogs->answers = {MessageAnswer::Yes};
    Click("Harbour.jpg");
    browser->Label1_Click();

    ASSERT_EQ(doubles.dialogs->shown.size(), 1u) << "asked once";
    const testing::ShownMessage& question = doubles.dialogs->shown[0];
    EXPECT_EQ(question.buttons, MessageButtons::YesNo);
    const QRegularExpression asked(QStringLiteral(
        R"(^This picture is 3000 x 4000 pixels \((\d+\.\d) MB\)\. Make a copy for the web \(about (\d+) KB\)\?$)"));
    const QRegularExpressionMatch match = asked.match(question.text);
    ASSERT_TRUE(match.hasMatch()) << question.text.toStdString();
    EXPECT_EQ(match.captured(1), QString::number(static_cast<double>(original.size()) / (1024 * 1024), 'f', 1));

    const fs::path copy = inst.path() / "default" / "Harbour.jpg";
    EXPECT_EQ(Picked(), "Harbour.jpg");
    const QImage upright(QString::fromStdString(copy.string()));
    ASSERT_FALSE(upright.isNull());
    EXPECT_EQ(upright.size(), QSize(1600, 2133));
    EXPECT_GT(qRed(upright.pixel(1550, 50)), 0xc0) << "the red corner is at the top right once upright";
    EXPECT_LT(qRed(upright.pixel(50, 50)), 0xa0);
    EXPECT_LT(fs::file_size(copy), 1024u * 1024u);
    EXPECT_NEAR(static_cast<double>(fs::file_size(copy)) / 1024, match.captured(2).toDouble(), 1.0)
        << "the question tells the copy's size";
    const QString metadata = MetadataOf(copy);
    EXPECT_FALSE(metadata.contains("GPS")) << metadata.toStdString();
    EXPECT_FALSE(metadata.contains("Orientation")) << "the pixels themselves are upright";
    EXPECT_FALSE(metadata.contains("Phone 12"));

    fs::remove(copy);
    browser = new preview(*doubles.platform);
    browser->Form_Load();
    browser->OpenFolder(Folder(photos.path()));
    doubles.dialogs->answers = {MessageAnswer::No};
    Click("Harbour.jpg");
    browser->Label1_Click();
    EXPECT_EQ(doubles.dialogs->shown.size(), 2u);
    EXPECT_EQ(Picked(), "Harbour.jpg");
    EXPECT_EQ(test::TempFolder::Read(copy), original) << "No copies the picture byte for byte";
}

TEST_F(PreviewTest, OnlyAPictureWiderThan1600PixelsOrOver1MbIsOffered) {
    // A picture of random pixels does not compress, so 1000 x 800 of them make over 1 MB.
    QImage noise(1000, 800, QImage::Format_RGB32);
    std::mt19937 random(7);
    for (int y = 0; y < noise.height(); ++y)
        for (int x = 0; x < noise.width(); ++x) noise.setPixel(x, y, random() & 0xffffff);
    ASSERT_TRUE(noise.save(QString::fromStdString((photos.path() / "noise.jpg").string()), "JPG", 100));
    ASSERT_GT(fs::file_size(photos.path() / "noise.jpg"), 1024u * 1024u);
    SavePicture(photos.path() / "wide.jpg", {1601, 20});
    SavePicture(photos.path() / "fits.jpg", {1600, 1200});
    photos.Write("not a picture.jpg", std::string(2 * 1024 * 1024, 'x'));
    const struct {
        const char* name;
        bool asks;
    } cases[] = {{"noise.jpg", true}, {"wide.jpg", true}, {"fits.jpg", false}, {"not a picture.jpg", false}};
    for (const auto& [name, asks] : cases) {
        doubles.dialogs->shown.clear();
        doubles.dialogs->answers = {MessageAnswer::No};
        browser = new preview(*doubles.platform);
        browser->Form_Load();
        browser->OpenFolder(Folder(photos.path()));
        Click(name);
        browser->Label1_Click();
        EXPECT_EQ(doubles.dialogs->shown.size(), asks ? 1u : 0u) << name;
        EXPECT_EQ(test::TempFolder::Read(inst.path() / "default" / name), test::TempFolder::Read(photos.path() / name))
            << name;
    }
}

TEST_F(PreviewTest, TheWebCopyOfAGifIsAJpegNamedSoAndAnExistingOneIsAskedAbout) {
    // Qt writes no GIF; its readers go by a file's content, so a PNG under a .gif name stands in.
    QImage wide(2400, 300, QImage::Format_RGB32);
    wide.fill(QColor(0x1f, 0x8a, 0x8a));
    ASSERT_TRUE(wide.save(QString::fromStdString((photos.path() / "My Banner.gif").string()), "PNG"));
    browser->OpenFolder(Folder(photos.path()));
    doubles.dialogs->answers = {MessageAnswer::Yes};
    Click("My Banner.gif");
    browser->Label1_Click();
    EXPECT_EQ(Picked(), "My Banner.jpg") << "the editor inserts the copy's name";
    const fs::path copy = inst.path() / "default" / "My Banner.jpg";
    EXPECT_EQ(QImage(QString::fromStdString(copy.string())).size(), QSize(1600, 200));
    EXPECT_EQ(test::TempFolder::Read(copy).substr(0, 3), "\xFF\xD8\xFF") << "a JPEG";
    EXPECT_FALSE(fs::exists(inst.path() / "default" / "My Banner.gif"));

    for (const bool useIt : {true, false}) {
        inst.Write("default/My Banner.jpg", "the site's own");
        browser = new preview(*doubles.platform);
        browser->Form_Load();
        browser->OpenFolder(Folder(photos.path()));
        doubles.dialogs->answers = {MessageAnswer::Yes, useIt ? MessageAnswer::Yes : MessageAnswer::No};
        Click("My Banner.gif");
        browser->Label1_Click();
        EXPECT_TRUE(doubles.dialogs->shown.back().text.endsWith("Do you want use it?"));
        EXPECT_EQ(test::TempFolder::Read(copy), "the site's own");
        EXPECT_EQ(Picked(), useIt ? "My Banner.jpg" : "");
    }
}

TEST(WebCopyName, AJpegKeepsItsNameAndAnyOtherPictureTakesJpg) {
    const std::pair<QString, QString> cases[] = {
        {"Shop.JPG", "Shop.JPG"},
        {"photo.jpeg", "photo.jpeg"},
        {"logo.gif", "logo.jpg"},
        {"my logo.GIF", "my logo.jpg"},
        {"scan.png", "scan.jpg"},
        {"v1.2 plan.gif", "v1.2 plan.jpg"},
        {"no extension", "no extension.jpg"},
    };
    for (const auto& [name, web] : cases) EXPECT_EQ(WebCopyName(name), web) << name.toStdString();
}

TEST(WebJpeg, AnyPictureIsMadeAtMost1600WideAnd1MbWithWhiteForTransparency) {
    QImage noise(4000, 3000, QImage::Format_ARGB32);
    std::mt19937 random(11);
    for (int y = 0; y < noise.height(); ++y)
        for (int x = 0; x < noise.width(); ++x) noise.setPixel(x, y, random() | 0xff000000u);
    for (int y = 0; y < 100; ++y)
        for (int x = 0; x < 100; ++x) noise.setPixel(x, y, 0);  // transparent corner
    const QByteArray jpeg = WebJpeg(noise);
    EXPECT_LE(jpeg.size(), kWebPictureMaxBytes) << "noise does not compress: quality and size give way";
    const auto back = ReadUpright(jpeg);
    ASSERT_TRUE(back.has_value());
    EXPECT_LE(back->width(), kWebPictureMaxWidth);
    EXPECT_NEAR(back->width() * 3.0 / 4.0, back->height(), 1.0);
    EXPECT_GT(qGray(back->pixel(5, 5)), 0xe0) << "transparent becomes white";
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
