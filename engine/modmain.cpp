// SPDX-License-Identifier: MIT
#include "modmain.h"

#include "filecopy.h"

#include <cerrno>
#include <QFile>
#include <sys/stat.h>

namespace modMain {

Outcome<void> EnsureFolderExists(const QString &folder)
{
    const Outcome<QStringList> made = MakeFolders(folder);
    return made ? Outcome<void>::success() : Outcome<void>::failure(made.reason());
}

Outcome<QStringList> MakeFolders(const QString &folder)
{
    const auto fail = [&folder](int error) {
        return Outcome<QStringList>::failure(
            QStringLiteral("cannot create the folder %1: %2").arg(folder, systemReason(error)));
    };
    // The system would read the path only up to its first NUL: another folder.
    if (folder.contains(QChar(0)))
        return fail(EINVAL);
    const QByteArray path = folder.isEmpty() ? QByteArray("/") : QFile::encodeName(folder);
    const auto isFolder = [](const QByteArray &step) {
        struct stat status = {};
        return ::stat(step.constData(), &status) == 0 && S_ISDIR(status.st_mode);
    };
    if (isFolder(path))
        return Outcome<QStringList>::success({});

    // Every step is its whole prefix as text ("lnk/../OUT", then
    // "lnk/../OUT/a"), no step dropped before the kernel sees it, so links
    // and ".." are resolved as mkdir -p resolves them.
    QList<QByteArray> steps;
    for (qsizetype end = 1; end <= path.size(); ++end) {
        if ((end == path.size() || path.at(end) == '/') && path.at(end - 1) != '/')
            steps.append(path.left(end));
    }
    if (steps.isEmpty())
        return fail(ENOENT);
    // The missing steps start after the deepest one that is a folder.
    qsizetype first = steps.size() - 1;
    while (first > 0 && !isFolder(steps.at(first - 1)))
        --first;
    QStringList made;
    for (qsizetype i = first; i < steps.size(); ++i) {
        if (::mkdir(steps.at(i).constData(), 0777) == 0) {
            made.append(QFile::decodeName(steps.at(i)));
            continue;
        }
        const int error = errno;
        // Another process may have made the folder between our look and our mkdir.
        if (error != EEXIST || !isFolder(steps.at(i)))
            return fail(error);
    }
    return Outcome<QStringList>::success(made);
}

Outcome<void> CopyFileTo(const QString &source, const QString &target, bool failIfExists)
{
    return filecopy::copyFile(source, target, failIfExists, filecopy::Staging::Unnamed);
}

} // namespace modMain
