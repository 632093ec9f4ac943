// SPDX-License-Identifier: MIT
#include "filedigest.h"

#include "filedescriptor.h"

#include <cerrno>
#include <fcntl.h>
#include <QCryptographicHash>
#include <QFile>
#include <sys/stat.h>
#include <unistd.h>

namespace filedigest {

Outcome<FileDigest> of(const QString &path)
{
    const auto fail = [](const QString &reason) { return Outcome<FileDigest>::failure(reason); };
    // O_NOFOLLOW: a link put where the copy was is not the copy, whatever it
    // points to; O_NONBLOCK: a fifo put there must not hang an undo.
    const FileDescriptor fd(::open(QFile::encodeName(path).constData(),
                                   O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC));
    if (!fd.isOpen()) {
        if (errno == ELOOP)
            return fail(QStringLiteral("is a link, not a regular file"));
        return fail(systemReason(errno));
    }
    struct stat status = {};
    if (::fstat(fd.get(), &status) != 0)
        return fail(systemReason(errno));
    if (!S_ISREG(status.st_mode))
        return fail(QStringLiteral("not a regular file"));

    QCryptographicHash hash(QCryptographicHash::Sha256);
    QByteArray buffer(1 << 16, Qt::Uninitialized);
    qint64 size = 0;
    for (;;) {
        const ssize_t got = ::read(fd.get(), buffer.data(), size_t(buffer.size()));
        if (got < 0) {
            if (errno == EINTR)
                continue;
            return fail(systemReason(errno));
        }
        if (got == 0)
            break;
        hash.addData(QByteArrayView(buffer.constData(), got));
        size += got;
    }
    return Outcome<FileDigest>::success({size, hash.result().toHex(), FileIdentity::of(status)});
}

} // namespace filedigest
