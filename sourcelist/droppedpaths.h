// SPDX-License-Identifier: MIT
#pragma once

#include "buttoncontrol.h"
#include "dialogs.h"
#include "filelist.h"

#include <QByteArrayList>
#include <QList>
#include <QStringList>
#include <QUrl>

namespace sourcelist {

// Local paths carried by URLs dropped on the list.
struct DroppedPaths
{
    QStringList paths;         // in the order dropped
    QByteArrayList unreadable; // raw paths that are not valid UTF-8; folders end in "/"
    [[nodiscard]] bool isEmpty() const { return paths.isEmpty() && unreadable.isEmpty(); }
};

// The local files and folders among urls, as paths. URLs that are not local
// files (another scheme, or a file URL naming another host) are left out; a
// path whose bytes are not valid UTF-8 goes to unreadable, since no text names
// it. Never fails.
[[nodiscard]] DroppedPaths droppedPaths(const QList<QUrl> &urls);

// Whether a drop of urls could add anything: true when one of them is a local
// folder, or a local file that a scan of its folder lists (one that is not
// valid UTF-8 counts when its name may hold messages, so that it can be
// reported). Looks at the file system. Never fails.
[[nodiscard]] bool canAppendDrop(const QList<QUrl> &urls);

// Files and folders dropped on the list. Like addFolder after its question:
// under the busy pointer, appends the dropped files that a scan of their
// folders lists and the sources found in the dropped folders, in the order dropped, then restores
// the pointer and reports the same way. cmdProcess is enabled when rows were
// added and otherwise left as it was: a drop that adds nothing leaves the
// list, and so what Process can do, unchanged. Never raises (see addFolder).
void addDroppedPaths(FileList &list, Dialogs &dialogs, ButtonControl &cmdProcess,
                     const DroppedPaths &dropped);

} // namespace sourcelist
