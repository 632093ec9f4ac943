// SPDX-License-Identifier: MIT
#include "addfiles.h"

#include "calltrace.h"
#include "commanderror.h"
#include "fakebutton.h"
#include "fakedialogs.h"
#include "fakegrid.h"
#include "fakelabel.h"
#include "filelist.h"

#include <gtest/gtest.h>
#include <ostream>

namespace {

// The Add files command over fakes, with its yields and dialog use in one trace.
struct AddFilesFixture
{
    CallTrace trace;
    FakeGrid grid;
    FakeLabel label{QStringLiteral("0 files")};
    FileList list{grid, label, [this] { trace.add(QStringLiteral("yield")); }};
    FakeDialogs dialogs{&trace};
    FakeButton cmdProcess{false, &trace};

    void run() { sourcelist::addFiles(list, dialogs, cmdProcess); }
};

QString names(int count, int length)
{
    QStringList picked;
    for (int i = 0; i < count; ++i)
        picked.append(QStringLiteral("%1.eml").arg(i, length - 4, 10, QChar(u'0')));
    return FakeCommonDialog::classic(QStringLiteral("/home/ann/Mail"), picked);
}

} // namespace

struct PickCase
{
    const char *name;
    QString selection; // as the dialog returns it
    QStringList rows;
    const char *label;
    bool processEnabled;
};

void PrintTo(const PickCase &c, std::ostream *os)
{
    *os << c.name;
}

class AddFilesPicks : public ::testing::TestWithParam<PickCase>
{
};

TEST_P(AddFilesPicks, ReplaceTheListWithThePickedFiles)
{
    const PickCase &c = GetParam();
    AddFilesFixture f;
    f.list.AddFileToList(QStringLiteral("/old/x.eml")); // replaced, never kept
    f.dialogs.fileDialog.answer(c.selection);

    f.run();

    EXPECT_EQ(f.grid.column(), c.rows);
    EXPECT_EQ(f.label.Caption(), QLatin1String(c.label));
    EXPECT_EQ(f.cmdProcess.Enabled(), c.processEnabled);
    EXPECT_TRUE(f.dialogs.messageBoxes.empty());
}

INSTANTIATE_TEST_SUITE_P(
    Table, AddFilesPicks,
    ::testing::Values(PickCase{"OneFileIsItsFullPath",
                               "/home/ann/Mail/a.eml",
                               {"/home/ann/Mail/a.eml"},
                               "1 files",
                               true},
                      PickCase{
                          "ThreeFilesAreFolderSlashNameInTheDialogsOrder",
                          FakeCommonDialog::classic("/home/ann/Mail", {"c.eml", "a.emlx", "b.eml"}),
                          {"/home/ann/Mail/c.eml", "/home/ann/Mail/a.emlx", "/home/ann/Mail/b.eml"},
                          "3 files",
                          true},
                      PickCase{"FilesInTheRootFolderGetADoubleSlash",
                               FakeCommonDialog::classic("/", {"a.eml", "b.eml"}),
                               {"//a.eml", "//b.eml"},
                               "2 files",
                               true},
                      PickCase{"ANameWithSpacesAndAnotherExtensionIsAddedUnchanged",
                               " /home/ann/notes .txt ",
                               {" /home/ann/notes .txt "},
                               "1 files",
                               true},
                      PickCase{"ASelectionEndingInNulIsTakenAsIs",
                               QStringLiteral("/home/ann/Mail/a.eml") + QChar(u'\0'),
                               {"/home/ann/Mail/a.eml"},
                               "1 files",
                               true},
                      PickCase{"ACancelLeavesTheListEmpty", "", {""}, "0 files", false}),
    [](const ::testing::TestParamInfo<PickCase> &info) { return std::string(info.param.name); });

TEST(AddFiles, SetsUpTheDialogInOrderBeforeShowingIt)
{
    AddFilesFixture f;
    f.dialogs.fileDialog.answer(QStringLiteral("/m/a.eml"));
    f.run();
    const QStringList &calls = f.trace.entries();
    const qsizetype show = calls.indexOf("ShowOpen");
    ASSERT_GE(show, 4);
    EXPECT_EQ(
        calls.mid(show - 4, 5),
        (QStringList{"FileName=", "Filter=Mail Messages (*.eml,*.emlx)|*.eml;*.emlx|Mailboxes|*",
                     "Flags=524800", "MaxFileSize=1000", "ShowOpen"}));
}

TEST(AddFiles, YieldsBeforeEachPieceAndAfterEachAddedRow)
{
    AddFilesFixture f;
    f.dialogs.fileDialog.answer(FakeCommonDialog::classic("/m", {"a.eml", "b.eml"}));
    f.run();
    QStringList afterShow = f.trace.entries();
    afterShow = afterShow.mid(afterShow.indexOf("ShowOpen") + 1);
    // Pieces: "/m" (skipped), "a.eml", "b.eml". The first added file also gets
    // the list's own yields for filling an empty list (three), the second one.
    EXPECT_EQ(afterShow, (QStringList{"Enabled=true", "yield",                     // folder piece
                                      "yield", "yield", "yield", "yield", "yield", // a.eml
                                      "yield", "yield", "yield"}));                // b.eml
}

TEST(AddFiles, CancelKeepsTheProcessButtonAsItWas)
{
    AddFilesFixture f;
    f.cmdProcess.setEnabled(true);
    f.run();
    EXPECT_TRUE(f.cmdProcess.Enabled());
    EXPECT_EQ(f.grid.column(), QStringList{""});
    EXPECT_EQ(f.label.Caption(), "0 files");
}

TEST(AddFiles, RunningTwiceReplacesTheFirstPick)
{
    AddFilesFixture f;
    f.dialogs.fileDialog.answer(FakeCommonDialog::classic("/m", {"a.eml", "b.eml", "c.eml"}));
    f.dialogs.fileDialog.answer(QStringLiteral("/n/d.eml"));
    f.run();
    f.run();
    EXPECT_EQ(f.grid.column(), QStringList{"/n/d.eml"});
    EXPECT_EQ(f.label.Caption(), "1 files");
}

TEST(AddFiles, AnOverflowingPickAsksForFewerFilesAndLeavesTheListEmpty)
{
    AddFilesFixture f;
    f.list.AddFileToList(QStringLiteral("/old/x.eml"));
    const QString tooLong = names(40, 30); // 40 names of 30 characters: over 1000
    ASSERT_GT(tooLong.size(), sourcelist::kSelectionLimit);
    f.dialogs.fileDialog.answer(tooLong);

    f.run();

    ASSERT_EQ(f.dialogs.messageBoxes.size(), 1u);
    const MessageBoxCall &box = f.dialogs.messageBoxes.front();
    EXPECT_EQ(box.text, "Please select only 20 files at a time");
    EXPECT_EQ(box.caption, "Brantwell Letterfold");
    EXPECT_EQ(box.buttons, Dialogs::Buttons::OK);
    EXPECT_EQ(box.icon, Dialogs::Icon::Exclamation);
    EXPECT_EQ(f.grid.column(), QStringList{""});
    EXPECT_EQ(f.label.Caption(), "0 files");
    EXPECT_FALSE(f.cmdProcess.Enabled());
}

TEST(AddFiles, TheNamedFileCountFitsTheSelectionLimitWithLongNames)
{
    // Twenty names of 45 characters from an 80-character folder still fit, so
    // following the message's advice works.
    const QString folder(80, u'f');
    QStringList picked;
    for (int i = 0; i < sourcelist::kFilesPerPick; ++i)
        picked.append(QString(45, u'n'));
    EXPECT_LE(FakeCommonDialog::classic(folder, picked).size(), sourcelist::kSelectionLimit);

    AddFilesFixture f;
    f.dialogs.fileDialog.answer(names(sourcelist::kFilesPerPick, 45));
    f.run();
    EXPECT_EQ(f.grid.rowCount(), sourcelist::kFilesPerPick);
    EXPECT_TRUE(f.dialogs.messageBoxes.empty());
}

TEST(AddFiles, ReportsAnyOtherErrorAsNumberColonDescription)
{
    AddFilesFixture f;
    f.dialogs.fileDialog.failWith(CommandError(32755, QStringLiteral("The dialog failed")));
    f.run();
    ASSERT_EQ(f.dialogs.messageBoxes.size(), 1u);
    EXPECT_EQ(f.dialogs.messageBoxes.front().text, "32755:The dialog failed");
    EXPECT_EQ(f.dialogs.messageBoxes.front().icon, Dialogs::Icon::Exclamation);
    EXPECT_EQ(f.dialogs.messageBoxes.front().caption, "Brantwell Letterfold");
}

TEST(AddFiles, KeepsTheRowsAddedBeforeAGridError)
{
    // A grid that refuses its third row: the first two stay, the error is shown.
    struct ShortGrid : FakeGrid
    {
        void setRows(int rows) override
        {
            if (rows > 2)
                throw CommandError(CommandError::kInvalidPropertyValue,
                                   QStringLiteral("Invalid property value"));
            FakeGrid::setRows(rows);
        }
    };
    ShortGrid grid;
    FakeLabel label;
    FileList list(grid, label, [] {});
    FakeDialogs dialogs;
    FakeButton cmdProcess;
    dialogs.fileDialog.answer(FakeCommonDialog::classic("/m", {"a.eml", "b.eml", "c.eml"}));

    sourcelist::addFiles(list, dialogs, cmdProcess);

    EXPECT_EQ(grid.column(), (QStringList{"/m/a.eml", "/m/b.eml"}));
    ASSERT_EQ(dialogs.messageBoxes.size(), 1u);
    EXPECT_EQ(dialogs.messageBoxes.front().text, "380:Invalid property value");
    EXPECT_TRUE(cmdProcess.Enabled());
}
