// SPDX-License-Identifier: MIT
#include "filelist.h"

#include "calltrace.h"
#include "fakedialogs.h"
#include "fakegrid.h"
#include "fakelabel.h"

#include <gtest/gtest.h>
#include <optional>
#include <ostream>

namespace {

// A file list over a fake grid and label whose yields are recorded in one trace.
struct ListFixture
{
    CallTrace trace;
    FakeGrid grid{&trace};
    FakeLabel label{QStringLiteral("0 files"), &trace};
    FileList list{grid, label, [this] { trace.add(QStringLiteral("yield")); }};
    FakeDialogs dialogs;

    void add(const QStringList &paths)
    {
        for (const QString &path : paths)
            list.AddFileToList(path);
    }
};

const QString kClearQuestion =
    QStringLiteral("Do you want to clear all the files in the list\r\n Proceed?");

} // namespace

struct StateCase
{
    const char *name;
    QStringList before; // files added first
    enum
    {
        Add,
        ClearList,
        ClearCommand
    } action;
    QString addedPath;                     // for Add
    std::optional<Dialogs::Answer> answer; // for ClearCommand
    QStringList rows;                      // the grid's column afterwards
    QString label;
    int questions;
};

void PrintTo(const StateCase &c, std::ostream *os)
{
    *os << c.name;
}

class FileListStates : public ::testing::TestWithParam<StateCase>
{
};

TEST_P(FileListStates, MoveBetweenEmptyAndFilledAsTheTableSays)
{
    const StateCase &c = GetParam();
    ListFixture f;
    f.add(c.before);
    if (c.answer)
        f.dialogs.answers.push_back(*c.answer);

    switch (c.action) {
    case StateCase::Add:
        f.list.AddFileToList(c.addedPath);
        break;
    case StateCase::ClearList:
        f.list.ClearFileList();
        break;
    case StateCase::ClearCommand:
        f.list.clearCommand(f.dialogs);
        break;
    }

    EXPECT_EQ(f.grid.column(), c.rows);
    EXPECT_EQ(f.grid.colCount(), 1);
    EXPECT_EQ(f.label.Caption(), c.label);
    EXPECT_EQ(static_cast<int>(f.dialogs.messageBoxes.size()), c.questions);
}

const QString a = QStringLiteral("/home/ann/Mail/a.eml");
const QString b = QStringLiteral("/home/ann/Mail/b.emlx");

INSTANTIATE_TEST_SUITE_P(
    Table, FileListStates,
    ::testing::Values(
        StateCase{"FirstFileReusesTheEmptyRow", {}, StateCase::Add, a, {}, {a}, "1 files", 0},
        StateCase{"SecondFileAddsARow", {a}, StateCase::Add, b, {}, {a, b}, "2 files", 0},
        StateCase{"SamePathTwiceGivesTwoRows", {a}, StateCase::Add, a, {}, {a, a}, "2 files", 0},
        StateCase{"PathWithSurroundingSpacesIsStoredAsIs",
                  {},
                  StateCase::Add,
                  "  /home/ann/a b.eml  ",
                  {},
                  {"  /home/ann/a b.eml  "},
                  "1 files",
                  0},
        StateCase{"ClearFileListEmptiesAFilledList",
                  {a, b},
                  StateCase::ClearList,
                  {},
                  {},
                  {""},
                  "0 files",
                  0},
        StateCase{"ClearFileListOnAnEmptyListKeepsOneEmptyRow",
                  {},
                  StateCase::ClearList,
                  {},
                  {},
                  {""},
                  "0 files",
                  0},
        StateCase{"ClearAnsweredYesEmptiesTheList",
                  {a, b},
                  StateCase::ClearCommand,
                  {},
                  Dialogs::Answer::Yes,
                  {""},
                  "0 files",
                  1},
        StateCase{"ClearAnsweredNoChangesNothing",
                  {a, b},
                  StateCase::ClearCommand,
                  {},
                  Dialogs::Answer::No,
                  {a, b},
                  "2 files",
                  1},
        StateCase{"ClearOnAnEmptyListAsksNothing",
                  {},
                  StateCase::ClearCommand,
                  {},
                  Dialogs::Answer::Yes,
                  {""},
                  "0 files",
                  0}),
    [](const ::testing::TestParamInfo<StateCase> &info) { return std::string(info.param.name); });

TEST(FileList, AddsToAnEmptyListInTheOrderOfItsStepsWithThreeYields)
{
    ListFixture f;
    f.list.AddFileToList(a);
    const QStringList expected{
        "Rows?", "Row=0",  "Col=0",  "Text?", // empty?
        "yield", "Rows=1", "Cols=1", "FixedRows=0", "Row=0", "ColWidth(0)=15000", "Col=0",
        "yield", // shape reset
        "yield", // one per call
        "Rows?", "Row=0",  "Col=0",  "Text=" + a,   "Rows?", "Caption=1 files"};
    EXPECT_EQ(f.trace.entries(), expected);
}

TEST(FileList, AddsToAFilledListWithOneYieldAndNoShapeReset)
{
    ListFixture f;
    f.add({a, b});
    f.trace.clear();
    f.list.AddFileToList(a);
    const QStringList expected{"Rows?", "Rows?", "Rows=3",    "yield", "Rows?",
                               "Row=2", "Col=0", "Text=" + a, "Rows?", "Caption=3 files"};
    EXPECT_EQ(f.trace.entries(), expected);
}

TEST(FileList, ResetsAChangedGridShapeWhenTheFirstFileArrives)
{
    ListFixture f;
    f.grid.setCols(3);
    f.grid.setColWidth(0, 100);
    f.list.AddFileToList(a);
    EXPECT_EQ(f.grid.colCount(), 1);
    EXPECT_EQ(f.grid.fixedRowCount(), 0);
    EXPECT_EQ(f.grid.widthOf(0), FileList::kColumnWidthTwips);
    EXPECT_EQ(f.grid.column(), QStringList{a});
}

TEST(FileList, CountsAOneRowListWithTextAsOneFile)
{
    // The emptiness test looks at the first cell only: a path put there by hand
    // is a file, and the next one goes on a second row.
    ListFixture f;
    f.grid.setText(a);
    f.list.AddFileToList(b);
    EXPECT_EQ(f.grid.column(), (QStringList{a, b}));
    EXPECT_EQ(f.label.Caption(), "2 files");
}

TEST(FileList, AsksToClearWithTheProgramsQuestion)
{
    ListFixture f;
    f.add({a});
    f.dialogs.answers.push_back(Dialogs::Answer::No);
    f.list.clearCommand(f.dialogs);
    ASSERT_EQ(f.dialogs.messageBoxes.size(), 1u);
    const MessageBoxCall &box = f.dialogs.messageBoxes.front();
    EXPECT_EQ(box.text, kClearQuestion);
    EXPECT_EQ(box.caption, "Brantwell Letterfold");
    EXPECT_EQ(box.buttons, Dialogs::Buttons::YesNo);
    EXPECT_EQ(box.icon, Dialogs::Icon::Question);
}

TEST(FileList, ClearFileListKeepsNoTextOfALongList)
{
    ListFixture f;
    for (int i = 0; i < 50; ++i)
        f.list.AddFileToList(QStringLiteral("/m/%1.eml").arg(i));
    f.list.ClearFileList();
    EXPECT_EQ(f.grid.column(), QStringList{QString()});
    // The next file lands in row 0 again.
    f.list.AddFileToList(b);
    EXPECT_EQ(f.grid.column(), QStringList{b});
    EXPECT_EQ(f.label.Caption(), "1 files");
}

TEST(FileList, LoadSetsTheColumnWidth)
{
    ListFixture f;
    f.list.load();
    EXPECT_EQ(f.grid.widthOf(0), 15000);
}
