// SPDX-License-Identifier: MIT
#pragma once

#include "pathlogger.h"
#include "yield.h"

#include <optional>
#include <QByteArrayList>
#include <QList>
#include <QString>
#include <QStringList>

// The one search of a folder tree for messages, shared by every way of filling
// a list of sources: Add folder, folders dropped on the window, folders given
// to letterfold-cli. What counts as a message source is decided here and
// nowhere else, so a new kind of source is taught to all of them at once.
namespace messagescan {

// What a scan of one folder found, and what it could not use.
struct FolderScan
{
    // One file the walk found, and whether it is a message.
    struct File
    {
        QString path; // as pathLogger recorded it, below root
        bool message = false;
    };

    // The folder as the scan records it: the given path with "/" added when
    // missing.
    QString root;
    // Every file found, in the scanner's order: folders level by level, each
    // folder's names in byte order. The window gives itself a turn before it
    // looks at each, message or not, so it keeps them all.
    QList<File> files;
    // The folders that could not be opened or listed, root too, each left out
    // with everything below it, in the order they were met.
    QList<pathLogger::SkippedFolder> skippedFolders;
    // Raw paths of the files and folders left out because their names are not
    // valid UTF-8, those that may hold messages (messagefiles::mayHoldMessages)
    // only; a folder's ends in "/".
    QByteArrayList unreadableNames;
    // Why the walk stopped before its end, when it did: only a counter of the
    // walk past 2147483647 stops it. What was found before is kept above.
    std::optional<ScanError> stopped;

    // The paths of the messages among files, in their order.
    [[nodiscard]] QStringList messages() const;
};

// Scans root and everything below it with pathLogger and tells the messages
// (messagefiles::isMessageFileName) from the other files. Gives the caller's
// event loop a turn through yield (none when it is empty) once before the
// scan, all through it (see pathLogger) and once after it.
//  - A root that is "" or names no folder finds nothing and is no failure.
//  - Folders that cannot be read and names that are not UTF-8 are no failure:
//    they are left out and told in the result.
//  - A counter of the walk that would pass 2147483647 stops it: stopped says
//    so, and the result holds what was found before. Whatever yield throws
//    passes through.
[[nodiscard]] FolderScan scanFolder(const QString &root, const YieldFunction &yield = {});

} // namespace messagescan
