// SPDX-License-Identifier: MIT
#include "destination.h"

#include "modmain.h"

#include <QDir>
#include <QFileInfo>

namespace cli {

QString prepareDestination(const QString &folder, bool create)
{
    const QFileInfo info(folder);
    if (info.isDir())
        return {};
    if (info.exists())
        return QStringLiteral("the destination %1 is not a folder").arg(folder);

    if (create) {
        QString reason;
        if (modMain::EnsureFolderExists(folder, &reason))
            return {};
        return QStringLiteral("cannot make the destination folder %1: %2").arg(folder, reason);
    }

    // The nearest part of the path that exists must be a folder for the rest to be made.
    QString parent = QDir::cleanPath(folder);
    while (!QFileInfo::exists(parent) && parent != QLatin1String("/"))
        parent = QFileInfo(parent).path();
    if (!QFileInfo(parent).isDir())
        return QStringLiteral("cannot make the destination folder %1: %2 is not a folder")
            .arg(folder, parent);
    return {};
}

} // namespace cli
