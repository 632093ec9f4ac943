// SPDX-License-Identifier: MIT
// Sources that change between being listed and being copied: a user deletes a
// file, another program swaps it for a folder or a fifo, permissions change.
// The change is made for real at a yield of the run, exactly where a window's
// event loop would let it happen. A change before the message is opened makes
// it fail with a reason, and nothing is written for it. A change after it was
// opened (its name made from its header) cannot reach the open file: the copy
// holds the very bytes that were named, never those of a file swapped in. The
// others are converted either way, and no other source changes.
#include "faultchecks.h"
#include "isolation.h"
#include "testsupport.h"
#include "treesnapshot.h"
#include "workspace.h"

#include <atomic>
#include <chrono>
#include <fcntl.h>
#include <functional>
#include <thread>
#include <gtest/gtest.h>
#include <QDir>
#include <QFile>
#include <sys/stat.h>
#include <unistd.h>

namespace {

using faultchecks::countWithStatus;

// The yields of a row (see FaultHost): 1 before its path is read, 3 after its
// name has been composed, just before the copy.
constexpr int kBeforeRead = 1;
constexpr int kBeforeCopy = 3;

struct VanishingCase
{
    const char *name;
    int yieldInRow;                         // when the change is made
    void (*change)(const QByteArray &path); // done to the middle row's file
    bool asNobody;                          // permissions must bite
    bool copiedAsOpened;                    // changed after the file was opened
};

void PrintTo(const VanishingCase &c, std::ostream *os)
{
    *os << c.name;
}

void removeFile(const QByteArray &path)
{
    ::unlink(path.constData());
}

void replaceByFolder(const QByteArray &path)
{
    ::unlink(path.constData());
    ::mkdir(path.constData(), 0755);
}

void replaceByFifo(const QByteArray &path)
{
    ::unlink(path.constData());
    ::mkfifo(path.constData(), 0644);
}

void makeUnreadable(const QByteArray &path)
{
    ::chmod(path.constData(), 0);
}

void replaceByDanglingLink(const QByteArray &path)
{
    ::unlink(path.constData());
    (void)::symlink("no-such-file.eml", path.constData());
}

// Another program saves a different message under the name, as editors do:
// a new file renamed over the old one.
void replaceByOtherMessage(const QByteArray &path)
{
    const QByteArray other = path + ".new";
    testsupport::writeFile(QFile::decodeName(other),
                           "Subject: Swapped in\r\n\r\nAnother message entirely.\r\n");
    ::rename(other.constData(), path.constData());
}

class ChangingSource : public testing::TestWithParam<VanishingCase>
{
};

TEST_P(ChangingSource, TouchesThatMessageAloneAndNeverCopiesWhatWasSwappedIn)
{
    const VanishingCase &c = GetParam();
    Workspace space;
    ASSERT_TRUE(space.isValid());
    QStringList rows;
    for (int i = 0; i < 3; ++i) {
        rows.append(space.source(QStringLiteral("Inbox/m%1.eml").arg(i)));
        faultchecks::writeMessage(rows.last(), QStringLiteral("Message %1").arg(i), 4096);
    }
    const QByteArray victim = QFile::encodeName(rows[1]);
    const QByteArray victimBytes = testsupport::readAll(rows[1]);
    // The child that gives up root must own the file to change its permissions.
    if (c.asNobody && ::geteuid() == 0) {
        ASSERT_EQ(::chown(victim.constData(), isolation::kNobody, isolation::kNobody), 0);
    }
    auto before = treesnapshot::take(space.source());
    before.remove(victim);

    const isolation::Result result = isolation::run([&](isolation::Result &out) {
        if (c.asNobody) {
            out.skipReason = isolation::dropRoot();
            if (!out.skipReason.isEmpty())
                return;
        }
        isolation::convert(out, rows, space.destination(), ConversionRun::Mode::Copy,
                           [&](int row, int yieldInRow) {
                               if (row == 1 && yieldInRow == c.yieldInRow)
                                   c.change(victim);
                           });
    });
    if (!result.skipReason.isEmpty())
        GTEST_SKIP() << result.skipReason.toStdString();

    if (c.copiedAsOpened) {
        // The run's check compares each copy with its source as it is now.
        if (::rmdir(victim.constData()) != 0)
            ::unlink(victim.constData());
        testsupport::writeFile(rows[1], victimBytes);
    }
    faultchecks::expectHonestRun(result);
    ASSERT_EQ(result.reports.size(), 3);
    EXPECT_EQ(result.reports[0].status, MessageStatus::Copied);
    EXPECT_EQ(result.reports[2].status, MessageStatus::Copied);
    if (c.copiedAsOpened) {
        EXPECT_EQ(result.reports[1].status, MessageStatus::Copied) << result.reports[1].reason.toStdString();
        EXPECT_EQ(testsupport::readAll(result.reports[1].target), victimBytes);
        EXPECT_EQ(result.converted, 3);
    } else {
        EXPECT_EQ(result.reports[1].status, MessageStatus::Failed);
        EXPECT_FALSE(result.reports[1].reason.isEmpty());
        EXPECT_EQ(result.converted, 2);
    }

    auto after = treesnapshot::take(space.source());
    after.remove(victim);
    faultchecks::expectUnchanged(before, after);
}

INSTANTIATE_TEST_SUITE_P(
    Changes, ChangingSource,
    testing::Values(
        VanishingCase{"RemovedBeforeItsTurn", kBeforeRead, removeFile, false, false},
        VanishingCase{"RemovedAfterItsNameWasMade", kBeforeCopy, removeFile, false, true},
        VanishingCase{"ReplacedByAFolder", kBeforeRead, replaceByFolder, false, false},
        VanishingCase{"ReplacedByAFolderBeforeTheCopy", kBeforeCopy, replaceByFolder, false, true},
        // A fifo with no writer: neither reading nor copying may wait for one.
        VanishingCase{"ReplacedByAFifo", kBeforeRead, replaceByFifo, false, false},
        VanishingCase{"ReplacedByAFifoBeforeTheCopy", kBeforeCopy, replaceByFifo, false, true},
        VanishingCase{"ReplacedByADanglingLink", kBeforeRead, replaceByDanglingLink, false, false},
        VanishingCase{"ReplacedByADanglingLinkBeforeTheCopy", kBeforeCopy, replaceByDanglingLink,
                      false, true},
        VanishingCase{"ReplacedByAnotherMessageBeforeTheCopy", kBeforeCopy, replaceByOtherMessage,
                      false, true},
        VanishingCase{"MadeUnreadable", kBeforeRead, makeUnreadable, true, false},
        VanishingCase{"MadeUnreadableBeforeTheCopy", kBeforeCopy, makeUnreadable, true, true}),
    [](const testing::TestParamInfo<VanishingCase> &info) { return info.param.name; });

// A folder or a fifo listed as a message from the start (as Add files could list
// a fifo named like a message) is refused without waiting on it, and the fifo
// is never opened: that would wake a program waiting to write into it.
TEST(ListedSource, ThatIsAFifoOrAFolderFailsWithoutBlocking)
{
    Workspace space;
    ASSERT_TRUE(space.isValid());
    const QString fifo = space.source(QStringLiteral("pipe.eml"));
    const QString folder = space.source(QStringLiteral("folder.eml"));
    const QString good = space.source(QStringLiteral("good.eml"));
    ASSERT_EQ(::mkfifo(QFile::encodeName(fifo).constData(), 0644), 0);
    ASSERT_TRUE(QDir().mkpath(folder));
    faultchecks::writeMessage(good, QStringLiteral("Good"));
    const auto before = treesnapshot::take(space.source());
    const QByteArray fifoPath = QFile::encodeName(fifo);
    std::atomic<bool> writerWoken{false};
    std::thread writer([&] {
        const int fd = ::open(fifoPath.constData(), O_WRONLY | O_CLOEXEC);
        writerWoken = true;
        if (fd >= 0)
            ::close(fd);
    });

    const isolation::Result result = isolation::run([&](isolation::Result &out) {
        isolation::convert(out, {fifo, folder, good}, space.destination());
    });

    // A reader's open wakes the writer at once; give it a moment to say so.
    for (int wait = 0; wait < 10 && !writerWoken; ++wait)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    const bool wokenByTheRun = writerWoken;
    const int release = ::open(fifoPath.constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    writer.join();
    if (release >= 0)
        ::close(release);
    EXPECT_FALSE(wokenByTheRun) << "the run opened the fifo";

    faultchecks::expectHonestRun(result);
    ASSERT_EQ(result.reports.size(), 3);
    EXPECT_EQ(result.reports[0].status, MessageStatus::Failed);
    EXPECT_EQ(result.reports[1].status, MessageStatus::Failed);
    EXPECT_EQ(result.reports[2].status, MessageStatus::Copied);
    faultchecks::expectUnchanged(before, treesnapshot::take(space.source()));
}

} // namespace
