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
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace {

constexpr int kMessages = 10;
constexpr qsizetype kMessageBytes = 16 * 1024 * 1024;

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
    QStringList rows;
    QMap<QByteArray, QByteArray> sourceOfName; // copy's file name -> its source's content
    for (int i = 0; i < kMessages; ++i) {
        rows.append(space.source(QStringLiteral("Big/m%1.eml").arg(i)));
        faultchecks::writeMessage(rows.last(), QStringLiteral("Message %1").arg(i), kMessageBytes);
        sourceOfName.insert(QStringLiteral("Message %1.eml").arg(i).toUtf8(),
                            treesnapshot::describeFile(QFile::encodeName(rows.last())));
    }
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

    const auto destination = treesnapshot::take(space.destination());
    int complete = 0;
    for (auto it = destination.cbegin(); it != destination.cend(); ++it) {
        if (it.value().startsWith("dir "))
            continue;
        const QByteArray name = it.key().mid(it.key().lastIndexOf('/') + 1);
        ASSERT_TRUE(sourceOfName.contains(name))
            << "a file no copy accounts for (partial or temporary): " << it.key().toStdString();
        EXPECT_EQ(it.value(), sourceOfName.value(name))
            << "a copy is not its source byte for byte: " << it.key().toStdString();
        ++complete;
    }
    EXPECT_GE(complete, c.afterReports);
    faultchecks::expectUnchanged(before, treesnapshot::take(space.source()));
}

// Killed at different points: right after a copy was reported (the next one
// has barely begun) and a few milliseconds into the next 16 MiB copy.
INSTANTIATE_TEST_SUITE_P(Moments, KilledRun,
                         testing::Values(KillCase{1, 0}, KillCase{2, 3}, KillCase{4, 8},
                                         KillCase{6, 15}),
                         [](const testing::TestParamInfo<KillCase> &info) {
                             return "AfterReport" + std::to_string(info.param.afterReports) +
                                    "Plus" + std::to_string(info.param.delayMs) + "ms";
                         });

} // namespace
