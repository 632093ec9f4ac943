// SPDX-License-Identifier: MIT
#include "addfolder.h"

#include "appendcommand.h"
#include "asnobody.h"
#include "commanderror.h"
#include "fakebutton.h"
#include "fakedialogs.h"
#include "fakegrid.h"
#include "fakelabel.h"
#include "temptree.h"

#include <functional>
#include <gtest/gtest.h>
#include <ostream>

namespace {

const QString kOld = QStringLiteral("/old/listed.eml");
const QString kPrompt = QStringLiteral("Choose Source Folder...");

} // namespace

struct FolderCase
{
    const char *name;
    QByteArrayList files;   // made below the chosen folder
    QByteArrayList folders; // empty folders made below it
    bool slashInAnswer;     // the browser answers with a trailing "/"
    bool listedBefore;      // kOld is listed and Process enabled before
    QStringList added;      // rows appended, relative to the chosen folder
    bool processAfter;
};

void PrintTo(const FolderCase &c, std::ostream *out)
{
    *out << c.name;
}

class AddFolderTable : public ::testing::TestWithParam<FolderCase>
{
};

TEST_P(AddFolderTable, AppendsTheMessageFilesFoundAndReportsTheirCount)
{
    const FolderCase &c = GetParam();
    TempTree tree;
    tree.files(c.files);
    for (const QByteArray &folder : c.folders)
        tree.folder(folder);
    Command command;
    if (c.listedBefore) {
        command.list.AddFileToList(kOld);
        command.process.setEnabled(true);
    }

    command.addFolder(c.slashInAnswer ? tree.root() + u'/' : tree.root());

    QStringList expected = c.listedBefore ? QStringList{kOld} : QStringList{};
    expected += under(tree, c.added);
    if (expected.isEmpty())
        expected = QStringList{QString()};
    EXPECT_EQ(command.grid.column(), expected);
    EXPECT_EQ(command.texts(),
              QStringList{QStringLiteral("%1 Files Added to List.").arg(c.added.size())});
    EXPECT_EQ(command.process.Enabled(), c.processAfter);
}

INSTANTIATE_TEST_SUITE_P(
    AddFolder, AddFolderTable,
    ::testing::Values(FolderCase{"TheMessagesOfAFolderAndItsSubFolderComeAfterTheListedRows",
                                 {"a.eml", "B.EML", "c.emlx", "d.txt", "sub/e.eml"},
                                 {},
                                 false,
                                 true,
                                 // Names in byte order, upper case first; sub-folders after.
                                 {"B.EML", "a.eml", "c.emlx", "sub/e.eml"},
                                 true},
                      FolderCase{"LookalikeExtensionsAreRefusedAndLetterCaseDoesNotMatter",
                                 {"x.emlxx", "x.eml.bak", "Y.EmLx", "eml", "x.em", "xeml"},
                                 {},
                                 false,
                                 false,
                                 {"Y.EmLx"},
                                 true},
                      FolderCase{"SurroundingSpacesPassTheTestAndStayInTheRow",
                                 {"  a.EML  ", "b.emlx ", "c.eml\t", "d .eml"},
                                 {},
                                 false,
                                 false,
                                 {"  a.EML  ", "b.emlx ", "d .eml"},
                                 true},
                      FolderCase{"AFolderWithoutMessagesDisablesProcessEvenWithEarlierRows",
                                 {"notes.txt", "sub/eml"},
                                 {"empty"},
                                 false,
                                 true,
                                 {},
                                 false},
                      FolderCase{"AnEmptyFolderAddsNothing", {}, {}, false, false, {}, false},
                      FolderCase{"FoldersAreListedLevelByLevelWithEachFoldersFilesInTurn",
                                 {"top.eml", "A/a.eml", "A/B/deep.eml", "C/c.emlx"},
                                 {},
                                 false,
                                 false,
                                 {"top.eml", "A/a.eml", "C/c.emlx", "A/B/deep.eml"},
                                 true},
                      FolderCase{"AnAnswerEndingInASlashGetsNoSecondOne",
                                 {"a.eml", "sub/b.eml"},
                                 {},
                                 true,
                                 false,
                                 {"a.eml", "sub/b.eml"},
                                 true},
                      FolderCase{"AFolderNamedLikeAMessageIsNoRowButItsMessagesAre",
                                 {"box.eml/inner.eml"},
                                 {},
                                 false,
                                 false,
                                 {"box.eml/inner.eml"},
                                 true},
                      // Regression: a Maildir added nothing, and an mbox was never found.
                      FolderCase{"AnMboxIsOneRowAndAMaildirGivesARowPerMessage",
                                 {"Inbox", "Inbox.msf", "a.mbox", "M/cur/1.host:2,S",
                                  "M/new/2.host", "M/tmp/3.host", "M/.Sent/cur/4.host:2,S"},
                                 {"M/.Sent/new"},
                                 false,
                                 false,
                                 {"Inbox", "a.mbox", "M/cur/1.host:2,S", "M/new/2.host",
                                  "M/.Sent/cur/4.host:2,S"},
                                 true}),
    [](const ::testing::TestParamInfo<FolderCase> &info) { return std::string(info.param.name); });

TEST(AddFolder, CancelChangesNothingAndShowsNothing)
{
    Command command;
    command.list.AddFileToList(kOld);
    command.process.setEnabled(true);
    command.trace.clear();

    command.addFolder(QString());

    EXPECT_EQ(command.trace.entries(), QStringList{"BrowseForFolder"});
    EXPECT_EQ(command.dialogs.folderPrompts, QStringList{kPrompt});
    EXPECT_EQ(command.grid.column(), QStringList{kOld});
    EXPECT_TRUE(command.process.Enabled());
}

TEST(AddFolder, WorksInTheOrderOfItsStepsAndShowsThePlainSummaryLast)
{
    TempTree tree;
    tree.files({"a.eml", "b.txt"});
    Command command;

    command.addFolder(tree.root());

    const QStringList &steps = command.trace.entries();
    // Asked, then busy, then a turn before the scan starts.
    ASSERT_GE(steps.size(), 3);
    EXPECT_EQ(steps.mid(0, 3), (QStringList{"BrowseForFolder", "Pointer=Busy", "yield"}));
    // The pointer is back before the button changes and before anything is shown.
    EXPECT_EQ(steps.mid(steps.size() - 3),
              (QStringList{"Pointer=Default", "Enabled=true", "MessageBox"}));
    // A turn before the scanned path's test and another before its row come
    // right before the list's first step (it reads the first cell: Rows? Row=0
    // Col=0 Text?).
    const qsizetype firstStep = steps.indexOf("Text?", steps.indexOf("Pointer=Busy")) - 3;
    ASSERT_GT(firstStep, 2);
    EXPECT_EQ(steps.mid(firstStep - 2, 3), (QStringList{"yield", "yield", "Rows?"}));
    EXPECT_EQ(command.dialogs.folderPrompts, QStringList{kPrompt});
    ASSERT_EQ(command.dialogs.messageBoxes.size(), 1u);
    const MessageBoxCall &box = command.dialogs.messageBoxes.front();
    EXPECT_EQ(box.text, "1 Files Added to List.");
    EXPECT_EQ(box.caption, "Brantwell Letterfold");
    EXPECT_EQ(box.buttons, Dialogs::Buttons::OK);
    EXPECT_EQ(box.icon, Dialogs::Icon::None);
    EXPECT_EQ(command.label.Caption(), "1 files");
}

TEST(AddFolder, YieldsBeforeEachScannedPathAndAgainBeforeEachAddedRow)
{
    // Three messages and three other files: each of the six paths gets a turn
    // before its test, each message a turn before its row and the list one more.
    TempTree tree;
    tree.files({"a.eml", "b.eml", "c.eml", "d.txt", "e.txt", "f.txt"});
    Command command;
    command.addFolder(tree.root());
    const QStringList &steps = command.trace.entries();
    const qsizetype firstRow = steps.indexOf("Text=" + tree.path("a.eml"));
    const qsizetype lastRow = steps.indexOf("Text=" + tree.path("c.eml"));
    ASSERT_GE(firstRow, 0);
    ASSERT_GT(lastRow, firstRow);
    // Between two rows: d.txt is not between them, b.eml is: one turn for
    // b.eml's test, one before its row, one inside AddFileToList.
    const qsizetype secondRow = steps.indexOf("Text=" + tree.path("b.eml"));
    EXPECT_EQ(steps.mid(firstRow + 1, secondRow - firstRow).count("yield"), 3);
    // After the last row, the three other files each get a turn.
    const qsizetype busyEnds = steps.indexOf("Pointer=Default");
    EXPECT_EQ(steps.mid(lastRow + 1, busyEnds - lastRow - 1).count("yield"), 3);
}

TEST(AddFolder, RunningTwiceOnOneFolderDoublesTheRows)
{
    TempTree tree;
    tree.files({"a.eml", "b.emlx"});
    Command command;
    command.addFolder(tree.root());
    command.addFolder(tree.root());
    EXPECT_EQ(command.grid.column(), under(tree, {"a.eml", "b.emlx", "a.eml", "b.emlx"}));
    EXPECT_EQ(command.label.Caption(), "4 files");
    EXPECT_EQ(command.texts(), (QStringList{"2 Files Added to List.", "2 Files Added to List."}));
}

TEST(AddFolder, AFolderThatNoLongerExistsAddsNothingAndDisablesProcess)
{
    Command command;
    command.process.setEnabled(true);
    QString gone;
    {
        TempTree tree;
        gone = tree.path("gone");
    }
    command.addFolder(gone);
    EXPECT_EQ(command.texts(), QStringList{"0 Files Added to List."});
    EXPECT_FALSE(command.process.Enabled());
    EXPECT_EQ(command.dialogs.pointers,
              (std::vector<Dialogs::Pointer>{Dialogs::Pointer::Busy, Dialogs::Pointer::Default}));
}

// Regression: a folder that could not be read ended the scan, so its siblings
// and the folders below other branches were never added, and the box named
// only that one folder.
struct SkipCase
{
    const char *name;
    QByteArrayList locked; // folders left without permissions ("" is the chosen one)
    bool vanishing;        // M is removed after it was queued, before it is read
    QStringList added;     // relative to the chosen folder
    // What the box before the summary says: its whole text, or, when it starts
    // with "*", parts it holds (separated by "*"); "<root>" is the chosen folder.
    QString box;
    QString details; // its details, whole, one folder a line
    bool processAfter;
};

void PrintTo(const SkipCase &c, std::ostream *out)
{
    *out << c.name;
}

class AddFolderSkipping : public ::testing::TestWithParam<SkipCase>
{
};

TEST_P(AddFolderSkipping, ReportsEveryUnreadableFolderAndAddsTheRestOfTheTree)
{
    const SkipCase &c = GetParam();
    TempTree tree;
    tree.files({"a.eml", "M/m.eml", "M/sub/s.eml", "Z/z.eml", "Z/sub/y.eml"});
    for (const QByteArray &folder : c.locked)
        tree.lock(folder);
    Command command;
    command.process.setEnabled(!c.processAfter);
    // Turn 6 comes after the chosen folder's listing queued M and Z, before M is read.
    command.onYield = [&](int turn) {
        if (c.vanishing && turn == 6)
            tree.remove("M");
    };

    {
        const AsNobody nobody(!c.locked.isEmpty());
        if (!nobody.failure().isEmpty())
            GTEST_SKIP() << nobody.failure().toStdString();
        command.addFolder(tree.root());
    }

    const QStringList added = under(tree, c.added);
    EXPECT_EQ(command.grid.column(), added.isEmpty() ? QStringList{QString()} : added);
    EXPECT_EQ(command.process.Enabled(), c.processAfter);
    EXPECT_EQ(command.dialogs.pointers,
              (std::vector<Dialogs::Pointer>{Dialogs::Pointer::Busy, Dialogs::Pointer::Default}));
    ASSERT_EQ(command.dialogs.messageBoxes.size(), 2u);
    const MessageBoxCall &box = command.dialogs.messageBoxes.front();
    EXPECT_EQ(box.icon, Dialogs::Icon::Exclamation);
    EXPECT_EQ(box.caption, "Brantwell Letterfold");
    QString expected = c.box;
    expected.replace(QStringLiteral("<root>"), tree.root());
    EXPECT_EQ(box.details, QString(c.details).replace(QStringLiteral("<root>"), tree.root()));
    if (expected.startsWith(u'*')) {
        for (const QString &part : expected.split(u'*', Qt::SkipEmptyParts))
            EXPECT_TRUE(box.text.contains(part)) << part.toStdString() << "\nin\n"
                                                 << box.text.toStdString();
    } else {
        EXPECT_EQ(box.text, expected);
    }
    EXPECT_EQ(command.lastText(), QStringLiteral("%1 Files Added to List.").arg(c.added.size()));
}

INSTANTIATE_TEST_SUITE_P(
    AddFolder, AddFolderSkipping,
    ::testing::Values(
        SkipCase{"AMiddleFolderWithoutPermissions",
                 {"M"},
                 false,
                 {"a.eml", "Z/z.eml", "Z/sub/y.eml"},
                 "A folder could not be read, so it was skipped with everything in it. The other "
                 "folders were searched and their message files added to the list.\r\n\r\n"
                 "Show Details... names it with the reason.",
                 "\"<root>/M/\": Permission denied",
                 true},
        SkipCase{"AFolderRemovedAfterItWasQueued",
                 {},
                 true,
                 {"a.eml", "Z/z.eml", "Z/sub/y.eml"},
                 "*A folder could not be read",
                 "\"<root>/M/\": No such file or directory",
                 true},
        SkipCase{"FoldersOnTwoLevels",
                 {"M", "Z/sub"},
                 false,
                 {"a.eml", "Z/z.eml"},
                 "*2 folders could not be read, so they were skipped with everything in them.",
                 "\"<root>/M/\": Permission denied\r\n\"<root>/Z/sub/\": Permission denied",
                 true},
        SkipCase{"TheChosenFolderSaysJustThat",
                 {""},
                 false,
                 {},
                 "The folder \"<root>/\" could not be read: Permission denied.",
                 "",
                 false}),
    [](const ::testing::TestParamInfo<SkipCase> &info) { return std::string(info.param.name); });

TEST(AddFolder, CountsSkippedFoldersAndListsEveryOneInTheDetails)
{
    TempTree tree;
    tree.file("a.eml");
    for (char letter = 'a'; letter < 'a' + 12; ++letter) {
        tree.file(QByteArray(1, letter) + "/m.eml");
        tree.lock(QByteArray(1, letter));
    }
    Command command;
    {
        const AsNobody nobody;
        if (!nobody.failure().isEmpty())
            GTEST_SKIP() << nobody.failure().toStdString();
        command.addFolder(tree.root());
    }

    ASSERT_EQ(command.dialogs.messageBoxes.size(), 2u);
    // Regression guard: the folders were listed in the box's text, which grew
    // past the screen.
    const MessageBoxCall &box = command.dialogs.messageBoxes.front();
    EXPECT_TRUE(box.text.startsWith("12 folders could not be read")) << box.text.toStdString();
    EXPECT_FALSE(box.text.contains(tree.root())) << "the folders belong in the details";
    const QStringList folders = box.details.split("\r\n");
    ASSERT_EQ(folders.size(), 12);
    EXPECT_EQ(folders.last(), "\"" + tree.path("l/") + "\": Permission denied");
    EXPECT_EQ(command.lastText(), "1 Files Added to List.");
}

TEST(AddFolder, NamesThatAreNotUtf8AreReportedEscapedAndNotAdded)
{
    TempTree tree;
    tree.files({"good.eml", "caf\xE9.eml", "bad\xFF.txt", "dir\xFE/inside.eml"});
    Command command;

    command.addFolder(tree.root());

    EXPECT_EQ(command.grid.column(), under(tree, {"good.eml"}));
    ASSERT_EQ(command.dialogs.messageBoxes.size(), 2u);
    const MessageBoxCall &box = command.dialogs.messageBoxes.front();
    EXPECT_EQ(box.icon, Dialogs::Icon::Exclamation);
    EXPECT_EQ(box.caption, "Brantwell Letterfold");
    EXPECT_TRUE(box.text.startsWith("2 files or folders were not added")) << box.text.toStdString();
    // A file that would not have been added anyway is not worth a mention.
    QStringList names = box.details.split("\r\n");
    names.sort();
    EXPECT_EQ(names, QStringList({tree.root() + "/caf\\xE9.eml", tree.root() + "/dir\\xFE/"}));
    EXPECT_EQ(command.lastText(), "1 Files Added to List.");
}

TEST(AddFolder, CountsUnreadableNamesAndListsEveryOneInTheDetails)
{
    TempTree tree;
    for (char letter = 'a'; letter < 'a' + 13; ++letter)
        tree.file(QByteArray(1, letter) + "\xE9.eml");
    Command command;

    command.addFolder(tree.root());

    ASSERT_EQ(command.dialogs.messageBoxes.size(), 2u);
    const MessageBoxCall &box = command.dialogs.messageBoxes.front();
    EXPECT_TRUE(box.text.startsWith("13 files or folders were not added"))
        << box.text.toStdString();
    EXPECT_FALSE(box.text.contains(tree.root())) << "the names belong in the details";
    const QStringList names = box.details.split("\r\n");
    ASSERT_EQ(names.size(), 13);
    EXPECT_EQ(names.last(), tree.root() + "/m\\xE9.eml");
    EXPECT_EQ(command.lastText(), "0 Files Added to List.");
}

namespace {

// A grid that refuses the text of the third row, as a grid out of memory would.
class FailingGrid : public FakeGrid
{
public:
    using FakeGrid::FakeGrid;
    void setText(const QString &text) override
    {
        if (Row() == 2)
            throw CommandError(CommandError::kInvalidPropertyValue,
                               QStringLiteral("Invalid property value"));
        FakeGrid::setText(text);
    }
};

} // namespace

TEST(AddFolder, AGridErrorStopsTheListingButRestoresThePointerAndIsReported)
{
    // Formerly the error left the command (and the window's event handler)
    // with the busy pointer on.
    TempTree tree;
    tree.files({"a.eml", "b.eml", "c.eml", "d.eml"});
    FailingGrid grid;
    Command command(&grid);

    command.addFolder(tree.root());

    EXPECT_EQ(grid.cell(0), tree.path("a.eml"));
    EXPECT_EQ(grid.cell(1), tree.path("b.eml"));
    EXPECT_EQ(command.dialogs.pointers.back(), Dialogs::Pointer::Default);
    EXPECT_TRUE(command.process.Enabled());
    ASSERT_EQ(command.dialogs.messageBoxes.size(), 2u);
    EXPECT_EQ(command.texts().front(), "380:Invalid property value");
    EXPECT_EQ(command.dialogs.messageBoxes.front().icon, Dialogs::Icon::Exclamation);
    EXPECT_EQ(command.lastText(), "2 Files Added to List.");
}
