// SPDX-License-Identifier: MIT
// Hostile source trees, scanned with pathLogger as Add folder does and then
// converted: folders that cannot be listed, link loops, a link to "/", fifos,
// names no one would type, and destinations that lie inside the sources or are
// "/" itself. The scan and the run run in a child with a time limit, so a walk
// that loops or a read that waits on a fifo fails the test instead of hanging it.
#include "conversionrun.h"
#include "faultchecks.h"
#include "isolation.h"
#include "naming.h"
#include "registry.h"
#include "testsupport.h"
#include "treesnapshot.h"
#include "workspace.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <QDir>
#include <QFile>
#include <sys/stat.h>
#include <unistd.h>

namespace {

using faultchecks::countWithStatus;

QByteArray raw(const QString &path)
{
    return QFile::encodeName(path);
}

void expectSameFiles(QStringList actual, QStringList expected)
{
    actual.sort();
    expected.sort();
    EXPECT_EQ(actual, expected);
}

// Regression: an unreadable folder ended the scan, so its siblings and the
// folders below other branches were never converted.
TEST(HostileTree, AnUnlistableFolderIsSkippedAndReportedAndTheRestOfTheTreeIsConverted)
{
    Workspace space;
    ASSERT_TRUE(space.isValid());
    const QStringList reachable = {space.source(QStringLiteral("top.eml")),
                                   space.source(QStringLiteral("A-open/a.eml")),
                                   space.source(QStringLiteral("C-open/c.eml")),
                                   space.source(QStringLiteral("A-open/deep/d.eml")),
                                   space.source(QStringLiteral("C-open/deep/e.eml"))};
    for (const QString &path : reachable)
        faultchecks::writeMessage(path, QFileInfo(path).baseName());
    faultchecks::writeMessage(space.source(QStringLiteral("B-locked/hidden.eml")),
                              QStringLiteral("hidden"));
    faultchecks::writeMessage(space.source(QStringLiteral("B-locked/deep/hidden.eml")),
                              QStringLiteral("hidden too"));
    ::chmod(raw(space.source(QStringLiteral("B-locked"))).constData(), 0);
    const auto before = treesnapshot::take(space.source());

    const isolation::Result result = isolation::run([&](isolation::Result &out) {
        out.skipReason = isolation::dropRoot();
        if (!out.skipReason.isEmpty())
            return;
        isolation::scan(out, space.source());
        isolation::convert(out, out.scanned, space.destination());
    });
    const auto after = treesnapshot::take(space.source());
    ::chmod(raw(space.source(QStringLiteral("B-locked"))).constData(), 0755);
    if (!result.skipReason.isEmpty())
        GTEST_SKIP() << result.skipReason.toStdString();

    ASSERT_TRUE(result.harnessFailure.isEmpty()) << result.harnessFailure.toStdString();
    EXPECT_EQ(result.skippedFolders,
              QStringList{space.source(QStringLiteral("B-locked/: Permission denied"))});
    expectSameFiles(result.scanned, reachable);
    faultchecks::expectHonestRun(result);
    EXPECT_EQ(result.converted, reachable.size());
    faultchecks::expectUnchanged(before, after);
}

TEST(HostileTree, LinkLoopsALinkToRootAndFifosNeitherHangNorMultiplyTheScan)
{
    Workspace space;
    ASSERT_TRUE(space.isValid());
    const QStringList messages = {space.source(QStringLiteral("a.eml")),
                                  space.source(QStringLiteral("Inbox/b.eml")),
                                  space.source(QStringLiteral("Inbox/Deep/c.emlx"))};
    for (const QString &path : messages)
        faultchecks::writeMessage(path, QFileInfo(path).baseName());
    const auto link = [&](const char *target, const QString &at) {
        ASSERT_EQ(::symlink(target, raw(at).constData()), 0) << at.toStdString();
    };
    link("/", space.source(QStringLiteral("root")));
    link("..", space.source(QStringLiteral("Inbox/up")));
    link(".", space.source(QStringLiteral("Inbox/Deep/here")));
    link("loop-b", space.source(QStringLiteral("loop-a")));
    link("loop-a", space.source(QStringLiteral("loop-b")));
    link("self.eml", space.source(QStringLiteral("self.eml")));
    link("gone.eml", space.source(QStringLiteral("dangling.eml")));
    // A link to a message is a message: its content is copied.
    link("../a.eml", space.source(QStringLiteral("Inbox/link-to-a.eml")));
    ASSERT_EQ(::mkfifo(raw(space.source(QStringLiteral("Inbox/pipe.eml"))).constData(), 0644), 0);
    ASSERT_EQ(::mkfifo(raw(space.source(QStringLiteral("pipe.emlx"))).constData(), 0644), 0);
    const auto before = treesnapshot::take(space.source());

    const isolation::Result result = isolation::run([&](isolation::Result &out) {
        isolation::scan(out, space.source());
        isolation::convert(out, out.scanned, space.destination());
    });

    ASSERT_TRUE(result.harnessFailure.isEmpty()) << result.harnessFailure.toStdString();
    EXPECT_TRUE(result.skippedFolders.isEmpty()) << result.skippedFolders.join(u'\n').toStdString();
    expectSameFiles(result.scanned,
                    messages + QStringList{space.source(QStringLiteral("Inbox/link-to-a.eml"))});
    faultchecks::expectHonestRun(result);
    EXPECT_EQ(result.converted, 4);
    faultchecks::expectUnchanged(before, treesnapshot::take(space.source()));
}

// ---------------------------------------------------------------------------

TEST(OddNames, NewlinesDashesLongAndInvalidNamesAreCopiedOrReportedNeverLost)
{
    Workspace space;
    ASSERT_TRUE(space.isValid());
    const QString longName = QString(251, u'n') + QStringLiteral(".eml"); // 255 bytes
    const QString longFolder = QString(255, u'f');
    const QStringList messages = {
        space.source(QStringLiteral("line\nbreak/a.eml")),
        space.source(QStringLiteral("-rf.eml")),
        space.source(QStringLiteral("--help/-x.eml")),
        space.source(QStringLiteral("\n.eml")),
        space.source(longName),
        space.source(longFolder + QLatin1Char('/') + longName),
        space.source(QStringLiteral("caf\u00e9 \u65e5\u672c/\U0001F600.eml")),
    };
    for (int i = 0; i < messages.size(); ++i)
        faultchecks::writeMessage(messages[i], QStringLiteral("Odd %1").arg(i));
    // A subject whose name would be 660 bytes: cut to fit 255 bytes with ".eml".
    const QString cjk = space.source(QStringLiteral("cjk.eml"));
    faultchecks::writeMessage(cjk, QString(220, QChar(0x65e5)));
    // Names that are not UTF-8 cannot be carried as text: the scan reports them.
    const QByteArray badFile = raw(space.source()) + "/caf\xe9.eml";
    const QByteArray badFolder = raw(space.source()) + "/\xff\xfe";
    ASSERT_TRUE(QDir().mkpath(QFile::decodeName(raw(space.source()))));
    {
        QFile file(QFile::decodeName(badFile));
        const int fd = ::open(badFile.constData(), O_WRONLY | O_CREAT | O_EXCL, 0644);
        ASSERT_GE(fd, 0);
        const QByteArray bytes = faultchecks::message(QStringLiteral("Latin-1 name"));
        ASSERT_EQ(::write(fd, bytes.constData(), size_t(bytes.size())), bytes.size());
        ::close(fd);
        ASSERT_EQ(::mkdir(badFolder.constData(), 0755), 0);
    }
    const auto before = treesnapshot::take(space.source());

    const isolation::Result result = isolation::run([&](isolation::Result &out) {
        isolation::scan(out, space.source());
        // As a row, a name that is not UTF-8 turns into another name: it must
        // fail with a reason, never be copied from somewhere else.
        isolation::convert(out, out.scanned + QStringList{QFile::decodeName(badFile)},
                           space.destination());
    });

    ASSERT_TRUE(result.harnessFailure.isEmpty()) << result.harnessFailure.toStdString();
    expectSameFiles(result.scanned, messages + QStringList{cjk});
    QByteArrayList unreadable = result.unreadableNames;
    std::sort(unreadable.begin(), unreadable.end());
    EXPECT_EQ(unreadable, (QByteArrayList{badFile, badFolder + '/'}));

    faultchecks::expectHonestRun(result);
    EXPECT_EQ(result.converted, messages.size() + 1);
    ASSERT_EQ(result.reports.size(), messages.size() + 2);
    EXPECT_EQ(result.reports.last().status, MessageStatus::Failed);
    const QString settled = registry::withTrailingSlash(space.destination());
    for (const MessageReport &report : result.reports) {
        if (report.status != MessageStatus::Copied)
            continue;
        // Every copy lands in its source's folder recreated below the destination.
        EXPECT_EQ(registry::FolderOf(report.target),
                  conversion::targetFolder(settled, registry::FolderOf(report.source)).value());
        EXPECT_LE(raw(registry::FileNameOf(report.target)).size(), naming::kMaxFileNameBytes);
    }
    faultchecks::expectUnchanged(before, treesnapshot::take(space.source()));
}

// ---------------------------------------------------------------------------

// Regression: with the destination inside the scanned folder, each rerun took
// the copies of the run before for messages, nested them one level deeper and
// failed. Running the same command twice must give the same files, and succeed.
TEST(OverlappingDestination, RunningTwiceGivesTheSameTreeWhereverTheDestinationLies)
{
    const struct
    {
        const char *name;
        const char *destination; // below the workspace
        int listedSecondTime;
        int earlierCopies;
    } cases[] = {
        {"inside the scanned folder", "src/renamed", 6, 3},
        // The messages merely lie below it: every one is converted both times.
        {"above the scanned folder", "", 3, 0},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        Workspace space;
        ASSERT_TRUE(space.isValid());
        for (const char *path : {"a.eml", "Inbox/b.eml", "Inbox/c.eml"})
            faultchecks::writeMessage(space.source(QLatin1StringView(path)),
                                      QStringLiteral("From %1").arg(QLatin1StringView(path)));
        const QString destination =
            space.base() + QLatin1Char('/') + QString::fromUtf8(c.destination);
        const auto runOnce = [&] {
            return isolation::run([&](isolation::Result &out) {
                isolation::scan(out, space.source());
                isolation::convert(out, out.scanned, destination);
            });
        };

        const auto original = treesnapshot::take(space.source());
        const auto destinationBefore = treesnapshot::take(destination);
        const isolation::Result first = runOnce();
        faultchecks::expectHonestRun(first, destinationBefore);
        EXPECT_EQ(first.converted, 3);
        const auto afterFirst = treesnapshot::take(space.base());

        const isolation::Result second = runOnce();
        faultchecks::expectHonestRun(second, treesnapshot::take(destination));
        EXPECT_EQ(second.scanned.size(), c.listedSecondTime);
        EXPECT_EQ(countWithStatus(second, MessageStatus::Skipped), c.earlierCopies);
        EXPECT_EQ(countWithStatus(second, MessageStatus::Unchanged), 3);
        EXPECT_EQ(second.summaryText, QStringLiteral("Converted Successfully !"));
        EXPECT_EQ(treesnapshot::take(space.base()), afterFirst);
        for (auto it = original.cbegin(); it != original.cend(); ++it)
            EXPECT_EQ(afterFirst.value(it.key()), it.value()) << it.key().toStdString();
    }
}

TEST(OverlappingDestination, RootAsDestinationPutsCopiesBesideTheirSourcesAndOverwritesNone)
{
    Workspace space;
    ASSERT_TRUE(space.isValid());
    // Hello.eml's copy is itself, a.eml's name is taken by the listed
    // Other.eml, b.eml's copy is a new file beside it.
    faultchecks::writeMessage(space.source(QStringLiteral("Hello.eml")), QStringLiteral("Hello"));
    faultchecks::writeMessage(space.source(QStringLiteral("a.eml")), QStringLiteral("Other"));
    faultchecks::writeMessage(space.source(QStringLiteral("Other.eml")), QStringLiteral("Third"));
    faultchecks::writeMessage(space.source(QStringLiteral("b.eml")), QStringLiteral("New"));
    const QStringList rows = {
        space.source(QStringLiteral("Hello.eml")), space.source(QStringLiteral("a.eml")),
        space.source(QStringLiteral("Other.eml")), space.source(QStringLiteral("b.eml"))};
    const auto before = treesnapshot::take(space.source());

    // The plan first: nothing is written, and it shows where a real run would write.
    const isolation::Result plan = isolation::run([&](isolation::Result &out) {
        isolation::convert(out, rows, QStringLiteral("/"), ConversionRun::Mode::Plan);
    });
    ASSERT_TRUE(plan.harnessFailure.isEmpty()) << plan.harnessFailure.toStdString();
    faultchecks::expectUnchanged(before, treesnapshot::take(space.source()));
    ASSERT_EQ(plan.reports.size(), 4);
    const QStringList expected = {"unchanged", "planned", "planned", "planned"};
    for (int i = 0; i < 4; ++i)
        EXPECT_EQ(conversion::statusName(plan.reports[i].status), expected[i])
            << plan.reports[i].source.toStdString() << ": " << plan.reports[i].reason.toStdString();
    EXPECT_EQ(plan.reports[1].target, space.source(QStringLiteral("Other (2).eml")));
    for (const MessageReport &report : plan.reports) {
        EXPECT_FALSE(rows.contains(report.target) && report.status == MessageStatus::Planned)
            << "a listed message would be overwritten: " << report.target.toStdString();
        // Only then is a real run safe to try here: it writes inside the workspace.
        ASSERT_TRUE(report.target.startsWith(space.source() + QLatin1Char('/')))
            << report.target.toStdString();
    }

    const isolation::Result copy = isolation::run(
        [&](isolation::Result &out) { isolation::convert(out, rows, QStringLiteral("/")); });
    ASSERT_TRUE(copy.harnessFailure.isEmpty()) << copy.harnessFailure.toStdString();
    ASSERT_EQ(copy.reports.size(), 4);
    for (int i = 0; i < 4; ++i)
        EXPECT_EQ(copy.reports[i].target, plan.reports[i].target);
    auto after = treesnapshot::take(space.source());
    EXPECT_EQ(after.take(raw(space.source(QStringLiteral("Other (2).eml")))),
              treesnapshot::describeFile(raw(rows[1])));
    EXPECT_EQ(after.take(raw(space.source(QStringLiteral("Third.eml")))),
              treesnapshot::describeFile(raw(rows[2])));
    EXPECT_EQ(after.take(raw(space.source(QStringLiteral("New.eml")))),
              treesnapshot::describeFile(raw(rows[3])));
    faultchecks::expectUnchanged(before, after);
}

// Regression: a listed path with ".." steps (letterfold-cli takes paths as typed)
// made the target folder climb out of the destination, so a copy could land
// beside its source and replace a file there.
TEST(OverlappingDestination, ParentStepsInASourcePathNeverLeaveTheDestination)
{
    Workspace space;
    ASSERT_TRUE(space.isValid());
    faultchecks::writeMessage(space.source(QStringLiteral("a.eml")), QStringLiteral("Keep"));
    faultchecks::writeMessage(space.source(QStringLiteral("Keep.eml")), QStringLiteral("Mine"));
    QString climbing = QStringLiteral("/");
    for (int i = 0; i < 12; ++i)
        climbing += QStringLiteral("../");
    const QString row = climbing + space.source(QStringLiteral("a.eml")).mid(1);
    const auto before = treesnapshot::take(space.source());

    const isolation::Result result = isolation::run(
        [&](isolation::Result &out) { isolation::convert(out, {row}, space.destination()); });

    faultchecks::expectHonestRun(result);
    ASSERT_EQ(result.reports.size(), 1);
    EXPECT_TRUE(QDir::cleanPath(result.reports[0].target)
                    .startsWith(space.destination() + QLatin1Char('/')))
        << result.reports[0].target.toStdString();
    faultchecks::expectUnchanged(before, treesnapshot::take(space.source()));
}

} // namespace
