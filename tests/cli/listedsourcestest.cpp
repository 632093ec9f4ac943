// SPDX-License-Identifier: MIT
#include "listedsources.h"

#include "testsupport.h"

#include <gtest/gtest.h>
#include <QTemporaryDir>

namespace {

TEST(ListedSources, TakesEachEntryExactlyAndReportsThoseThatNameNoFile)
{
    const struct
    {
        QByteArray list;
        bool nullSeparated;
        const char *workingDirectory;
        QStringList sources;
        QStringList problems; // "source: reason part"
    } rows[] = {
        // Spaces are part of a name; the last entry needs no line end.
        {" a.eml \n/m/b c.eml", false, "/w", {"/w/ a.eml ", "/m/b c.eml"}, {}},
        // A CRLF list names the same files as an LF one; empty lines are no entries.
        {"a.eml\r\n\r\n\nb.eml\r\n", false, "/w", {"/w/a.eml", "/w/b.eml"}, {}},
        {"./x/../a.eml\n", false, "/w", {"/w/./x/../a.eml"}, {}},
        // With --null, newlines and carriage returns are parts of names.
        {QByteArray("a\nb.eml\0c.eml\r\0\0", 16), true, "/w", {"/w/a\nb.eml", "/w/c.eml\r"}, {}},
        {QByteArray("caf\xE9.eml\0/m/ok.eml", 18),
         true,
         "/w",
         {"/m/ok.eml"},
         {"/w/caf\\xE9.eml: the name is not valid UTF-8; it was left out"}},
        // A NUL-separated list read by lines would hand the
        // kernel a path cut at the first NUL, naming another file.
        {QByteArray("/m/a.eml\0/m/b.eml\0", 18),
         false,
         "/w",
         {},
         {"/m/a.eml\\x00/m/b.eml\\x00: no file name holds a NUL byte"}},
        {"a.eml\n/m/b.eml\n", false, "", {"/m/b.eml"}, {"a.eml: a relative path needs"}},
    };
    for (const auto &row : rows) {
        SCOPED_TRACE(row.list.toStdString());
        const ListedSources listed =
            cli::splitList(row.list, row.nullSeparated, QString::fromUtf8(row.workingDirectory));
        EXPECT_EQ(listed.sources, row.sources);
        ASSERT_EQ(listed.problems.size(), row.problems.size());
        for (qsizetype i = 0; i < row.problems.size(); ++i) {
            const MessageReport &problem = listed.problems[i];
            EXPECT_EQ(problem.status, MessageStatus::Failed);
            EXPECT_TRUE((problem.source + QStringLiteral(": ") + problem.reason)
                            .startsWith(row.problems[i]))
                << problem.source.toStdString() << ": " << problem.reason.toStdString();
        }
    }
}

TEST(ListedSources, AListThatCannotBeReadStopsEverything)
{
    QTemporaryDir temp;
    ASSERT_TRUE(temp.isValid());
    const QString good = temp.filePath(QStringLiteral("good"));
    testsupport::writeFile(good, "/m/a.eml\n");
    const struct
    {
        QString list;
        const char *reason;
    } rows[] = {
        {temp.filePath(QStringLiteral("missing")), "No such file or directory"},
        {temp.path(), "Is a directory"},
    };
    for (const auto &row : rows) {
        const Outcome<ListedSources> listed = cli::readLists({good, row.list}, false, {});
        ASSERT_FALSE(listed);
        EXPECT_EQ(listed.reason(), QStringLiteral("cannot read the list %1: %2")
                                       .arg(row.list, QString::fromUtf8(row.reason)));
    }
    const Outcome<ListedSources> both = cli::readLists({good, good}, false, {});
    ASSERT_TRUE(both) << both.reason().toStdString();
    EXPECT_EQ(both.value().sources,
              (QStringList{QStringLiteral("/m/a.eml"), QStringLiteral("/m/a.eml")}));
}

} // namespace
