// SPDX-License-Identifier: MIT
#include "sourcefile.h"

#include <cerrno>
#include <fcntl.h>
#include <QFile>
#include <unistd.h>

SourceFile::SourceFile(const QString &path) : m_path(path), m_encodedPath(QFile::encodeName(path))
{
    if (path.contains(QChar(0))) {
        m_error = EINVAL;
        return;
    }
    m_fd = FileDescriptor(
        ::open(m_encodedPath.constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY));
    if (!m_fd.isOpen()) {
        m_error = errno;
        return;
    }
    if (::fstat(m_fd.get(), &m_status) != 0) {
        m_error = errno;
        m_fd = FileDescriptor();
    }
}

qint64 SourceFile::readAt(char *buffer, qint64 size, qint64 offset) const
{
    qint64 done = 0;
    while (done < size) {
        const ssize_t got = ::pread(m_fd.get(), buffer + done, static_cast<size_t>(size - done),
                                    static_cast<off_t>(offset + done));
        if (got < 0) {
            if (errno == EINTR)
                continue;
            return -1;
        }
        if (got == 0)
            break;
        done += got;
    }
    return done;
}
