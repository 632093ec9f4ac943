// SPDX-License-Identifier: MIT
#pragma once

#include "filedescriptor.h"

#include <QByteArray>
#include <QString>
#include <sys/stat.h>

// A message file opened once for everything a run does with it: its header
// block is read and its content copied through the same descriptor, and the
// status taken when it was opened answers what kind of file it is and which
// one. Opening a file costs a path lookup and examining it a call of its own;
// with tens of thousands of messages those calls are much of a run's time.
class SourceFile
{
public:
    // Opens path for reading. It is opened non-blocking, so a fifo cannot hang
    // the call (it opens, and isRegular() then says no); links are followed.
    // Never fails as such: error() tells whether it worked.
    explicit SourceFile(const QString &path);

    [[nodiscard]] const QString &path() const { return m_path; }
    // The path as the system is given it.
    [[nodiscard]] const QByteArray &encodedPath() const { return m_encodedPath; }

    // 0 when the file was opened and examined; else the errno of the open or
    // fstat that failed (EINVAL for a path holding a NUL, which the system
    // would cut short into another path).
    [[nodiscard]] int error() const { return m_error; }
    // The descriptor, read-only; -1 when error() is set.
    [[nodiscard]] int descriptor() const { return m_fd.get(); }
    // The file's status when it was opened; only meaningful without error().
    [[nodiscard]] const struct stat &status() const { return m_status; }
    [[nodiscard]] bool isFolder() const { return m_error == 0 && S_ISDIR(m_status.st_mode); }
    [[nodiscard]] bool isRegular() const { return m_error == 0 && S_ISREG(m_status.st_mode); }

    // Reads from offset until size bytes are in buffer or the file ends,
    // through the descriptor (whose own offset stays as it is). Returns the
    // count read; -1 with errno set when a read fails.
    [[nodiscard]] qint64 readAt(char *buffer, qint64 size, qint64 offset) const;

private:
    QString m_path;
    QByteArray m_encodedPath;
    FileDescriptor m_fd;
    struct stat m_status = {};
    int m_error = 0;
};
