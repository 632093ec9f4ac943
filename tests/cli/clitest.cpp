// SPDX-License-Identifier: MIT
// letterfold-cli end to end: the built binary run in a temporary tree.
#include "temptree.h"
#include "testsupport.h"

#include <gtest/gtest.h>
#include <QDir>
#include <QDirIterator>
#include <QFileInfo>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>
#include <unistd.h>

namespace {

using testsupport::readAll;
using testsupport::writeFile;

using Result = testsupport::ProcessResult;

QByteArray message(const QString &subject, const QString &from = QStringLiteral("Ann <a@x.org>"))
{
    return QStringLiteral("From: %1\nSubject: %2\nDate: Sun, 07 Mar 2010 10:00:00 +0000\n\nHi.\n")
        .arg(from, subject)
        .toUtf8();
}

QStringList filesBelow(const QString &root)
{
    QStringList files;
    QDirIterator it(root, QDir::Files | QDir::Hidden | QDir::System, QDirIterator::Subdirectories);
    while (it.hasNext())
        files.append(it.next());
    files.sort();
    return files;
}

class CliTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_temp.isValid());
        m_root = m_temp.path();
        m_out = m_root + QStringLiteral("/out");
    }

    Result cli(const QStringList &arguments, const QString &workingDirectory = {})
    {
        return testsupport::runProcess(QStringLiteral(LETTERFOLD_CLI), arguments,
                                       workingDirectory.isEmpty() ? m_root : workingDirectory);
    }

    QString source(const QString &relative, const QByteArray &bytes)
    {
        const QString path = m_root + QStringLiteral("/src/") + relative;
        writeFile(path, bytes);
        return path;
    }

    // Where a copy of a source file lands under a file name.
    QString target(const QString &sourcePath, const QString &fileName) const
    {
        return m_out + QFileInfo(sourcePath).absolutePath() + QLatin1Char('/') + fileName;
    }

    QTemporaryDir m_temp;
    QString m_root;
    QString m_out;
};

TEST_F(CliTest, PrintsVersionAndHelpAndExitsZero)
{
    const Result version = cli({QStringLiteral("--version")});
    EXPECT_EQ(version.exitCode, 0);
    EXPECT_EQ(version.out, QStringLiteral("letterfold-cli 2.00\n"));
    const Result help = cli({QStringLiteral("--help")});
    EXPECT_EQ(help.exitCode, 0);
    EXPECT_TRUE(help.out.startsWith(QStringLiteral("Usage: letterfold-cli")))
        << help.out.toStdString();
    EXPECT_TRUE(help.err.isEmpty());
}

TEST_F(CliTest, RejectsUsageErrorsWithStatusTwoAndWritesNothing)
{
    const QString a = source(QStringLiteral("a.eml"), message(QStringLiteral("A")));
    writeFile(m_root + QStringLiteral("/file"), "not a folder");
    const struct
    {
        QStringList arguments;
        const char *errPart;
    } cases[] = {
        {{a}, "missing --to"},
        {{QStringLiteral("--to"), m_out}, "no SOURCE"},
        {{QStringLiteral("--to"), m_out, QStringLiteral("-s"), QStringLiteral("nope"), a},
         "unknown scheme 'nope'"},
        {{QStringLiteral("--to"), m_out, QStringLiteral("--frobnicate"), a}, "frobnicate"},
        {{QStringLiteral("--to"), m_out, QStringLiteral("--format"), QStringLiteral("{subject"), a},
         "bad --format: the brace in '{subject' is never closed"},
        {{QStringLiteral("--to"), m_root + QStringLiteral("/file"), a}, "is not a folder"},
        {{QStringLiteral("--to"), m_root + QStringLiteral("/file/sub"), a},
         "cannot create the folder"},
        {{QStringLiteral("-n"), QStringLiteral("--to"), m_root + QStringLiteral("/file/sub"), a},
         "cannot create the folder"},
        {{QStringLiteral("--files-from"), QStringLiteral("no-list"), QStringLiteral("--to"), m_out,
          a},
         "cannot read the list "},
    };
    for (const auto &c : cases) {
        const Result result = cli(c.arguments);
        SCOPED_TRACE(c.arguments.join(QLatin1Char(' ')).toStdString());
        EXPECT_EQ(result.exitCode, 2);
        EXPECT_TRUE(result.out.isEmpty()) << result.out.toStdString();
        EXPECT_TRUE(result.err.startsWith(QStringLiteral("letterfold-cli: ")));
        EXPECT_TRUE(result.err.contains(QString::fromUtf8(c.errPart))) << result.err.toStdString();
    }
    EXPECT_FALSE(QFileInfo::exists(m_out));
    EXPECT_EQ(readAll(m_root + QStringLiteral("/file")), "not a folder");
}

TEST_F(CliTest, CopiesEveryMessageAndExitsZero)
{
    const QString a = source(QStringLiteral("in/a.eml"), message(QStringLiteral("Re: Alpha")));
    const QString b = source(QStringLiteral("in/b.emlx.whatever"), message(QStringLiteral("Beta")));
    const Result result = cli({QStringLiteral("--remove-re"), QStringLiteral("--to"), m_out, a, b});
    EXPECT_EQ(result.exitCode, 0) << result.err.toStdString();
    const QString ta = target(a, QStringLiteral("Alpha.eml"));
    const QString tb = target(a, QStringLiteral("Beta.eml"));
    EXPECT_EQ(result.out, a + QStringLiteral(" -> ") + ta + QStringLiteral("\n") + b +
                              QStringLiteral(" -> ") + tb +
                              QStringLiteral("\nConverted 2 of 2 messages.\n"));
    // stderr is not a terminal here: no progress bar.
    EXPECT_TRUE(result.err.isEmpty()) << result.err.toStdString();
    EXPECT_EQ(readAll(ta), readAll(a));
    EXPECT_EQ(readAll(tb), readAll(b));
    EXPECT_EQ(filesBelow(m_out), (QStringList{ta, tb}));
}

TEST_F(CliTest, FormatBuildsNamesAndFoldersFromATemplate)
{
    const QByteArray late = "From: \"Lee, Ann\" <ann@x.org>\nSubject: Re: Plan 1/2\n"
                            "Date: Tue, 09 Mar 2010 23:30:00 -0800\n\nHi.\n";
    const QByteArray other = "From: Ann Lee <ann@y.org>\nSubject: Plan 1/2\n"
                             "Date: Tue, 09 Mar 2010 12:00:00 +0000\n\nHello.\n";
    const QString a = source(QStringLiteral("in/a.eml"), late);
    const QString b = source(QStringLiteral("in/b.eml"), other);
    const QStringList arguments = {QStringLiteral("--format"),
                                   QStringLiteral("{date:%Y}/{date:%m-%d}/{subject}"),
                                   QStringLiteral("--time-zone"),
                                   QStringLiteral("header"),
                                   QStringLiteral("--remove-re"),
                                   QStringLiteral("--to"),
                                   m_out,
                                   a,
                                   b};
    const QString ta = target(a, QStringLiteral("2010/03-09/Plan 12.eml"));
    const QString tb = target(a, QStringLiteral("2010/03-09/Plan 12 (2).eml"));
    const QString planned = a + QStringLiteral(" -> ") + ta + QStringLiteral("\n") + b +
                            QStringLiteral(" -> ") + tb + QStringLiteral("\n");

    const Result preview = cli(QStringList{QStringLiteral("-n")} + arguments);
    EXPECT_EQ(preview.exitCode, 0) << preview.err.toStdString();
    EXPECT_TRUE(preview.out.startsWith(planned)) << preview.out.toStdString();
    EXPECT_FALSE(QFileInfo::exists(m_out));

    const Result result = cli(arguments);
    EXPECT_EQ(result.exitCode, 0) << result.err.toStdString();
    EXPECT_EQ(result.out, planned + QStringLiteral("Converted 2 of 2 messages.\n"));
    EXPECT_EQ(filesBelow(m_out), (QStringList{tb, ta}));
    EXPECT_EQ(readAll(ta), late);
    EXPECT_EQ(readAll(tb), other);
}

TEST_F(CliTest, ReportsMissingSourcesAndConvertsTheRestWithStatusOne)
{
    const QString a = source(QStringLiteral("a.eml"), message(QStringLiteral("Alpha")));
    const QString missing = m_root + QStringLiteral("/src/missing.eml");
    const Result result = cli({QStringLiteral("--to"), m_out, missing, a});
    EXPECT_EQ(result.exitCode, 1);
    EXPECT_TRUE(result.err.contains(missing + QStringLiteral(": No such file or directory\n")))
        << result.err.toStdString();
    EXPECT_TRUE(result.out.endsWith(QStringLiteral("\nConverted 1 of 2 messages.\n")))
        << result.out.toStdString();
    EXPECT_EQ(readAll(target(a, QStringLiteral("Alpha.eml"))), readAll(a));
}

TEST_F(CliTest, DryRunPrintsThePlanAndWritesNothing)
{
    const QString a =
        source(QStringLiteral("p/a.eml"), message(QStringLiteral("Same"), QStringLiteral("A")));
    const QString b =
        source(QStringLiteral("p/b.eml"), message(QStringLiteral("Same"), QStringLiteral("B")));
    const QString dest = m_out + QStringLiteral("/not/yet");
    const Result plan = cli({QStringLiteral("-n"), QStringLiteral("--to"), dest, a, b});
    EXPECT_EQ(plan.exitCode, 0) << plan.err.toStdString();
    EXPECT_FALSE(QFileInfo::exists(m_out));
    const QString planned = a + QStringLiteral(" -> ") + dest + m_root +
                            QStringLiteral("/src/p/Same.eml\n") + b + QStringLiteral(" -> ") +
                            dest + m_root + QStringLiteral("/src/p/Same (2).eml\n");
    EXPECT_EQ(plan.out, planned + QStringLiteral("Dry run: 2 of 2 messages would be converted; "
                                                 "nothing was written.\n"));

    const Result real = cli({QStringLiteral("--to"), dest, a, b});
    EXPECT_EQ(real.exitCode, 0);
    EXPECT_TRUE(real.out.startsWith(planned)) << real.out.toStdString();
    EXPECT_EQ(filesBelow(m_out).size(), 2);
}

TEST_F(CliTest, JsonLinesCarryTheSameKeysAndNothingElseGoesToStdout)
{
    const QString a = source(QStringLiteral("j/a.eml"), message(QStringLiteral("Alpha")));
    for (const bool dryRun : {true, false}) {
        QStringList arguments{QStringLiteral("--json"), QStringLiteral("--to"),
                              QStringLiteral("out"), QStringLiteral("src/j/a.eml"),
                              QStringLiteral("src/j/none.eml")};
        if (dryRun)
            arguments.prepend(QStringLiteral("--dry-run"));
        const Result result = cli(arguments);
        SCOPED_TRACE(dryRun ? "dry run" : "real run");
        EXPECT_EQ(result.exitCode, 1);
        const QStringList lines = result.out.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
        ASSERT_EQ(lines.size(), 2) << result.out.toStdString();
        QList<QJsonObject> objects;
        for (const QString &line : lines) {
            QJsonParseError error;
            const QJsonDocument document = QJsonDocument::fromJson(line.toUtf8(), &error);
            ASSERT_EQ(error.error, QJsonParseError::NoError) << line.toStdString();
            ASSERT_TRUE(document.isObject());
            EXPECT_EQ(document.object().keys(),
                      (QStringList{QStringLiteral("message"), QStringLiteral("note"),
                                   QStringLiteral("reason"), QStringLiteral("source"),
                                   QStringLiteral("status"), QStringLiteral("target")}));
            EXPECT_TRUE(document.object()[QStringLiteral("message")].isNull());
            objects.append(document.object());
        }
        // The missing source is reported before the run starts.
        EXPECT_EQ(objects[0][QStringLiteral("source")].toString(),
                  m_root + QStringLiteral("/src/j/none.eml"));
        EXPECT_EQ(objects[0][QStringLiteral("status")].toString(), QStringLiteral("failed"));
        EXPECT_TRUE(objects[0][QStringLiteral("target")].isNull());
        EXPECT_EQ(objects[0][QStringLiteral("reason")].toString(),
                  QStringLiteral("No such file or directory"));
        EXPECT_EQ(objects[1][QStringLiteral("source")].toString(), a);
        EXPECT_EQ(objects[1][QStringLiteral("target")].toString(),
                  target(a, QStringLiteral("Alpha.eml")));
        EXPECT_EQ(objects[1][QStringLiteral("status")].toString(),
                  dryRun ? QStringLiteral("planned") : QStringLiteral("copied"));
        EXPECT_TRUE(objects[1][QStringLiteral("reason")].isNull());
        EXPECT_TRUE(result.err.endsWith(
            QStringLiteral(" 1 of 2 messages") +
            (dryRun ? QStringLiteral(" would be converted; nothing was written.\n")
                    : QStringLiteral(".\n"))))
            << result.err.toStdString();
        EXPECT_EQ(QFileInfo::exists(target(a, QStringLiteral("Alpha.eml"))), !dryRun);
    }
}

TEST_F(CliTest, AFolderSourceGivesItsMessagesInScanOrderAmongTheOtherSources)
{
    const QString first = source(QStringLiteral("first.eml"), message(QStringLiteral("First")));
    const QString last = source(QStringLiteral("last.eml"), message(QStringLiteral("Last")));
    TempTree tree;
    const QByteArray emlx = message(QStringLiteral("Cee"));
    tree.file("box/a.eml", message(QStringLiteral("A")));
    tree.file("box/B.EML", message(QStringLiteral("Bee")));
    tree.file("box/c.emlx",
              QByteArray::number(emlx.size()) + "\n" + emlx +
                  "<?xml version=\"1.0\"?>\n<plist version=\"1.0\"><dict/></plist>\n");
    tree.file("box/d.txt", message(QStringLiteral("Dee")));
    tree.file("box/sub/e.eml", message(QStringLiteral("E")));

    const Result result = cli({QStringLiteral("--to"), m_out, first, tree.path("box"), last});

    EXPECT_EQ(result.exitCode, 0) << result.err.toStdString();
    const struct
    {
        QString source;
        const char *name;
    } rows[] = {{first, "First.eml"},
                // The folder's names in byte order (upper case first), then its sub-folder.
                {tree.path("box/B.EML"), "Bee.eml"},
                {tree.path("box/a.eml"), "A.eml"},
                {tree.path("box/c.emlx"), "Cee.eml"},
                {tree.path("box/sub/e.eml"), "E.eml"},
                {last, "Last.eml"}};
    QString expected;
    for (const auto &row : rows)
        expected += row.source + QStringLiteral(" -> ") +
                    target(row.source, QString::fromUtf8(row.name)) + u'\n';
    EXPECT_EQ(result.out, expected + QStringLiteral("Converted 6 of 6 messages.\n"));
    EXPECT_EQ(readAll(target(tree.path("box/c.emlx"), QStringLiteral("Cee.eml"))), emlx);
    EXPECT_FALSE(QFileInfo::exists(target(tree.path("box/d.txt"), QStringLiteral("Dee.eml"))));
}

// Regression: a folder that could not be listed ended the scan, so the
// folders after it and below other branches were never converted.
TEST_F(CliTest, AFolderThatCannotBeListedIsReportedAndTheRestOfTheTreeIsConverted)
{
    // A path past the system's length limit cannot be opened even by root:
    // box/deep's sixteenth level, 17 folders below box. The short branch z is
    // walked after it, down to 18 levels below box.
    TempTree tree;
    tree.file("box/a.eml", message(QStringLiteral("A")));
    QByteArray shortBranch = "box/z";
    for (int level = 1; level <= 17; ++level)
        shortBranch += '/' + QByteArray::number(level);
    tree.file(shortBranch + "/z.eml", message(QStringLiteral("Z")));
    tree.deepFolders("box/deep", 17);

    const Result result = cli({QStringLiteral("--to"), m_out, tree.path("box")});

    EXPECT_EQ(result.exitCode, 1);
    for (const QByteArray &converted : {QByteArray("box/a"), shortBranch + "/z"}) {
        const QString source = tree.path(QString::fromUtf8(converted + ".eml"));
        const QString name = QFileInfo(source).baseName().toUpper() + QStringLiteral(".eml");
        EXPECT_TRUE(QFileInfo::exists(target(source, name))) << converted.constData();
    }
    EXPECT_TRUE(result.out.endsWith(QStringLiteral("\nConverted 2 of 3 messages.\n")))
        << result.out.toStdString();
    const QStringList lines = result.err.split(u'\n', Qt::SkipEmptyParts);
    ASSERT_EQ(lines.size(), 1) << result.err.toStdString();
    EXPECT_TRUE(lines.front().startsWith(tree.path("box/deep/ddd"))) << result.err.toStdString();
    EXPECT_TRUE(lines.front().endsWith(
        QStringLiteral("/: cannot read this folder (File name too long); it was skipped with "
                       "everything in it")))
        << result.err.toStdString();
}

TEST_F(CliTest, MessagesInAFolderWhoseNamesAreNotUtf8AreReportedAsNotConverted)
{
    TempTree tree;
    tree.file("box/ok.eml", message(QStringLiteral("Ok")));
    tree.file("box/caf\xE9.eml", message(QStringLiteral("Cafe")));
    tree.file("box/n\xE9.txt", message(QStringLiteral("Note")));

    const Result result = cli({QStringLiteral("--to"), m_out, tree.path("box")});

    EXPECT_EQ(result.exitCode, 1);
    EXPECT_EQ(result.err, tree.path("box") + QStringLiteral("/caf\\xE9.eml: the name is not valid "
                                                            "UTF-8; it was left out\n"));
    EXPECT_TRUE(result.out.endsWith(QStringLiteral("\nConverted 1 of 2 messages.\n")))
        << result.out.toStdString();
    EXPECT_TRUE(QFileInfo::exists(target(tree.path("box/ok.eml"), QStringLiteral("Ok.eml"))));
}

} // namespace

// find -print0 | letterfold-cli --files-from - --null: names holding newlines
// and spaces come through whole, and one that is not UTF-8 is reported.
TEST_F(CliTest, TakesSourcesFromANulSeparatedListOnStandardInput)
{
    TempTree tree;
    tree.file("box/a\nb .eml", message(QStringLiteral("Lines")));
    tree.file("box/c.eml", message(QStringLiteral("Plain")));
    tree.file("box/caf\xE9.eml", message(QStringLiteral("Cafe")));
    const QString script = QStringLiteral("cd box && printf 'a\\nb .eml\\0caf\\351.eml\\0' | "
                                          "\"$0\" --files-from - --null --to ../out ./c.eml");
    const Result result = testsupport::runProcess(
        QStringLiteral("/bin/sh"), {QStringLiteral("-c"), script, QStringLiteral(LETTERFOLD_CLI)},
        tree.root());

    EXPECT_EQ(result.exitCode, 1) << result.err.toStdString();
    EXPECT_EQ(result.err, tree.path("box") + QStringLiteral("/caf\\xE9.eml: the name is not valid "
                                                            "UTF-8; it was left out\n"));
    const QString copies = tree.path("out") + tree.path("box");
    EXPECT_EQ(readAll(copies + QStringLiteral("/Plain.eml")), readAll(tree.path("box/c.eml")));
    EXPECT_EQ(readAll(copies + QStringLiteral("/Lines.eml")), readAll(tree.path("box/a\nb .eml")));
    EXPECT_TRUE(result.out.endsWith(QStringLiteral("\nConverted 2 of 3 messages.\n")))
        << result.out.toStdString();
}

// Regression: with the destination "/", copies land beside their sources, and
// a.eml's copy took the name of Other.eml, listed after it, and replaced it
// before its own turn came.
TEST_F(CliTest, NeverReplacesAMessageListedLaterWhenCopiesLandAmongTheSources)
{
    const QString a = source(QStringLiteral("r/a.eml"), message(QStringLiteral("Other")));
    const QString other = source(QStringLiteral("r/Other.eml"), message(QStringLiteral("Third")));
    const QByteArray otherBytes = readAll(other);

    const Result result = cli({QStringLiteral("--to"), QStringLiteral("/"), a, other});
    EXPECT_EQ(result.exitCode, 0) << result.err.toStdString();
    EXPECT_EQ(readAll(other), otherBytes);
    EXPECT_EQ(readAll(m_root + QStringLiteral("/src/r/Third.eml")), otherBytes);
    // A copy never replaces a file: a's copy takes the next name.
    EXPECT_EQ(readAll(m_root + QStringLiteral("/src/r/Other (2).eml")), readAll(a));
}

// Regression: ".." steps in a SOURCE path climbed out of the destination, so
// the copy of a.eml (Subject "Keep") replaced Keep.eml beside it.
TEST_F(CliTest, ParentStepsInASourceNeverPutACopyOutsideTheDestination)
{
    const QString a = source(QStringLiteral("d/a.eml"), message(QStringLiteral("Keep")));
    const QString keep = source(QStringLiteral("d/Keep.eml"), message(QStringLiteral("Mine")));
    const QByteArray keepBytes = readAll(keep);
    const QString climbing = QStringLiteral("/../../../../../../../..") + a;

    const Result result = cli({QStringLiteral("--to"), m_out, climbing});
    EXPECT_EQ(result.exitCode, 0) << result.err.toStdString();
    EXPECT_EQ(readAll(keep), keepBytes);
    EXPECT_EQ(readAll(target(a, QStringLiteral("Keep.eml"))), readAll(a));
}

// Regression: SOURCE and --to were tidied as text before use, so "lnk/../m.eml"
// copied ./m.eml and "--to dlnk/../OUT" wrote into ./OUT, where the kernel (and
// cp, and mkdir -p) name other files.
TEST_F(CliTest, ResolvesLinksAndParentStepsAsTheKernelDoes)
{
    TempTree tree;
    tree.file("real/m.eml", message(QStringLiteral("Real")));
    tree.folder("real/sub");
    tree.file("m.eml", message(QStringLiteral("Decoy")));
    tree.folder("far/d");
    ASSERT_EQ(::symlink("real/sub", tree.rawPath("lnk").constData()), 0);
    ASSERT_EQ(::symlink("far/d", tree.rawPath("dlnk").constData()), 0);

    const struct
    {
        const char *source;
        const char *destination;
        const char *madeBelow; // the folder the kernel names for destination
    } rows[] = {
        {"lnk/../m.eml", "dlnk/../OUT", "far/OUT"},
        {"lnk/..", "dlnk/../OUT2/", "far/OUT2"},
        {"lnk/../m.eml", "dlnk/new/../../OUT3", "far/OUT3"},
    };
    for (const auto &row : rows) {
        SCOPED_TRACE(std::string(row.source) + " --to " + row.destination);
        const Result result = cli({QStringLiteral("--to"), QString::fromUtf8(row.destination),
                                   QString::fromUtf8(row.source)},
                                  tree.root());
        EXPECT_EQ(result.exitCode, 0) << result.err.toStdString();
        const QStringList copies = filesBelow(tree.path(QString::fromUtf8(row.madeBelow)));
        ASSERT_EQ(copies.size(), 1) << result.out.toStdString();
        EXPECT_TRUE(copies.front().endsWith(QStringLiteral("/Real.eml")))
            << copies.front().toStdString();
        EXPECT_EQ(readAll(copies.front()), readAll(tree.path("real/m.eml")));
    }
    EXPECT_EQ(QDir(tree.root()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot, QDir::Name),
              (QStringList{QStringLiteral("dlnk"), QStringLiteral("far"), QStringLiteral("lnk"),
                           QStringLiteral("m.eml"), QStringLiteral("real")}));
}

// Regression: an argument that is not UTF-8 was decoded with U+FFFD, and the
// file whose name holds that character was copied in place of the one named.
TEST_F(CliTest, RefusesAnArgumentThatIsNotUtf8AndWritesNothing)
{
    TempTree tree;
    tree.file("caf\xE9.eml", message(QStringLiteral("Named")));
    tree.file("caf\xEF\xBF\xBD.eml", message(QStringLiteral("Other")));
    const QMap<QString, QByteArray> before = testsupport::snapshot(tree.root());
    const struct
    {
        const char *destination; // printf formats: \351 is the byte 0xE9
        const char *source;
        const char *shown;
    } rows[] = {
        {"out", "caf\\351.eml", "'caf\\xE9.eml'"},
        {"out\\377", "caf\\357\\277\\275.eml", "'out\\xFF'"},
    };
    for (const auto &row : rows) {
        SCOPED_TRACE(row.shown);
        // Only the shell's printf can hand over bytes that are not UTF-8.
        const QString script =
            QStringLiteral("exec \"$0\" --to \"$(printf '%1')\" \"$(printf '%2')\"")
                .arg(QString::fromUtf8(row.destination), QString::fromUtf8(row.source));
        const Result result = testsupport::runProcess(
            QStringLiteral("/bin/sh"),
            {QStringLiteral("-c"), script, QStringLiteral(LETTERFOLD_CLI)}, tree.root());
        EXPECT_EQ(result.exitCode, 2);
        EXPECT_TRUE(result.out.isEmpty()) << result.out.toStdString();
        EXPECT_TRUE(result.err.startsWith(
            QStringLiteral("letterfold-cli: the argument ") + QString::fromUtf8(row.shown) +
            QStringLiteral(" is not valid UTF-8; nothing was done\n")))
            << result.err.toStdString();
    }
    EXPECT_EQ(testsupport::snapshot(tree.root()), before);
}
