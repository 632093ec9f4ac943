// SPDX-License-Identifier: MIT
#include "pathstatus.h"

#include "filesystemcalls.h"

#include <cerrno>
#include <QFile>

namespace pathstatus {

Outcome<struct stat> ofRaw(const QByteArray &path)
{
    if (path.contains('\0'))
        return Outcome<struct stat>::failure(systemReason(EINVAL));
    struct stat status = {};
    if (FileSystemCalls::system().followTo(path.constData(), &status) != 0)
        return Outcome<struct stat>::failure(systemReason(errno));
    return Outcome<struct stat>::success(status);
}

Outcome<struct stat> of(const QString &path)
{
    return ofRaw(QFile::encodeName(path));
}

bool isFolderRaw(const QByteArray &path)
{
    const Outcome<struct stat> status = ofRaw(path);
    return status && S_ISDIR(status.value().st_mode);
}

bool isFolder(const QString &path)
{
    return isFolderRaw(QFile::encodeName(path));
}

} // namespace pathstatus
