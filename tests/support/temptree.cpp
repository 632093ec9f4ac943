// SPDX-License-Identifier: MIT
#include "temptree.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <gtest/gtest.h>
#include <QFile>
#include <sys/stat.h>
#include <unistd.h>

TempTree::TempTree()
{
    m_dir.setAutoRemove(false);
    m_root = QFile::encodeName(m_dir.path());
}

TempTree::~TempTree()
{
    for (const QByteArray &folder : m_locked)
        ::chmod(folder.constData(), 0755);
    std::error_code ignored;
    std::filesystem::remove_all(m_root.toStdString(), ignored);
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

void TempTree::lock(const QByteArray &relative)
{
    m_locked.append(rawPath(relative));
    ASSERT_EQ(::chmod(rawPath(relative).constData(), 0), 0) << std::strerror(errno);
}

void TempTree::remove(const QByteArray &relative)
{
    std::error_code error;
    std::filesystem::remove_all(rawPath(relative).toStdString(), error);
    ASSERT_FALSE(error) << relative.constData() << ": " << error.message();
}
