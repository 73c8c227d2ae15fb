#include <gtest/gtest.h>

#include <QApplication>
#include <QComboBox>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPointer>
#include <QTimer>
#include <optional>

#include "help/help.hpp"
#include "testing/doubles.hpp"
#include "tests/temp_folder.hpp"

namespace pw {
namespace {

// A browser pane that stays busy after a navigation until the test finishes the load.
class LoadingPane final : public WebPane {
public:
    using WebPane::WebPane;
    QStringList navigations;
    bool busy = false;

    void Navigate(const QString& fileOrAddress) override {
        navigations.append(fileOrAddress);
        busy = true;
    }
    void NavigateWithoutScripts(const QString& file) override { Navigate(file); }
    bool Busy() const override { return busy; }
    void FinishLoading() {
        busy = false;
        emit DownloadComplete();
    }
};

class HelpTest : public ::testing::Test {
protected:
    test::TempFolder inst;
    std::vector<LoadingPane*> panes;
    Platform platform{
        inst.path(),
        Ports{.dialogs = std::make_unique<testing::ScriptedDialogs>(),
              .shell = std::make_unique<testing::RecordingShell>(),
              .makeWebPane = [this](QWidget* parent) { return panes.emplace_back(new LoadingPane(parent)); },
              .makeEditingSurface = {},  // the help viewer edits nothing
              .makeSpellChecker = {}}};
    QPointer<Help> viewer;

    void TearDown() override {
        delete viewer;
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }

    Help& Open() {
        viewer = Help::Open(platform);
        return *viewer;
    }
    LoadingPane& Pane() { return *panes.back(); }
    QTimer& Timer() { return *viewer->findChild<QTimer*>("timTimer"); }
    QWidget& Child(const char* name) { return *viewer->findChild<QWidget*>(name); }
    QString StartPage() const { return QString::fromStdString((inst.path() / "foundry.htm").string()); }
};

TEST_F(HelpTest, OpensShownOnTheStartPageAndSaysWorkingOnlyWhileItsNavigationLoads) {
    inst.Write("foundry.htm", "<p>help</p>");
    Help& help = Open();
    EXPECT_TRUE(help.isVisible());
    EXPECT_EQ(Pane().navigations, QStringList{StartPage()});
    EXPECT_EQ(help.windowTitle(), "KW5 SiteFoundry Help");
    EXPECT_TRUE(Timer().isActive());
    EXPECT_EQ(Timer().interval(), 5);

    help.timTimer_Timer();
    EXPECT_EQ(help.windowTitle(), "Working...");
    Pane().FinishLoading();
    EXPECT_EQ(help.windowTitle(), "KW5 SiteFoundry Help");
    help.timTimer_Timer();
    EXPECT_FALSE(Timer().isActive());

    // A link followed inside the page loads without the timer: the caption stays.
    Pane().busy = true;
    QApplication::processEvents();
    EXPECT_EQ(help.windowTitle(), "KW5 SiteFoundry Help");
}

TEST_F(HelpTest, AMissingStartPageIsLeftToTheBrowserWithNoMessageOfItsOwn) {
    Open();
    EXPECT_EQ(Pane().navigations, QStringList{StartPage()});
    EXPECT_TRUE(static_cast<testing::ScriptedDialogs&>(platform.dialogs()).shown.empty());
}

TEST_F(HelpTest, HelpWhileOpenBringsTheSameViewerBackOnItsCurrentPage) {
    Help& first = Open();
    first.showMinimized();
    EXPECT_EQ(Help::Open(platform), &first);
    EXPECT_FALSE(first.isMinimized());
    EXPECT_EQ(panes.size(), 1u);
    EXPECT_EQ(Pane().navigations.size(), 1);

    // Closing unloads it; the next Help loads a fresh viewer on the start page.
    QPointer<Help> closed = viewer;
    first.close();
    Help& second = Open();
    EXPECT_NE(&second, closed.data());
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(closed.isNull());
    EXPECT_EQ(Pane().navigations, QStringList{StartPage()});
}

// Where a window stood when it was first shown.
class FirstShowPosition : public QObject {
public:
    std::optional<QPoint> position;
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Show && !position && qobject_cast<Help*>(watched))
            position = static_cast<QWidget*>(watched)->pos();
        return false;
    }
};

TEST_F(HelpTest, OpensBesideItsOpenerAndLaterHelpLeavesItWhereTheUserPutIt) {
    QWidget menu;
    menu.setGeometry(10, 10, 120, 100);
    FirstShowPosition shown;
    qApp->installEventFilter(&shown);
    viewer = Help::Open(platform, &menu);
    qApp->removeEventFilter(&shown);
    ASSERT_TRUE(shown.position);
    EXPECT_EQ(*shown.position, viewer->pos()) << "placed before it is first shown";
    EXPECT_GT(viewer->x(), menu.frameGeometry().right()) << "beside the opener";
    EXPECT_TRUE(viewer->screen()->availableGeometry().contains(viewer->frameGeometry())) << "and on the screen";

    viewer->move(300, 200);  // where the user dragged it
    QWidget builder;
    builder.setGeometry(400, 10, 640, 480);
    EXPECT_EQ(Help::Open(platform, &builder), viewer.data());
    EXPECT_EQ(viewer->pos(), QPoint(300, 200));
    EXPECT_EQ(panes.size(), 1u);
}

struct Size {
    QSize window;
    QRect browser;  // left and top never move; sizes follow the inner area
    int addressWidth;
};

TEST_F(HelpTest, ResizingKeepsTheBrowserInPlaceAndNeverGivesANegativeSize) {
    Help& help = Open();
    help.setMinimumSize(0, 0);  // as small as a window manager might still make it
    const std::vector<Size> sizes = {
        {{600, 500}, {3, 81, 593, 406}, 593},  // 50 twips in from the right, 190 up from the bottom
        {{367, 342}, {3, 81, 360, 248}, 360},  // about the design size of the original layout
        {{1200, 300}, {3, 81, 1193, 206}, 1193},
        {{80, 60}, {3, 81, 73, 0}, 73},  // shorter than the address strip
        {{4, 4}, {3, 81, 0, 0}, 0},      // narrower than the margins
    };
    for (const Size& size : sizes) {
        help.resize(size.window);
        SCOPED_TRACE(std::to_string(size.window.width()) + "x" + std::to_string(size.window.height()));
        EXPECT_EQ(Child("brwWebBrowser").geometry(), size.browser);
        EXPECT_EQ(Child("cboAddress").width(), size.addressWidth);
        EXPECT_EQ(Child("picAddress").width(), size.window.width());
        EXPECT_EQ(Child("tbToolBar").width(), size.window.width());
    }
}

TEST_F(HelpTest, TheAddressBoxLiesOffViewUntilWidenedAndEnterNavigatesToItsText) {
    Help& help = Open();
    auto& address = static_cast<QComboBox&>(Child("cboAddress"));
    EXPECT_GE(address.mapTo(&help, QPoint(0, 0)).x(), help.width()) << "beyond the right edge at the design size";
    help.resize(1000, 500);
    EXPECT_LT(address.mapTo(&help, QPoint(0, 0)).x(), help.width());
    EXPECT_NE(address.focusPolicy(), Qt::NoFocus);
    EXPECT_FALSE(Child("lblAddress").isVisible());

    Pane().FinishLoading();
    help.timTimer_Timer();
    ASSERT_FALSE(Timer().isActive());

    QLineEdit& line = *address.lineEdit();
    line.setText("https://example.com/");
    QKeyEvent letter(QEvent::KeyPress, Qt::Key_A, Qt::NoModifier, "a");
    QApplication::sendEvent(&line, &letter);
    EXPECT_EQ(Pane().navigations.size(), 1) << "other keys only type";
    EXPECT_EQ(line.text(), "https://example.com/a");

    QKeyEvent enter(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier, "\r");
    QApplication::sendEvent(&line, &enter);
    EXPECT_EQ(Pane().navigations.back(), "https://example.com/a");
    EXPECT_TRUE(Timer().isActive());
    help.timTimer_Timer();
    EXPECT_EQ(help.windowTitle(), "Working...");
}

}  // namespace
}  // namespace pw
