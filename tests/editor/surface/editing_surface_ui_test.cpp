// What the editor window meets of the real editing surface besides commands: the find bar,
// the context menu it fills, the view options, insertion at the caret, and the factory.
#include <QAction>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QTest>

#include "editor/window/desktop_ports.hpp"
#include "platform/platform.hpp"
#include "tests/editor/surface/surface_fixture.hpp"

namespace pw::test {
namespace {

using UiTest = SurfaceTest;

TEST_F(UiTest, FindTextOpensAFindBarOnTheEnginesSearch) {
    Load("<p>one word, another word</p>");
    auto* bar = surface.findChild<QWidget*>(QStringLiteral("FindBar"));
    ASSERT_NE(bar, nullptr);
    EXPECT_FALSE(bar->isVisible());
    surface.ExecCommand(EditCommand::FindText);
    EXPECT_TRUE(bar->isVisible());
    bar->findChild<QLineEdit*>(QStringLiteral("FindText"))->setText(QStringLiteral("word"));
    QTest::mouseClick(bar->findChild<QPushButton*>(QStringLiteral("FindNext")), Qt::LeftButton);
    auto* result = bar->findChild<QLabel*>(QStringLiteral("FindResult"));
    EXPECT_TRUE(WaitUntil([&] { return result->text() == "1 of 2"; })) << result->text().toStdString();
    bar->findChild<QLineEdit*>(QStringLiteral("FindText"))->setText(QStringLiteral("absent"));
    QTest::keyClick(bar->findChild<QLineEdit*>(QStringLiteral("FindText")), Qt::Key_Return);
    EXPECT_TRUE(WaitUntil([&] { return result->text() == "Not found"; })) << result->text().toStdString();
    QTest::keyClick(bar, Qt::Key_Escape);
    EXPECT_FALSE(bar->isVisible());
}

TEST_F(UiTest, ContextMenuIsTheOneTheWindowSets) {
    Load("<table><tr><td>cell</td></tr></table>");
    CaretAt("ell");
    QPoint asked;
    int tableStatus = -1;
    const auto windowHandler =
        QObject::connect(&surface, &EditingSurface::ShowContextMenu, &surface, [&](int x, int y) {
            asked = QPoint(x, y);
            tableStatus = surface.QueryStatus(EditCommand::InsertRow);
            surface.SetContextMenu(
                {QStringLiteral("Cut"), QStringLiteral("Copy"), QString(), QStringLiteral("Insert Row")}, {2, 0, 0, 0});
        });
    QSignalSpy chosen(&surface, &EditingSurface::ContextMenuAction);
    emit surface.view().customContextMenuRequested(QPoint(30, 20));
    auto* menu = surface.findChild<QMenu*>(QStringLiteral("SurfaceContextMenu"));
    ASSERT_NE(menu, nullptr);
    ASSERT_TRUE(WaitUntil([&] { return menu->isVisible(); }));
    EXPECT_EQ(asked, QPoint(30, 20));
    EXPECT_EQ(tableStatus, CommandStatus::Enabled);
    const QList<QAction*> items = menu->actions();
    ASSERT_EQ(items.size(), 4);
    EXPECT_FALSE(items[0]->isEnabled());
    EXPECT_TRUE(items[1]->isEnabled());
    EXPECT_TRUE(items[2]->isSeparator());
    items[3]->trigger();
    ASSERT_EQ(chosen.count(), 1);
    EXPECT_EQ(chosen.first().first().toInt(), 3);
    menu->hide();

    // A window that sets no menu gets none, and never the engine's own.
    QObject::disconnect(windowHandler);
    QSignalSpy asking(&surface, &EditingSurface::ShowContextMenu);
    emit surface.view().customContextMenuRequested(QPoint(30, 20));
    ASSERT_TRUE(asking.wait(5000));
    QTest::qWait(100);
    EXPECT_FALSE(menu->isVisible());
}

TEST_F(UiTest, BordersAndDetailsShowWithoutChangingTheDocument) {
    Load("<table><tr><td>cell</td></tr></table><p>text<!-- a note --></p>");
    const std::string saved = Save();
    const auto outline = [&] { return Eval("getComputedStyle(document.querySelector('td')).outlineStyle").toString(); };
    EXPECT_EQ(outline(), "none");
    surface.SetShowBorders(true);
    EXPECT_EQ(outline(), "dotted");

    surface.SetShowDetails(true);
    EXPECT_EQ(Eval("(() => { const m = document.querySelector('pw-comment');"
                   "return getComputedStyle(m, '::before').content + ' ' + getComputedStyle(m).display; })()")
                  .toString(),
              "\"<!-- a note -->\" inline-block");
    EXPECT_EQ(Eval("getComputedStyle(document.querySelector('p'), '::after').content").toString(), "\"\u00b6\"");
    EXPECT_EQ(Save(), saved);
    EXPECT_EQ(surface.QueryStatus(EditCommand::Undo), CommandStatus::Disabled);  // showing is no edit

    // The options stay on for the next document.
    Load("<table><tr><td>again</td></tr></table><!-- second -->");
    EXPECT_EQ(outline(), "dotted");
    EXPECT_EQ(Eval("document.querySelectorAll('pw-comment').length").toInt(), 1);

    surface.SetShowBorders(false);
    surface.SetShowDetails(false);
    EXPECT_EQ(outline(), "none");
    EXPECT_EQ(Eval("document.querySelectorAll('pw-comment').length").toInt(), 0);
}

TEST_F(UiTest, PasteHtmlAtCaretInsertsOrReplacesAsOneStep) {
    Load("<p>one two</p>");
    CaretAt(" two");
    surface.PasteHtmlAtCaret(QStringLiteral("%%place%%"));
    EXPECT_EQ(BodyHtml(), "<p>one%%place%% two</p>");
    Select("two");
    surface.PasteHtmlAtCaret(QStringLiteral("<img src=\"my picture.gif\">"));
    EXPECT_EQ(BodyHtml(), "<p>one%%place%% <img src=\"my picture.gif\"></p>");
    surface.ExecCommand(EditCommand::Undo);
    surface.ExecCommand(EditCommand::Undo);
    EXPECT_EQ(BodyHtml(), "<p>one two</p>");

    // A block goes between the two halves of the paragraph, not inside it.
    CaretAt(" two");
    surface.PasteHtmlAtCaret(QStringLiteral("<table><tr><td>t</td></tr></table>"));
    EXPECT_EQ(BodyHtml(), "<p>one</p><table><tbody><tr><td>t</td></tr></tbody></table><p> two</p>");
}

TEST_F(UiTest, DisplayChangedFollowsFormattingAsWellAsTheSelection) {
    Load("<p>plain word here</p>");
    Select("word");
    QSignalSpy changed(&surface, &EditingSurface::DisplayChanged);
    surface.ExecCommand(EditCommand::Bold);
    EXPECT_GE(changed.count(), 1);
}

TEST(EditingSurfaceFactory, DesktopPlatformMakesTheEngineSurface) {
    TempFolder folder;
    auto platform = Platform::Desktop(folder.path(), DesktopEditorPorts(folder.path()));
    QWidget parent;
    EditingSurface* surface = platform->CreateEditingSurface(&parent);
    EXPECT_NE(dynamic_cast<WebEngineSurface*>(surface), nullptr);
    EXPECT_EQ(surface->parent(), &parent);
}

}  // namespace
}  // namespace pw::test
