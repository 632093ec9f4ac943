// SPDX-License-Identifier: MIT
// A run that is killed outright (SIGKILL: the window closed, the machine's
// out-of-memory killer, a user's kill -9) in the middle of copying large
// files. Afterwards every copy is either complete, byte for byte, or absent;
// no partial file and no temporary file is visible; every source is as it was.
#include "faultchecks.h"
#include "isolation.h"
#include "treesnapshot.h"
#include "workspace.h"

#include <csignal>
#include <gtest/gtest.h>
#include <poll.h>
#include <QFile>
#include <QProcess>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace {

constexpr int kMessages = 8;
constexpr qsizetype kMessageBytes = 8 * 1024 * 1024;

// Fails the test for any file below destination that is not a complete copy
// (named after its message) of its source; returns how many complete copies
// there are.
int countCompleteCopies(const QString &destination,
                        const QMap<QByteArray, QByteArray> &sourceOfName)
{
    int complete = 0;
    const auto entries = treesnapshot::take(destination);
    for (auto it = entries.cbegin(); it != entries.cend(); ++it) {
        if (it.value().startsWith("dir "))
            continue;
        const QByteArray name = it.key().mid(it.key().lastIndexOf('/') + 1);
        EXPECT_TRUE(sourceOfName.contains(name))
            << "a file no copy accounts for (partial or temporary): " << it.key().toStdString();
        EXPECT_EQ(it.value(), sourceOfName.value(name))
            << "a copy is not its source byte for byte: " << it.key().toStdString();
        ++complete;
    }
    return complete;
}

// Large messages in src/Big, and what each one's copy must hold.
QStringList writeBigMessages(const Workspace &space, QMap<QByteArray, QByteArray> *sourceOfName)
{
    QStringList rows;
    for (int i = 0; i < kMessages; ++i) {
        rows.append(space.source(QStringLiteral("Big/m%1.eml").arg(i)));
        faultchecks::writeMessage(rows.last(), QStringLiteral("Message %1").arg(i), kMessageBytes);
        sourceOfName->insert(QStringLiteral("Message %1.eml").arg(i).toUtf8(),
                             treesnapshot::describeFile(QFile::encodeName(rows.last())));
    }
    return rows;
}

struct KillCase
{
    int row;     // the row whose copy the kill interrupts
    int delayMs; // how long after that copy has started
};

class KilledRun : public testing::TestWithParam<KillCase>
{
};

TEST_P(KilledRun, LeavesEveryCopyCompleteOrAbsentAndNoTemporaryFile)
{
    const KillCase c = GetParam();
    Workspace space;
    ASSERT_TRUE(space.isValid());
    QMap<QByteArray, QByteArray> sourceOfName; // copy's file name -> its source's content
    const QStringList rows = writeBigMessages(space, &sourceOfName);
    const auto before = treesnapshot::take(space.source());

    // The child stops just before the copy of c.row and tells the parent; the
    // parent lets it go and kills it c.delayMs later. So that the kill never
    // comes too late, the child waits forever before the row after.
    int ready[2];
    int go[2];
    ASSERT_EQ(::pipe(ready), 0);
    ASSERT_EQ(::pipe(go), 0);
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        FaultHost host(rows, space.destination());
        host.setYieldHook([&](int row, int yieldInRow) {
            char byte = 0;
            if (row == c.row && yieldInRow == 3) {
                (void)::write(ready[1], "r", 1);
                (void)::read(go[0], &byte, 1);
            } else if (row == c.row + 1 && yieldInRow == 1) {
                (void)::read(go[0], &byte, 1); // the parent never writes again
            }
        });
        ConversionRun run(host);
        (void)run.run();
        ::_exit(0);
    }
    ::close(ready[1]);
    ::close(go[0]);
    pollfd p{ready[0], POLLIN, 0};
    char byte = 0;
    const bool reached = ::poll(&p, 1, 120'000) == 1 && ::read(ready[0], &byte, 1) == 1;
    (void)::write(go[1], "g", 1);
    std::this_thread::sleep_for(std::chrono::milliseconds(c.delayMs));
    ::kill(child, SIGKILL);
    int status = 0;
    ::waitpid(child, &status, 0);
    ::close(ready[0]);
    ::close(go[1]);
    ASSERT_TRUE(reached) << "the run never reached the copy to interrupt";
    EXPECT_TRUE(WIFSIGNALED(status));

    EXPECT_GE(countCompleteCopies(space.destination(), sourceOfName), c.row);
    faultchecks::expectUnchanged(before, treesnapshot::take(space.source()));
}

// Killed at different moments of an 8 MiB copy: as it starts, and a few
// milliseconds into it (or just after it, on a fast disk).
INSTANTIATE_TEST_SUITE_P(Moments, KilledRun,
                         testing::Values(KillCase{0, 0}, KillCase{1, 1}, KillCase{3, 3},
                                         KillCase{5, 8}),
                         [](const testing::TestParamInfo<KillCase> &info) {
                             return "InCopyOfRow" + std::to_string(info.param.row) + "After" +
                                    std::to_string(info.param.delayMs) + "ms";
                         });

} // namespace

// The same through the real program: letterfold-cli killed with SIGKILL while
// it copies, as closing a terminal or the window ends a run. Run twice into the
// same destination, so the second run is killed while it replaces copies.
TEST(KilledCli, LeavesEveryCopyCompleteOrAbsentAndNoTemporaryFile)
{
    Workspace space;
    ASSERT_TRUE(space.isValid());
    QMap<QByteArray, QByteArray> sourceOfName;
    const QStringList rows = writeBigMessages(space, &sourceOfName);
    const auto before = treesnapshot::take(space.source());

    // Killed after two and three copies of eight: most of the run is still ahead.
    for (const int killAfter : {2, 3}) {
        QProcess cli;
        cli.setProgram(QStringLiteral(LETTERFOLD_CLI));
        cli.setArguments(
            QStringList{QStringLiteral("--quiet"), QStringLiteral("--to"), space.destination()} +
            rows);
        cli.start();
        ASSERT_TRUE(cli.waitForStarted(30'000));
        int lines = 0;
        while (lines < killAfter && cli.state() == QProcess::Running) {
            if (!cli.canReadLine() && !cli.waitForReadyRead(60'000))
                break;
            while (cli.canReadLine()) {
                (void)cli.readLine();
                ++lines;
            }
        }
        ::kill(pid_t(cli.processId()), SIGKILL);
        cli.waitForFinished(30'000);
        EXPECT_EQ(cli.exitStatus(), QProcess::CrashExit)
            << "letterfold-cli finished before the kill; nothing was tested";
        EXPECT_GE(countCompleteCopies(space.destination(), sourceOfName), killAfter);
    }
    faultchecks::expectUnchanged(before, treesnapshot::take(space.source()));
}
