// SPDX-License-Identifier: MIT
#include "flexgrid.h"

#include "commanderror.h"
#include "fakelabel.h"
#include "filelist.h"
#include "flexgridmodel.h"

#include <functional>
#include <gtest/gtest.h>
#include <QCoreApplication>
#include <QHeaderView>
#include <QScrollBar>
#include <QStyledItemDelegate>
#include <QStyleOptionViewItem>
#include <QTest>

namespace {

QColor backgroundOf(const FlexGrid &grid, int row)
{
    return grid.model()->index(row, 0).data(Qt::BackgroundRole).value<QColor>();
}

} // namespace

TEST(FlexGrid, StartsWithOneEmptyCell)
{
    FlexGrid grid;
    EXPECT_EQ(grid.Rows(), 1);
    EXPECT_EQ(grid.Cols(), 1);
    EXPECT_EQ(grid.FixedRows(), 0);
    EXPECT_EQ(grid.Row(), 0);
    EXPECT_EQ(grid.Col(), 0);
    EXPECT_EQ(grid.Text(), "");
}

TEST(FlexGrid, KeepsTheTextOfRemainingRowsWhenTheRowCountChanges)
{
    FlexGrid grid;
    grid.setRows(3);
    for (int row = 0; row < 3; ++row) {
        grid.setRow(row);
        grid.setText(QStringLiteral("row %1").arg(row));
    }
    grid.setRows(2);
    EXPECT_EQ(grid.Row(), 1) << "the current row moves onto the last remaining row";
    EXPECT_EQ(grid.Text(), "row 1");
    grid.setRows(4);
    EXPECT_EQ(grid.cellText(0, 0), "row 0");
    EXPECT_EQ(grid.cellText(1, 0), "row 1");
    EXPECT_EQ(grid.cellText(2, 0), "");
    EXPECT_EQ(grid.cellText(3, 0), "");
}

TEST(FlexGrid, ClearErasesEveryTextAndKeepsTheShapeAndCurrentCell)
{
    FlexGrid grid;
    grid.setRows(3);
    grid.setCols(2);
    grid.setRow(2);
    grid.setCol(1);
    grid.setText(QStringLiteral("x"));
    grid.Clear();
    EXPECT_EQ(grid.Rows(), 3);
    EXPECT_EQ(grid.Cols(), 2);
    EXPECT_EQ(grid.Row(), 2);
    EXPECT_EQ(grid.Col(), 1);
    EXPECT_EQ(grid.Text(), "");
}

TEST(FlexGrid, StoresTextExactlyAsGiven)
{
    FlexGrid grid;
    const QString path = QStringLiteral("  /home/ann/M\u00E4il/\u65E5\u672C.eml  ");
    grid.setText(path);
    EXPECT_EQ(grid.Text(), path);
    EXPECT_EQ(grid.model()->index(0, 0).data().toString(), path);
}

struct BadValue
{
    const char *name;
    std::function<void(FlexGrid &)> action;
};

TEST(FlexGrid, RaisesInvalidPropertyValueAndChangesNothingForValuesOutOfRange)
{
    const BadValue cases[] = {
        {"Rows=0", [](FlexGrid &g) { g.setRows(0); }},
        {"Cols=0", [](FlexGrid &g) { g.setCols(0); }},
        {"Row=-1", [](FlexGrid &g) { g.setRow(-1); }},
        {"Row=Rows", [](FlexGrid &g) { g.setRow(2); }},
        {"Col=Cols", [](FlexGrid &g) { g.setCol(1); }},
        {"FixedRows=Rows", [](FlexGrid &g) { g.setFixedRows(2); }},
        {"FixedRows=-1", [](FlexGrid &g) { g.setFixedRows(-1); }},
        {"ColWidth of a missing column", [](FlexGrid &g) { g.setColWidth(1, 100); }},
        {"negative ColWidth", [](FlexGrid &g) { g.setColWidth(0, -15); }},
    };
    for (const BadValue &c : cases) {
        FlexGrid grid;
        grid.setRows(2);
        grid.setText(QStringLiteral("kept"));
        try {
            c.action(grid);
            ADD_FAILURE() << c.name << " raised nothing";
        } catch (const CommandError &error) {
            EXPECT_EQ(error.number(), CommandError::kInvalidPropertyValue) << c.name;
        }
        EXPECT_EQ(grid.Rows(), 2) << c.name;
        EXPECT_EQ(grid.Cols(), 1) << c.name;
        EXPECT_EQ(grid.Row(), 0) << c.name;
        EXPECT_EQ(grid.Text(), "kept") << c.name;
    }
}

TEST(FlexGrid, ShowsARowAddedAfterAPauseAtOnceAndAQuickRunTogether)
{
    FlexGrid grid;
    QTest::qWait(FlexGridModel::kPublishIntervalMs + 10);
    grid.setRows(2);
    EXPECT_EQ(grid.model()->rowCount(), 2) << "shown at once";
    grid.setRows(3);
    grid.setRow(2);
    grid.setText(QStringLiteral("third"));
    EXPECT_EQ(grid.Rows(), 3) << "counted at once";
    EXPECT_EQ(grid.Text(), "third");
    EXPECT_TRUE(QTest::qWaitFor([&] { return grid.model()->rowCount() == 3; }));
    EXPECT_EQ(grid.model()->index(2, 0).data().toString(), "third");
    EXPECT_EQ(grid.selectionModel()->selectedRows().value(0).row(), 2);
}

TEST(FlexGrid, ShowsColumnWidthsInTwipsAtFifteenToThePixel)
{
    FlexGrid grid;
    grid.setColWidth(0, 15000);
    EXPECT_EQ(grid.ColWidth(0), 15000);
    EXPECT_EQ(grid.columnWidth(0), 1000);
    grid.setColWidth(0, 100); // not a whole number of pixels: read back as set
    EXPECT_EQ(grid.ColWidth(0), 100);
    EXPECT_EQ(grid.columnWidth(0), 7);
}

TEST(FlexGrid, SelectsTheWholeRowOfTheCurrentCell)
{
    FlexGrid grid;
    grid.setRows(5);
    grid.setRow(3);
    const QModelIndexList selected = grid.selectionModel()->selectedRows();
    ASSERT_EQ(selected.size(), 1);
    EXPECT_EQ(selected.first().row(), 3);

    // A click or an arrow key moves the current cell the same way.
    grid.setCurrentIndex(grid.model()->index(1, 0));
    EXPECT_EQ(grid.Row(), 1);
}

TEST(FlexGrid, PaintsWithTheListsColoursAndNoHeaders)
{
    FlexGrid grid;
    grid.setRows(2);
    grid.setFixedRows(1);
    EXPECT_NE(backgroundOf(grid, 0), QColor(255, 255, 191)) << "fixed rows look like buttons";
    grid.setFixedRows(0);
    EXPECT_EQ(backgroundOf(grid, 0), QColor(255, 255, 191));
    EXPECT_EQ(backgroundOf(grid, 1), QColor(255, 255, 191));
    EXPECT_EQ(grid.palette().color(QPalette::Base), QColor(255, 255, 255));
    for (const auto group : {QPalette::Active, QPalette::Inactive}) {
        EXPECT_EQ(grid.palette().color(group, QPalette::Highlight), QColor(224, 224, 224));
        EXPECT_EQ(grid.palette().color(group, QPalette::HighlightedText),
                  grid.palette().color(group, QPalette::Text))
            << "selected text stays readable on the light grey";
    }
    QStyleOptionViewItem option;
    option.initFrom(&grid);
    const QRgb lines =
        static_cast<QRgb>(grid.style()->styleHint(QStyle::SH_Table_GridLineColor, &option, &grid));
    EXPECT_EQ(QColor::fromRgba(lines), QColor(192, 192, 192));
    EXPECT_TRUE(grid.showGrid());
    EXPECT_TRUE(grid.horizontalHeader()->isHidden());
    EXPECT_TRUE(grid.verticalHeader()->isHidden());
    EXPECT_EQ(grid.horizontalScrollBarPolicy(), Qt::ScrollBarAsNeeded);
    EXPECT_EQ(grid.verticalScrollBarPolicy(), Qt::ScrollBarAsNeeded);
}

TEST(FlexGrid, NeedsASidewaysScrollBarForTheListsWideColumn)
{
    FlexGrid grid;
    grid.resize(513, 105);
    grid.setColWidth(0, 15000);
    grid.show();
    QCoreApplication::processEvents();
    EXPECT_TRUE(grid.horizontalScrollBar()->isVisible());
    EXPECT_GT(grid.horizontalScrollBar()->maximum(), 0);
}

TEST(FlexGrid, HoldsAHundredThousandFilesAddedOneByOne)
{
    // Each addition inserts one row into the model and selects it; none lays out
    // the whole view, so a long list fills in time proportional to its length.
    FlexGrid grid;
    grid.resize(513, 105);
    grid.show();
    FakeLabel count;
    FileList list(grid, count, [] {});
    constexpr int kFiles = 100000;
    for (int i = 0; i < kFiles; ++i)
        list.AddFileToList(QStringLiteral("/srv/mail/archive/%1.eml").arg(i));
    EXPECT_EQ(grid.Rows(), kFiles);
    // The view is told of the rows at the window's next turn.
    EXPECT_TRUE(QTest::qWaitFor([&] { return grid.model()->rowCount() == kFiles; }));
    EXPECT_EQ(grid.selectionModel()->selectedRows().value(0).row(), kFiles - 1);
    EXPECT_EQ(grid.cellText(0, 0), "/srv/mail/archive/0.eml");
    EXPECT_EQ(grid.cellText(kFiles - 1, 0), "/srv/mail/archive/99999.eml");
    EXPECT_EQ(count.Caption(), "100000 files");
    EXPECT_EQ(grid.Row(), kFiles - 1);

    list.ClearFileList();
    EXPECT_EQ(grid.Rows(), 1);
    EXPECT_EQ(grid.cellText(0, 0), "");
}

namespace {

// A grid of the list's size and column width, shown and focused, holding rows
// numbered paths; every row has reached the view.
struct ShownGrid
{
    FlexGrid grid;
    FakeLabel count;
    FileList list{grid, count, [] {}};

    explicit ShownGrid(int rows)
    {
        grid.resize(513, 105);
        list.load();
        for (int i = 0; i < rows; ++i)
            list.AddFileToList(QStringLiteral("/srv/mail/a rather long folder name/%1.eml").arg(i));
        grid.show();
        grid.activateWindow();
        grid.setFocus();
        EXPECT_TRUE(QTest::qWaitFor([&] { return grid.model()->rowCount() == std::max(rows, 1); }));
    }

    // Whether the current row lies whole within the view, top to bottom.
    [[nodiscard]] bool currentRowShown() const
    {
        const QRect row = grid.visualRect(grid.model()->index(grid.Row(), 0));
        return row.top() >= 0 && row.bottom() < grid.viewport()->height();
    }
};

} // namespace

TEST(FlexGrid, KeysMoveTheCurrentRowAndTheViewFollowsIt)
{
    // Regression guard: Ctrl+Home made row 0 current but left the view at the
    // bottom of the list, since nothing scrolled on a change of current row.
    struct Step
    {
        Qt::Key key;
        Qt::KeyboardModifiers modifiers;
        int row; // -1: above the previous row, -2: below it
    };
    const Step steps[] = {
        {Qt::Key_Home, Qt::ControlModifier, 0},
        {Qt::Key_Down, {}, 1},
        {Qt::Key_PageDown, {}, -2},
        {Qt::Key_PageDown, {}, -2},
        {Qt::Key_End, {}, 499},
        {Qt::Key_Up, {}, 498},
        {Qt::Key_PageUp, {}, -1},
        {Qt::Key_Home, {}, 0},
        {Qt::Key_End, Qt::ControlModifier, 499},
        {Qt::Key_Home, {}, 0},
    };
    ShownGrid shown(500);
    ASSERT_EQ(shown.grid.Row(), 499);
    for (const Step &step : steps) {
        const int before = shown.grid.Row();
        QTest::keyClick(&shown.grid, step.key, step.modifiers);
        SCOPED_TRACE(QTest::toString(step.key));
        if (step.row == -1)
            EXPECT_LT(shown.grid.Row(), before);
        else if (step.row == -2)
            EXPECT_GT(shown.grid.Row(), before);
        else
            EXPECT_EQ(shown.grid.Row(), step.row);
        EXPECT_TRUE(shown.currentRowShown()) << "row " << shown.grid.Row();
        EXPECT_EQ(shown.grid.selectionModel()->selectedRows().value(0).row(), shown.grid.Row());
    }
}

TEST(FlexGrid, LeftAndRightScrollSidewaysWithoutMovingTheCurrentRow)
{
    ShownGrid shown(3);
    shown.grid.setRow(1);
    QScrollBar *bar = shown.grid.horizontalScrollBar();
    ASSERT_EQ(bar->value(), 0);
    const int step = shown.grid.sidewaysStep();
    ASSERT_GT(step, 0);

    QTest::keyClick(&shown.grid, Qt::Key_Right);
    QTest::keyClick(&shown.grid, Qt::Key_Right);
    EXPECT_EQ(bar->value(), 2 * step);
    QTest::keyClick(&shown.grid, Qt::Key_Left);
    EXPECT_EQ(bar->value(), step);
    for (int i = 0; i < 3; ++i)
        QTest::keyClick(&shown.grid, Qt::Key_Left);
    EXPECT_EQ(bar->value(), 0) << "stops at the start";
    bar->setValue(bar->maximum());
    QTest::keyClick(&shown.grid, Qt::Key_Right);
    EXPECT_EQ(bar->value(), bar->maximum()) << "stops at the end";
    EXPECT_EQ(shown.grid.Row(), 1);
}

TEST(FlexGrid, ScrolledToItsEndShowsTheTopRowWhole)
{
    // Regression guard: at the end of the list the top row was cut in half,
    // since the view's height is not a whole number of rows.
    ShownGrid shown(500);
    ASSERT_NE(shown.grid.viewport()->height() % FlexGrid::kRowHeightPixels, 0)
        << "the list's height is a whole number of rows; nothing to check";
    QScrollBar *bar = shown.grid.verticalScrollBar();
    for (const int value : {bar->maximum(), bar->maximum() - 1, 0, bar->maximum()}) {
        bar->setValue(value);
        SCOPED_TRACE(value);
        EXPECT_EQ(shown.grid.rowAt(0), value);
        EXPECT_EQ(shown.grid.visualRect(shown.grid.model()->index(value, 0)).top(), 0);
    }
    const QRect last = shown.grid.visualRect(shown.grid.model()->index(499, 0));
    EXPECT_LE(last.bottom(), shown.grid.viewport()->height() - 1) << "the last row is shown whole";
}

TEST(FlexGrid, ShowsControlCharactersVisiblyAndKeepsTheText)
{
    // Regression guard: a file name holding a line break showed as "new...".
    const struct
    {
        const char16_t *text;
        const char16_t *shown;
    } cases[] = {
        {u"/m/new\nline.eml", u"/m/new\u23CEline.eml"},
        {u"/m/a\r\n.eml", u"/m/a\u240D\u23CE.eml"},
        {u"/m/tab\there", u"/m/tab\u2409here"},
        {u"/m/\u0001\u007F\u0085\u2028.eml", u"/m/\u2401\u2421\u2426\u23CE.eml"},
        {u"/m/caf\u00E9 \u00A0ok.eml", u"/m/caf\u00E9 \u00A0ok.eml"},
    };
    FlexGrid grid;
    grid.setRows(2);
    for (const auto &c : cases) {
        const QString text = QString::fromUtf16(c.text);
        grid.setRow(1);
        grid.setText(text);
        EXPECT_EQ(grid.cellText(1, 0), text);
        const QModelIndex cell = grid.model()->index(1, 0);
        const auto *delegate = qobject_cast<QStyledItemDelegate *>(grid.itemDelegateForIndex(cell));
        ASSERT_NE(delegate, nullptr);
        EXPECT_EQ(delegate->displayText(cell.data(), QLocale()), QString::fromUtf16(c.shown));
    }
}

TEST(FlexGrid, DrawsTheEmptyListsRowAsAnEmptyCellAndTheFocusedRowFramed)
{
    // Regression guard: the empty list's one row was drawn in the selection
    // grey and read as a header; the focused current row had no frame.
    ShownGrid shown(0);
    const auto pixel = [&](int x, int y) {
        return shown.grid.viewport()->grab().toImage().pixelColor(x, y);
    };
    // Inside the row, away from the frame and the text.
    const QPoint inside(shown.grid.viewport()->width() - 20, FlexGrid::kRowHeightPixels / 2);
    shown.grid.clearFocus();
    EXPECT_EQ(pixel(inside.x(), inside.y()), FlexGrid::kCellBackground);

    shown.list.AddFileToList(QStringLiteral("/m/a.eml"));
    EXPECT_EQ(pixel(inside.x(), inside.y()), FlexGrid::kSelectedBackground);
    const QColor unfocusedTop = pixel(inside.x(), 0);

    shown.grid.setFocus();
    ASSERT_TRUE(QTest::qWaitFor([&] { return shown.grid.hasFocus(); }));
    const QColor frame = shown.grid.palette().color(QPalette::Text);
    // The frame is dotted: one of two neighbouring pixels is drawn.
    EXPECT_TRUE(pixel(inside.x(), 0) == frame || pixel(inside.x() + 1, 0) == frame);
    EXPECT_NE(unfocusedTop, frame);
}
