// SPDX-License-Identifier: MIT
#include "sourceexpansion.h"

#include "testsupport.h"

#include <gtest/gtest.h>
#include <ostream>

struct SourceCase
{
    const char *name;
    const char *source; // below tests/data/mailstores
    QStringList rows;   // below it, in order
};

void PrintTo(const SourceCase &c, std::ostream *out)
{
    *out << c.name;
}

class MailStoreSources : public ::testing::TestWithParam<SourceCase>
{
};

TEST_P(MailStoreSources, GiveTheRowsTheRunTakesThemBy)
{
    const SourceCase &c = GetParam();
    const QString stores = testsupport::dataPath(QStringLiteral("mailstores/"));

    const SourceExpansion expansion = cli::expandSources({stores + QString::fromUtf8(c.source)});

    QStringList rows;
    for (const QString &row : c.rows)
        rows.append(stores + row);
    EXPECT_EQ(expansion.rows, rows);
    EXPECT_TRUE(expansion.problems.isEmpty());
}

INSTANTIATE_TEST_SUITE_P(
    Cli, MailStoreSources,
    ::testing::Values(
        // Not an mbox by its name, so no scan finds it; given, it is a row the
        // run splits.
        SourceCase{"AnMboxFileIsOneRow", "mutt/mbox-crlf", {"mutt/mbox-crlf"}},
        SourceCase{"AMaildirGivesItsMessagesAndThoseOfItsMaildirPlusPlusFolders",
                   "maildir/Mail",
                   {"maildir/Mail/cur/1700000000.M123P456.host:2,S",
                    "maildir/Mail/cur/1700000002.M125P456.host:2,RS",
                    "maildir/Mail/cur/1700000003.M126P456.host:2,FS",
                    "maildir/Mail/new/1700000001.M124P456.host",
                    "maildir/Mail/new/1700000004.M127P456.host",
                    "maildir/Mail/.Archive.2019/cur/1560000000.M10P99.host:2,S",
                    "maildir/Mail/.Archive.2019/cur/1560000001.M11P99.host!2,S",
                    "maildir/Mail/.Archive.2019/new/1560000002.M12P99.host",
                    "maildir/Mail/.Sent/cur/1700000010.M130P456.host:2,S",
                    "maildir/Mail/.Sent/cur/1700000011.M131P456.host:2,S"}},
        SourceCase{"AThunderbirdProfileFolderGivesEachMboxBesideItsIndex",
                   "thunderbird",
                   {"thunderbird/Local Folders/Inbox",
                    "thunderbird/Local Folders/Inbox.sbd/Projects.2023"}},
        SourceCase{
            "AThunderbirdMaildirStoreIsAMaildirNotAnMbox",
            "maildir/thunderbird-maildir",
            {"maildir/thunderbird-maildir/Local Folders/Inbox/cur/1700000020.M140P789.host",
             "maildir/thunderbird-maildir/Local Folders/Inbox/cur/1700000021.M141P789.host"}}),
    [](const ::testing::TestParamInfo<SourceCase> &info) { return std::string(info.param.name); });
