// SPDX-License-Identifier: MIT
#include "destination.h"

#include "modmain.h"

#include <QFile>
#include <sys/stat.h>

namespace cli {

namespace {

// stat() of the path as given: the kernel resolves its links and dot steps,
// where Qt's path classes would tidy ".." away as text first.
bool statOf(const QString &path, struct stat *status)
{
    return ::stat(QFile::encodeName(path).constData(), status) == 0;
}

// The path without its last step, as text ("/a/lnk/../b/" gives "/a/lnk/..").
QString parentOf(const QString &path)
{
    qsizetype end = path.size();
    while (end > 1 && path.at(end - 1) == QLatin1Char('/'))
        --end;
    const qsizetype slash = path.lastIndexOf(QLatin1Char('/'), end - 1);
    return slash <= 0 ? QStringLiteral("/") : path.left(slash);
}

} // namespace

QString prepareDestination(const QString &folder, bool create)
{
    struct stat status = {};
    if (statOf(folder, &status))
        return S_ISDIR(status.st_mode)
                   ? QString()
                   : QStringLiteral("the destination %1 is not a folder").arg(folder);

    if (create) {
        QString reason;
        if (modMain::EnsureFolderExists(folder, &reason))
            return {};
        return reason;
    }

    // The nearest part of the path that exists must be a folder for the rest to
    // be made. Each step is dropped as text and the rest asked of the kernel,
    // as mkdir -p finds the place to start.
    QString parent = parentOf(folder);
    while (!statOf(parent, &status) && parent != QLatin1String("/"))
        parent = parentOf(parent);
    if (!S_ISDIR(status.st_mode))
        return QStringLiteral("cannot create the folder %1: %2 is not a folder")
            .arg(folder, parent);
    return {};
}

} // namespace cli
