// Tables and positioned elements on the real editing surface: our own DOM edits, each one
// step that Undo takes back exactly and Redo puts back.
#include <QTest>

#include "tests/editor/surface/surface_fixture.hpp"

namespace pw::test {
namespace {

using TableTest = SurfaceTest;
using Status = CommandStatus;

// The first table's cells by row: each cell's text ("_" when empty) with "<n" for a
// column span and "vn" for a row span; rows separated by "|".
constexpr const char* kTableText = R"JS(
    [...document.querySelectorAll('table')[%1].rows].map(row => [...row.cells].map(cell =>
      (cell.textContent.trim() || '_') + (cell.colSpan > 1 ? '<' + cell.colSpan : '') +
      (cell.rowSpan > 1 ? 'v' + cell.rowSpan : '')).join(' ')).join('|'))JS";

class TableCommandTest : public TableTest {
protected:
    std::string TableText(int table = 0) {
        return Eval(QString::fromLatin1(kTableText).arg(table)).toString().toStdString();
    }

    // Runs `command` with the caret in `cell`, checks the table after it, then that Undo
    // restores the body exactly and Redo brings the result back.
    void Check(int command, const QString& cell, const std::string& after) {
        const std::string before = BodyHtml();
        CaretAt(cell);
        ASSERT_EQ(surface.QueryStatus(command), Status::Enabled);
        surface.ExecCommand(command);
        EXPECT_EQ(TableText(), after);
        const std::string changed = BodyHtml();
        surface.ExecCommand(EditCommand::Undo);
        EXPECT_EQ(BodyHtml(), before);
        surface.ExecCommand(EditCommand::Redo);
        EXPECT_EQ(BodyHtml(), changed);
    }
};

TEST_F(TableTest, InsertTableBuildsItFromTheParameterObjectAtTheCaret) {
    Load("<p>before after</p>");
    CaretAt(" after");
    const InsertTableParam table{.NumRows = 2,
                                 .NumCols = 3,
                                 .TableAttrs = QStringLiteral("border =1 cellpadding =1 cellspacing =1 width= 75%"),
                                 .CellAttrs = QStringLiteral("valign=top"),
                                 .Caption = QStringLiteral("Prices & <more>")};
    surface.ExecCommand(EditCommand::InsertTable, CommandOption::NoPrompt, QVariant::fromValue(table));
    const std::string row =
        "<tr><td valign=\"top\"><br></td><td valign=\"top\"><br></td><td valign=\"top\"><br></td></tr>";
    EXPECT_EQ(SavedBody(),
              "<p>before</p><table border=\"1\" cellpadding=\"1\" cellspacing=\"1\" width=\"75%\">"
              "<caption>Prices &amp; &lt;more&gt;</caption><tbody>" +
                  row + row + "</tbody></table><p> after</p>");
    // The caret waits in the first cell.
    EXPECT_EQ(surface.QueryStatus(EditCommand::InsertRow), Status::Enabled);
    surface.ExecCommand(EditCommand::Undo);
    EXPECT_EQ(SavedBody(), "<p>before after</p>");
}

TEST_F(TableTest, InsertTableWithTheDialogsDefaultsAndInsideACell) {
    Load("<table><tr><td>cell</td></tr></table>");
    CaretAt("ll");
    surface.ExecCommand(EditCommand::InsertTable, CommandOption::NoPrompt, QVariant::fromValue(InsertTableParam{}));
    EXPECT_EQ(SavedBody(),
              "<table><tbody><tr><td>ce<table border=\"1\" cellpadding=\"1\" cellspacing=\"1\" width=\"75%\"><tbody>"
              "<tr><td><br></td><td><br></td></tr><tr><td><br></td><td><br></td></tr></tbody></table>ll</td></tr>"
              "</tbody></table>");

    const std::string before = BodyHtml();
    InsertTableParam empty;
    empty.NumRows = 0;
    surface.ExecCommand(EditCommand::InsertTable, CommandOption::NoPrompt, QVariant::fromValue(empty));
    EXPECT_EQ(BodyHtml(), before);
}

TEST_F(TableCommandTest, StructureCommandsOnAPlainTable) {
    struct Case {
        int command;
        const char* cell;
        const char* after;
    };
    const Case cases[] = {
        {EditCommand::InsertRow, "b2", "a1 b1 c1|a2 b2 c2|_ _ _|a3 b3 c3"},
        {EditCommand::InsertColumn, "b2", "a1 b1 _ c1|a2 b2 _ c2|a3 b3 _ c3"},
        {EditCommand::InsertCell, "b2", "a1 b1 c1|a2 b2 _ c2|a3 b3 c3"},
        {EditCommand::DeleteRows, "b2", "a1 b1 c1|a3 b3 c3"},
        {EditCommand::DeleteColumns, "b2", "a1 c1|a2 c2|a3 c3"},
        {EditCommand::DeleteCells, "b2", "a1 b1 c1|a2 c2|a3 b3 c3"},
        {EditCommand::MergeCells, "b2", "a1 b1 c1|a2 b2 c2<2|a3 b3 c3"},
        {EditCommand::SplitCell, "b2", "a1 b1 c1|a2 b2 _ c2|a3 b3 c3"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.command);
        Load(
            "<table border=1><tr><td>a1</td><td>b1</td><td>c1</td></tr><tr><td>a2</td><td>b2</td><td>c2</td></tr>"
            "<tr><td>a3</td><td>b3</td><td>c3</td></tr></table>");
        Check(c.command, QString::fromLatin1(c.cell), c.after);
    }
}

TEST_F(TableCommandTest, StructureCommandsKeepSpannedCellsWhole) {
    struct Case {
        int command;
        const char* cell;
        const char* after;
    };
    const Case cases[] = {
        {EditCommand::InsertColumn, "wide", "wide<2 _ c1|tallv2 b2 _ c2|b3 _ c3"},
        {EditCommand::InsertColumn, "tall", "wide<3 c1|tallv2 _ b2 c2|_ b3 c3"},
        {EditCommand::InsertRow, "b2", "wide<2 c1|tallv3 b2 c2|_ _|b3 c3"},
        {EditCommand::InsertRow, "tall", "wide<2 c1|tallv2 b2 c2|b3 c3|_ _ _"},
        {EditCommand::DeleteRows, "b2", "wide<2 c1|tall b3 c3"},
        {EditCommand::DeleteColumns, "wide", "c1|c2|c3"},
        {EditCommand::SplitCell, "wide", "wide _ c1|tallv2 b2 c2|b3 c3"},
        {EditCommand::SplitCell, "tall", "wide<2 c1|tall b2 c2|_ b3 c3"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.cell) + " " + std::to_string(c.command));
        Load(
            "<table border=1><tr><td colspan=2>wide</td><td>c1</td></tr><tr><td "
            "rowspan=2>tall</td><td>b2</td><td>c2</td></tr>"
            "<tr><td>b3</td><td>c3</td></tr></table>");
        Check(c.command, QString::fromLatin1(c.cell), c.after);
    }
}

TEST_F(TableCommandTest, SelectedCellsMergeAcrossOrDownAndDeleteTogether) {
    const std::string table =
        "<table border=1><tr><td>a1</td><td>b1</td><td>c1</td></tr><tr><td>a2</td><td>b2</td><td>c2</td></tr>"
        "<tr><td>a3</td><td>b3</td><td>c3</td></tr></table>";
    const auto selectCells = [&](const char* from, const char* to) {
        ChangeSelection(
            QStringLiteral("(() => { const cells = [...document.querySelectorAll('td')];"
                           "const find = t => cells.find(c => c.textContent === t).firstChild;"
                           "const r = document.createRange(); r.setStart(find('%1'), 0); r.setEnd(find('%2'), 2);"
                           "getSelection().removeAllRanges(); getSelection().addRange(r); return true; })()")
                .arg(QLatin1String(from), QLatin1String(to)));
    };
    Load(table);
    selectCells("a1", "c1");
    surface.ExecCommand(EditCommand::MergeCells);
    EXPECT_EQ(TableText(), "a1 b1 c1<3|a2 b2 c2|a3 b3 c3");

    Load(table);
    selectCells("b1", "b3");
    surface.ExecCommand(EditCommand::MergeCells);
    EXPECT_EQ(TableText(), "a1 b1 b2 b3v3 c1|a2 c2|a3 c3");

    Load(table);
    selectCells("a1", "b2");  // two rows and two columns: nothing to merge
    EXPECT_EQ(surface.QueryStatus(EditCommand::MergeCells), Status::Disabled);
    surface.ExecCommand(EditCommand::DeleteRows);
    EXPECT_EQ(TableText(), "a3 b3 c3");

    Load(table);
    selectCells("a2", "b2");
    surface.ExecCommand(EditCommand::DeleteColumns);
    EXPECT_EQ(TableText(), "c1|c2|c3");
}

TEST_F(TableCommandTest, CommandsInANestedTableChangeOnlyThatTable) {
    Load(
        "<table border=1><tr><td>outer<table border=1><tr><td>inner</td></tr></table></td><td>right</td></tr></table>");
    CaretAt("inner");
    surface.ExecCommand(EditCommand::InsertRow);
    surface.ExecCommand(EditCommand::InsertColumn);
    EXPECT_EQ(TableText(0), "outerinner right");
    EXPECT_EQ(TableText(1), "inner _|_ _");
}

TEST_F(TableCommandTest, DeletingTheLastRowRemovesTheTableAndUndoBringsItBack) {
    Load("<p>above</p><table border=1><tr><td>only</td></tr></table><p>below</p>");
    const std::string before = BodyHtml();
    CaretAt("only");
    surface.ExecCommand(EditCommand::DeleteRows);
    EXPECT_EQ(BodyHtml(), "<p>above</p><p>below</p>");
    EXPECT_EQ(surface.QueryStatus(EditCommand::InsertRow), Status::Disabled);
    surface.ExecCommand(EditCommand::Undo);
    EXPECT_EQ(BodyHtml(), before);
}

TEST_F(TableTest, MakeAbsoluteTogglesPositioningAndSendToBackNeedsIt) {
    Load("<p>first</p><div>box text</div>");
    CaretAt("box");
    EXPECT_EQ(surface.QueryStatus(EditCommand::MakeAbsolute), Status::Enabled);
    EXPECT_EQ(surface.QueryStatus(EditCommand::SendToBack), Status::Disabled);
    const std::string before = BodyHtml();

    surface.ExecCommand(EditCommand::MakeAbsolute);
    EXPECT_EQ(surface.QueryStatus(EditCommand::MakeAbsolute), Status::Latched);
    EXPECT_EQ(surface.QueryStatus(EditCommand::SendToBack), Status::Enabled);
    EXPECT_EQ(Eval("document.querySelector('div').style.position").toString(), "absolute");
    surface.ExecCommand(EditCommand::SendToBack);
    EXPECT_EQ(Eval("document.querySelector('div').style.zIndex").toString(), "-1");

    surface.ExecCommand(EditCommand::MakeAbsolute);
    EXPECT_EQ(surface.QueryStatus(EditCommand::MakeAbsolute), Status::Enabled);
    EXPECT_EQ(BodyHtml(), before);

    surface.ExecCommand(EditCommand::Undo);
    surface.ExecCommand(EditCommand::Undo);
    EXPECT_EQ(Eval("document.querySelector('div').style.position").toString(), "absolute");
    surface.ExecCommand(EditCommand::Undo);
    EXPECT_EQ(BodyHtml(), before);
}

TEST_F(TableTest, PositionedElementsSnapToTheGridAndMoveByTheirEdge) {
    Load("<p style=\"margin: 13px\">first line</p><div style=\"width: 200px; height: 60px\">box text</div>");
    surface.SetSnapToGrid(true);
    CaretAt("box");
    surface.ExecCommand(EditCommand::MakeAbsolute);
    const auto position = [&] {
        return Eval("(() => { const s = document.querySelector('div').style; return s.left + ' ' + s.top; })()")
            .toString();
    };
    const QStringList placed = position().split(QLatin1Char(' '));
    ASSERT_EQ(placed.size(), 2);
    for (const QString& value : placed) EXPECT_EQ(value.chopped(2).toInt() % 8, 0) << position().toStdString();

    // Take the box by its left edge and move it by (37, 21): it lands on the grid.
    const QStringList edges = Eval(
                                  "(() => { const r = document.querySelector('div').getBoundingClientRect();"
                                  "return [r.left, r.top, r.width, r.height].map(Math.round).join(' '); })()")
                                  .toString()
                                  .split(QLatin1Char(' '));
    ASSERT_EQ(edges.size(), 4);
    const QRect box(edges[0].toInt(), edges[1].toInt(), edges[2].toInt(), edges[3].toInt());
    QWidget* mouse = surface.view().focusProxy();
    const QPoint grip(box.left() + 2, box.top() + box.height() / 2);
    QTest::mousePress(mouse, Qt::LeftButton, {}, grip);
    QTest::mouseMove(mouse, grip + QPoint(20, 10));
    QTest::mouseMove(mouse, grip + QPoint(37, 21));
    QTest::mouseRelease(mouse, Qt::LeftButton, {}, grip + QPoint(37, 21));
    const int left = placed[0].chopped(2).toInt();
    const int top = placed[1].chopped(2).toInt();
    const QString moved = QStringLiteral("%1px %2px").arg((left + 37 + 4) / 8 * 8).arg((top + 21 + 4) / 8 * 8);
    EXPECT_TRUE(WaitUntil([&] { return position() == moved; }))
        << position().toStdString() << " not " << moved.toStdString();

    // The whole move is one step.
    surface.ExecCommand(EditCommand::Undo);
    EXPECT_EQ(position(), placed.join(QLatin1Char(' ')));
}

}  // namespace
}  // namespace pw::test
