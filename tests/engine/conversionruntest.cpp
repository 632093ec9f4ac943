// SPDX-License-Identifier: MIT
// The conversion run over real files in a temporary tree, driven by a scripted host.
#include "conversionrun.h"

#include "asnobody.h"
#include "fakeconversionhost.h"
#include "messagebytes.h"
#include "registry.h"
#include "scopedtimezone.h"
#include "targetnames.h"
#include "testsupport.h"

#include <cerrno>
#include <fcntl.h>
#include <functional>
#include <gtest/gtest.h>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QMap>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <unistd.h>

namespace {

using testsupport::snapshot;

using testsupport::readAll;
using testsupport::writeFile;

QByteArray message(const QString &subject, const QString &from = QStringLiteral("Ann <ann@x.org>"),
                   const QString &date = QStringLiteral("Sun, 07 Mar 2010 10:00:00 +0000"))
{
    return QStringLiteral("From: %1\r\nTo: bob@x.org\r\nSubject: %2\r\nDate: %3\r\n"
                          "Message-ID: <%4@x.org>\r\n\r\nBody of %2.\r\n")
        .arg(from, subject, date, QString::number(qHash(subject + from)))
        .toUtf8();
}

QStringList allEntries(const QString &root)
{
    QStringList entries;
    QDirIterator it(root, QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                    QDirIterator::Subdirectories);
    while (it.hasNext())
        entries.append(QDir(root).relativeFilePath(it.next()));
    entries.sort();
    return entries;
}

class ConversionRunTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_temp.isValid());
        m_root = m_temp.path();
        m_destination = m_root + QStringLiteral("/out");
        ASSERT_TRUE(QDir().mkpath(m_destination));
        m_host.destination = m_destination;
    }

    // Writes a message file below the source tree and returns its absolute path.
    QString source(const QString &relative, const QByteArray &bytes)
    {
        const QString path = m_root + QStringLiteral("/src/") + relative;
        writeFile(path, bytes);
        return path;
    }

    // Where the run puts a copy of a file of the source tree under a file name.
    QString expectedTarget(const QString &sourcePath, const QString &fileName) const
    {
        return m_destination + QFileInfo(sourcePath).absolutePath() + QLatin1Char('/') + fileName;
    }

    // Lets a test that runs AsNobody reach the sources and write into
    // targetFolder (made here), which the run would otherwise make as root's.
    void openToNobody(const QString &targetFolder)
    {
        ASSERT_TRUE(QDir().mkpath(targetFolder));
        const auto open = QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner |
                          QFileDevice::ReadOther | QFileDevice::ExeOther;
        ASSERT_TRUE(QFile::setPermissions(m_root, open));
        ASSERT_TRUE(QFile::setPermissions(targetFolder, open | QFileDevice::WriteOther));
    }

    ConversionRun::End run(ConversionRun::Mode mode = ConversionRun::Mode::Copy)
    {
        ConversionRun conversion(m_host);
        return conversion.run(mode);
    }

    QTemporaryDir m_temp;
    QString m_root;
    QString m_destination;
    FakeHost m_host;
};

TEST(ConversionPaths, RecreatesTheSourceFolderBelowTheDestinationWithoutTheRoot)
{
    const struct
    {
        const char *destination;
        const char *sourceFolder;
        const char *target;
    } cases[] = {
        {"/srv/out/", "/home/ann/Mail/Inbox/", "/srv/out/home/ann/Mail/Inbox/"},
        {"/srv/out/", "/", "/srv/out/"},
        {"/", "/home/ann/Mail/Inbox/", "/home/ann/Mail/Inbox/"},
        {"/", "/", "/"},
        {"/srv/out/", "/home/ann/Ma\xc3\xafl/ \xe6\x97\xa5\xe6\x9c\xac/",
         "/srv/out/home/ann/Ma\xc3\xafl/ \xe6\x97\xa5\xe6\x9c\xac/"},
    };
    for (const auto &c : cases)
        EXPECT_EQ(conversion::targetFolder(QString::fromUtf8(c.destination),
                                           QString::fromUtf8(c.sourceFolder))
                      .value(),
                  QString::fromUtf8(c.target))
            << c.destination << " + " << c.sourceFolder;
}

TEST(ConversionPaths, ProgressIsComputedInDoublePrecisionAndStoredAsFloat)
{
    // clang-format off
    const struct
    {
        int done;
        int rows;
        float value;
    } cases[] = {
        {1, 3, 33.33333f}, {2, 3, 66.66667f}, {3, 3, 100.0f}, {1, 1, 100.0f},
        {5, 3, 100.0f}, // rows removed during the run never push the bar past its end
        {1, 0, 100.0f},
    };
    // clang-format on
    for (const auto &c : cases) {
        const float value =
            conversion::progressPercent(conversion::progressFraction(c.done, c.rows));
        EXPECT_FLOAT_EQ(value, c.value) << c.done << " of " << c.rows;
        if (c.rows > 0 && c.done <= c.rows) {
            // Rounded once, from the double quotient: not computed in float.
            EXPECT_EQ(value, static_cast<float>(static_cast<double>(c.done) / c.rows * 100.0));
        }
    }
    EXPECT_EQ(conversion::progressText(3, 12), QStringLiteral("Message 3 (of 12)"));
}

// A file system in which nothing exists: every name is free to it.
class EmptyFileSystem : public FileSystemCalls
{
public:
    int lookAt(const char *, struct stat *) override
    {
        errno = ENOENT;
        return -1;
    }
};

// Chooses a name for the source file with that inode and settles it, as a dry
// run does.
QString assign(TargetNames &names, const QString &folder, const QString &baseName, ino_t source)
{
    const TargetNames::Choice choice =
        names.choose(folder, baseName, FileIdentity{1, source}, MessageBytes());
    names.settle(choice);
    return choice.path;
}

TEST(TargetNames, GivesSuffixesToDifferentSourcesAndTheSameNameToTheSameSource)
{
    EmptyFileSystem empty;
    TargetNames names(empty);
    const QString folder = QStringLiteral("/out/a/");
    const struct
    {
        const char *base;
        ino_t source;
        const char *target;
    } steps[] = {
        {"Same", 1, "/out/a/Same.eml"},
        {"Same", 2, "/out/a/Same (2).eml"},
        {"Same", 1, "/out/a/Same.eml"}, // listed again: same name, no suffix
        {"Same", 3, "/out/a/Same (3).eml"},
        {"Same", 2, "/out/a/Same (2).eml"},
        {"Same (2)", 4, "/out/a/Same (2) (2).eml"}, // its own name was handed out as a suffix
        {"Same (2)", 2, "/out/a/Same (2).eml"},     // another name of a source it already has
        {"Other", 2, "/out/a/Other.eml"},
        {"", 5, "/out/a/.eml"},
        {"", 6, "/out/a/ (2).eml"},
    };
    for (const auto &s : steps)
        EXPECT_EQ(assign(names, folder, QString::fromUtf8(s.base), s.source),
                  QString::fromUtf8(s.target))
            << s.base << " from " << s.source;
    EXPECT_EQ(assign(names, QStringLiteral("/out/b/"), QStringLiteral("Same"), 2),
              QStringLiteral("/out/b/Same.eml"));
}

TEST(TargetNames, KeepsSuffixedNamesWithinTheFileNameLimit)
{
    EmptyFileSystem empty;
    TargetNames names(empty);
    const QString base(300, QChar(0x65e5)); // three bytes each in UTF-8
    const QString first = assign(names, QStringLiteral("/o/"), base, 1);
    EXPECT_LE(first.mid(3).toUtf8().size(), 255);
    const QString second = assign(names, QStringLiteral("/o/"), base, 2);
    const QString fileName = second.mid(3);
    EXPECT_TRUE(fileName.endsWith(QStringLiteral(" (2).eml"))) << second.toStdString();
    EXPECT_LE(fileName.toUtf8().size(), 255);
}

// A file system in which the first candidates of every name ("Same.eml",
// "Same (2).eml", ... up to "Same (taken).eml") are folders and every other
// name is free. It counts the looks.
class CrowdedFileSystem : public FileSystemCalls
{
public:
    explicit CrowdedFileSystem(int taken) : m_taken(taken) {}

    int lookAt(const char *path, struct stat *status) override
    {
        ++looks;
        static const QRegularExpression suffix(QStringLiteral(" \\((\\d+)\\)\\.eml$"));
        const QRegularExpressionMatch match = suffix.match(QString::fromUtf8(path));
        const int number = match.hasMatch() ? match.captured(1).toInt() : 1;
        if (number > m_taken) {
            errno = ENOENT;
            return -1;
        }
        *status = {};
        status->st_mode = S_IFDIR | 0755;
        return 0;
    }

    int looks = 0;

private:
    int m_taken;
};

// Regression guard: trying " (2)", " (3)", ... from the start for every source
// made 20,000 messages of one subject cost 200 million look-ups. Each name is
// looked at about once, however many sources share it.
TEST(TargetNames, LooksAtEachCandidateAboutOnceWhenThousandsOfSourcesShareOneName)
{
    const struct
    {
        int sources;
        int taken; // candidates the destination already holds as something else
    } cases[] = {{2000, 1000}, {5000, 1}};
    for (const auto &c : cases) {
        SCOPED_TRACE(std::to_string(c.sources) + " sources, " + std::to_string(c.taken) +
                     " names taken");
        CrowdedFileSystem crowded(c.taken);
        TargetNames names(crowded);
        QString last;
        for (int i = 0; i < c.sources; ++i)
            last = assign(names, QStringLiteral("/o/"), QStringLiteral("Same"), ino_t(i + 1));
        EXPECT_EQ(last, QStringLiteral("/o/Same (%1).eml").arg(c.taken + c.sources));
        EXPECT_EQ(names.size(), c.sources);
        // One look per taken name and one per source; a search from the start
        // makes sources * taken.
        EXPECT_LE(crowded.looks, c.taken + c.sources);
    }
}

TEST(RunSummary, SaysHonestlyHowManyMessagesWereConverted)
{
    const auto failed = [](int n) {
        MessageReport report;
        report.source = QStringLiteral("/m/%1.eml").arg(n);
        report.reason = QStringLiteral("reason %1").arg(n);
        report.status = MessageStatus::Failed;
        return report;
    };
    const auto copied = [] {
        MessageReport report;
        report.status = MessageStatus::Copied;
        return report;
    };

    RunSummary all;
    all.add(copied());
    all.add(copied());
    EXPECT_TRUE(all.allConverted());
    EXPECT_EQ(all.text(), QStringLiteral("Converted Successfully !"));
    EXPECT_EQ(all.headline(), QStringLiteral("Converted 2 of 2 messages."));

    RunSummary none;
    EXPECT_TRUE(none.allConverted());
    EXPECT_EQ(none.text(), QStringLiteral("No messages to convert."));

    RunSummary one;
    one.add(failed(1));
    EXPECT_FALSE(one.allConverted());
    EXPECT_EQ(one.text(), QStringLiteral("Converted 0 of 1 message.\n\nNot converted:\n"
                                         "/m/1.eml: reason 1"));

    RunSummary many;
    many.add(copied());
    for (int n = 1; n <= 23; ++n)
        many.add(failed(n));
    const QStringList lines = many.text().split(QLatin1Char('\n'));
    ASSERT_EQ(lines.size(), 3 + 20 + 1);
    EXPECT_EQ(lines[0], QStringLiteral("Converted 1 of 24 messages."));
    EXPECT_EQ(lines[3], QStringLiteral("/m/1.eml: reason 1"));
    EXPECT_EQ(lines[22], QStringLiteral("/m/20.eml: reason 20"));
    EXPECT_EQ(lines[23], QStringLiteral("and 3 more"));

    RunSummary plan;
    plan.dryRun = true;
    MessageReport planned;
    planned.status = MessageStatus::Planned;
    plan.add(planned);
    EXPECT_EQ(plan.text(),
              QStringLiteral("Dry run: 1 of 1 message would be converted; nothing was written."));
    plan.add(failed(2));
    EXPECT_EQ(plan.text(), QStringLiteral("Dry run: 1 of 2 messages would be converted; nothing "
                                          "was written.\n\nWould not be converted:\n"
                                          "/m/2.eml: reason 2"));
}

TEST(RunSummary, CountsMessagesAlreadyThereAsConvertedAndEarlierCopiesApart)
{
    using S = MessageStatus;
    const struct
    {
        const char *name;
        bool dryRun;
        QList<MessageStatus> statuses;
        const char *headline;
        const char *text; // "" for the headline
    } cases[] = {
        {"rerun into a destination inside the sources",
         false,
         {S::Unchanged, S::Skipped, S::Copied, S::Unchanged, S::Skipped},
         "Converted 3 of 3 messages; 2 copies from an earlier run were left alone.",
         "Converted Successfully !"},
        {"nothing but an earlier copy",
         false,
         {S::Skipped},
         "No messages to convert; 1 copy from an earlier run was left alone.",
         ""},
        {"dry run",
         true,
         {S::Planned, S::Unchanged, S::Skipped},
         "Dry run: 2 of 2 messages would be converted; 1 copy from an earlier run was left "
         "alone; nothing was written.",
         ""},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        RunSummary summary;
        summary.dryRun = c.dryRun;
        for (const MessageStatus status : c.statuses) {
            MessageReport report;
            report.status = status;
            summary.add(report);
        }
        EXPECT_TRUE(summary.allConverted());
        EXPECT_EQ(summary.headline(), QString::fromUtf8(c.headline));
        EXPECT_EQ(summary.text(), QString::fromUtf8(*c.text ? c.text : c.headline));
    }
}

TEST(RunSummary, CountsTheMessagesOfMailboxesAndNamesEachByItsNumber)
{
    const struct
    {
        int mailboxes;
        int mailboxMessages; // the last of them failed
        int files;
        const char *headline;
    } cases[] = {
        {3, 1210, 0, "Converted 1,209 of 1,210 messages from 3 mailboxes."},
        {1, 2, 1, "Converted 2 of 3 messages from 1 mailbox and 1 file."},
        {0, 0, 1500, "Converted 1,500 of 1,500 messages."},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.headline);
        RunSummary summary;
        summary.mailboxes = c.mailboxes;
        for (int n = 1; n <= c.mailboxMessages + c.files; ++n) {
            MessageReport report;
            report.source = QStringLiteral("/m/In#box");
            report.message = n <= c.mailboxMessages ? n : 0;
            report.status = n == c.mailboxMessages ? MessageStatus::Failed : MessageStatus::Copied;
            report.reason = report.converted() ? QString() : QStringLiteral("why");
            summary.add(report);
        }
        EXPECT_EQ(summary.headline(), QString::fromUtf8(c.headline));
        if (c.mailboxMessages > 0) {
            EXPECT_EQ(
                summary.notConvertedLines(),
                QStringList{QStringLiteral("/m/In#box, message %1: why").arg(c.mailboxMessages)});
        }
    }
}

TEST_F(ConversionRunTest, CancellingTheDestinationQuestionChangesNothing)
{
    m_host.rows = {source(QStringLiteral("a.eml"), message(QStringLiteral("A")))};
    m_host.destination.clear();
    EXPECT_EQ(run(), ConversionRun::End::Cancelled);
    EXPECT_EQ(m_host.destinationQuestions, 1);
    EXPECT_EQ(m_host.yields, 0);
    EXPECT_TRUE(m_host.startedRows.isEmpty());
    EXPECT_TRUE(m_host.fractions.isEmpty());
    EXPECT_TRUE(m_host.reports.isEmpty());
    EXPECT_TRUE(m_host.summaries.isEmpty());
    EXPECT_TRUE(allEntries(m_destination).isEmpty());
}

TEST_F(ConversionRunTest, CopiesIntoTheRecreatedFolderTreeByteForByte)
{
    const QByteArray bytes = message(QStringLiteral("Hello"));
    const QString path = source(QStringLiteral("home/ann/Mail/Inbox/a.eml"), bytes);
    const QDateTime modified = QFileInfo(path).lastModified();
    m_host.rows = {path};

    EXPECT_EQ(run(), ConversionRun::End::Finished);

    const QString target = expectedTarget(path, QStringLiteral("Hello.eml"));
    ASSERT_EQ(m_host.reports.size(), 1);
    EXPECT_EQ(m_host.reports[0].source, path);
    EXPECT_EQ(m_host.reports[0].target, target);
    EXPECT_EQ(m_host.reports[0].status, MessageStatus::Copied);
    EXPECT_EQ(m_host.reports[0].reason, QString());
    EXPECT_EQ(readAll(target), bytes);
    EXPECT_EQ(readAll(path), bytes);
    EXPECT_EQ(QFileInfo(path).lastModified(), modified);
    // Nothing but the copy, not even a temporary file, is left in the destination.
    EXPECT_EQ(snapshot(m_destination).keys(),
              QStringList{QDir(m_destination).relativeFilePath(target)});
    EXPECT_EQ(m_host.startedRows, QList<int>{0});
    EXPECT_EQ(m_host.fractions, QList<double>{1.0});
    ASSERT_EQ(m_host.summaries.size(), 1);
    EXPECT_TRUE(m_host.summaries[0].allConverted());
    EXPECT_EQ(m_host.summaryTexts[0], QStringLiteral("Converted Successfully !"));
}

TEST_F(ConversionRunTest, AcceptsTheDestinationWithOrWithoutTrailingSlash)
{
    const QString path = source(QStringLiteral("x/a.eml"), message(QStringLiteral("A")));
    m_host.rows = {path};
    for (const QString &destination : {m_destination, m_destination + QLatin1Char('/')}) {
        m_host.destination = destination;
        m_host.reports.clear();
        run();
        ASSERT_EQ(m_host.reports.size(), 1);
        EXPECT_EQ(m_host.reports[0].target, expectedTarget(path, QStringLiteral("A.eml")));
    }
}

// Regression guard: an .emlx file was copied whole, count line and property
// list included, so its .eml copy was no message; and a copy that is not the
// file's bytes must still be found again by the next run.
TEST_F(ConversionRunTest, CopiesTheMessageOfAnAppleMailFileAndFindsItOnTheNextRun)
{
    const QString plain =
        source(QStringLiteral("Mail/plain.emlx"),
               readAll(testsupport::dataPath(QStringLiteral("corpus/pyemlx__plaintext.emlx"))));
    QDirIterator found(testsupport::dataPath(QStringLiteral("mailstores/applemail/missing-one")),
                       {QStringLiteral("*.partial.emlx")}, QDir::Files,
                       QDirIterator::Subdirectories);
    ASSERT_TRUE(found.hasNext());
    const QString partial = found.next();
    const QString note = QStringLiteral("2 of 3 attachments restored; missing: 2.6 image001.png");
    m_host.rows = {plain, partial};

    for (const MessageStatus status : {MessageStatus::Copied, MessageStatus::Unchanged}) {
        m_host.reports.clear();
        run();
        ASSERT_EQ(m_host.reports.size(), 2);
        EXPECT_EQ(m_host.reports[0].status, status);
        EXPECT_EQ(m_host.reports[0].note, QString());
        EXPECT_EQ(readAll(m_host.reports[0].target), testsupport::messageIn(plain));
        EXPECT_EQ(m_host.reports[1].status, status);
        EXPECT_EQ(m_host.reports[1].note, note);
        ASSERT_EQ(m_host.summaries.last().withNotes.size(), 1);
        EXPECT_EQ(m_host.summaries.last().headline(),
                  QStringLiteral("Converted 2 of 2 messages; 1 with attachments missing."));
    }
}

TEST_F(ConversionRunTest, ReportsProgressYieldsAndLabelsForEveryRow)
{
    for (const char *name : {"a", "b", "c"})
        m_host.rows.append(source(QString::fromUtf8(name) + QStringLiteral(".eml"),
                                  message(QString::fromUtf8(name))));
    run();
    EXPECT_EQ(m_host.startedRows, (QList<int>{0, 1, 2}));
    // One yield once the destination is settled, four in every row.
    EXPECT_EQ(m_host.yields, 1 + 3 * 4);
    ASSERT_EQ(m_host.fractions.size(), 3);
    EXPECT_DOUBLE_EQ(m_host.fractions[0], 1.0 / 3.0);
    EXPECT_DOUBLE_EQ(m_host.fractions[1], 2.0 / 3.0);
    EXPECT_EQ(m_host.fractions[2], 1.0);
}

TEST_F(ConversionRunTest, OptionsChangedDuringAYieldNameTheMessagesNotYetNamed)
{
    for (const char *name : {"One", "Two", "Three"})
        m_host.rows.append(source(
            QString::fromUtf8(name) + QStringLiteral(".eml"),
            message(QStringLiteral("Re: ") + QString::fromUtf8(name), QStringLiteral("Bob"))));
    // Yield 1 follows the destination; yields 2-5 belong to row 0, 6-9 to row 1:
    // 6 after its cell moved, 7 after its folder, 8 after its raw name, 9 after its copy.
    m_host.onYield = [this](int number) {
        if (number == 6)
            m_host.scheme = NamingScheme::OptFS; // before row 1 is composed
        if (number == 8)
            m_host.reply = true; // after row 1 is composed, before it is cleaned
    };
    run();
    const QString folder = m_root + QStringLiteral("/src/");
    EXPECT_EQ(m_host.targets(),
              (QStringList{
                  expectedTarget(folder + QStringLiteral("One.eml"), QStringLiteral("Re One.eml")),
                  expectedTarget(folder + QStringLiteral("Two.eml"), QStringLiteral("Bob Two.eml")),
                  expectedTarget(folder + QStringLiteral("Three.eml"),
                                 QStringLiteral("Bob Three.eml"))}));
}

TEST_F(ConversionRunTest, UsesTheMessageDateInLocalTime)
{
    const ScopedTimeZone tokyo("JST-9");
    const QString path =
        source(QStringLiteral("d.eml"),
               message(QStringLiteral("Late"), QStringLiteral("Ann"),
                       QStringLiteral("Sun, 07 Mar 2010 20:00:00 +0000"))); // 8 March in Tokyo
    m_host.rows = {path};
    m_host.scheme = NamingScheme::OptDS_ymd;
    run();
    EXPECT_EQ(m_host.targets(),
              QStringList{expectedTarget(path, QStringLiteral("2010-03-08 Late.eml"))});
}

// Regression: a second run replaced whatever had a copy's name, a file of the
// user's own or the copy of another message from the first run.
TEST_F(ConversionRunTest, NeverReplacesAFileAndFindsEarlierCopiesUnderTheirNames)
{
    using S = MessageStatus;
    struct Run
    {
        QStringList rows; // of the sources below
        QStringList names;
        QList<MessageStatus> statuses;
    };
    const struct
    {
        const char *name;
        QByteArray before; // Same.eml in the destination before the first run, if not empty
        QList<Run> runs;
    } cases[] = {
        {"a file of the user's has the name",
         "mine",
         {{{"a", "b"}, {"Same (2).eml", "Same (3).eml"}, {S::Copied, S::Copied}},
          {{"a", "b"}, {"Same (2).eml", "Same (3).eml"}, {S::Unchanged, S::Unchanged}}}},
        {"the second run lists only B",
         {},
         {{{"a", "b"}, {"Same.eml", "Same (2).eml"}, {S::Copied, S::Copied}},
          {{"b"}, {"Same (2).eml"}, {S::Unchanged}}}},
        {"the second run lists them the other way round",
         {},
         {{{"a", "b"}, {"Same.eml", "Same (2).eml"}, {S::Copied, S::Copied}},
          {{"b", "a"}, {"Same (2).eml", "Same.eml"}, {S::Unchanged, S::Unchanged}}}},
        {"two files with the same bytes get a copy each",
         {},
         {{{"a", "twin"}, {"Same.eml", "Same (2).eml"}, {S::Copied, S::Copied}},
          {{"twin", "a"}, {"Same.eml", "Same (2).eml"}, {S::Unchanged, S::Unchanged}}}},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        QTemporaryDir temp;
        ASSERT_TRUE(temp.isValid());
        const QMap<QString, QByteArray> bytes = {
            {QStringLiteral("a"), message(QStringLiteral("Same"), QStringLiteral("A"))},
            {QStringLiteral("b"), message(QStringLiteral("Same"), QStringLiteral("B"))},
            {QStringLiteral("twin"), message(QStringLiteral("Same"), QStringLiteral("A"))}};
        for (auto it = bytes.cbegin(); it != bytes.cend(); ++it)
            writeFile(temp.filePath(QStringLiteral("src/") + it.key() + QStringLiteral(".eml")),
                      it.value());
        FakeHost host;
        host.destination = temp.filePath(QStringLiteral("out"));
        const QString folder = host.destination + temp.path() + QStringLiteral("/src/");
        if (!c.before.isEmpty())
            writeFile(folder + QStringLiteral("Same.eml"), c.before);
        for (const Run &run : c.runs) {
            host.rows.clear();
            for (const QString &row : run.rows)
                host.rows.append(
                    temp.filePath(QStringLiteral("src/") + row + QStringLiteral(".eml")));
            host.reports.clear();
            ConversionRun conversion(host);
            conversion.run();
            ASSERT_EQ(host.reports.size(), run.rows.size());
            for (qsizetype i = 0; i < run.rows.size(); ++i) {
                EXPECT_EQ(host.reports[i].target, folder + run.names[i]) << i;
                EXPECT_EQ(host.reports[i].status, run.statuses[i]) << i;
                EXPECT_EQ(readAll(host.reports[i].target), bytes[run.rows[i]]) << i;
            }
            EXPECT_EQ(host.summaryTexts.last(), QStringLiteral("Converted Successfully !"));
        }
        if (!c.before.isEmpty()) {
            EXPECT_EQ(readAll(folder + QStringLiteral("Same.eml")), c.before);
        }
        // Each source's copy of the first run is still there: nothing was lost.
        EXPECT_EQ(snapshot(host.destination).size(),
                  c.runs[0].rows.size() + (c.before.isEmpty() ? 0 : 1));
    }
}

TEST_F(ConversionRunTest, CopiesTheSameFileListedTwiceUnderOneName)
{
    const QString a = source(QStringLiteral("m/a.eml"), message(QStringLiteral("Same")));
    const QString link = m_root + QStringLiteral("/src/m/hard.eml");
    ASSERT_EQ(::link(QFile::encodeName(a).constData(), QFile::encodeName(link).constData()), 0);
    const QString other =
        source(QStringLiteral("m/other.eml"), message(QStringLiteral("Same"), QStringLiteral("O")));
    m_host.rows = {a, link, other, a};
    run();
    const QString plain = expectedTarget(a, QStringLiteral("Same.eml"));
    const QString second = expectedTarget(a, QStringLiteral("Same (2).eml"));
    EXPECT_EQ(m_host.targets(), (QStringList{plain, plain, second, plain}));
    const QList<MessageStatus> statuses = {MessageStatus::Copied, MessageStatus::Unchanged,
                                           MessageStatus::Copied, MessageStatus::Unchanged};
    for (int i = 0; i < statuses.size(); ++i)
        EXPECT_EQ(m_host.reports[i].status, statuses[i]) << m_host.reports[i].reason.toStdString();
    EXPECT_EQ(snapshot(m_destination).size(), 2);
    EXPECT_EQ(m_host.summaryTexts, QStringList{QStringLiteral("Converted Successfully !")});
}

TEST_F(ConversionRunTest, ASecondRunIntoTheSameDestinationGivesExactlyTheSameFiles)
{
    m_host.rows = {
        source(QStringLiteral("p/a.eml"), message(QStringLiteral("Same"), QStringLiteral("A"))),
        source(QStringLiteral("p/b.eml"), message(QStringLiteral("Same"), QStringLiteral("B"))),
        source(QStringLiteral("q/c.eml"), message(QStringLiteral("Other")))};
    run();
    const auto first = snapshot(m_destination);
    const QStringList firstTargets = m_host.targets();
    m_host.reports.clear();
    run();
    EXPECT_EQ(m_host.targets(), firstTargets);
    for (const MessageReport &report : m_host.reports) {
        EXPECT_EQ(report.status, MessageStatus::Unchanged);
        EXPECT_EQ(report.reason, QStringLiteral("already in the destination"));
    }
    EXPECT_EQ(snapshot(m_destination), first);
    EXPECT_EQ(first.size(), 3);
    EXPECT_EQ(m_host.summaryTexts, (QStringList(2, QStringLiteral("Converted Successfully !"))));
}

TEST_F(ConversionRunTest, SkipsRowsThatCannotBeConvertedAndGoesOn)
{
    const QString good1 = source(QStringLiteral("ok/1.eml"), message(QStringLiteral("First")));
    const QString missing = m_root + QStringLiteral("/src/gone/missing.eml");
    const QString folder = m_root + QStringLiteral("/src/ok");
    const QString good2 = source(QStringLiteral("ok/2.eml"), message(QStringLiteral("Second")));
    m_host.rows = {good1, missing, QStringLiteral("relative/a.eml"), folder, good2};

    run();

    ASSERT_EQ(m_host.reports.size(), 5);
    const struct
    {
        MessageStatus status;
        const char *reasonPart;
    } expected[] = {
        {MessageStatus::Copied, ""},
        {MessageStatus::Failed, "No such file or directory"},
        {MessageStatus::Failed, "not an absolute path"},
        {MessageStatus::Failed, "is a folder"},
        {MessageStatus::Copied, ""},
    };
    for (int i = 0; i < 5; ++i) {
        EXPECT_EQ(m_host.reports[i].status, expected[i].status) << i;
        EXPECT_TRUE(m_host.reports[i].reason.contains(QString::fromUtf8(expected[i].reasonPart)))
            << i << ": " << m_host.reports[i].reason.toStdString();
    }
    EXPECT_TRUE(QFile::exists(expectedTarget(good2, QStringLiteral("Second.eml"))));
    // The missing file's folder was never made below the destination.
    EXPECT_FALSE(QFileInfo::exists(m_destination + m_root + QStringLiteral("/src/gone")));
    ASSERT_EQ(m_host.summaries.size(), 1);
    EXPECT_FALSE(m_host.summaries[0].allConverted());
    EXPECT_EQ(m_host.summaries[0].messages, 5);
    EXPECT_EQ(m_host.summaries[0].converted, 2);
    const QStringList lines = m_host.summaryTexts[0].split(QLatin1Char('\n'));
    ASSERT_EQ(lines.size(), 6);
    EXPECT_EQ(lines[0], QStringLiteral("Converted 2 of 5 messages."));
    EXPECT_EQ(lines[2], QStringLiteral("Not converted:"));
    EXPECT_TRUE(lines[3].startsWith(missing + QStringLiteral(": ")));
    EXPECT_EQ(lines[4], QStringLiteral("relative/a.eml: not an absolute path"));
}

TEST_F(ConversionRunTest, SkipsAMessageThatCannotBeRead)
{
    const QString locked =
        source(QStringLiteral("l/locked.eml"), message(QStringLiteral("Locked")));
    const QString good = source(QStringLiteral("l/good.eml"), message(QStringLiteral("Good")));
    ASSERT_TRUE(QFile::setPermissions(locked, QFileDevice::Permissions()));
    openToNobody(expectedTarget(good, QString()));
    m_host.rows = {locked, good};
    {
        const AsNobody nobody;
        if (!nobody.failure().isEmpty())
            GTEST_SKIP() << nobody.failure().toStdString();
        run();
    }
    QFile::setPermissions(locked, QFileDevice::ReadOwner | QFileDevice::WriteOwner);
    ASSERT_EQ(m_host.reports.size(), 2);
    EXPECT_EQ(m_host.reports[0].status, MessageStatus::Failed);
    EXPECT_FALSE(m_host.reports[0].reason.isEmpty());
    EXPECT_EQ(m_host.reports[1].status, MessageStatus::Copied);
}

TEST_F(ConversionRunTest, ReportsAFolderThatCannotBeCreatedAndGoesOn)
{
    const QString blocked1 = source(QStringLiteral("blocked/a.eml"), message(QStringLiteral("A")));
    const QString blocked2 = source(QStringLiteral("blocked/b.eml"), message(QStringLiteral("B")));
    const QString free = source(QStringLiteral("free/c.eml"), message(QStringLiteral("C")));
    // A file where the run needs a folder: no permission bit, so root cannot get past it.
    writeFile(m_destination + m_root + QStringLiteral("/src/blocked"), "a file");
    m_host.rows = {blocked1, blocked2, free};
    run();
    ASSERT_EQ(m_host.reports.size(), 3);
    for (int i : {0, 1}) {
        EXPECT_EQ(m_host.reports[i].status, MessageStatus::Failed);
        EXPECT_TRUE(m_host.reports[i].reason.contains(QStringLiteral("create the folder ")))
            << m_host.reports[i].reason.toStdString();
    }
    EXPECT_EQ(m_host.reports[2].status, MessageStatus::Copied);
    EXPECT_EQ(readAll(m_destination + m_root + QStringLiteral("/src/blocked")), "a file");
}

TEST_F(ConversionRunTest, PassesOverAFolderThatHasTheTargetName)
{
    const QString a = source(QStringLiteral("c/a.eml"), message(QStringLiteral("Taken")));
    const QString taken = expectedTarget(a, QStringLiteral("Taken.eml"));
    ASSERT_TRUE(QDir().mkpath(taken));
    m_host.rows = {a};
    run();
    ASSERT_EQ(m_host.reports.size(), 1);
    EXPECT_EQ(m_host.reports[0].status, MessageStatus::Copied);
    EXPECT_EQ(m_host.reports[0].target, expectedTarget(a, QStringLiteral("Taken (2).eml")));
    EXPECT_TRUE(QFileInfo(taken).isDir());
    EXPECT_EQ(readAll(m_host.reports[0].target), readAll(a));
}

TEST_F(ConversionRunTest, ReportsACopyIntoAReadOnlyFolder)
{
    const QString a = source(QStringLiteral("r/a.eml"), message(QStringLiteral("A")));
    const QString folder = expectedTarget(a, QString());
    openToNobody(folder);
    ASSERT_TRUE(QFile::setPermissions(folder, QFileDevice::ReadOwner | QFileDevice::ExeOwner |
                                                  QFileDevice::ReadOther | QFileDevice::ExeOther));
    m_host.rows = {a};
    {
        const AsNobody nobody;
        if (!nobody.failure().isEmpty())
            GTEST_SKIP() << nobody.failure().toStdString();
        run();
    }
    QFile::setPermissions(folder,
                          QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    ASSERT_EQ(m_host.reports.size(), 1);
    EXPECT_EQ(m_host.reports[0].status, MessageStatus::Failed);
    EXPECT_TRUE(allEntries(folder).isEmpty());
}

TEST_F(ConversionRunTest, LeavesATargetThatIsTheSourceItselfAlone)
{
    // The destination "/" puts every copy beside its source.
    const QByteArray bytes = message(QStringLiteral("self"));
    const QString self = source(QStringLiteral("s/self.eml"), bytes);
    m_host.destination = QStringLiteral("/");
    m_host.rows = {self};
    run();
    ASSERT_EQ(m_host.reports.size(), 1);
    EXPECT_EQ(m_host.reports[0].target, self);
    EXPECT_EQ(m_host.reports[0].status, MessageStatus::Unchanged);
    EXPECT_EQ(m_host.reports[0].reason, QStringLiteral("already in the destination"));
    EXPECT_EQ(readAll(self), bytes);
    EXPECT_EQ(allEntries(m_root + QStringLiteral("/src/s")),
              QStringList{QStringLiteral("self.eml")});
    EXPECT_TRUE(m_host.summaries[0].allConverted());
}

TEST_F(ConversionRunTest, NeverOverwritesAListedMessageEarlierOrLaterInTheList)
{
    // Regression guard: where the destination tree overlaps the sources, a composed
    // name can be the file name of another listed message. Only the messages already
    // processed were protected, so a copy replaced a message listed further down.
    // Here a.eml is named "b", which is where the listed message b sits; b is named "c".
    // Inside the destination, b sits where a's copy goes: it counts as a copy
    // from an earlier run.
    const struct
    {
        const char *name;
        bool destinationIsRoot; // else b lives in the destination's mirror of a's folder
        bool bListedFirst;
        ConversionRun::Mode mode;
    } cases[] = {
        {"root, b later", true, false, ConversionRun::Mode::Copy},
        {"root, b earlier", true, true, ConversionRun::Mode::Copy},
        {"inside the destination, b later", false, false, ConversionRun::Mode::Copy},
        {"inside the destination, b earlier", false, true, ConversionRun::Mode::Copy},
        {"root, b later, dry run", true, false, ConversionRun::Mode::Plan},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        QTemporaryDir temp;
        ASSERT_TRUE(temp.isValid());
        const QString folder = temp.path() + QStringLiteral("/src/t/");
        const QString destination =
            c.destinationIsRoot ? QStringLiteral("/") : temp.path() + QStringLiteral("/out");
        const QString a = folder + QStringLiteral("a.eml");
        const QString b =
            conversion::targetFolder(registry::withTrailingSlash(destination), folder).value() +
            QStringLiteral("b.eml");
        const QByteArray aBytes = message(QStringLiteral("b"), QStringLiteral("A"));
        const QByteArray bBytes = message(QStringLiteral("c"), QStringLiteral("B"));
        writeFile(a, aBytes);
        writeFile(b, bBytes);

        FakeHost host;
        host.destination = destination;
        host.rows = c.bListedFirst ? QStringList{b, a} : QStringList{a, b};
        ConversionRun conversion(host);
        EXPECT_EQ(conversion.run(c.mode), ConversionRun::End::Finished);

        ASSERT_EQ(host.reports.size(), 2);
        const MessageReport &aReport = host.reports[c.bListedFirst ? 1 : 0];
        const MessageReport &bReport = host.reports[c.bListedFirst ? 0 : 1];
        const MessageStatus written =
            c.mode == ConversionRun::Mode::Copy ? MessageStatus::Copied : MessageStatus::Planned;
        EXPECT_EQ(aReport.target, registry::FolderOf(b) + QStringLiteral("b (2).eml"));
        EXPECT_EQ(aReport.status, written);
        if (c.destinationIsRoot) {
            EXPECT_EQ(bReport.status, written);
            EXPECT_EQ(QFileInfo(bReport.target).fileName(), QStringLiteral("c.eml"));
        } else {
            EXPECT_EQ(bReport.status, MessageStatus::Skipped);
            EXPECT_EQ(bReport.reason, QStringLiteral("a copy from an earlier run"));
        }
        EXPECT_EQ(readAll(a), aBytes);
        EXPECT_EQ(readAll(b), bBytes);
        if (c.mode == ConversionRun::Mode::Copy)
            EXPECT_EQ(readAll(aReport.target), aBytes);
        else
            EXPECT_FALSE(QFileInfo::exists(aReport.target));
        EXPECT_TRUE(host.summaries[0].allConverted());
        // Every row is read once to know the listed messages and once when its
        // turn comes, not once per copy.
        EXPECT_EQ(host.rowTextReads, 2 * 2);
    }
}

TEST_F(ConversionRunTest, ATemplateMakesItsFoldersAndARerunSkipsTheCopiesInThem)
{
    // Names are numbered within each folder the template makes, and a "/" in
    // a value makes none. The destination lies inside the sources, so the
    // last run lists the copies, two folders below their rows' target folder.
    const QString a = source(QStringLiteral("t/a.eml"),
                             message(QStringLiteral("Re: Plan"), QStringLiteral("Ann <a@x.org>")));
    const QString b = source(QStringLiteral("t/b.eml"),
                             message(QStringLiteral("Plan"), QStringLiteral("Ann <ann@y.org>")));
    const QString c = source(QStringLiteral("t/c.eml"),
                             message(QStringLiteral("a/../../x"), QStringLiteral("Ann <a@x.org>"),
                                     QStringLiteral("Wed, 30 Jun 2010 12:00:00 +0000")));
    m_host.destination = m_root + QStringLiteral("/src/out");
    m_host.reply = true;
    m_host.format = NameTemplate::parse(QStringLiteral("{date:%Y}/{subject}/{from.name}")).value();
    const QString folder = m_host.destination + m_root + QStringLiteral("/src/t/");
    const QStringList expected = {folder + QStringLiteral("2010/Plan/Ann.eml"),
                                  folder + QStringLiteral("2010/Plan/Ann (2).eml"),
                                  folder + QStringLiteral("2010/a....x/Ann.eml")};

    for (const ConversionRun::Mode mode : {ConversionRun::Mode::Plan, ConversionRun::Mode::Copy}) {
        m_host.rows = {a, b, c};
        m_host.reports.clear();
        EXPECT_EQ(run(mode), ConversionRun::End::Finished);
        EXPECT_EQ(m_host.targets(), expected);
        // The dry run made no folder.
        EXPECT_EQ(QFileInfo::exists(folder), mode == ConversionRun::Mode::Copy);
    }
    EXPECT_EQ(readAll(expected[0]), readAll(a));
    EXPECT_EQ(readAll(expected[2]), readAll(c));

    // Listed again with the copies among them: the copies are skipped, and
    // nothing new is written.
    const QMap<QString, QByteArray> before = snapshot(m_root);
    m_host.rows = QStringList{a, b, c} + expected;
    m_host.reports.clear();
    EXPECT_EQ(run(), ConversionRun::End::Finished);
    ASSERT_EQ(m_host.reports.size(), 6);
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(m_host.reports[i].status, MessageStatus::Unchanged);
        EXPECT_EQ(m_host.reports[3 + i].status, MessageStatus::Skipped);
        EXPECT_EQ(m_host.reports[3 + i].reason, QStringLiteral("a copy from an earlier run"));
    }
    EXPECT_EQ(snapshot(m_root), before);
}

TEST_F(ConversionRunTest, PassesOverEmptyRowsSilently)
{
    const QString a = source(QStringLiteral("e/a.eml"), message(QStringLiteral("A")));
    m_host.rows = {QString(), QStringLiteral("   "), a, QStringLiteral("\t")};
    run();
    ASSERT_EQ(m_host.reports.size(), 1);
    EXPECT_EQ(m_host.reports[0].row, 2);
    EXPECT_EQ(m_host.summaries[0].messages, 1);
    EXPECT_EQ(m_host.summaryTexts[0], QStringLiteral("Converted Successfully !"));
    EXPECT_EQ(m_host.startedRows, (QList<int>{0, 1, 2, 3}));
    EXPECT_EQ(m_host.fractions.last(), 1.0);
}

TEST_F(ConversionRunTest, RunOverTheEmptyListSaysThereWasNothingToConvert)
{
    m_host.rows = {QString()};
    run();
    EXPECT_TRUE(m_host.reports.isEmpty());
    EXPECT_EQ(m_host.summaryTexts, QStringList{QStringLiteral("No messages to convert.")});
    EXPECT_TRUE(allEntries(m_destination).isEmpty());
}

TEST_F(ConversionRunTest, PassesOverRowsRemovedWhileItYielded)
{
    for (const char *name : {"a", "b", "c", "d"})
        m_host.rows.append(source(QString::fromUtf8(name) + QStringLiteral(".eml"),
                                  message(QString::fromUtf8(name))));
    // Yield 6 follows the move to row 1: the list is cut to one row under the run's feet.
    m_host.onYield = [this](int number) {
        if (number == 6)
            m_host.rows = m_host.rows.mid(0, 1);
    };
    run();
    EXPECT_EQ(m_host.startedRows, (QList<int>{0, 1}));
    ASSERT_EQ(m_host.reports.size(), 1);
    EXPECT_EQ(m_host.summaries[0].messages, 1);
    EXPECT_TRUE(m_host.summaries[0].allConverted());
    EXPECT_EQ(m_host.fractions.size(), 1);
}

TEST_F(ConversionRunTest, PressingProcessDuringAYieldStartsNoSecondRun)
{
    m_host.rows = {source(QStringLiteral("n/a.eml"), message(QStringLiteral("A")))};
    ConversionRun conversion(m_host);
    QList<ConversionRun::End> nested;
    m_host.onYield = [&](int) {
        EXPECT_TRUE(conversion.isRunning());
        nested.append(conversion.run());
    };
    EXPECT_EQ(conversion.run(), ConversionRun::End::Finished);
    EXPECT_FALSE(conversion.isRunning());
    EXPECT_EQ(nested, QList<ConversionRun::End>(5, ConversionRun::End::Busy));
    EXPECT_EQ(m_host.destinationQuestions, 1);
    EXPECT_EQ(m_host.summaries.size(), 1);
    // Once finished, the same object runs again.
    m_host.onYield = nullptr;
    EXPECT_EQ(conversion.run(), ConversionRun::End::Finished);
}

TEST_F(ConversionRunTest, DryRunWritesNothingAndPlansExactlyWhatTheRealRunWrites)
{
    const QString a =
        source(QStringLiteral("p/a.eml"), message(QStringLiteral("Same"), QStringLiteral("A")));
    const QString c = source(QStringLiteral("q/deep/c.eml"), message(QStringLiteral("Other")));
    m_host.rows = {
        a, source(QStringLiteral("p/b.eml"), message(QStringLiteral("Same"), QStringLiteral("B"))),
        m_root + QStringLiteral("/src/p/missing.eml"), c};
    // A file of the user's has the first name, and c's copy is there from before.
    writeFile(expectedTarget(a, QStringLiteral("Same.eml")), "mine");
    writeFile(expectedTarget(c, QStringLiteral("Other.eml")), readAll(c));
    const auto sources = snapshot(m_root + QStringLiteral("/src"));
    const auto before = snapshot(m_destination);

    EXPECT_EQ(run(ConversionRun::Mode::Plan), ConversionRun::End::Finished);
    const QList<MessageReport> plan = m_host.reports;
    EXPECT_EQ(snapshot(m_destination), before);
    EXPECT_EQ(m_host.yields, 1 + 4 * 3 + 1); // the missing file stops after its cell's yield
    EXPECT_TRUE(m_host.summaryTexts[0].startsWith(
        QStringLiteral("Dry run: 3 of 4 messages would be converted; nothing was written.")));
    const QList<QPair<MessageStatus, QString>> expected = {
        {MessageStatus::Planned, expectedTarget(a, QStringLiteral("Same (2).eml"))},
        {MessageStatus::Planned, expectedTarget(a, QStringLiteral("Same (3).eml"))},
        {MessageStatus::Failed, QString()},
        {MessageStatus::Unchanged, expectedTarget(c, QStringLiteral("Other.eml"))}};
    ASSERT_EQ(plan.size(), expected.size());
    for (int i = 0; i < plan.size(); ++i) {
        EXPECT_EQ(plan[i].status, expected[i].first) << i;
        EXPECT_EQ(plan[i].target, expected[i].second) << i;
    }

    m_host.reports.clear();
    run();
    ASSERT_EQ(m_host.reports.size(), plan.size());
    QStringList written = before.keys();
    for (int i = 0; i < plan.size(); ++i) {
        EXPECT_EQ(m_host.reports[i].target, plan[i].target) << i;
        EXPECT_EQ(m_host.reports[i].status,
                  plan[i].status == MessageStatus::Planned ? MessageStatus::Copied : plan[i].status)
            << i;
        if (m_host.reports[i].status == MessageStatus::Copied)
            written.append(QDir(m_destination).relativeFilePath(m_host.reports[i].target));
    }
    written.sort();
    EXPECT_EQ(snapshot(m_destination).keys(), written);
    EXPECT_EQ(readAll(expectedTarget(a, QStringLiteral("Same.eml"))), "mine");
    EXPECT_EQ(snapshot(m_root + QStringLiteral("/src")), sources);
}

// Regression: the run trimmed the row "x.eml " and copied x.eml instead, or
// failed with "No such file or directory" where there was no x.eml.
TEST_F(ConversionRunTest, UsesEveryListedPathExactlyAsItStands)
{
    for (const bool plainBeside : {false, true}) {
        SCOPED_TRACE(plainBeside ? "beside an x.eml with other bytes" : "alone");
        QTemporaryDir temp;
        ASSERT_TRUE(temp.isValid());
        FakeHost host;
        host.destination = temp.filePath(QStringLiteral("out"));
        host.rows = {temp.filePath(QStringLiteral("x.eml "))};
        writeFile(host.rows[0], message(QStringLiteral("Same"), QStringLiteral("Spaced")));
        if (plainBeside) {
            host.rows.append(temp.filePath(QStringLiteral("x.eml")));
            writeFile(host.rows[1], message(QStringLiteral("Same"), QStringLiteral("Plain")));
        }
        ConversionRun(host).run();
        ASSERT_EQ(host.reports.size(), host.rows.size());
        for (const MessageReport &report : host.reports) {
            EXPECT_EQ(report.status, MessageStatus::Copied) << report.reason.toStdString();
            EXPECT_EQ(readAll(report.target), readAll(report.source))
                << report.source.toStdString();
        }
        EXPECT_EQ(host.reports[0].source, host.rows[0]);
        EXPECT_EQ(snapshot(host.destination).size(), host.rows.size());
    }
}

// Regression: ".." after a link was resolved as text, so "lnk/../m.eml" was
// taken for src/m.eml, not for the file the kernel finds there.
TEST_F(ConversionRunTest, ResolvesDotStepsInAListedPathAsTheKernelDoes)
{
    const QString kernels = m_root + QStringLiteral("/elsewhere/m.eml");
    writeFile(kernels, message(QStringLiteral("Kernel")));
    ASSERT_TRUE(QDir().mkpath(m_root + QStringLiteral("/elsewhere/deep")));
    source(QStringLiteral("m.eml"), message(QStringLiteral("Text")));
    ASSERT_EQ(::symlink(QFile::encodeName(m_root + QStringLiteral("/elsewhere/deep")).constData(),
                        QFile::encodeName(m_root + QStringLiteral("/src/lnk")).constData()),
              0);
    m_host.rows = {m_root + QStringLiteral("/src/lnk/../m.eml")};
    run();
    ASSERT_EQ(m_host.reports.size(), 1);
    EXPECT_EQ(m_host.reports[0].status, MessageStatus::Copied)
        << m_host.reports[0].reason.toStdString();
    EXPECT_EQ(m_host.reports[0].target, expectedTarget(kernels, QStringLiteral("Kernel.eml")));
    EXPECT_EQ(readAll(m_host.reports[0].target), readAll(kernels));
}

// Regression: an empty subject gave the hidden copy ".eml", and a subject
// starting with a dot a hidden copy too.
TEST_F(ConversionRunTest, GivesNoCopyANameThatHidesIt)
{
    const struct
    {
        const char *subject;
        const char *name;
    } cases[] = {
        {"", "(no subject).eml"},
        {"", "(no subject) (2).eml"},
        {".NET 8 released", "_.NET 8 released.eml"},
    };
    for (const auto &c : cases)
        m_host.rows.append(
            source(QString::number(m_host.rows.size()) + QStringLiteral(".eml"),
                   message(QString::fromUtf8(c.subject), QString::number(m_host.rows.size()))));
    run();
    ASSERT_EQ(m_host.reports.size(), std::size(cases));
    for (int i = 0; i < m_host.reports.size(); ++i)
        EXPECT_EQ(m_host.reports[i].target,
                  expectedTarget(m_host.rows[i], QString::fromUtf8(cases[i].name)));
}

// A file system that folds case, as FAT and exFAT do, and that may lack what
// they lack: unnamed files, renaming without replacing, hard links. None can
// be mounted on a build machine.
class FoldingFileSystem : public FileSystemCalls
{
public:
    bool foldOnLook = true; // else only publishing finds the folded name, as in a race
    bool unnamedFiles = true;
    bool renameWithoutReplacing = true;
    bool links = true;

    int open(const char *path, int flags, mode_t mode) override
    {
        if ((flags & O_TMPFILE) == O_TMPFILE) {
            if (unnamedFiles)
                return FileSystemCalls::open(path, flags, mode);
            errno = EOPNOTSUPP;
            return -1;
        }
        const QByteArray entry = folded(path);
        if ((flags & O_CREAT) && (flags & O_EXCL) && !entry.isEmpty()) {
            errno = EEXIST;
            return -1;
        }
        return FileSystemCalls::open(foldOnLook && !entry.isEmpty() ? entry.constData() : path,
                                     flags, mode);
    }
    int lookAt(const char *path, struct stat *status) override
    {
        const QByteArray entry = foldOnLook ? folded(path) : QByteArray();
        return FileSystemCalls::lookAt(entry.isEmpty() ? path : entry.constData(), status);
    }
    int linkAt(int directory, const char *oldPath, const char *newPath, int flags) override
    {
        if (!links)
            return refuse(EPERM);
        if (!folded(newPath).isEmpty())
            return refuse(EEXIST);
        return FileSystemCalls::linkAt(directory, oldPath, newPath, flags);
    }
    int renameNoReplace(const char *oldPath, const char *newPath) override
    {
        if (!renameWithoutReplacing)
            return refuse(EINVAL);
        if (!folded(newPath).isEmpty())
            return refuse(EEXIST);
        return FileSystemCalls::renameNoReplace(oldPath, newPath);
    }

private:
    static int refuse(int error)
    {
        errno = error;
        return -1;
    }
    // The entry of path's folder whose name is path's but for case, if any.
    static QByteArray folded(const char *path)
    {
        const QFileInfo info(QFile::decodeName(path));
        const QDir folder = info.dir();
        for (const QString &entry : folder.entryList(QDir::AllEntries | QDir::Hidden |
                                                     QDir::System | QDir::NoDotAndDotDot)) {
            if (entry.compare(info.fileName(), Qt::CaseInsensitive) == 0)
                return QFile::encodeName(folder.filePath(entry));
        }
        return {};
    }
};

// Regression: on a FAT stick the copy of "INVOICE" replaced that of "Invoice".
TEST_F(ConversionRunTest, KeepsNamesThatACaseFoldingFileSystemTakesForOne)
{
    const struct
    {
        const char *name;
        bool foldOnLook;
        bool unnamedFiles;
        bool renameWithoutReplacing;
        bool links;
    } cases[] = {
        {"found by looking", true, true, true, true},
        {"found only when linking", false, true, true, true},
        {"hidden file renamed without replacing", false, false, true, true},
        {"hidden file linked", false, false, false, true},
        {"written in place", false, false, false, false},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        QTemporaryDir temp;
        ASSERT_TRUE(temp.isValid());
        FoldingFileSystem folding;
        folding.foldOnLook = c.foldOnLook;
        folding.unnamedFiles = c.unnamedFiles;
        folding.renameWithoutReplacing = c.renameWithoutReplacing;
        folding.links = c.links;
        FakeHost host;
        host.destination = temp.filePath(QStringLiteral("out"));
        for (const char *subject : {"Invoice", "INVOICE"}) {
            host.rows.append(temp.filePath(QStringLiteral("src/%1.eml").arg(host.rows.size())));
            writeFile(host.rows.last(), message(QString::fromUtf8(subject)));
        }
        const QString folder = host.destination + temp.path() + QStringLiteral("/src/");
        for (const MessageStatus status : {MessageStatus::Copied, MessageStatus::Unchanged}) {
            host.reports.clear();
            ConversionRun(host, folding).run();
            ASSERT_EQ(host.reports.size(), 2);
            EXPECT_EQ(host.reports[0].target, folder + QStringLiteral("Invoice.eml"));
            EXPECT_EQ(host.reports[1].target, folder + QStringLiteral("INVOICE (2).eml"));
            for (int i = 0; i < 2; ++i) {
                EXPECT_EQ(host.reports[i].status, status) << host.reports[i].reason.toStdString();
                EXPECT_EQ(readAll(host.reports[i].target), readAll(host.rows[i]));
            }
            EXPECT_EQ(allEntries(folder), (QStringList{QStringLiteral("INVOICE (2).eml"),
                                                       QStringLiteral("Invoice.eml")}));
        }
    }
}

// Counts the calls the copies make to the file system.
class CountingFileSystem : public FileSystemCalls
{
public:
    qint64 calls = 0;

    int open(const char *path, int flags, mode_t mode) override
    {
        ++calls;
        return FileSystemCalls::open(path, flags, mode);
    }
    int lookAt(const char *path, struct stat *status) override
    {
        ++calls;
        return FileSystemCalls::lookAt(path, status);
    }
    int linkAt(int directory, const char *oldPath, const char *newPath, int flags) override
    {
        ++calls;
        return FileSystemCalls::linkAt(directory, oldPath, newPath, flags);
    }
    int renameNoReplace(const char *oldPath, const char *newPath) override
    {
        ++calls;
        return FileSystemCalls::renameNoReplace(oldPath, newPath);
    }
    int rename(const char *oldPath, const char *newPath) override
    {
        ++calls;
        return FileSystemCalls::rename(oldPath, newPath);
    }
    int unlink(const char *path) override
    {
        ++calls;
        return FileSystemCalls::unlink(path);
    }
};

// Regression guard: looking at " (2)", " (3)", ... from the start for every
// message makes thousands of messages of one subject cost millions of looks.
TEST_F(ConversionRunTest, LooksAtEachNameAboutOnceWhenThousandsOfMessagesShareASubject)
{
    constexpr int kMessages = 5000;
    for (int i = 0; i < kMessages; ++i)
        m_host.rows.append(source(QStringLiteral("many/m%1.eml").arg(i),
                                  message(QStringLiteral("Same"), QString::number(i))));
    const QStringList inOrder = m_host.rows;
    QStringList reversed(inOrder.crbegin(), inOrder.crend());
    const struct
    {
        const char *name;
        QStringList rows;
        MessageStatus status;
    } runs[] = {
        {"first run", inOrder, MessageStatus::Copied},
        {"rerun", inOrder, MessageStatus::Unchanged},
        {"rerun in the other order", reversed, MessageStatus::Unchanged},
    };
    QMap<QString, QString> targetOf;
    for (const auto &r : runs) {
        SCOPED_TRACE(r.name);
        CountingFileSystem counting;
        m_host.rows = r.rows;
        m_host.reports.clear();
        ConversionRun(m_host, counting).run();
        ASSERT_EQ(m_host.reports.size(), kMessages);
        for (const MessageReport &report : m_host.reports) {
            ASSERT_EQ(report.status, r.status) << report.source.toStdString();
            // Every message keeps the name it got in the first run.
            ASSERT_EQ(targetOf.value(report.source, report.target), report.target);
            targetOf.insert(report.source, report.target);
        }
        // 3 calls a message when copying, 2 when comparing, about 5 in a
        // reversed list, whose first row looks at every name; a search from the
        // start makes millions.
        EXPECT_LE(counting.calls, 6 * kMessages);
    }
}

// What a run told its host and left in its destination, with the destination's
// path taken out, so that runs into two destinations can be compared.
QStringList transcript(const FakeHost &host, const QString &destination)
{
    const auto local = [&destination](QString text) {
        return text.replace(destination, QStringLiteral("<out>"));
    };
    QStringList lines;
    for (const int row : host.startedRows)
        lines.append(QStringLiteral("started %1").arg(row));
    for (const double fraction : host.fractions)
        lines.append(QStringLiteral("progress %1").arg(fraction));
    for (const MessageReport &r : host.reports)
        lines.append(local(
            QStringLiteral("report %1 | %2 | %3 | %4 | %5 | %6")
                .arg(r.row)
                .arg(r.source, r.target, conversion::statusName(r.status), r.reason, r.note)));
    for (const QString &summary : host.summaryTexts)
        lines.append(local(summary));
    lines.append(QStringLiteral("yields %1").arg(host.yields));
    const QMap<QString, QByteArray> copies = snapshot(destination);
    for (auto copy = copies.cbegin(); copy != copies.cend(); ++copy)
        lines.append(QStringLiteral("file %1 %2").arg(copy.key(), QString::number(qHash(*copy))));
    return lines;
}

// The corpus twice over in one folder (every subject collides with itself,
// every message's bytes twice), part of it in a second folder, and rows that
// fail in every way a file can: missing, a folder, a fifo, unreadable, not a
// message, relative, listed twice, empty.
QStringList pipelineRows(const QString &root)
{
    QStringList rows;
    const QDir corpus(testsupport::dataPath(QStringLiteral("corpus")));
    const QStringList names = corpus.entryList({QStringLiteral("*.eml"), QStringLiteral("*.emlx")},
                                               QDir::Files, QDir::Name);
    for (qsizetype i = 0; i < names.size(); ++i) {
        const QByteArray bytes = readAll(corpus.filePath(names[i]));
        for (const QString &copy :
             {QStringLiteral("one/") + names[i], QStringLiteral("one/again-") + names[i]}) {
            writeFile(root + QLatin1Char('/') + copy, bytes);
            rows.append(root + QLatin1Char('/') + copy);
        }
        if (i % 5 == 0) {
            writeFile(root + QStringLiteral("/two/") + names[i], bytes);
            rows.append(root + QStringLiteral("/two/") + names[i]);
        }
    }
    const QString fifo = root + QStringLiteral("/two/fifo.eml");
    const QString locked = root + QStringLiteral("/two/locked.eml");
    const QString junk = root + QStringLiteral("/two/junk.eml");
    EXPECT_EQ(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    writeFile(locked, message(QStringLiteral("Locked")));
    EXPECT_TRUE(QFile::setPermissions(locked, {}));
    writeFile(junk, QByteArray(300, '\0'));
    const QStringList odd = {root + QStringLiteral("/two/missing.eml"),
                             root + QStringLiteral("/one"),
                             fifo,
                             locked,
                             junk,
                             QStringLiteral("relative.eml"),
                             rows[3],
                             QString()};
    for (qsizetype i = 0; i < odd.size(); ++i)
        rows.insert(7 + 23 * i, odd[i]);
    return rows;
}

// The pipelined run against the run that does one row after another: the same
// reports in the same order, the same yields and progress, the same copies.
TEST(RowPipeline, GivesExactlyTheResultsOfARowByRowRun)
{
    const struct
    {
        const char *name;
        ConversionRun::Mode mode;
        bool earlierCopies;  // the destination holds a first run's copies, some changed
        int removingAtYield; // this yield removes rows before and after the current one
    } cases[] = {
        {"copy", ConversionRun::Mode::Copy, false, 0},
        {"copy, rows removed while yielding", ConversionRun::Mode::Copy, false, 90},
        {"rerun", ConversionRun::Mode::Copy, true, 0},
        {"rerun, rows removed while yielding", ConversionRun::Mode::Copy, true, 150},
        {"dry run", ConversionRun::Mode::Plan, false, 90},
        {"dry rerun", ConversionRun::Mode::Plan, true, 0},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        QTemporaryDir temp;
        ASSERT_TRUE(temp.isValid());
        const QStringList rows = pipelineRows(temp.filePath(QStringLiteral("src")));
        QList<QStringList> transcripts;
        for (const int workers : {1, 3}) {
            const QString destination = temp.filePath(QStringLiteral("out%1").arg(workers));
            ASSERT_TRUE(QDir().mkpath(destination));
            if (c.earlierCopies) {
                FakeHost first;
                first.rows = rows;
                first.destination = destination;
                ConversionRun(first).run();
                // One copy gone, one holding other bytes, one folder of copies gone.
                ASSERT_TRUE(QFile::remove(first.reports[4].target));
                writeFile(first.reports[9].target, "other bytes");
                ASSERT_TRUE(QDir(destination + temp.filePath(QStringLiteral("src/two")))
                                .removeRecursively());
            }
            FakeHost host;
            host.rows = rows;
            host.destination = destination;
            host.onYield = [&host, &c](int yield) {
                if (yield == c.removingAtYield) {
                    host.rows.remove(40, 5);
                    host.rows.remove(2, 3);
                }
            };
            ConversionRun conversion(host);
            conversion.setWorkers(workers);
            ASSERT_EQ(conversion.run(c.mode), ConversionRun::End::Finished);
            transcripts.append(transcript(host, destination));
        }
        EXPECT_EQ(transcripts[1], transcripts[0]);
        EXPECT_GT(transcripts[0].size(), 2 * rows.size());
    }
}

} // namespace
