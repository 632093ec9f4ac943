// SPDX-License-Identifier: MIT
#include "modmain.h"

#include "filecopy.h"
#include "mailmessage.h"
#include "messagebytes.h"
#include "sourcefile.h"
#include "stagedcopy.h"
#include "testsupport.h"

#include <cerrno>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <functional>
#include <gtest/gtest.h>
#include <linux/fs.h>
#include <QDir>
#include <QFile>
#include <QRandomGenerator>
#include <QScopeGuard>
#include <QTemporaryDir>
#include <sched.h>
#include <sys/ioctl.h>
#include <sys/mount.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

QByteArray encoded(const QString &path)
{
    return QFile::encodeName(path);
}

// Every entry of a folder, hidden ones included, in name order.
QStringList listing(const QString &folder)
{
    return QDir(folder).entryList(
        QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot, QDir::Name);
}

struct stat statOf(const QString &path)
{
    struct stat st = {};
    EXPECT_EQ(::lstat(encoded(path).constData(), &st), 0) << path.toStdString();
    return st;
}

// 7 March 2010, 12:34:56.123456789 UTC: nanoseconds show a copy that rounds.
constexpr timespec kOldTime = {1267965296, 123456789};

void setModificationTime(const QString &path, timespec when)
{
    const timespec times[2] = {{0, UTIME_OMIT}, when};
    ASSERT_EQ(::utimensat(AT_FDCWD, encoded(path).constData(), times, 0), 0);
}

QByteArray randomBytes(qsizetype size)
{
    QByteArray bytes(size, Qt::Uninitialized);
    QRandomGenerator generator(20100307);
    generator.fillRange(reinterpret_cast<quint32 *>(bytes.data()), size / 4);
    return bytes;
}

QString systemText(int error)
{
    return qt_error_string(error);
}

// Makes a folder refuse new entries for the life of the object: by the
// immutable attribute when this process ignores permissions (root cannot
// write into an immutable folder either), else by its mode.
class WriteProtectedFolder
{
public:
    explicit WriteProtectedFolder(const QString &folder) : m_path(encoded(folder))
    {
        if (testsupport::permissionsAreIgnored())
            m_active = setImmutable(true);
        else
            m_active = ::chmod(m_path.constData(), 0555) == 0;
    }
    ~WriteProtectedFolder()
    {
        if (!m_active)
            return;
        if (testsupport::permissionsAreIgnored())
            setImmutable(false);
        else
            ::chmod(m_path.constData(), 0755);
    }
    [[nodiscard]] bool active() const { return m_active; }

private:
    bool setImmutable(bool on) const
    {
        const int fd = ::open(m_path.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        if (fd < 0)
            return false;
        int flags = 0;
        bool done = ::ioctl(fd, FS_IOC_GETFLAGS, &flags) == 0;
        if (done) {
            flags = on ? (flags | FS_IMMUTABLE_FL) : (flags & ~FS_IMMUTABLE_FL);
            done = ::ioctl(fd, FS_IOC_SETFLAGS, &flags) == 0;
        }
        ::close(fd);
        return done;
    }

    QByteArray m_path;
    bool m_active = false;
};

// A small tmpfs on a folder, seen only by this test process: a private mount
// namespace keeps it from the rest of the machine, and it goes with the process.
class PrivateFileSystem
{
public:
    PrivateFileSystem(const QString &folder, const char *options) : m_path(encoded(folder))
    {
        if (::unshare(CLONE_NEWNS) != 0)
            return;
        if (::mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0)
            return;
        m_mounted = ::mount("tmpfs", m_path.constData(), "tmpfs", 0, options) == 0;
    }
    ~PrivateFileSystem()
    {
        if (m_mounted)
            ::umount2(m_path.constData(), MNT_DETACH);
    }
    [[nodiscard]] bool mounted() const { return m_mounted; }

private:
    QByteArray m_path;
    bool m_mounted = false;
};

// Lowers the largest file this process may write, so that a write fails in
// the middle of a copy whoever runs the test.
class FileSizeLimit
{
public:
    explicit FileSizeLimit(rlim_t bytes)
    {
        ::getrlimit(RLIMIT_FSIZE, &m_saved);
        m_savedHandler = std::signal(SIGXFSZ, SIG_IGN);
        rlimit lowered = m_saved;
        lowered.rlim_cur = bytes;
        ::setrlimit(RLIMIT_FSIZE, &lowered);
    }
    ~FileSizeLimit()
    {
        ::setrlimit(RLIMIT_FSIZE, &m_saved);
        std::signal(SIGXFSZ, m_savedHandler);
    }

private:
    rlimit m_saved = {};
    void (*m_savedHandler)(int) = nullptr;
};

} // namespace

TEST(EnsureFolderExists, MakesTheWholePathAFolderAsMkdirPDoes)
{
    const QTemporaryDir root;
    ASSERT_TRUE(root.isValid());
    ASSERT_TRUE(QDir(root.path()).mkpath(QStringLiteral("out/existing")));
    ASSERT_TRUE(QDir(root.path()).mkpath(QStringLiteral("elsewhere/d")));
    ASSERT_EQ(::symlink("elsewhere/d", encoded(root.filePath(QStringLiteral("dlnk"))).constData()),
              0);
    const struct
    {
        const char *folder;
        const char *made;
    } rows[] = {
        {"out/existing", "out/existing"},
        {"out/existing/", "out/existing"},
        {"out/A/B/", "out/A/B"},
        {"out/C/D", "out/C/D"},
        {"out//E///F//", "out/E/F"},
        {"out/Ünïcødé/日本", "out/Ünïcødé/日本"},
        {"out/with space /.hidden", "out/with space /.hidden"},
        // Links and ".." are the kernel's to resolve: a tidy-up by text would
        // make OUT beside the link instead of beside the folder it points to.
        {"dlnk/../OUT/a/b", "elsewhere/OUT/a/b"},
        {"dlnk/./here", "elsewhere/d/here"},
        // The missing part follows ".." that comes after a missing folder.
        {"dlnk/sub/../../NEXT/", "elsewhere/NEXT"},
        {"new/../made", "made"},
    };
    for (const auto &row : rows) {
        SCOPED_TRACE(row.folder);
        const Outcome<void> made =
            modMain::EnsureFolderExists(root.filePath(QString::fromUtf8(row.folder)));
        EXPECT_TRUE(made) << made.reason().toStdString();
        EXPECT_TRUE(QFileInfo(root.filePath(QString::fromUtf8(row.made))).isDir());
    }
    EXPECT_EQ(listing(root.path()),
              (QStringList{QStringLiteral("dlnk"), QStringLiteral("elsewhere"),
                           QStringLiteral("made"), QStringLiteral("new"), QStringLiteral("out")}));
    EXPECT_EQ(listing(root.filePath(QStringLiteral("elsewhere"))),
              (QStringList{QStringLiteral("NEXT"), QStringLiteral("OUT"), QStringLiteral("d")}));
    EXPECT_TRUE(modMain::EnsureFolderExists(QString()));
    EXPECT_TRUE(modMain::EnsureFolderExists(QStringLiteral("/")));
}

TEST(EnsureFolderExists, FailsWithAReasonWhenAFileStandsInTheWay)
{
    const QTemporaryDir root;
    ASSERT_TRUE(root.isValid());
    testsupport::writeFile(root.filePath(QStringLiteral("out/file.eml")), "x");
    for (const char *folder : {"out/file.eml", "out/file.eml/", "out/file.eml/sub/deeper"}) {
        SCOPED_TRACE(folder);
        const QString path = root.filePath(QString::fromUtf8(folder));
        const Outcome<void> made = modMain::EnsureFolderExists(path);
        const QString &reason = made.reason();
        EXPECT_FALSE(made);
        // Regression: the folder was named twice ("cannot create the folder X:
        // Cannot create the folder X: File exists").
        EXPECT_TRUE(reason == QStringLiteral("cannot create the folder ") + path +
                                  QStringLiteral(": ") + systemText(ENOTDIR) ||
                    reason == QStringLiteral("cannot create the folder ") + path +
                                  QStringLiteral(": ") + systemText(EEXIST))
            << reason.toStdString();
    }
    EXPECT_EQ(testsupport::readAll(root.filePath(QStringLiteral("out/file.eml"))), "x");
}

TEST(EnsureFolderExists, RefusesAPathHoldingNul)
{
    // Regression: the system reads a path up to its first NUL, so "out\0x"
    // would have made "out" and been reported as done.
    const QTemporaryDir root;
    ASSERT_TRUE(root.isValid());
    const Outcome<void> made = modMain::EnsureFolderExists(root.path() + QStringLiteral("/out") +
                                                           QChar(0) + QStringLiteral("x"));
    EXPECT_FALSE(made);
    EXPECT_FALSE(made.reason().isEmpty());
    EXPECT_TRUE(listing(root.path()).isEmpty());
}

TEST(EnsureFolderExists, FailsWithAReasonBelowAWriteProtectedFolder)
{
    const QTemporaryDir root;
    ASSERT_TRUE(root.isValid());
    const WriteProtectedFolder protection(root.path());
    if (!protection.active())
        GTEST_SKIP() << "cannot write-protect a folder here (immutable attribute refused)";
    const Outcome<void> made = modMain::EnsureFolderExists(root.filePath(QStringLiteral("A/B")));
    EXPECT_FALSE(made);
    EXPECT_FALSE(made.reason().isEmpty());
    EXPECT_TRUE(listing(root.path()).isEmpty());
}

// Every copy test runs twice: as CopyFileTo stages its content (an unnamed
// file), and with the hidden temporary file it falls back to on file systems
// without unnamed files.
class CopyFileTo : public ::testing::TestWithParam<filecopy::Staging>
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_root.isValid());
        m_in = m_root.filePath(QStringLiteral("in"));
        m_out = m_root.filePath(QStringLiteral("out"));
        ASSERT_TRUE(QDir().mkpath(m_in));
        ASSERT_TRUE(QDir().mkpath(m_out));
    }

    bool copy(const QString &source, const QString &target, bool failIfExists,
              QString *reason = nullptr) const
    {
        const Outcome<void> copied =
            GetParam() == filecopy::Staging::Unnamed
                ? modMain::CopyFileTo(source, target, failIfExists)
                : filecopy::copyFile(source, target, failIfExists, GetParam());
        if (reason)
            *reason = copied.reason();
        return copied.ok();
    }

    // A source file with known content, mode and modification time.
    QString source(const QString &name, const QByteArray &content, mode_t mode = 0640) const
    {
        const QString path = m_in + u'/' + name;
        testsupport::writeFile(path, content);
        EXPECT_EQ(::chmod(encoded(path).constData(), mode), 0);
        setModificationTime(path, kOldTime);
        return path;
    }

    QString out(const QString &name) const { return m_out + u'/' + name; }

    QTemporaryDir m_root;
    QString m_in;
    QString m_out;
};

INSTANTIATE_TEST_SUITE_P(Staging, CopyFileTo,
                         ::testing::Values(filecopy::Staging::Unnamed, filecopy::Staging::Hidden),
                         [](const auto &info) {
                             return info.param == filecopy::Staging::Unnamed ? "Unnamed" : "Hidden";
                         });

TEST_P(CopyFileTo, CopiesContentModeAndModificationTime)
{
    const struct
    {
        const char *name;
        QByteArray content;
        mode_t mode;
    } rows[] = {
        {"plain.eml", "Subject: x\r\n\r\nbody\r\n", 0640},
        {"empty.eml", "", 0600},
        {"read-only.emlx", "12\nSubject: y\n", 0444},
        {"Ünïcødé 日本 \xF0\x9F\x98\x80.eml", "z", 0755},
        // Bits the creation mask holds are taken away, as by a copy that keeps no modes.
        {"shared.eml", "w", 0666},
    };
    for (const auto &row : rows) {
        SCOPED_TRACE(row.name);
        const QString name = QString::fromUtf8(row.name);
        const QString from = source(name, row.content, row.mode);
        QString reason;
        ASSERT_TRUE(copy(from, out(name), false, &reason)) << reason.toStdString();
        EXPECT_EQ(testsupport::readAll(out(name)), row.content);
        const struct stat copied = statOf(out(name));
        EXPECT_TRUE(S_ISREG(copied.st_mode));
        EXPECT_EQ(copied.st_mode & 07777, row.mode & ~StagedCopy::creationMask());
        EXPECT_EQ(copied.st_mtim.tv_sec, kOldTime.tv_sec);
        EXPECT_EQ(copied.st_mtim.tv_nsec, kOldTime.tv_nsec);
    }
    ASSERT_EQ(listing(m_out).size(), std::size(rows)) << listing(m_out).join(u' ').toStdString();
}

TEST_P(CopyFileTo, ReplacesAnExistingTargetWhole)
{
    const QString from = source(QStringLiteral("a.eml"), "new content");
    testsupport::writeFile(out(QStringLiteral("a.eml")), QByteArray(100000, 'o'));
    // A read-only copy from an earlier run is replaced as well.
    ASSERT_EQ(::chmod(encoded(out(QStringLiteral("a.eml"))).constData(), 0444), 0);
    QString reason;
    ASSERT_TRUE(copy(from, out(QStringLiteral("a.eml")), false, &reason)) << reason.toStdString();
    EXPECT_EQ(testsupport::readAll(out(QStringLiteral("a.eml"))), "new content");
    EXPECT_EQ(statOf(out(QStringLiteral("a.eml"))).st_mtim.tv_sec, kOldTime.tv_sec);
    EXPECT_EQ(statOf(out(QStringLiteral("a.eml"))).st_mode & 0777, 0640u);
    EXPECT_EQ(listing(m_out), QStringList{QStringLiteral("a.eml")});
}

// A run reads the header block through the descriptor it then copies from.
TEST_P(CopyFileTo, CopiesTheWholeFileWhateverWasReadThroughItsDescriptor)
{
    const QByteArray content = "Subject: x\r\n\r\n" + QByteArray(300000, 'b') + "end";
    const SourceFile file(source(QStringLiteral("a.eml"), content));
    MailMessage message;
    ASSERT_TRUE(message.Load(file));
    ASSERT_EQ(::lseek(file.descriptor(), 1000, SEEK_SET), 1000);
    StagedCopy staged(FileSystemCalls::system(), encoded(out(QStringLiteral("a.eml"))),
                      MessageBytes::wholeFile(file), GetParam());
    const Outcome<StagedCopy::Publication> published =
        staged.publish(encoded(out(QStringLiteral("a.eml"))));
    ASSERT_TRUE(published) << published.reason().toStdString();
    ASSERT_EQ(published.value(), StagedCopy::Publication::Published);
    EXPECT_EQ(testsupport::readAll(out(QStringLiteral("a.eml"))), content);
}

// Where nothing can be written, what the target is still decides the answer:
// "they are the same file" or "File exists" tells the user more than
// "permission denied".
TEST_P(CopyFileTo, JudgesTheTargetEvenWhereNothingCanBeWritten)
{
    const QString from = source(QStringLiteral("a.eml"), "content");
    const QString other = source(QStringLiteral("b.eml"), "other");
    const WriteProtectedFolder guard(m_in);
    if (!guard.active())
        GTEST_SKIP() << "cannot write-protect a folder here (immutable attribute refused)";

    QString reason;
    EXPECT_FALSE(copy(from, from, false, &reason));
    EXPECT_TRUE(reason.contains(QStringLiteral("same file"))) << reason.toStdString();
    EXPECT_FALSE(copy(from, other, true, &reason));
    EXPECT_TRUE(reason.contains(systemText(EEXIST))) << reason.toStdString();

    EXPECT_EQ(testsupport::readAll(from), "content");
    EXPECT_EQ(testsupport::readAll(other), "other");
}

TEST_P(CopyFileTo, ReplacesALinkAtTheTargetInsteadOfWritingThroughIt)
{
    const QString from = source(QStringLiteral("a.eml"), "new");
    const QString elsewhere = m_root.filePath(QStringLiteral("elsewhere.eml"));
    testsupport::writeFile(elsewhere, "keep me");
    ASSERT_EQ(::symlink(encoded(elsewhere).constData(),
                        encoded(out(QStringLiteral("a.eml"))).constData()),
              0);
    ASSERT_TRUE(copy(from, out(QStringLiteral("a.eml")), false));
    EXPECT_TRUE(S_ISREG(statOf(out(QStringLiteral("a.eml"))).st_mode));
    EXPECT_EQ(testsupport::readAll(out(QStringLiteral("a.eml"))), "new");
    EXPECT_EQ(testsupport::readAll(elsewhere), "keep me");
}

TEST_P(CopyFileTo, WithFailIfExistsCopiesOnlyToANewName)
{
    const QString from = source(QStringLiteral("a.eml"), "new");
    testsupport::writeFile(out(QStringLiteral("taken.eml")), "old");
    ASSERT_EQ(::symlink("nowhere", encoded(out(QStringLiteral("dangling.eml"))).constData()), 0);
    const QStringList before = listing(m_out);

    for (const char *taken : {"taken.eml", "dangling.eml"}) {
        SCOPED_TRACE(taken);
        QString reason;
        EXPECT_FALSE(copy(from, out(QString::fromUtf8(taken)), true, &reason));
        EXPECT_TRUE(reason.contains(systemText(EEXIST))) << reason.toStdString();
    }
    EXPECT_EQ(testsupport::readAll(out(QStringLiteral("taken.eml"))), "old");
    EXPECT_EQ(listing(m_out), before);

    QString reason;
    ASSERT_TRUE(copy(from, out(QStringLiteral("free.eml")), true, &reason)) << reason.toStdString();
    EXPECT_EQ(testsupport::readAll(out(QStringLiteral("free.eml"))), "new");
}

TEST_P(CopyFileTo, CreatesNothingWhenTheSourceIsMissing)
{
    QString reason;
    EXPECT_FALSE(
        copy(m_in + QStringLiteral("/missing.eml"), out(QStringLiteral("a.eml")), false, &reason));
    EXPECT_TRUE(reason.contains(systemText(ENOENT))) << reason.toStdString();
    EXPECT_TRUE(reason.contains(QStringLiteral("missing.eml"))) << reason.toStdString();
    EXPECT_TRUE(listing(m_out).isEmpty());
}

TEST_P(CopyFileTo, NeverWritesOntoTheSourceUnderAnySpelling)
{
    const QByteArray content = "Subject: mine\r\n\r\nprecious\r\n";
    const QString from = source(QStringLiteral("a.eml"), content);
    ASSERT_EQ(
        ::symlink(encoded(from).constData(), encoded(out(QStringLiteral("link.eml"))).constData()),
        0);
    ASSERT_EQ(
        ::link(encoded(from).constData(), encoded(out(QStringLiteral("hard.eml"))).constData()), 0);
    ASSERT_EQ(::symlink(encoded(m_in).constData(),
                        encoded(m_root.filePath(QStringLiteral("linked-in"))).constData()),
              0);
    const struct stat before = statOf(from);
    const QStringList outBefore = listing(m_out);
    const QStringList inBefore = listing(m_in);

    const struct
    {
        const char *what;
        QString source;
        QString target;
    } rows[] = {
        {"the same path", from, from},
        {"a dot-dot spelling", from, m_in + QStringLiteral("/../in/a.eml")},
        {"doubled slashes", from, m_in + QStringLiteral("//a.eml")},
        {"a linked folder", from, m_root.filePath(QStringLiteral("linked-in/a.eml"))},
        {"a link to the source", from, out(QStringLiteral("link.eml"))},
        {"a second hard link", from, out(QStringLiteral("hard.eml"))},
        {"the source given by a link", out(QStringLiteral("link.eml")), from},
    };
    for (const auto &row : rows) {
        for (const bool failIfExists : {false, true}) {
            SCOPED_TRACE(std::string(row.what) + (failIfExists ? " fail-if-exists" : ""));
            QString reason;
            EXPECT_FALSE(copy(row.source, row.target, failIfExists, &reason));
            EXPECT_TRUE(reason.contains(QStringLiteral("same file"))) << reason.toStdString();
        }
    }
    const struct stat after = statOf(from);
    EXPECT_EQ(testsupport::readAll(from), content);
    EXPECT_EQ(after.st_ino, before.st_ino);
    EXPECT_EQ(after.st_mtim.tv_nsec, before.st_mtim.tv_nsec);
    EXPECT_EQ(after.st_ctim.tv_nsec, before.st_ctim.tv_nsec);
    EXPECT_EQ(listing(m_out), outBefore);
    EXPECT_EQ(listing(m_in), inBefore);
}

TEST_P(CopyFileTo, RefusesSourcesThatAreNotRegularFilesWithoutBlocking)
{
    const QString fifo = m_in + QStringLiteral("/fifo.eml");
    ASSERT_EQ(::mkfifo(encoded(fifo).constData(), 0644), 0);
    const struct
    {
        QString source;
        const char *reasonPart;
    } rows[] = {
        // No process ever opens the fifo for writing: a blocking open would hang.
        {fifo, "not a regular file"},
        {QStringLiteral("/dev/null"), "not a regular file"},
        {m_in, "folder"},
    };
    for (const auto &row : rows) {
        SCOPED_TRACE(row.source.toStdString());
        QString reason;
        EXPECT_FALSE(copy(row.source, out(QStringLiteral("a.eml")), false, &reason));
        EXPECT_TRUE(reason.contains(QString::fromUtf8(row.reasonPart))) << reason.toStdString();
    }
    EXPECT_TRUE(listing(m_out).isEmpty());
}

TEST_P(CopyFileTo, FailsCleanlyOnTargetsThatCannotBeMade)
{
    const QString from = source(QStringLiteral("a.eml"), "content");
    testsupport::writeFile(out(QStringLiteral("file.eml")), "x");
    ASSERT_TRUE(QDir().mkpath(out(QStringLiteral("folder.eml"))));
    const QStringList before = listing(m_out);
    const QString longest = QStringLiteral("x").repeated(251) + QStringLiteral(".eml");
    const struct
    {
        const char *what;
        QString target;
        int error;
    } rows[] = {
        {"missing folder", out(QStringLiteral("missing/a.eml")), ENOENT},
        {"a file as folder", out(QStringLiteral("file.eml/a.eml")), ENOTDIR},
        {"a folder as target", out(QStringLiteral("folder.eml")), EISDIR},
        {"a name of 256 bytes", out(u'x' + longest), ENAMETOOLONG},
        {"a name holding NUL", out(QStringLiteral("a") + QChar(0) + QStringLiteral("b.eml")),
         EINVAL},
    };
    for (const auto &row : rows) {
        SCOPED_TRACE(row.what);
        QString reason;
        EXPECT_FALSE(copy(from, row.target, false, &reason));
        EXPECT_TRUE(reason.contains(systemText(row.error))) << reason.toStdString();
        EXPECT_EQ(listing(m_out), before);
    }
    EXPECT_TRUE(QFileInfo(out(QStringLiteral("folder.eml"))).isDir());
}

TEST_P(CopyFileTo, TakesANameOfExactly255Bytes)
{
    // The hidden staging name must still fit beside such a name.
    const QString name = QString::fromUtf8("日").repeated(83) + QStringLiteral("xx.eml");
    ASSERT_EQ(encoded(name).size(), 255);
    const QString from = source(QStringLiteral("a.eml"), "content");
    testsupport::writeFile(out(name), "old");
    QString reason;
    ASSERT_TRUE(copy(from, out(name), false, &reason)) << reason.toStdString();
    EXPECT_EQ(testsupport::readAll(out(name)), "content");
    EXPECT_EQ(listing(m_out), QStringList{name});
}

TEST_P(CopyFileTo, RejectsEmptyPathsWithAReason)
{
    const QString from = source(QStringLiteral("a.eml"), "content");
    for (const auto &[source, target] :
         {std::pair{QString(), out(QStringLiteral("a.eml"))}, std::pair{from, QString()}}) {
        QString reason;
        EXPECT_FALSE(copy(source, target, false, &reason));
        EXPECT_FALSE(reason.isEmpty());
    }
    EXPECT_TRUE(listing(m_out).isEmpty());
}

TEST_P(CopyFileTo, LeavesNoTemporaryFileWhenTheTargetFolderIsWriteProtected)
{
    const QString from = source(QStringLiteral("a.eml"), "content");
    testsupport::writeFile(out(QStringLiteral("a.eml")), "old");
    const WriteProtectedFolder protection(m_out);
    if (!protection.active())
        GTEST_SKIP() << "cannot write-protect a folder here (immutable attribute refused)";
    QString reason;
    EXPECT_FALSE(copy(from, out(QStringLiteral("a.eml")), false, &reason));
    EXPECT_TRUE(reason.contains(systemText(EACCES)) || reason.contains(systemText(EPERM)))
        << reason.toStdString();
    EXPECT_EQ(listing(m_out), QStringList{QStringLiteral("a.eml")});
    EXPECT_EQ(testsupport::readAll(out(QStringLiteral("a.eml"))), "old");
}

TEST_P(CopyFileTo, KeepsTheOldTargetWhenAWriteFailsHalfway)
{
    const QString from = source(QStringLiteral("big.eml"), randomBytes(1 << 20));
    testsupport::writeFile(out(QStringLiteral("big.eml")), "old");
    QString reason;
    bool copied = false;
    {
        const FileSizeLimit limit(64 << 10);
        copied = copy(from, out(QStringLiteral("big.eml")), false, &reason);
    }
    EXPECT_FALSE(copied);
    EXPECT_TRUE(reason.contains(systemText(EFBIG))) << reason.toStdString();
    EXPECT_EQ(testsupport::readAll(out(QStringLiteral("big.eml"))), "old");
    EXPECT_EQ(listing(m_out), QStringList{QStringLiteral("big.eml")});
}

TEST_P(CopyFileTo, ReportsAFullDiskAndLeavesNothingOnIt)
{
    if (!testsupport::permissionsAreIgnored())
        GTEST_SKIP() << "mounting a small file system needs root";
    const PrivateFileSystem small(m_out, "size=256k");
    if (!small.mounted())
        GTEST_SKIP() << "cannot mount a private file system here";
    const QString big = source(QStringLiteral("big.eml"), randomBytes(1 << 20));
    testsupport::writeFile(out(QStringLiteral("big.eml")), "old");
    QString reason;
    EXPECT_FALSE(copy(big, out(QStringLiteral("big.eml")), false, &reason));
    EXPECT_TRUE(reason.contains(systemText(ENOSPC))) << reason.toStdString();
    EXPECT_EQ(testsupport::readAll(out(QStringLiteral("big.eml"))), "old");
    EXPECT_EQ(listing(m_out), QStringList{QStringLiteral("big.eml")});

    // A file that fits crosses file systems, where the kernel's copy call refuses.
    const QString fits = source(QStringLiteral("small.eml"), randomBytes(64 << 10), 0604);
    ASSERT_TRUE(copy(fits, out(QStringLiteral("small.eml")), false, &reason))
        << reason.toStdString();
    EXPECT_EQ(testsupport::readAll(out(QStringLiteral("small.eml"))), testsupport::readAll(fits));
    EXPECT_EQ(statOf(out(QStringLiteral("small.eml"))).st_mtim.tv_nsec, kOldTime.tv_nsec);
    EXPECT_EQ(statOf(out(QStringLiteral("small.eml"))).st_mode & 0777, 0604u);
}

TEST_P(CopyFileTo, ReportsAReadOnlyFileSystem)
{
    if (!testsupport::permissionsAreIgnored())
        GTEST_SKIP() << "mounting a file system needs root";
    const PrivateFileSystem readOnly(m_out, "size=64k");
    if (!readOnly.mounted())
        GTEST_SKIP() << "cannot mount a private file system here";
    ASSERT_EQ(
        ::mount(nullptr, encoded(m_out).constData(), nullptr, MS_REMOUNT | MS_RDONLY, nullptr), 0);
    const QString from = source(QStringLiteral("a.eml"), "content");
    QString reason;
    EXPECT_FALSE(copy(from, out(QStringLiteral("a.eml")), false, &reason));
    EXPECT_TRUE(reason.contains(systemText(EROFS))) << reason.toStdString();
    EXPECT_TRUE(listing(m_out).isEmpty());
}

TEST_P(CopyFileTo, CopiesALargeFileByteForByte)
{
    const QByteArray content = randomBytes(20 << 20) + "tail";
    const QString from = source(QStringLiteral("large.eml"), content);
    QString reason;
    ASSERT_TRUE(copy(from, out(QStringLiteral("large.eml")), false, &reason))
        << reason.toStdString();
    EXPECT_TRUE(testsupport::readAll(out(QStringLiteral("large.eml"))) == content);
    EXPECT_EQ(statOf(out(QStringLiteral("large.eml"))).st_mtim.tv_nsec, kOldTime.tv_nsec);
}

TEST_P(CopyFileTo, CopiesAFileWhoseSizeShowsOnlyWhenRead)
{
    // /proc reports a size of 0, and the kernel's copy calls copy nothing.
    const QString from = QStringLiteral("/proc/self/cmdline");
    const QByteArray content = testsupport::readAll(from);
    ASSERT_FALSE(content.isEmpty());
    QString reason;
    ASSERT_TRUE(copy(from, out(QStringLiteral("cmdline.eml")), false, &reason))
        << reason.toStdString();
    EXPECT_EQ(testsupport::readAll(out(QStringLiteral("cmdline.eml"))), content);
}

TEST_P(CopyFileTo, LeavesTheOldTargetWholeWhenTheProcessIsKilledMidCopy)
{
    const QString from = source(QStringLiteral("big.eml"), randomBytes(1 << 20));
    testsupport::writeFile(out(QStringLiteral("big.eml")), "old");
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        // Passing the file size limit kills the process in the middle of the
        // write, as any signal could.
        const rlimit noCore = {0, 0};
        ::setrlimit(RLIMIT_CORE, &noCore);
        std::signal(SIGXFSZ, SIG_DFL);
        rlimit limit = {};
        ::getrlimit(RLIMIT_FSIZE, &limit);
        limit.rlim_cur = 64 << 10;
        ::setrlimit(RLIMIT_FSIZE, &limit);
        (void)copy(from, out(QStringLiteral("big.eml")), false);
        ::_exit(0);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFSIGNALED(status)) << "the copy was not interrupted";
    EXPECT_EQ(WTERMSIG(status), SIGXFSZ);
    EXPECT_EQ(testsupport::readAll(out(QStringLiteral("big.eml"))), "old");

    QStringList leftovers = listing(m_out);
    leftovers.removeOne(QStringLiteral("big.eml"));
    if (GetParam() == filecopy::Staging::Unnamed) {
        EXPECT_TRUE(leftovers.isEmpty()) << leftovers.join(u' ').toStdString();
    } else {
        // The hidden file's one weakness: a killed process cannot remove it.
        ASSERT_EQ(leftovers.size(), 1);
        EXPECT_TRUE(leftovers.first().startsWith(QStringLiteral(".big.eml.")));
        EXPECT_TRUE(leftovers.first().endsWith(QStringLiteral(".letterfold-tmp")));
        // Its writer is gone, so the next copy staged in the folder removes it.
        ASSERT_TRUE(copy(from, out(QStringLiteral("next.eml")), false));
        EXPECT_EQ(listing(m_out),
                  (QStringList{QStringLiteral("big.eml"), QStringLiteral("next.eml")}));
    }
}
