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
    int afterReports; // the child is killed once it has reported this many messages
    int delayMs;      // and this long after that
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

    int fds[2];
    ASSERT_EQ(::pipe(fds), 0);
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        ::close(fds[0]);
        FaultHost host(rows, space.destination());
        host.setReportHook([&](const MessageReport &) { (void)::write(fds[1], "r", 1); });
        ConversionRun run(host);
        (void)run.run();
        ::_exit(0);
    }
    ::close(fds[1]);
    int reports = 0;
    while (reports < c.afterReports) {
        pollfd p{fds[0], POLLIN, 0};
        if (::poll(&p, 1, 60'000) <= 0)
            break;
        char byte;
        if (::read(fds[0], &byte, 1) != 1)
            break;
        ++reports;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(c.delayMs));
    ::kill(child, SIGKILL);
    int status = 0;
    ::waitpid(child, &status, 0);
    ::close(fds[0]);
    ASSERT_EQ(reports, c.afterReports) << "the run ended or stalled before it could be killed";
    EXPECT_TRUE(WIFSIGNALED(status)) << "the run finished before the kill; nothing was tested";

    EXPECT_GE(countCompleteCopies(space.destination(), sourceOfName), c.afterReports);
    faultchecks::expectUnchanged(before, treesnapshot::take(space.source()));
}

// Killed at different points: right after a copy was reported (the next one
// has barely begun) and a few milliseconds into the next 8 MiB copy.
INSTANTIATE_TEST_SUITE_P(Moments, KilledRun,
                         testing::Values(KillCase{1, 0}, KillCase{2, 3}, KillCase{4, 8},
                                         KillCase{6, 15}),
                         [](const testing::TestParamInfo<KillCase> &info) {
                             return "AfterReport" + std::to_string(info.param.afterReports) +
                                    "Plus" + std::to_string(info.param.delayMs) + "ms";
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

    for (const int killAfter : {3, 5}) {
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
