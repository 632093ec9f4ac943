// SPDX-License-Identifier: MIT
#include "messagescan.h"

#include "temptree.h"
#include "testsupport.h"

#include <gtest/gtest.h>
#include <initializer_list>
#include <ostream>
#include <utility>
#include <vector>

namespace messagescan {

void PrintTo(Kind kind, std::ostream *out)
{
    constexpr const char *kNames[] = {"Other", "Message", "MaildirMessage", "Mailbox"};
    *out << kNames[int(kind)];
}

} // namespace messagescan

namespace {

using messagescan::Kind;

struct Listed
{
    const char *path; // relative to the scanned folder
    Kind kind;
};

// What the scan lists below root, relative to it, in its order.
std::vector<std::pair<QString, Kind>> listedBelow(const messagescan::FolderScan &scan)
{
    std::vector<std::pair<QString, Kind>> listed;
    for (const messagescan::FolderScan::File &file : scan.files)
        if (file.listed())
            listed.emplace_back(file.path.mid(scan.root.size()), file.kind);
    return listed;
}

std::vector<std::pair<QString, Kind>> expected(std::initializer_list<Listed> rows)
{
    std::vector<std::pair<QString, Kind>> result;
    for (const Listed &row : rows)
        result.emplace_back(QString::fromUtf8(row.path), row.kind);
    return result;
}

} // namespace

// The mail stores fixture as its README describes a scan of it: six mboxes by
// name, four Maildirs with twelve messages, five .eml/.emlx messages and a junk
// file named .eml; never an index, a file in tmp/, a dot-file of cur/ or new/,
// an mbox without a telling name (mutt/mbox-crlf), a folder named *.mbox, nor
// the Maildir that has an index beside it. Folders come level by level, names
// in byte order, so the Maildir++ folders (".Sent") come before cur/ and new/'s
// children.
TEST(ScanFolder, FindsTheMailStoresOfTheFixtureTreeInScanOrder)
{
    const messagescan::FolderScan scan =
        messagescan::scanFolder(testsupport::dataPath(QStringLiteral("mailstores")));
    EXPECT_EQ(
        listedBelow(scan),
        expected({
            {"eml/mail__raw_email.eml", Kind::Message},
            {"junk/fake.eml", Kind::Message},
            {"mboxcl2/mbox", Kind::Mailbox},
            {"mutt/mbox", Kind::Mailbox},
            {"takeout/All mail Including Spam and Trash.mbox", Kind::Mailbox},
            {"applemail-export/Export.mbox/mbox", Kind::Mailbox},
            {"thunderbird/Local Folders/Inbox", Kind::Mailbox},
            {"maildir/Mail/cur/1700000000.M123P456.host:2,S", Kind::MaildirMessage},
            {"maildir/Mail/cur/1700000002.M125P456.host:2,RS", Kind::MaildirMessage},
            {"maildir/Mail/cur/1700000003.M126P456.host:2,FS", Kind::MaildirMessage},
            {"maildir/Mail/new/1700000001.M124P456.host", Kind::MaildirMessage},
            {"maildir/Mail/new/1700000004.M127P456.host", Kind::MaildirMessage},
            {"thunderbird/Local Folders/Inbox.sbd/Projects.2023", Kind::Mailbox},
            {"maildir/Mail/.Archive.2019/cur/1560000000.M10P99.host:2,S", Kind::MaildirMessage},
            {"maildir/Mail/.Archive.2019/cur/1560000001.M11P99.host!2,S", Kind::MaildirMessage},
            {"maildir/Mail/.Archive.2019/new/1560000002.M12P99.host", Kind::MaildirMessage},
            {"maildir/Mail/.Sent/cur/1700000010.M130P456.host:2,S", Kind::MaildirMessage},
            {"maildir/Mail/.Sent/cur/1700000011.M131P456.host:2,S", Kind::MaildirMessage},
            {"maildir/thunderbird-maildir/Local Folders/Inbox/cur/1700000020.M140P789.host",
             Kind::MaildirMessage},
            {"maildir/thunderbird-maildir/Local Folders/Inbox/cur/1700000021.M141P789.host",
             Kind::MaildirMessage},
            {"applemail/complete/INBOX.mbox/7A227703-3CB2-51A1-9B86-426D30B3AA2E/Data/Messages/"
             "789.emlx",
             Kind::Message},
            {"applemail/crlf/Archive.mbox/D301371D-5EBC-5425-972D-B1ED6CB9707B/Data/1/Messages/"
             "1730.partial.emlx",
             Kind::Message},
            {"applemail/complete/INBOX.mbox/7A227703-3CB2-51A1-9B86-426D30B3AA2E/Data/1/4/"
             "Messages/114858.partial.emlx",
             Kind::Message},
            {"applemail/missing-one/INBOX.mbox/E50D05E7-7B84-5188-8887-268FCC9C5581/Data/1/4/"
             "Messages/114858.partial.emlx",
             Kind::Message},
        }));
    EXPECT_TRUE(scan.skippedFolders.isEmpty());
    EXPECT_TRUE(scan.unreadableNames.isEmpty());
}

struct TreeCase
{
    const char *name;
    QByteArrayList files;   // made below the tree's root
    QByteArrayList folders; // empty folders made below it
    const char *scanned;    // the folder scanned, relative to the root
    std::vector<Listed> listed;
    QByteArrayList unreadable; // raw paths reported, relative to the root
};

void PrintTo(const TreeCase &c, std::ostream *out)
{
    *out << c.name;
}

class ScanTree : public ::testing::TestWithParam<TreeCase>
{
};

TEST_P(ScanTree, ListsWhatTheRulesForMailStoresTake)
{
    const TreeCase &c = GetParam();
    TempTree tree;
    tree.files(c.files);
    for (const QByteArray &folder : c.folders)
        tree.folder(folder);
    const QString scanned = tree.path(QString::fromUtf8(c.scanned));

    const messagescan::FolderScan scan = messagescan::scanFolder(scanned);

    std::vector<std::pair<QString, Kind>> want;
    for (const Listed &row : c.listed)
        want.emplace_back(QString::fromUtf8(row.path), row.kind);
    EXPECT_EQ(listedBelow(scan), want);
    QByteArrayList unreadable;
    for (const QByteArray &raw : c.unreadable)
        unreadable.append(tree.rawPath(raw));
    EXPECT_EQ(scan.unreadableNames, unreadable);
    // A file dropped by itself is judged as the scan of its folder judges it.
    for (const messagescan::FolderScan::File &file : scan.files)
        EXPECT_EQ(messagescan::kindOfFile(file.path), file.kind) << file.path.toStdString();
}

INSTANTIATE_TEST_SUITE_P(
    ScanFolder, ScanTree,
    ::testing::Values(
        // Regression: a Maildir gave "No messages to convert.", its names being no
        // message names.
        TreeCase{"AMaildirGivenByItselfListsItsMessagesAndThoseOfItsSubfolders",
                 {"M/cur/1.host:2,S", "M/new/2.host", "M/tmp/3.eml", "M/.Sent/cur/4.host:2,S",
                  "M/.Sent/new/.hidden", "M/dovecot-uidlist", "M/notes.eml"},
                 {"M/.Sent/tmp"},
                 "M",
                 {{"notes.eml", Kind::Message},
                  {"cur/1.host:2,S", Kind::MaildirMessage},
                  {"new/2.host", Kind::MaildirMessage},
                  {".Sent/cur/4.host:2,S", Kind::MaildirMessage}},
                 {}},
        TreeCase{"TheCurFolderOfAMaildirGivenByItselfListsItsMessages",
                 {"M/cur/1.host:2,S", "M/cur/.nfs01"},
                 {"M/new"},
                 "M/cur",
                 {{"1.host:2,S", Kind::MaildirMessage}},
                 {}},
        TreeCase{"CurWithoutNewOrTmpIsNoMaildir",
                 {"cur/1.host", "cur/2.eml", "curly/cur/3.host", "curly/news/4.host"},
                 {},
                 "",
                 {{"cur/2.eml", Kind::Message}},
                 {}},
        TreeCase{"AnIndexBesideAFileMakesItAMailboxOfAnyName",
                 {"Inbox", "Inbox.msf", "Sent.2023.msf", "Sent.2023", "Drafts", "x.msf", "a.MBOX",
                  "mbox.txt", "ambox", "Export.mbox/mbox"},
                 {"Inbox.sbd", "y.mbox"},
                 "",
                 {{"Inbox", Kind::Mailbox},
                  {"Sent.2023", Kind::Mailbox},
                  {"a.MBOX", Kind::Mailbox},
                  {"Export.mbox/mbox", Kind::Mailbox}},
                 {}},
        TreeCase{"NamesThatAreNotUtf8AreReportedWhenTheyMayHaveBeenSources",
                 {"M/cur/caf\xE9", "M/cur/.caf\xE9", "M/new/x", "b\xE9.mbox", "b\xE9.txt"},
                 {},
                 "",
                 {{"M/new/x", Kind::MaildirMessage}},
                 {"b\xE9.mbox", "M/cur/caf\xE9"}}),
    [](const ::testing::TestParamInfo<TreeCase> &info) { return std::string(info.param.name); });
