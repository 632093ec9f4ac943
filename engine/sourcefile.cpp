// SPDX-License-Identifier: MIT
#include "sourcefile.h"

#include <cerrno>
#include <fcntl.h>
#include <QFile>

SourceFile::SourceFile(const QString &path)
    : m_path(path), m_encodedPath(QFile::encodeName(path))
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
