// SPDX-License-Identifier: MIT
#include "stagedcopy.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <dirent.h>
#include <fcntl.h>
#include <memory>
#include <QFile>
#include <QRandomGenerator>
#include <sys/file.h>
#include <sys/sendfile.h>
#include <unistd.h>

namespace {

// Larger requests are capped by the kernel anyway; a loop handles the rest.
constexpr off_t kChunkBytes = off_t(1) << 30;
constexpr size_t kBufferBytes = size_t(128) << 10;
constexpr int kNameAttempts = 100;
constexpr char kTemporarySuffix[] = ".letterfold-tmp";
constexpr qsizetype kMaxNameBytes = 255;

mode_t readCreationMask()
{
    // The status file tells the mask without changing it.
    if (FILE *status = std::fopen("/proc/self/status", "re")) {
        char line[256];
        unsigned int mask = 0;
        bool found = false;
        while (!found && std::fgets(line, sizeof line, status))
            found = std::sscanf(line, "Umask: %o", &mask) == 1;
        std::fclose(status);
        if (found)
            return mode_t(mask) & 0777;
    }
    // Elsewhere it can only be read by setting it, which is safe only while no
    // other thread can create files: at load time, as here.
    const mode_t mask = ::umask(022);
    ::umask(mask);
    return mask;
}

// Read when the engine is loaded, before any thread exists: umask() changes the
// mask of the whole process, so calling it later could race a file creation.
const mode_t kCreationMask = readCreationMask();

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

bool isHiddenStagingName(const char *name)
{
    const QByteArrayView view(name);
    return view.startsWith('.') && view.size() > qsizetype(sizeof kTemporarySuffix) &&
           view.endsWith(kTemporarySuffix);
}

// /proc/self/fd is how an unprivileged process gives an unnamed file a name.
bool unnamedFilesCanBeLinked()
{
    static const bool available = ::access("/proc/self/fd", X_OK) == 0;
    return available;
}

QByteArray procPath(int fd)
{
    return QByteArrayLiteral("/proc/self/fd/") + QByteArray::number(fd);
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

// Errors with which a file system says that it has no hard links.
bool meansNoLinks(int error)
{
    return error == EPERM || error == EOPNOTSUPP || error == ENOSYS || error == EMLINK;
}

bool sameFile(const struct stat &a, const struct stat &b)
{
    return a.st_dev == b.st_dev && a.st_ino == b.st_ino;
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

// Copies bytes to the end of out. A whole file is copied to its end as the
// kernel's copy calls see it, or, for files whose size shows only when read
// (/proc, /sys, some FUSE), as far as reading goes; a range exactly.
bool copyBytes(const MessageBytes &bytes, int out, int *error)
{
    enum class Method
    {
        CopyFileRange,
        SendFile,
        ReadWrite
    };
    Method method = Method::CopyFileRange;
    std::unique_ptr<char[]> buffer;
    const int in = bytes.descriptor;
    const off_t end = bytes.offset + bytes.length;
    off_t position = bytes.offset;
    if (!bytes.untilEnd && bytes.length == 0)
        return true;
    for (;;) {
        const off_t wanted = bytes.untilEnd ? kChunkBytes : std::min(kChunkBytes, end - position);
        ssize_t n = 0;
        switch (method) {
        case Method::CopyFileRange:
            n = ::copy_file_range(in, &position, out, nullptr, size_t(wanted), 0);
            break;
        case Method::SendFile:
            n = ::sendfile(out, in, &position, size_t(wanted));
            break;
        case Method::ReadWrite:
            if (!buffer)
                buffer = std::make_unique<char[]>(kBufferBytes);
            n = ::pread(in, buffer.get(), size_t(std::min<off_t>(wanted, kBufferBytes)), position);
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
            if (position >= end && (method != Method::ReadWrite || !bytes.untilEnd))
                return true;
            continue;
        }
        if (n == 0) {
            // The kernel's copy calls also answer 0 for files whose size shows
            // only when read, so reading confirms the end.
            if (method == Method::ReadWrite) {
                if (bytes.untilEnd)
                    return true;
                // The file is shorter than the message it was said to hold.
                *error = EIO;
                return false;
            }
            if (bytes.untilEnd && position > bytes.offset && position >= end)
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

void applyAttributes(int fd, const MessageBytes &bytes)
{
    // Best effort: a file system such as FAT cannot hold every mode. Special
    // bits are not carried over. Set on every copy, because a folder's default
    // ACL also shapes a new file's mode.
    (void)::fchmod(fd, bytes.mode & (S_IRWXU | S_IRWXG | S_IRWXO) & ~kCreationMask);
    const timespec times[2] = {{0, UTIME_OMIT}, bytes.modified};
    (void)::futimens(fd, times);
}

} // namespace

mode_t StagedCopy::creationMask()
{
    return kCreationMask;
}

StagedCopy::StagedCopy(FileSystemCalls &calls, const QByteArray &target, const MessageBytes &bytes,
                       Staging staging, QSet<QByteArray> *sweptFolders)
    : m_calls(calls), m_bytes(bytes)
{
    const QByteArray folder = folderOf(target);
    if (staging != Staging::Hidden && unnamedFilesCanBeLinked()) {
        m_fd = FileDescriptor(
            m_calls.open(folder.constData(), O_TMPFILE | O_WRONLY | O_CLOEXEC, S_IRUSR | S_IWUSR));
        m_unnamed = m_fd.isOpen();
        if (!m_unnamed && !meansNoUnnamedFiles(errno)) {
            fail(errno);
            return;
        }
    }
    if (!m_unnamed && staging == Staging::UnnamedOnly) {
        fail(EOPNOTSUPP);
        return;
    }
    if (!m_unnamed) {
        if (!sweptFolders || !sweptFolders->contains(folder)) {
            removeLeftovers(m_calls, folder);
            if (sweptFolders)
                sweptFolders->insert(folder);
        }
        if (!stageHidden(target))
            return;
    }
    int error = 0;
    if (!copyBytes(m_bytes, m_fd.get(), &error)) {
        m_failedCopying = true;
        fail(error);
        removeHidden();
        return;
    }
    applyAttributes(m_fd.get(), m_bytes);
}

QString StagedCopy::reasonFor(const QByteArray &target) const
{
    return (m_failedCopying ? QStringLiteral("cannot copy to %1: %2")
                            : QStringLiteral("cannot write %1: %2"))
        .arg(QFile::decodeName(target), systemReason(m_error));
}

StagedCopy::~StagedCopy()
{
    removeHidden();
}

bool StagedCopy::isUnnamedOn(dev_t device) const
{
    struct stat status = {};
    return m_unnamed && m_error == 0 && m_fd.isOpen() && ::fstat(m_fd.get(), &status) == 0 &&
           status.st_dev == device;
}

bool StagedCopy::fail(int error)
{
    m_error = error != 0 ? error : EIO;
    return false;
}

void StagedCopy::removeHidden()
{
    if (!m_hiddenPath.isEmpty())
        (void)m_calls.unlink(m_hiddenPath.constData());
    m_hiddenPath.clear();
}

bool StagedCopy::stageHidden(const QByteArray &target)
{
    for (int attempt = 0; attempt < kNameAttempts; ++attempt) {
        const QByteArray path = temporaryPath(target);
        FileDescriptor fd(m_calls.open(path.constData(),
                                       O_RDWR | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC,
                                       S_IRUSR | S_IWUSR));
        if (!fd.isOpen()) {
            if (errno == EEXIST)
                continue;
            return fail(errno);
        }
        // The lock tells a later run that this file's writer is alive. Where
        // the file system has no locks, no run can remove the file either.
        (void)::flock(fd.get(), LOCK_EX);
        // Another run may have found the file between its creation and the
        // lock, taken it for a leftover and removed it: then start over.
        struct stat named = {};
        struct stat held = {};
        if (m_calls.lookAt(path.constData(), &named) == 0 && ::fstat(fd.get(), &held) == 0 &&
            sameFile(named, held)) {
            m_fd = std::move(fd);
            m_hiddenPath = path;
            return true;
        }
    }
    return fail(EEXIST);
}

bool StagedCopy::giveHiddenName(const QByteArray &target)
{
    (void)::flock(m_fd.get(), LOCK_EX);
    const QByteArray unnamed = procPath(m_fd.get());
    for (int attempt = 0; attempt < kNameAttempts; ++attempt) {
        const QByteArray path = temporaryPath(target);
        if (m_calls.linkAt(AT_FDCWD, unnamed.constData(), path.constData(), AT_SYMLINK_FOLLOW) ==
            0) {
            m_hiddenPath = path;
            return true;
        }
        if (errno != EEXIST)
            return fail(errno);
    }
    return fail(EEXIST);
}

Outcome<StagedCopy::Publication> StagedCopy::publish(const QByteArray &target)
{
    switch (publishStep(target)) {
    case Step::Published:
        return Outcome<Publication>::success(Publication::Published);
    case Step::Exists:
        return Outcome<Publication>::success(Publication::Exists);
    case Step::Failed:
        break;
    }
    return Outcome<Publication>::failure(reasonFor(target));
}

StagedCopy::Step StagedCopy::publishStep(const QByteArray &target)
{
    if (m_error != 0 || !m_fd.isOpen())
        return Step::Failed;
    if (!m_unnamed)
        return publishHidden(target);
    if (m_calls.linkAt(AT_FDCWD, procPath(m_fd.get()).constData(), target.constData(),
                       AT_SYMLINK_FOLLOW) == 0)
        return Step::Published;
    if (errno == EEXIST)
        return Step::Exists;
    fail(errno);
    return Step::Failed;
}

StagedCopy::Step StagedCopy::publishHidden(const QByteArray &target)
{
    Step published = Step::Failed;
    if (m_calls.renameNoReplace(m_hiddenPath.constData(), target.constData()) == 0) {
        m_hiddenPath.clear();
        published = Step::Published;
    } else if (errno == EEXIST) {
        return Step::Exists;
    } else if (errno != EINVAL && errno != ENOSYS) {
        fail(errno);
        return Step::Failed;
    } else if (m_calls.linkAt(AT_FDCWD, m_hiddenPath.constData(), target.constData(), 0) == 0) {
        // Without RENAME_NOREPLACE, a hard link is the other call that refuses
        // an existing name.
        removeHidden();
        published = Step::Published;
    } else if (errno == EEXIST) {
        return Step::Exists;
    } else if (meansNoLinks(errno)) {
        return writeInPlace(target);
    } else {
        fail(errno);
        return Step::Failed;
    }
    // Network file systems report a failed write only when the file is closed.
    if (m_fd.close() != 0) {
        fail(errno);
        (void)m_calls.unlink(target.constData());
        return Step::Failed;
    }
    return published;
}

StagedCopy::Step StagedCopy::writeInPlace(const QByteArray &target)
{
    // The last resort of a file system that can neither rename nor link
    // without replacing: only creating a file can be exclusive there.
    FileDescriptor out(m_calls.open(target.constData(),
                                    O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC,
                                    S_IRUSR | S_IWUSR));
    if (!out.isOpen()) {
        if (errno == EEXIST)
            return Step::Exists;
        fail(errno);
        return Step::Failed;
    }
    struct stat staged = {};
    int error = 0;
    if (::fstat(m_fd.get(), &staged) != 0) {
        error = errno;
    } else {
        MessageBytes copy = m_bytes;
        copy.descriptor = m_fd.get();
        copy.offset = 0;
        copy.length = staged.st_size;
        copy.untilEnd = false;
        if (copyBytes(copy, out.get(), &error)) {
            applyAttributes(out.get(), m_bytes);
            error = out.close() == 0 ? 0 : errno;
        }
    }
    if (error != 0) {
        fail(error);
        (void)m_calls.unlink(target.constData());
        return Step::Failed;
    }
    removeHidden();
    return Step::Published;
}

Outcome<void> StagedCopy::replace(const QByteArray &target)
{
    if (!rename(target))
        return Outcome<void>::failure(reasonFor(target));
    return Outcome<void>::success();
}

bool StagedCopy::rename(const QByteArray &target)
{
    if (m_error != 0 || !m_fd.isOpen())
        return false;
    if (m_unnamed && !giveHiddenName(target))
        return false;
    // Network file systems report a failed write only when the file is closed.
    if (m_fd.close() != 0)
        return fail(errno);
    if (m_calls.rename(m_hiddenPath.constData(), target.constData()) != 0)
        return fail(errno);
    m_hiddenPath.clear();
    return true;
}

void StagedCopy::removeLeftovers(FileSystemCalls &calls, const QByteArray &folder)
{
    DIR *dir = ::opendir(folder.constData());
    if (!dir)
        return;
    while (const dirent *entry = ::readdir(dir)) {
        if (!isHiddenStagingName(entry->d_name))
            continue;
        const QByteArray path = folder + '/' + entry->d_name;
        const FileDescriptor fd(calls.open(path.constData(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK |
                                                                 O_CLOEXEC | O_NOCTTY));
        if (!fd.isOpen() || ::flock(fd.get(), LOCK_EX | LOCK_NB) != 0)
            continue;
        // Only the file that was locked goes, never one that took its name since.
        struct stat named = {};
        struct stat held = {};
        if (::fstat(fd.get(), &held) == 0 && S_ISREG(held.st_mode) &&
            calls.lookAt(path.constData(), &named) == 0 && sameFile(named, held))
            (void)calls.unlink(path.constData());
    }
    ::closedir(dir);
}
