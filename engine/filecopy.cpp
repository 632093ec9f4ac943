// SPDX-License-Identifier: MIT
#include "filecopy.h"

#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <memory>
#include <QByteArray>
#include <QFile>
#include <QRandomGenerator>
#include <QScopeGuard>
#include <sys/sendfile.h>
#include <sys/stat.h>
#include <unistd.h>

namespace filecopy {

namespace {

// Larger requests are capped by the kernel anyway; a loop handles the rest.
constexpr size_t kChunkBytes = size_t(1) << 30;
constexpr size_t kBufferBytes = size_t(128) << 10;
constexpr int kNameAttempts = 100;
constexpr char kTemporarySuffix[] = ".letterfold-tmp";
constexpr qsizetype kMaxNameBytes = 255;

class FileDescriptor
{
public:
    explicit FileDescriptor(int fd = -1) : m_fd(fd) {}
    ~FileDescriptor()
    {
        if (m_fd >= 0)
            ::close(m_fd);
    }
    FileDescriptor(const FileDescriptor &) = delete;
    FileDescriptor &operator=(const FileDescriptor &) = delete;
    FileDescriptor &operator=(FileDescriptor &&other) noexcept
    {
        std::swap(m_fd, other.m_fd);
        return *this;
    }

    [[nodiscard]] bool isOpen() const { return m_fd >= 0; }
    [[nodiscard]] int get() const { return m_fd; }
    // Closes now and reports the error close() gives, such as a deferred
    // write error of a network file system.
    [[nodiscard]] int close()
    {
        const int result = ::close(m_fd);
        m_fd = -1;
        return result;
    }

private:
    int m_fd;
};

bool fail(QString *reason, const QString &text)
{
    if (reason)
        *reason = text;
    return false;
}

QString readFailure(const QString &path, int error)
{
    return QStringLiteral("Cannot read %1: %2").arg(path, qt_error_string(error));
}

QString writeFailure(const QString &path, int error)
{
    return QStringLiteral("Cannot write %1: %2").arg(path, qt_error_string(error));
}

QByteArray folderOf(const QByteArray &path)
{
    const qsizetype slash = path.lastIndexOf('/');
    if (slash < 0)
        return QByteArrayLiteral(".");
    return slash == 0 ? QByteArrayLiteral("/") : path.left(slash);
}

// A fresh hidden name beside the target that no one else is likely to pick.
QByteArray temporaryPath(const QByteArray &targetPath)
{
    const qsizetype slash = targetPath.lastIndexOf('/');
    QByteArray name = targetPath.mid(slash + 1);
    const qsizetype overhead = 2 + 12 + qsizetype(sizeof kTemporarySuffix - 1);
    qsizetype keep = std::min(name.size(), kMaxNameBytes - overhead);
    // Cut at a character boundary so the name stays readable UTF-8.
    while (keep > 0 && keep < name.size() && (uchar(name.at(keep)) & 0xC0) == 0x80)
        --keep;
    name.truncate(keep);

    static constexpr char kDigits[] = "0123456789abcdefghijklmnopqrstuvwxyz";
    quint64 bits = QRandomGenerator::global()->generate64();
    QByteArray random(12, '0');
    for (char &c : random) {
        c = kDigits[bits % 36];
        bits /= 36;
    }
    return targetPath.left(slash + 1) + '.' + name + '.' + random + kTemporarySuffix;
}

// /proc/self/fd is how an unprivileged process gives an unnamed file a name.
bool unnamedFilesCanBeLinked()
{
    static const bool available = ::access("/proc/self/fd", X_OK) == 0;
    return available;
}

int linkUnnamed(int fd, const QByteArray &path)
{
    char procPath[40];
    std::snprintf(procPath, sizeof procPath, "/proc/self/fd/%d", fd);
    return ::linkat(AT_FDCWD, procPath, AT_FDCWD, path.constData(), AT_SYMLINK_FOLLOW);
}

// Errors with which open() says that it cannot make unnamed files here.
bool meansNoUnnamedFiles(int error)
{
    return error == EOPNOTSUPP || error == EISDIR || error == EINVAL;
}

// Errors with which a copy call says "not between these two files", as
// opposed to a real failure of reading or writing.
bool meansTryAnotherWay(int error)
{
    return error == EXDEV || error == ENOSYS || error == EINVAL || error == EOPNOTSUPP ||
           error == EAGAIN;
}

bool writeAll(int out, const char *data, ssize_t size, int *error)
{
    while (size > 0) {
        const ssize_t written = ::write(out, data, size_t(size));
        if (written < 0) {
            if (errno == EINTR)
                continue;
            *error = errno;
            return false;
        }
        data += written;
        size -= written;
    }
    return true;
}

// Copies from the current offset of in to the end of the file.
bool copyContent(int in, int out, off_t sizeHint, int *error)
{
    enum class Method
    {
        CopyFileRange,
        SendFile,
        ReadWrite
    };
    Method method = Method::CopyFileRange;
    std::unique_ptr<char[]> buffer;
    off_t copied = 0;
    for (;;) {
        ssize_t n = 0;
        switch (method) {
        case Method::CopyFileRange:
            n = ::copy_file_range(in, nullptr, out, nullptr, kChunkBytes, 0);
            break;
        case Method::SendFile:
            n = ::sendfile(out, in, nullptr, kChunkBytes);
            break;
        case Method::ReadWrite:
            if (!buffer)
                buffer = std::make_unique<char[]>(kBufferBytes);
            n = ::read(in, buffer.get(), kBufferBytes);
            if (n > 0 && !writeAll(out, buffer.get(), n, error))
                return false;
            break;
        }
        if (n > 0) {
            copied += n;
            // The size fstat saw is the size of the copy; stopping there saves
            // a call per file. A file that grows meanwhile is copied as it was.
            if (method != Method::ReadWrite && copied >= sizeHint)
                return true;
            continue;
        }
        if (n == 0) {
            // The kernel's copy calls also answer 0 for files whose size shows
            // only when read (/proc, /sys, some FUSE), so reading confirms the end.
            if (method == Method::ReadWrite || (copied > 0 && copied >= sizeHint))
                return true;
            method = Method::ReadWrite;
            continue;
        }
        const int failure = errno;
        if (failure == EINTR)
            continue;
        if (failure == EAGAIN) {
            // The source was opened non-blocking, which matters on some network
            // and FUSE file systems; from now on let reads wait.
            const int flags = ::fcntl(in, F_GETFL);
            if (flags >= 0 && (flags & O_NONBLOCK) &&
                ::fcntl(in, F_SETFL, flags & ~O_NONBLOCK) == 0)
                continue;
        }
        if (method == Method::ReadWrite || !meansTryAnotherWay(failure)) {
            *error = failure;
            return false;
        }
        method = method == Method::CopyFileRange ? Method::SendFile : Method::ReadWrite;
    }
}

FileDescriptor createHidden(const QByteArray &targetPath, QByteArray *hiddenPath, int *error)
{
    for (int attempt = 0; attempt < kNameAttempts; ++attempt) {
        *hiddenPath = temporaryPath(targetPath);
        const int fd = ::open(hiddenPath->constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC,
                              S_IRUSR | S_IWUSR);
        if (fd >= 0)
            return FileDescriptor(fd);
        if (errno != EEXIST)
            break;
    }
    *error = errno;
    hiddenPath->clear();
    return FileDescriptor();
}

bool linkUnderHiddenName(int fd, const QByteArray &targetPath, QByteArray *hiddenPath, int *error)
{
    for (int attempt = 0; attempt < kNameAttempts; ++attempt) {
        *hiddenPath = temporaryPath(targetPath);
        if (linkUnnamed(fd, *hiddenPath) == 0)
            return true;
        if (errno != EEXIST)
            break;
    }
    *error = errno;
    hiddenPath->clear();
    return false;
}

} // namespace

bool copyFile(const QString &source, const QString &target, bool failIfExists, Staging staging,
              QString *reason)
{
    if (source.isEmpty())
        return fail(reason, QStringLiteral("No file to copy was given"));
    if (target.isEmpty())
        return fail(reason, QStringLiteral("No name to copy %1 to was given").arg(source));
    // The system would read a name only up to its first NUL: another file.
    if (source.contains(QChar(0)))
        return fail(reason, readFailure(source, EINVAL));
    if (target.contains(QChar(0)))
        return fail(reason, writeFailure(target, EINVAL));
    const QByteArray sourcePath = QFile::encodeName(source);
    const QByteArray targetPath = QFile::encodeName(target);

    // Non-blocking, so that opening a fifo does not wait for a writer.
    const FileDescriptor in(
        ::open(sourcePath.constData(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK));
    if (!in.isOpen())
        return fail(reason, readFailure(source, errno));
    struct stat sourceStat = {};
    if (::fstat(in.get(), &sourceStat) != 0)
        return fail(reason, readFailure(source, errno));
    if (S_ISDIR(sourceStat.st_mode))
        return fail(reason, QStringLiteral("Cannot copy %1: it is a folder").arg(source));
    if (!S_ISREG(sourceStat.st_mode))
        return fail(reason, QStringLiteral("Cannot copy %1: it is not a regular file").arg(source));

    // Following links here catches every spelling of the source: a link to it,
    // "a/../a", a linked folder, a second hard link.
    struct stat targetStat = {};
    const bool targetExists = ::stat(targetPath.constData(), &targetStat) == 0;
    if (targetExists) {
        if (targetStat.st_dev == sourceStat.st_dev && targetStat.st_ino == sourceStat.st_ino)
            return fail(
                reason,
                QStringLiteral("Cannot copy %1 to %2: they are the same file").arg(source, target));
        if (failIfExists)
            return fail(reason, writeFailure(target, EEXIST));
        if (S_ISDIR(targetStat.st_mode))
            return fail(reason, writeFailure(target, EISDIR));
    } else if (errno != ENOENT) {
        return fail(reason, writeFailure(target, errno));
    }

    FileDescriptor out;
    bool unnamed = false;
    if (staging == Staging::Unnamed && unnamedFilesCanBeLinked()) {
        out = FileDescriptor(::open(folderOf(targetPath).constData(),
                                    O_TMPFILE | O_WRONLY | O_CLOEXEC, S_IRUSR | S_IWUSR));
        unnamed = out.isOpen();
        if (!unnamed && !meansNoUnnamedFiles(errno))
            return fail(reason, writeFailure(target, errno));
    }
    // Whatever hidden name the content gets goes again on every way out but success.
    QByteArray hiddenPath;
    auto removeHidden = qScopeGuard([&hiddenPath] {
        if (!hiddenPath.isEmpty())
            ::unlink(hiddenPath.constData());
    });
    int error = 0;
    if (!unnamed) {
        out = createHidden(targetPath, &hiddenPath, &error);
        if (!out.isOpen())
            return fail(reason, writeFailure(target, error));
    }

    if (!copyContent(in.get(), out.get(), sourceStat.st_size, &error))
        return fail(
            reason,
            QStringLiteral("Cannot copy %1 to %2: %3").arg(source, target, qt_error_string(error)));

    // Best effort: a file system such as FAT cannot hold every mode, and the
    // content is what the copy is for. Special bits are not carried over.
    (void)::fchmod(out.get(), sourceStat.st_mode & (S_IRWXU | S_IRWXG | S_IRWXO));
    const timespec times[2] = {{0, UTIME_OMIT}, sourceStat.st_mtim};
    (void)::futimens(out.get(), times);

    if (unnamed) {
        // A link fails on an existing name, which makes it the fail-if-exists
        // test and, when the target is new, the whole publication. A target
        // seen above cannot take a link, so that call is saved.
        if (!targetExists) {
            if (linkUnnamed(out.get(), targetPath) == 0)
                return true;
            if (errno != EEXIST || failIfExists)
                return fail(reason, writeFailure(target, errno));
        }
        if (!linkUnderHiddenName(out.get(), targetPath, &hiddenPath, &error))
            return fail(reason, writeFailure(target, error));
    } else if (out.close() != 0) {
        return fail(reason, writeFailure(target, errno));
    }

    if (failIfExists) {
        if (::renameat2(AT_FDCWD, hiddenPath.constData(), AT_FDCWD, targetPath.constData(),
                        RENAME_NOREPLACE) == 0) {
            removeHidden.dismiss();
            return true;
        }
        // Without RENAME_NOREPLACE, a hard link is the other call that refuses
        // an existing name; the hidden name then goes with the guard.
        if ((errno != EINVAL && errno != ENOSYS) ||
            ::link(hiddenPath.constData(), targetPath.constData()) != 0)
            return fail(reason, writeFailure(target, errno));
        return true;
    }
    if (::rename(hiddenPath.constData(), targetPath.constData()) != 0)
        return fail(reason, writeFailure(target, errno));
    removeHidden.dismiss();
    return true;
}

} // namespace filecopy
