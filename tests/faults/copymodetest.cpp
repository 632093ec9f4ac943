// SPDX-License-Identifier: MIT
// The mode of a copy under the creation mask (umask) the program starts with.
// The mask is read once at start-up, so each case starts letterfold-cli
// afresh under its mask, in a child process: the test's own mask stays as it is.
#include "faultchecks.h"
#include "workspace.h"

#include <gtest/gtest.h>
#include <QFile>
#include <QProcess>
#include <sys/stat.h>

namespace {

// Regression: a copy kept the source's bits whatever the umask, so a 0777
// message (common on FAT and network mounts) gave a world-writable copy.
TEST(CopyMode, IsTheSourcesLessTheCreationMaskAsWithoutKeepingModes)
{
    const struct
    {
        mode_t source;
        mode_t mask;
        mode_t copy;
    } cases[] = {
        {0777, 077, 0700},
        {0777, 022, 0755},
        {0640, 0, 0640},
        {04755, 0, 0755}, // never set-user-ID
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(
            QStringLiteral("%1 under %2").arg(c.source, 0, 8).arg(c.mask, 0, 8).toStdString());
        Workspace space;
        ASSERT_TRUE(space.isValid());
        const QString source = space.source(QStringLiteral("m.eml"));
        faultchecks::writeMessage(source, QStringLiteral("Mode"));
        ASSERT_EQ(::chmod(QFile::encodeName(source).constData(), c.source), 0);
        struct stat original = {};
        ASSERT_EQ(::stat(QFile::encodeName(source).constData(), &original), 0);

        QProcess cli;
        cli.setProgram(QStringLiteral(LETTERFOLD_CLI));
        cli.setArguments(
            {QStringLiteral("--quiet"), QStringLiteral("--to"), space.destination(), source});
        const mode_t mask = c.mask;
        cli.setChildProcessModifier([mask] { ::umask(mask); });
        cli.start();
        ASSERT_TRUE(cli.waitForFinished(60'000));
        ASSERT_EQ(cli.exitCode(), 0) << cli.readAllStandardError().toStdString();

        const QString copy = space.destination() + space.source() + QStringLiteral("/Mode.eml");
        struct stat copied = {};
        ASSERT_EQ(::stat(QFile::encodeName(copy).constData(), &copied), 0) << copy.toStdString();
        EXPECT_EQ(copied.st_mode & 07777, c.copy);
        EXPECT_EQ(copied.st_mtim.tv_sec, original.st_mtim.tv_sec);
        EXPECT_EQ(copied.st_mtim.tv_nsec, original.st_mtim.tv_nsec);
    }
}

} // namespace
