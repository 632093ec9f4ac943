// SPDX-License-Identifier: MIT
#include "temptree.h"

#include <cerrno>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <filesystem>
#include <gtest/gtest.h>
#include <QFile>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// Removes name below the open folder parent, folders with everything in them.
// Works relative to open folders, so paths longer than PATH_MAX are no bar.
bool removeBelow(int parent, const char *name)
{
    struct stat info;
    if (::fstatat(parent, name, &info, AT_SYMLINK_NOFOLLOW) != 0)
        return errno == ENOENT;
    if (!S_ISDIR(info.st_mode))
        return ::unlinkat(parent, name, 0) == 0;
    const int fd = ::openat(parent, name, O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0)
        return false;
    DIR *folder = ::fdopendir(fd);
    if (!folder) {
        ::close(fd);
        return false;
    }
    bool removed = true;
    while (const dirent *entry = ::readdir(folder)) {
        const char *child = entry->d_name;
        if (std::strcmp(child, ".") != 0 && std::strcmp(child, "..") != 0)
            removed = removeBelow(::dirfd(folder), child) && removed;
    }
    ::closedir(folder);
    return ::unlinkat(parent, name, AT_REMOVEDIR) == 0 && removed;
}

} // namespace

TempTree::TempTree()
{
    m_dir.setAutoRemove(false);
    m_root = QFile::encodeName(m_dir.path());
    // QTemporaryDir makes it for its owner alone; a test working AsNobody
    // must reach it.
    ::chmod(m_root.constData(), 0755);
}

TempTree::~TempTree()
{
    for (const QByteArray &folder : m_locked)
        ::chmod(folder.constData(), 0755);
    removeBelow(AT_FDCWD, m_root.constData());
}

QString TempTree::path(const QString &relative) const
{
    return root() + u'/' + relative;
}

QByteArray TempTree::rawPath(const QByteArray &relative) const
{
    return m_root + '/' + relative;
}

void TempTree::folder(const QByteArray &relative)
{
    std::error_code error;
    std::filesystem::create_directories(rawPath(relative).toStdString(), error);
    ASSERT_FALSE(error) << relative.constData() << ": " << error.message();
}

void TempTree::file(const QByteArray &relative, const QByteArray &content)
{
    const qsizetype slash = relative.lastIndexOf('/');
    if (slash > 0)
        folder(relative.left(slash));
    const int fd = ::open(rawPath(relative).constData(), O_WRONLY | O_CREAT | O_EXCL, 0644);
    ASSERT_GE(fd, 0) << relative.constData() << ": " << std::strerror(errno);
    const ssize_t written = ::write(fd, content.constData(), size_t(content.size()));
    ::close(fd);
    ASSERT_EQ(written, content.size());
}

void TempTree::files(const QByteArrayList &relatives)
{
    for (const QByteArray &relative : relatives)
        file(relative);
}

void TempTree::link(const QByteArray &relative, const QByteArray &target)
{
    ASSERT_EQ(::symlink(target.constData(), rawPath(relative).constData()), 0)
        << relative.constData() << ": " << std::strerror(errno);
}

void TempTree::fifo(const QByteArray &relative)
{
    ASSERT_EQ(::mkfifo(rawPath(relative).constData(), 0644), 0)
        << relative.constData() << ": " << std::strerror(errno);
}

void TempTree::lock(const QByteArray &relative)
{
    // The root by its own path: "root/." could not be reached to unlock it.
    const QByteArray path = relative.isEmpty() ? m_root : rawPath(relative);
    m_locked.append(path);
    ASSERT_EQ(::chmod(path.constData(), 0), 0) << std::strerror(errno);
}

void TempTree::remove(const QByteArray &relative)
{
    ASSERT_TRUE(removeBelow(AT_FDCWD, rawPath(relative).constData()))
        << relative.constData() << ": " << std::strerror(errno);
}

QByteArray TempTree::deepFolders(const QByteArray &relative, int levels)
{
    folder(relative);
    QByteArray path = rawPath(relative);
    int fd = ::open(path.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    EXPECT_GE(fd, 0) << std::strerror(errno);
    const QByteArray name(255, 'd');
    for (int level = 0; level < levels && fd >= 0; ++level) {
        EXPECT_EQ(::mkdirat(fd, name.constData(), 0755), 0) << std::strerror(errno);
        const int next = ::openat(fd, name.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        EXPECT_GE(next, 0) << std::strerror(errno);
        ::close(fd);
        fd = next;
        path += '/' + name;
    }
    if (fd >= 0)
        ::close(fd);
    return path;
}
