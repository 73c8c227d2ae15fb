// The picture windows for users without a mouse, with a screen reader or on a dense
// screen: hot-spots and picture buttons by keyboard and through the accessibility
// interface, the Tab order, window sizes without a band, and the pictures at 2x.
#include <gtest/gtest.h>

#include <QAccessible>
#include <QApplication>
#include <QDirIterator>
#include <QLayout>
#include <QLineEdit>
#include <QMainWindow>
#include <QMenuBar>

#include "builder/window/magic.hpp"
#include "pagenames/submit.hpp"
#include "shell/general/hot_spot.hpp"
#include "shell/start.hpp"
#include "testing/doubles.hpp"
#include "tests/temp_folder.hpp"

// The windows' libraries register their pictures when a window first needs them.
static void RegisterWindowPictures() {
    Q_INIT_RESOURCE(general);
    Q_INIT_RESOURCE(resources);
    Q_INIT_RESOURCE(publisher);
    Q_INIT_RESOURCE(editor);
}

namespace pw {
namespace {

void PressKey(QWidget& widget, int key, bool autoRepeat = false) {
    QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier, {}, autoRepeat);
    QApplication::sendEvent(&widget, &press);
    QKeyEvent release(QEvent::KeyRelease, key, Qt::NoModifier, {}, autoRepeat);
    QApplication::sendEvent(&widget, &release);
}

TEST(HotSpotKeys, EnterReturnAndSpaceActAsAClickOtherKeysDoNot) {
    QWidget window;
    HotSpot spot(QStringLiteral("Label2"), {}, QStringLiteral(" Publish "), &window);
    auto* button = PageButton(QStringLiteral("Command3"), 1, QRect(0, 0, 33, 44), &window);
    EXPECT_TRUE(spot.focusPolicy() & Qt::TabFocus);
    EXPECT_TRUE(button->focusPolicy() & Qt::TabFocus);
    const std::vector<std::tuple<int, bool, int>> keys = {
        {Qt::Key_Return, false, 1}, {Qt::Key_Enter, false, 1}, {Qt::Key_Space, false, 1},
        {Qt::Key_A, false, 0},      {Qt::Key_Tab, false, 0},   {Qt::Key_Return, true, 0},  // held down: once only
    };
    int spotClicks = 0, buttonClicks = 0;
    QObject::connect(&spot, &HotSpot::clicked, [&] { ++spotClicks; });
    QObject::connect(button, &QAbstractButton::clicked, [&] { ++buttonClicks; });
    for (const auto& [key, autoRepeat, clicks] : keys) {
        spotClicks = buttonClicks = 0;
        PressKey(spot, key, autoRepeat);
        PressKey(*button, key, autoRepeat);
        EXPECT_EQ(spotClicks, clicks) << "hot-spot, key " << key << " repeat " << autoRepeat;
        EXPECT_EQ(buttonClicks, clicks) << "picture button, key " << key << " repeat " << autoRepeat;
    }
}

TEST(HotSpotReaders, AButtonNamedByItsWordsWithAPressAction) {
    struct Case {
        QString accessibleName, caption, toolTip, spoken;
    };
    const std::vector<Case> cases = {
        {{},
         {},
         QStringLiteral("   Click to publish your web site online   "),
         QStringLiteral("Click to publish your web site online")},
        {{},
         QStringLiteral("    "),
         QStringLiteral("   Click to build or edit your web site   "),
         QStringLiteral("Click to build or edit your web site")},  // a blank caption says nothing
        {{}, QStringLiteral(" Go Back"), QStringLiteral("   Go Back to the builder"), QStringLiteral("Go Back")},
        {QStringLiteral("Upload ALL Files"), {}, {}, QStringLiteral("Upload ALL Files")},
    };
    QWidget window;
    for (const Case& c : cases) {
        HotSpot spot(QStringLiteral("Spot"), c.caption, c.toolTip, &window);
        if (!c.accessibleName.isEmpty()) spot.setAccessibleName(c.accessibleName);
        QAccessibleInterface* reader = QAccessible::queryAccessibleInterface(&spot);
        ASSERT_NE(reader, nullptr);
        EXPECT_EQ(reader->role(), QAccessible::Button) << c.spoken.toStdString();
        EXPECT_EQ(reader->text(QAccessible::Name), c.spoken);
        EXPECT_TRUE(reader->state().focusable);
        QAccessibleActionInterface* actions = reader->actionInterface();
        ASSERT_NE(actions, nullptr);
        ASSERT_TRUE(actions->actionNames().contains(QAccessibleActionInterface::pressAction()));

        // Pressed later, as a click comes: the action may close the window it is in.
        int clicks = 0;
        QObject::connect(&spot, &HotSpot::clicked, [&] { ++clicks; });
        actions->doAction(QAccessibleActionInterface::pressAction());
        EXPECT_EQ(clicks, 0);
        QCoreApplication::processEvents();
        EXPECT_EQ(clicks, 1);
    }
}

TEST(HotSpotReaders, APressOnAHotSpotThatIsGoneByThenDoesNothing) {
    auto* spot = new HotSpot(QStringLiteral("Spot"), {}, QStringLiteral("Tip"), nullptr);
    int clicks = 0;
    QObject::connect(spot, &HotSpot::clicked, [&] { ++clicks; });
    QAccessible::queryAccessibleInterface(spot)->actionInterface()->doAction(QAccessibleActionInterface::pressAction());
    delete spot;
    QCoreApplication::processEvents();
    EXPECT_EQ(clicks, 0);
}

QStringList TabChain(QWidget& first, int count) {
    QStringList names;
    QWidget* at = &first;
    for (int i = 0; i < count; ++i, at = at->nextInFocusChain()) {
        while (!(at->focusPolicy() & Qt::TabFocus) || !at->isEnabled() || !at->isVisibleTo(at->window()))
            at = at->nextInFocusChain();
        names << at->objectName();
    }
    return names;
}

// Created in an order unlike the picture's; a panel's stops stay together where it stands.
TEST(TabOrder, FollowsThePictureTopToBottomAndLeftToRightAlongALine) {
    QWidget area;
    const auto stop = [](const char* name, QRect place, QWidget* parent) {
        auto* spot = new HotSpot(QString::fromLatin1(name), {}, QStringLiteral("x"), parent);
        spot->setGeometry(place);
        return spot;
    };
    stop("lowRight", {300, 300, 50, 20}, &area);
    stop("topRight", {400, 10, 50, 20}, &area);
    auto* panel = new QWidget(&area);
    panel->setGeometry(200, 100, 200, 150);
    stop("panelLow", {10, 100, 50, 20}, panel);
    stop("panelTop", {10, 10, 50, 20}, panel);
    stop("topLeft", {10, 10, 50, 20}, &area);
    auto* field = new QLineEdit(&area);
    field->setObjectName(QStringLiteral("field"));
    field->setGeometry(10, 120, 100, 20);

    OrderTabsAsRead(area);
    EXPECT_EQ(TabChain(*area.findChild<QWidget*>("topLeft"), 6),
              (QStringList{"topLeft", "topRight", "panelTop", "panelLow", "field", "lowRight"}));
}

TEST(PictureWindowSize, SevenThousandEightHundredFiftyTwipsOutsideWithoutABand) {
    // frame (title bar and borders), menu bar -> inside height; 7850 twips are 523 pixels.
    const std::vector<std::tuple<int, int, int>> cases = {
        {0, 21, 503},   // no frame (no window manager): the menu bar and the picture exactly
        {10, 21, 503},  // a thin frame would still leave a band at 523 outside
        {20, 21, 503},  // exactly right
        {30, 21, 493},  // a tall title bar: 523 outside, the picture's foot out of view
        {30, 0, 482},   // no menu bar
    };
    for (const auto& [frame, menu, inside] : cases)
        EXPECT_EQ(PictureWindowHeight(frame, menu), inside) << "frame " << frame << " menu " << menu;
}

// The menu bar and the background picture fill the inside exactly: no band below.
class PictureWindows : public ::testing::Test {
protected:
    test::TempFolder inst;
    testing::TestPlatform doubles{inst.path()};

    static void ExpectNoBand(QMainWindow& window) {
        window.show();
        QCoreApplication::processEvents();
        SCOPED_TRACE(window.objectName().toStdString());
        EXPECT_EQ(window.width(), 640);
        EXPECT_EQ(window.centralWidget()->height(), kPictureHeight);
        EXPECT_LE(window.frameGeometry().height(), Px(7850));
        if (auto* background = window.centralWidget()->findChild<QWidget*>("Background")) {
            EXPECT_EQ(background->geometry().bottom() + 1, window.centralWidget()->height());
        }
    }
};

TEST_F(PictureWindows, MainMenuBuilderAndPageNamesHoldTheirPictureExactly) {
    start menu(*doubles.platform);
    menu.Form_Load();
    ExpectNoBand(menu);
    magic builder(*doubles.platform);
    builder.Form_Load();
    ExpectNoBand(builder);
    submit names(*doubles.platform);
    names.Form_Load();
    ExpectNoBand(names);
}

TEST_F(PictureWindows, TheMainMenuReadsAsItsPictureByTab) {
    start menu(*doubles.platform);
    menu.Form_Load();
    EXPECT_EQ(TabChain(*menu.findChild<QWidget*>("Command3"), 12),
              (QStringList{"Command3", "Command8", "Command9", "Label3", "Label4", "Label6", "Label9", "Label8",
                           "Label14", "Label2", "Label1", "Image2"}));
    EXPECT_EQ(menu.findChild<QWidget*>("Image2")->accessibleName(), "KW5 Sitewell");
    EXPECT_FALSE(menu.findChild<QWidget*>("Label10")->focusPolicy() & Qt::TabFocus) << "a caption, not a stop";
}

TEST_F(PictureWindows, TheBuilderReachesTheLayoutAndSavePreviewByTab) {
    magic builder(*doubles.platform);
    builder.Form_Load();
    const QStringList chain = TabChain(*builder.findChild<QWidget*>("Command8"), 14);
    EXPECT_EQ(chain.mid(0, 9), (QStringList{"Command8", "Command9", "Label3", "Label2", "Label19", "Label8", "Label10",
                                            "Label5", "Label9"}));
    EXPECT_TRUE(chain.contains("Label7")) << chain.join(' ').toStdString();
    EXPECT_EQ(builder.findChild<QWidget*>("Label18")->accessibleName(), "Text A");
    EXPECT_EQ(builder.findChild<QWidget*>("Label17")->accessibleName(), "Text B");
}

// Every picture of the windows comes also twice as large, for dense screens.
TEST(SharpPictures, EveryWindowPictureHasATwiceAsLargeRendering) {
    RegisterWindowPictures();
    int pictures = 0;
    for (const char* prefix : {":/general", ":/shell", ":/publisher", ":/editor"}) {
        QDirIterator files(QString::fromLatin1(prefix), {QStringLiteral("*.png")}, QDir::Files);
        while (files.hasNext()) {
            const QString path = files.next();
            if (path.contains(QStringLiteral("@2x"))) continue;
            const QString sharp = QString(path).insert(path.size() - 4, QStringLiteral("@2x"));
            const QImage one(path), two(sharp);
            ++pictures;
            EXPECT_FALSE(two.isNull()) << sharp.toStdString();
            EXPECT_EQ(two.size(), one.size() * 2) << sharp.toStdString();
        }
    }
    EXPECT_GT(pictures, 3);
}

// Run once as is and once with QT_SCALE_FACTOR=2.
TEST(SharpPictures, TheWindowsTakeTheTwiceAsLargeOneOnADenseScreen) {
    const qreal density = qApp->devicePixelRatio();
    if (qEnvironmentVariable("QT_SCALE_FACTOR") == QLatin1String("2")) {
        EXPECT_EQ(density, 2);
    }
    const QPixmap banner = SharedPicture(QStringLiteral("banner.png"));
    EXPECT_EQ(banner.deviceIndependentSize().toSize(), QSize(650, 38));
    if (density > 1) {
        EXPECT_EQ(banner.size(), QSize(1300, 76));
        EXPECT_EQ(banner.devicePixelRatio(), 2);
    } else {
        EXPECT_EQ(banner.size(), QSize(650, 38));
    }
    EXPECT_TRUE(SharpPicture(QStringLiteral(":/general/no-such-picture.png")).isNull());
}

}  // namespace
}  // namespace pw
