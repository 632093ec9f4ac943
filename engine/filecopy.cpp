// SPDX-License-Identifier: MIT
#include "filecopy.h"

#include "filedescriptor.h"
#include "fileidentity.h"
#include "sourcefile.h"

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

// Copies the file in, from its start, to the end of out. Offsets are given
// explicitly so that what read the file before (its header block) does not
// matter.
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
    off_t position = 0;
    for (;;) {
        ssize_t n = 0;
        switch (method) {
        case Method::CopyFileRange:
            n = ::copy_file_range(in, &position, out, nullptr, kChunkBytes, 0);
            break;
        case Method::SendFile:
            n = ::sendfile(out, in, &position, kChunkBytes);
            break;
        case Method::ReadWrite:
            if (!buffer)
                buffer = std::make_unique<char[]>(kBufferBytes);
            n = ::pread(in, buffer.get(), kBufferBytes, position);
            if (n > 0) {
                if (!writeAll(out, buffer.get(), n, error))
                    return false;
                position += n;
            }
            break;
        }
        if (n > 0) {
            // The size fstat saw is the size of the copy; stopping there saves
            // a call per file. A file that grows meanwhile is copied as it was.
            if (method != Method::ReadWrite && position >= sizeHint)
                return true;
            continue;
        }
        if (n == 0) {
            // The kernel's copy calls also answer 0 for files whose size shows
            // only when read (/proc, /sys, some FUSE), so reading confirms the end.
            if (method == Method::ReadWrite || (position > 0 && position >= sizeHint))
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

// The permission bits a copy keeps: not set-user-ID, set-group-ID or sticky.
mode_t keptMode(mode_t mode)
{
    return mode & (S_IRWXU | S_IRWXG | S_IRWXO);
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

namespace {

Result failed(QString *reason, const QString &text)
{
    fail(reason, text);
    return Result::Failed;
}

// Whether a file that has the target's name may be replaced. It never may
// when it is the source itself, under whatever spelling.
Result judgeExisting(const SourceFile &source, const QString &target, const struct stat &existing,
                     const Options &options, QString *reason)
{
    if (options.mayReplace) {
        const QString refusal = options.mayReplace(existing);
        if (!refusal.isEmpty()) {
            fail(reason, refusal);
            return Result::Refused;
        }
    }
    if (FileIdentity::of(existing) == FileIdentity::of(source.status()))
        return failed(reason, QStringLiteral("Cannot copy %1 to %2: they are the same file")
                                  .arg(source.path(), target));
    if (options.failIfExists)
        return failed(reason, writeFailure(target, EEXIST));
    if (S_ISDIR(existing.st_mode))
        return failed(reason, writeFailure(target, EISDIR));
    return Result::Copied;
}

// Looks at what has the target's name now. Copied means there is nothing, or
// something that may be replaced (*exists tells which); else the copy ends so.
Result lookAtTarget(const SourceFile &source, const QString &target, const QByteArray &targetPath,
                    const Options &options, bool *exists, QString *reason)
{
    // Following links here catches every spelling of the source: a link to it,
    // "a/../a", a linked folder, a second hard link.
    struct stat existing = {};
    *exists = ::stat(targetPath.constData(), &existing) == 0;
    if (*exists)
        return judgeExisting(source, target, existing, options, reason);
    // A dangling link has the name too; it is replaced like any other file.
    if (errno != ENOENT)
        return failed(reason, writeFailure(target, errno));
    return Result::Copied;
}

} // namespace

Result copyFile(const SourceFile &source, const QString &target, const Options &options,
                QString *reason)
{
    if (source.path().isEmpty())
        return failed(reason, QStringLiteral("No file to copy was given"));
    if (target.isEmpty())
        return failed(reason, QStringLiteral("No name to copy %1 to was given").arg(source.path()));
    // The system would read a name only up to its first NUL: another file.
    if (source.path().contains(QChar(0)))
        return failed(reason, readFailure(source.path(), EINVAL));
    if (target.contains(QChar(0)))
        return failed(reason, writeFailure(target, EINVAL));
    if (source.error() != 0)
        return failed(reason, readFailure(source.path(), source.error()));
    if (source.isFolder())
        return failed(reason, QStringLiteral("Cannot copy %1: it is a folder").arg(source.path()));
    if (!source.isRegular())
        return failed(
            reason, QStringLiteral("Cannot copy %1: it is not a regular file").arg(source.path()));
    const QByteArray targetPath = QFile::encodeName(target);
    const struct stat &sourceStat = source.status();
    const mode_t mode = keptMode(sourceStat.st_mode);

    // A new name is the common case, and linking an unnamed file in fails on
    // an existing one, so then the target is looked at only if the link finds
    // it. Otherwise it is judged before anything is written: with failIfExists
    // nothing is to be written at all when it exists, and a hidden file is put
    // in place by a rename that does not ask.
    const bool unnamedPossible = options.staging == Staging::Unnamed && unnamedFilesCanBeLinked();
    bool targetExists = false;
    bool targetJudged = false;
    const auto judgeTarget = [&]() {
        targetJudged = true;
        return lookAtTarget(source, target, targetPath, options, &targetExists, reason);
    };
    if (!unnamedPossible || options.failIfExists) {
        if (const Result seen = judgeTarget(); seen != Result::Copied)
            return seen;
    }
    // A write that fails before the target was looked at must not hide what
    // counts more: that the target is the source or a message to be kept.
    const auto failWriting = [&](const QString &text) {
        if (!targetJudged) {
            if (const Result seen = judgeTarget(); seen != Result::Copied)
                return seen;
        }
        return failed(reason, text);
    };

    FileDescriptor out;
    bool unnamed = false;
    if (unnamedPossible) {
        out = FileDescriptor(::open(folderOf(targetPath).constData(),
                                    O_TMPFILE | O_WRONLY | O_CLOEXEC, S_IRUSR | S_IWUSR));
        unnamed = out.isOpen();
        if (!unnamed && !meansNoUnnamedFiles(errno))
            return failWriting(writeFailure(target, errno));
    }
    if (!unnamed && !targetJudged) {
        if (const Result seen = judgeTarget(); seen != Result::Copied)
            return seen;
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
            return failed(reason, writeFailure(target, error));
    }

    if (!copyContent(source.descriptor(), out.get(), sourceStat.st_size, &error))
        return failWriting(QStringLiteral("Cannot copy %1 to %2: %3")
                               .arg(source.path(), target, qt_error_string(error)));

    // Best effort: a file system such as FAT cannot hold every mode, and the
    // content is what the copy is for. Special bits are not carried over.
    (void)::fchmod(out.get(), mode);
    const timespec times[2] = {{0, UTIME_OMIT}, sourceStat.st_mtim};
    (void)::futimens(out.get(), times);

    if (unnamed) {
        // A link fails on an existing name, which makes it the fail-if-exists
        // test and, when the target is new, the whole publication. A target
        // seen above cannot take a link, so that call is saved.
        if (!targetExists) {
            if (linkUnnamed(out.get(), targetPath) == 0)
                return Result::Copied;
            if (errno != EEXIST || options.failIfExists)
                return failWriting(writeFailure(target, errno));
        }
        if (!targetJudged) {
            if (const Result seen = judgeTarget(); seen != Result::Copied)
                return seen;
        }
        if (!linkUnderHiddenName(out.get(), targetPath, &hiddenPath, &error))
            return failed(reason, writeFailure(target, error));
    } else if (out.close() != 0) {
        return failed(reason, writeFailure(target, errno));
    }

    if (options.failIfExists) {
        if (::renameat2(AT_FDCWD, hiddenPath.constData(), AT_FDCWD, targetPath.constData(),
                        RENAME_NOREPLACE) == 0) {
            removeHidden.dismiss();
            return Result::Copied;
        }
        // Without RENAME_NOREPLACE, a hard link is the other call that refuses
        // an existing name; the hidden name then goes with the guard.
        if ((errno != EINVAL && errno != ENOSYS) ||
            ::link(hiddenPath.constData(), targetPath.constData()) != 0)
            return failed(reason, writeFailure(target, errno));
        return Result::Copied;
    }
    if (::rename(hiddenPath.constData(), targetPath.constData()) != 0)
        return failed(reason, writeFailure(target, errno));
    removeHidden.dismiss();
    return Result::Copied;
}

bool copyFile(const QString &source, const QString &target, bool failIfExists, Staging staging,
              QString *reason)
{
    Options options;
    options.failIfExists = failIfExists;
    options.staging = staging;
    return copyFile(SourceFile(source), target, options, reason) == Result::Copied;
}

} // namespace filecopy
