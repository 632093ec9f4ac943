// SPDX-License-Identifier: MIT
#pragma once

#include "buttoncontrol.h"
#include "dialogs.h"
#include "filelist.h"

#include <QByteArrayList>
#include <QList>
#include <QStringList>
#include <QUrl>

// The two commands that append message files to the list rather than replace
// it: Add folder, and files and folders dropped on the list. Both append
// through PathAppender, so they find, filter and report alike.
namespace sourcelist {

// The Add folder command. Asks for a folder ("Choose Source Folder..."); a
// cancel ends it there, silently. Otherwise, under the busy pointer, scans the
// folder (with "/" appended when missing) and everything below it and appends
// every .eml and .emlx file found after the rows already listed; then restores
// the pointer, enables cmdProcess when at least one row was added and disables
// it when none was (even when the list holds earlier rows), and reports:
// folders that could not be read, names set aside as not valid UTF-8, and
// "N Files Added to List." (see PathAppender::report).
//
// Never raises: a grid error ends the listing (rows added before it stay),
// still restores the pointer and sets cmdProcess, and is shown as its number,
// ":" and its description (exclamation icon) before the summary.
void addFolder(FileList &list, Dialogs &dialogs, ButtonControl &cmdProcess);

// Local paths carried by dropped URLs.
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
// folder, or a local file with a message name (one that is not valid UTF-8
// counts, so that it can be reported). Looks at the file system. Never fails.
[[nodiscard]] bool canAppendDrop(const QList<QUrl> &urls);

// Files and folders dropped on the list. Like addFolder after its question:
// under the busy pointer, appends the message files among the dropped files
// and those found in the dropped folders, in the order dropped, then restores
// the pointer and reports the same way. cmdProcess is enabled when rows were
// added and otherwise left as it was: a drop that adds nothing leaves the
// list, and so what Process can do, unchanged. Never raises (see addFolder).
void addDroppedPaths(FileList &list, Dialogs &dialogs, ButtonControl &cmdProcess,
                     const DroppedPaths &dropped);

} // namespace sourcelist
