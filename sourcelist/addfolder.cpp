// SPDX-License-Identifier: MIT
#include "addfolder.h"

#include "pathappender.h"
#include "registry.h"

namespace sourcelist {

void addFolder(FileList &list, Dialogs &dialogs, ButtonControl &cmdProcess)
{
    const QString folder = registry::withTrailingSlash(
        dialogs.browseForFolder(QStringLiteral("Choose Source Folder...")));
    if (folder.isEmpty())
        return;
    PathAppender::appendUnderBusyPointer(
        list, dialogs, cmdProcess, PathAppender::WhenNoneAdded::DisableProcess,
        [&folder](PathAppender &appender) { appender.appendFolder(folder); });
}

} // namespace sourcelist
