// SPDX-License-Identifier: MIT
#include "shellopen.h"

#include <QDesktopServices>
#include <QDir>

namespace registry {

void ShellOpen(const QString &target)
{
    if (target.isEmpty())
        return;
    // The desktop starts its handler detached; the answer only says whether a
    // handler was started, which the program does not report.
    static_cast<void>(QDesktopServices::openUrl(shellOpenUrl(target)));
}

QUrl shellOpenUrl(const QString &target)
{
    if (target.startsWith(u'/'))
        return QUrl::fromLocalFile(target);
    return QUrl::fromUserInput(target, QDir::currentPath(), QUrl::AssumeLocalFile);
}

} // namespace registry
