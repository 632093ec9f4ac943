// SPDX-License-Identifier: MIT
#include "droppedpaths.h"

#include "appendcommand.h"
#include "temptree.h"

#include <gtest/gtest.h>
#include <ostream>

struct DropCase
{
    const char *name;
    QStringList dropped; // relative to the tree, in the order dropped
    bool processBefore;
    QStringList added;
    bool processAfter;
};

void PrintTo(const DropCase &c, std::ostream *out)
{
    *out << c.name;
}

class DropTable : public ::testing::TestWithParam<DropCase>
{
};

TEST_P(DropTable, AppendsDroppedMessagesAndTheMessagesOfDroppedFolders)
{
    const DropCase &c = GetParam();
    TempTree tree;
    tree.files({"F/a.eml", "F/b.txt", "F/sub/c.emlx", "x.eml", "y.txt", "Z.EMLX", "w.eml ",
                "M/cur/1.host:2,S", "M/new/2.host", "M/tmp/3.host", "Inbox", "Inbox.msf",
                "t.mbox"});
    tree.folder("G");
    Command command;
    command.process.setEnabled(c.processBefore);

    sourcelist::DroppedPaths dropped;
    dropped.paths = under(tree, c.dropped);
    sourcelist::addDroppedPaths(command.list, command.dialogs, command.process, dropped);

    const QStringList added = under(tree, c.added);
    EXPECT_EQ(command.grid.column(), added.isEmpty() ? QStringList{QString()} : added);
    EXPECT_EQ(command.texts(),
              QStringList{QStringLiteral("%1 Files Added to List.").arg(c.added.size())});
    EXPECT_EQ(command.process.Enabled(), c.processAfter);
    EXPECT_EQ(command.dialogs.pointers,
              (std::vector<Dialogs::Pointer>{Dialogs::Pointer::Busy, Dialogs::Pointer::Default}));
    EXPECT_TRUE(command.dialogs.folderPrompts.isEmpty());
}

INSTANTIATE_TEST_SUITE_P(
    Drop, DropTable,
    ::testing::Values(
        DropCase{"FilesAndFoldersInTheOrderDropped",
                 {"Z.EMLX", "F", "y.txt", "x.eml", "G", "missing.eml"},
                 false,
                 {"Z.EMLX", "F/a.eml", "F/sub/c.emlx", "x.eml"},
                 true},
        DropCase{
            "AFileWithAMessageNameAndATrailingSpaceIsTaken", {"w.eml "}, false, {"w.eml "}, true},
        DropCase{"NothingAddedLeavesAnEnabledProcessEnabled", {"y.txt", "G"}, true, {}, true},
        DropCase{"NothingAddedLeavesADisabledProcessDisabled", {"y.txt"}, false, {}, false},
        DropCase{"AMaildirAndMailboxesAreListedAsAScanOfTheirFoldersListsThem",
                 {"M", "M/cur/1.host:2,S", "M/tmp/3.host", "Inbox", "Inbox.msf", "t.mbox"},
                 false,
                 {"M/cur/1.host:2,S", "M/new/2.host", "M/cur/1.host:2,S", "Inbox", "t.mbox"},
                 true},
        DropCase{"AFolderDroppedTwiceIsListedTwice",
                 {"F", "F/"},
                 false,
                 {"F/a.eml", "F/sub/c.emlx", "F/a.eml", "F/sub/c.emlx"},
                 true}),
    [](const ::testing::TestParamInfo<DropCase> &info) { return std::string(info.param.name); });

TEST(Drop, ReportsDroppedNamesThatAreNotUtf8)
{
    TempTree tree;
    tree.files({"ok.eml", "caf\xE9.eml"});
    Command command;
    const sourcelist::DroppedPaths dropped = sourcelist::droppedPaths(
        {QUrl::fromLocalFile(tree.path("ok.eml")),
         QUrl(QStringLiteral("file://") + tree.root() + QStringLiteral("/caf%E9.eml"))});

    sourcelist::addDroppedPaths(command.list, command.dialogs, command.process, dropped);

    EXPECT_EQ(command.grid.column(), under(tree, {"ok.eml"}));
    ASSERT_EQ(command.dialogs.messageBoxes.size(), 2u);
    EXPECT_EQ(command.dialogs.messageBoxes.front().details, tree.root() + "/caf\\xE9.eml");
    EXPECT_EQ(command.lastText(), "1 Files Added to List.");
}

struct UrlCase
{
    const char *name;
    QString url;
    QStringList paths;
    QByteArrayList unreadable;
};

void PrintTo(const UrlCase &c, std::ostream *out)
{
    *out << c.name;
}

class DroppedUrls : public ::testing::TestWithParam<UrlCase>
{
};

TEST_P(DroppedUrls, BecomeLocalPathsOrRawNames)
{
    const UrlCase &c = GetParam();
    const sourcelist::DroppedPaths dropped = sourcelist::droppedPaths({QUrl(c.url)});
    EXPECT_EQ(dropped.paths, c.paths);
    EXPECT_EQ(dropped.unreadable, c.unreadable);
}

INSTANTIATE_TEST_SUITE_P(
    Drop, DroppedUrls,
    ::testing::Values(
        UrlCase{"LocalFile", "file:///m/a.eml", {"/m/a.eml"}, {}},
        UrlCase{"Localhost", "file://localhost/m/a.eml", {"/m/a.eml"}, {}},
        UrlCase{"EncodedSpace", "file:///m/a%20b.eml", {"/m/a b.eml"}, {}},
        UrlCase{"EncodedUtf8", "file:///m/%C3%A9t%C3%A9.eml", {"/m/\u00e9t\u00e9.eml"}, {}},
        UrlCase{"FolderWithSlash", "file:///m/box/", {"/m/box/"}, {}},
        UrlCase{"NotUtf8", "file:///m/caf%E9.eml", {}, {"/m/caf\xE9.eml"}},
        UrlCase{"OtherHost", "file://server/m/a.eml", {}, {}},
        UrlCase{"WebAddress", "https://example.org/a.eml", {}, {}}, UrlCase{"Empty", "", {}, {}}),
    [](const ::testing::TestParamInfo<UrlCase> &info) { return std::string(info.param.name); });

struct CanDropCase
{
    const char *name;
    QStringList local; // relative to the tree
    QStringList other; // whole URLs
    bool expected;
};

void PrintTo(const CanDropCase &c, std::ostream *out)
{
    *out << c.name;
}

class CanAppendDrop : public ::testing::TestWithParam<CanDropCase>
{
};

TEST_P(CanAppendDrop, TakesADragOnlyWhenItCanAddSomething)
{
    const CanDropCase &c = GetParam();
    TempTree tree;
    tree.files({"a.eml", "b.txt", "F/x.txt", "caf\xE9.eml"});
    QList<QUrl> urls;
    for (const QString &other : c.other)
        urls.append(QUrl(other));
    for (const QString &relative : c.local)
        urls.append(QUrl::fromLocalFile(tree.path(relative)));
    EXPECT_EQ(sourcelist::canAppendDrop(urls), c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Drop, CanAppendDrop,
    ::testing::Values(CanDropCase{"AMessageFile", {"a.eml"}, {}, true},
                      CanDropCase{"AFolderWhateverItHolds", {"F"}, {}, true},
                      CanDropCase{"OtherFilesOnly", {"b.txt", "F/x.txt"}, {}, false},
                      CanDropCase{"AMissingMessage", {"gone.eml"}, {}, false},
                      CanDropCase{"OtherFilesAndAMessage", {"b.txt", "a.eml"}, {}, true},
                      CanDropCase{"WebAddressesOnly", {}, {"https://example.org/a.eml"}, false},
                      CanDropCase{"AMessageNameThatIsNotUtf8", {}, {"file:///m/caf%E9.eml"}, true},
                      CanDropCase{"Nothing", {}, {}, false}),
    [](const ::testing::TestParamInfo<CanDropCase> &info) { return std::string(info.param.name); });
