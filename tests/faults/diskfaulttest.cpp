// SPDX-License-Identifier: MIT
// A destination that fills up, that cannot be written, or where a file stands
// in the way of a folder. Each condition is real: a tmpfs mounted in a private
// mount namespace, a file size limit on the process, a read-only mount, a user
// without write permission. Whatever happens, every source stays as it was,
// every failed copy is reported and leaves nothing behind, and the run goes on.
#include "conversionrun.h"
#include "faultchecks.h"
#include "isolation.h"
#include "registry.h"
#include "testsupport.h"
#include "treesnapshot.h"
#include "workspace.h"

#include <functional>
#include <gtest/gtest.h>
#include <QDir>
#include <QFile>
#include <sys/mount.h>

namespace {

using faultchecks::countWithStatus;

// Sets up the condition inside the child; returns "" or why it cannot be made.
using Condition = std::function<QString(const Workspace &)>;

QStringList writeMessages(const Workspace &space, const QList<qsizetype> &sizes)
{
    QStringList rows;
    for (int i = 0; i < sizes.size(); ++i) {
        const QString path = space.source(QStringLiteral("Inbox/m%1.eml").arg(i));
        faultchecks::writeMessage(path, QStringLiteral("Message %1").arg(i), sizes[i]);
        rows.append(path);
    }
    return rows;
}

// ---------------------------------------------------------------------------

struct FullDiskCase
{
    const char *name;
    Condition condition;
    QList<qsizetype> sizes;
    const char *expectedError; // what the reason of every failed copy says
};

void PrintTo(const FullDiskCase &c, std::ostream *os)
{
    *os << c.name;
}

class FullDestination : public testing::TestWithParam<FullDiskCase>
{
};

TEST_P(FullDestination, GoesOnReportsEachFailedCopyAndLeavesNoPartialOrTemporaryFile)
{
    const FullDiskCase &c = GetParam();
    Workspace space;
    ASSERT_TRUE(space.isValid());
    const QStringList rows = writeMessages(space, c.sizes);
    const auto before = treesnapshot::take(space.source());

    const isolation::Result result = isolation::run([&](isolation::Result &out) {
        out.skipReason = c.condition(space);
        if (out.skipReason.isEmpty())
            isolation::convert(out, rows, space.destination());
    });
    if (!result.skipReason.isEmpty())
        GTEST_SKIP() << c.name << " cannot be set up here: " << result.skipReason.toStdString();

    faultchecks::expectHonestRun(result);
    EXPECT_EQ(result.reports.size(), rows.size()) << "every message gets a report";
    EXPECT_GE(countWithStatus(result, MessageStatus::Copied), 1);
    EXPECT_GE(countWithStatus(result, MessageStatus::Failed), 1);
    for (const MessageReport &report : result.reports) {
        if (report.status == MessageStatus::Failed) {
            EXPECT_TRUE(report.reason.contains(QLatin1StringView(c.expectedError)))
                << report.reason.toStdString();
        }
    }
    faultchecks::expectUnchanged(before, treesnapshot::take(space.source()));
}

constexpr qsizetype kKiB = 1024;

INSTANTIATE_TEST_SUITE_P(
    Conditions, FullDestination,
    testing::Values(
        // Needs root: a 1 MiB tmpfs over the destination, seen only by the child.
        // Eight messages of 300 KiB: the first few fit, the rest find the disk full.
        FullDiskCase{"TmpfsOfOneMebibyte",
                     [](const Workspace &space) {
                         QString why = isolation::enterPrivateMounts();
                         if (why.isEmpty())
                             why = isolation::mountTmpfs(space.destination(), 1024 * kKiB, false);
                         return why;
                     },
                     QList<qsizetype>(8, 300 * kKiB), "No space left on device"},
        // Works for everyone: no file the child writes may pass 256 KiB, so every
        // large message fails half-way through its copy.
        FullDiskCase{"FileSizeLimit",
                     [](const Workspace &) { return isolation::limitFileSize(256 * kKiB); },
                     {100 * kKiB, 400 * kKiB, 10 * kKiB, 1024 * kKiB, 200 * kKiB},
                     "File too large"}),
    [](const testing::TestParamInfo<FullDiskCase> &info) { return info.param.name; });

// ---------------------------------------------------------------------------

struct ReadOnlyCase
{
    const char *name;
    Condition condition;
};

void PrintTo(const ReadOnlyCase &c, std::ostream *os)
{
    *os << c.name;
}

class ReadOnlyDestination : public testing::TestWithParam<ReadOnlyCase>
{
};

TEST_P(ReadOnlyDestination, FailsEveryMessageWithAReasonAndWritesNothing)
{
    const ReadOnlyCase &c = GetParam();
    Workspace space;
    ASSERT_TRUE(space.isValid());
    const QStringList rows = writeMessages(space, {1 * kKiB, 20 * kKiB, 3 * kKiB});
    const auto before = treesnapshot::take(space.source());

    const isolation::Result result = isolation::run([&](isolation::Result &out) {
        out.skipReason = c.condition(space);
        if (out.skipReason.isEmpty())
            isolation::convert(out, rows, space.destination());
    });
    if (!result.skipReason.isEmpty())
        GTEST_SKIP() << c.name << " cannot be set up here: " << result.skipReason.toStdString();

    faultchecks::expectHonestRun(result);
    EXPECT_EQ(countWithStatus(result, MessageStatus::Failed), rows.size());
    EXPECT_TRUE(result.destination.isEmpty()) << "nothing may be written";
    EXPECT_NE(result.summaryText, QStringLiteral("Converted Successfully !"));
    faultchecks::expectUnchanged(before, treesnapshot::take(space.source()));
}

INSTANTIATE_TEST_SUITE_P(
    Conditions, ReadOnlyDestination,
    testing::Values(
        ReadOnlyCase{"ReadOnlyTmpfs",
                     [](const Workspace &space) {
                         QString why = isolation::enterPrivateMounts();
                         if (why.isEmpty())
                             why = isolation::mountTmpfs(space.destination(), 1024 * kKiB, true);
                         return why;
                     }},
        ReadOnlyCase{"ReadOnlyBindMount",
                     [](const Workspace &space) {
                         QString why = isolation::enterPrivateMounts();
                         if (!why.isEmpty())
                             return why;
                         const QByteArray path = QFile::encodeName(space.destination());
                         if (::mount(path.constData(), path.constData(), nullptr, MS_BIND,
                                     nullptr) != 0 ||
                             ::mount(nullptr, path.constData(), nullptr,
                                     MS_REMOUNT | MS_BIND | MS_RDONLY, nullptr) != 0)
                             return QStringLiteral("cannot make a read-only bind mount");
                         return QString();
                     }},
        // Root ignores permissions, so the child becomes nobody first.
        ReadOnlyCase{"NoWritePermission",
                     [](const Workspace &space) {
                         ::chmod(QFile::encodeName(space.destination()).constData(), 0555);
                         return isolation::dropRoot();
                     }}),
    [](const testing::TestParamInfo<ReadOnlyCase> &info) { return info.param.name; });

// ---------------------------------------------------------------------------

// Rows read ahead stage their bytes in the destination while their folder does
// not exist yet. A bind mount of the same file system below the destination
// shows the same device, yet refuses a link across it: the copy is then
// staged where it goes, as a run without workers stages it.
TEST(BindMountBelowDestination, CopiesEveryMessageWithAndWithoutWorkers)
{
    for (const int workers : {1, 3}) {
        SCOPED_TRACE(workers);
        Workspace space;
        ASSERT_TRUE(space.isValid());
        const QStringList rows = writeMessages(space, QList<qsizetype>(8, 0));
        const QString settled = registry::withTrailingSlash(space.destination());
        const QString target =
            conversion::targetFolder(settled, registry::FolderOf(rows[0])).value();
        const QString mountPoint =
            settled + target.mid(settled.size()).section(QLatin1Char('/'), 0, 0);
        ASSERT_TRUE(QDir().mkpath(mountPoint));
        const auto destinationBefore = treesnapshot::take(space.destination());

        const isolation::Result result = isolation::run([&](isolation::Result &out) {
            out.skipReason = isolation::enterPrivateMounts();
            const QByteArray path = QFile::encodeName(mountPoint);
            if (out.skipReason.isEmpty() &&
                ::mount(path.constData(), path.constData(), nullptr, MS_BIND, nullptr) != 0)
                out.skipReason = QStringLiteral("cannot make a bind mount");
            if (out.skipReason.isEmpty())
                isolation::convert(out, rows, space.destination(), ConversionRun::Mode::Copy, {},
                                   workers);
        });
        if (!result.skipReason.isEmpty())
            GTEST_SKIP() << "a bind mount cannot be made here: " << result.skipReason.toStdString();

        faultchecks::expectHonestRun(result, destinationBefore);
        EXPECT_EQ(countWithStatus(result, MessageStatus::Copied), rows.size());
    }
}

// ---------------------------------------------------------------------------

TEST(BlockedTargetFolder, FailsOnlyTheMessagesWhoseFolderAFileOccupies)
{
    Workspace space;
    ASSERT_TRUE(space.isValid());
    QStringList rows;
    for (const char *folder : {"Inbox", "Sent", "Inbox"}) {
        const QString path = space.source(
            QStringLiteral("%1/m%2.eml").arg(QLatin1StringView(folder)).arg(rows.size()));
        faultchecks::writeMessage(path, QStringLiteral("Message %1").arg(rows.size()));
        rows.append(path);
    }
    // A file where the copies of Sent need a folder.
    const QString settled = registry::withTrailingSlash(space.destination());
    QString blocked = conversion::targetFolder(settled, registry::FolderOf(rows[1])).value();
    blocked.chop(1);
    testsupport::writeFile(blocked, "not a folder\n");
    const auto destinationBefore = treesnapshot::take(space.destination());
    const auto before = treesnapshot::take(space.source());

    const isolation::Result result = isolation::run(
        [&](isolation::Result &out) { isolation::convert(out, rows, space.destination()); });

    faultchecks::expectHonestRun(result, destinationBefore);
    ASSERT_EQ(result.reports.size(), 3);
    EXPECT_EQ(result.reports[0].status, MessageStatus::Copied);
    EXPECT_EQ(result.reports[1].status, MessageStatus::Failed);
    EXPECT_TRUE(result.reports[1].reason.contains(QStringLiteral("create the folder")))
        << result.reports[1].reason.toStdString();
    EXPECT_EQ(result.reports[2].status, MessageStatus::Copied);
    EXPECT_EQ(result.destination.value(QFile::encodeName(blocked)),
              destinationBefore.value(QFile::encodeName(blocked)));
    faultchecks::expectUnchanged(before, treesnapshot::take(space.source()));
}

} // namespace
