// SPDX-License-Identifier: MIT
#include "treesnapshot.h"

#include <cerrno>
#include <dirent.h>
#include <fcntl.h>
#include <QCryptographicHash>
#include <QFile>
#include <sys/stat.h>
#include <unistd.h>

namespace treesnapshot {

namespace {

QByteArray modeText(mode_t mode)
{
    return QByteArray::number(uint(mode & 07777), 8).rightJustified(4, '0');
}

void walk(const QByteArray &folder, QMap<QByteArray, QByteArray> &entries)
{
    DIR *dir = ::opendir(folder.constData());
    if (!dir) {
        entries[folder] += " unlistable";
        return;
    }
    while (const dirent *entry = ::readdir(dir)) {
        const QByteArray name(entry->d_name);
        if (name == "." || name == "..")
            continue;
        const QByteArray path = folder + '/' + name;
        struct stat info = {};
        if (::lstat(path.constData(), &info) != 0) {
            entries[path] = "gone";
        } else if (S_ISDIR(info.st_mode)) {
            entries[path] = "dir " + modeText(info.st_mode);
            walk(path, entries);
        } else if (S_ISREG(info.st_mode)) {
            entries[path] = describeFile(path);
        } else if (S_ISLNK(info.st_mode)) {
            char target[4096];
            const ssize_t n = ::readlink(path.constData(), target, sizeof target);
            entries[path] = "link -> " + QByteArray(target, n < 0 ? 0 : n);
        } else if (S_ISFIFO(info.st_mode)) {
            entries[path] = "fifo";
        } else {
            entries[path] = "other";
        }
    }
    ::closedir(dir);
}

} // namespace

QMap<QByteArray, QByteArray> take(const QString &root)
{
    QMap<QByteArray, QByteArray> entries;
    QByteArray path = QFile::encodeName(root);
    while (path.size() > 1 && path.endsWith('/'))
        path.chop(1);
    struct stat info = {};
    if (::lstat(path.constData(), &info) != 0 || !S_ISDIR(info.st_mode))
        return entries;
    walk(path, entries);
    return entries;
}

QByteArray describeFile(const QByteArray &path)
{
    struct stat info = {};
    if (::lstat(path.constData(), &info) != 0)
        return "gone";
    const QByteArray hash = contentHash(path);
    if (hash.isEmpty())
        return "unreadable " + modeText(info.st_mode);
    return "file " + modeText(info.st_mode) + ' ' + hash;
}

QByteArray contentHash(const QByteArray &path, bool followLinks)
{
    const int fd = ::open(path.constData(),
                          O_RDONLY | O_NONBLOCK | O_CLOEXEC | (followLinks ? 0 : O_NOFOLLOW));
    if (fd < 0)
        return {};
    QCryptographicHash hash(QCryptographicHash::Sha256);
    char buffer[1 << 16];
    bool ok = true;
    for (;;) {
        const ssize_t n = ::read(fd, buffer, sizeof buffer);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            ok = false;
        if (n <= 0)
            break;
        hash.addData(QByteArrayView(buffer, n));
    }
    ::close(fd);
    return ok ? hash.result().toHex() : QByteArray();
}

} // namespace treesnapshot
