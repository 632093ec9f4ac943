// SPDX-License-Identifier: MIT
#include "manual.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

namespace shell {

QString manualPath()
{
    // The installed copy is found relative to the program first, so that an
    // installation moved to another prefix still finds its own manual.
    const QString candidates[] = {
        QDir(QCoreApplication::applicationDirPath())
            .filePath(QStringLiteral(LETTERFOLD_MANUAL_FROM_BINDIR)),
        QStringLiteral(LETTERFOLD_MANUAL_IN_SOURCE),
        QStringLiteral(LETTERFOLD_MANUAL_INSTALLED),
    };
    for (const QString &candidate : candidates) {
        const QFileInfo manual(candidate);
        if (manual.isFile())
            return manual.absoluteFilePath();
    }
    return {};
}

QUrl manualPage()
{
    const QString path = manualPath();
    return path.isEmpty() ? QUrl(QStringLiteral("qrc:/letterfold/manual/index.html"))
                          : QUrl::fromLocalFile(path);
}

} // namespace shell
