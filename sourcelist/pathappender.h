// SPDX-License-Identifier: MIT
#pragma once

#include "buttoncontrol.h"
#include "dialogs.h"
#include "filelist.h"
#include "pathlogger.h"

#include <functional>
#include <QByteArrayList>
#include <QList>
#include <QString>
#include <QStringList>

// Appends message sources to the file list the way Add folder does, for every
// command that appends: folders are searched with messagescan::scanFolder, and
// every path, found or given, is added exactly as it is when the search lists
// it (a message file, a Maildir message or an mbox file; see
// messagescan::Kind). Rows are appended after those already listed; nothing is
// checked for duplicates.
//
// One appender serves one command: it counts what it added and keeps what it
// could not add, and report() tells the user about both at the end.
class PathAppender
{
public:
    // What a command does with the Process button when it added no row.
    enum class WhenNoneAdded
    {
        DisableProcess,
        KeepProcess,
    };

    // The part every appending command shares once it knows what to append:
    // under the busy pointer, hands a fresh appender over list to append;
    // then restores the pointer, enables cmdProcess when rows were added (and
    // otherwise disables it or leaves it, as whenNone says), shows an error
    // that ended append as CommandError::textOf words it (exclamation icon),
    // and last the appender's report(). Never raises: the commands run inside
    // Qt's event handlers, which an exception must not leave.
    static void appendUnderBusyPointer(FileList &list, Dialogs &dialogs, ButtonControl &cmdProcess,
                                       WhenNoneAdded whenNone,
                                       const std::function<void(PathAppender &)> &append);

    // The list must outlive the appender. Everything yields through the list's
    // yield, the scanner included.
    explicit PathAppender(FileList &list);

    // Scans folder and everything below it and appends the sources found, in
    // the scanner's order (breadth first, names in byte order). Yields after
    // making the scanner, all through the scan, after the scan, before each
    // scanned path and before each added row.
    //  - A folder that does not exist (or "") adds nothing and is no failure.
    //  - A folder of the tree that cannot be opened or listed, folder itself
    //    included, is skipped with everything below it while the rest of the
    //    tree is appended; report() tells it.
    //  - Files and folders whose names are not valid UTF-8 are not added; those
    //    that may hold messages (messagefiles::mayHoldMessages) are set aside
    //    for report(). Other names would not have been added anyway.
    // A CommandError raised by the grid passes to the caller; rows appended
    // before it stay. So does a ScanError, which only a counter past
    // 2147483647 can raise here; nothing of that scan is appended.
    void appendFolder(const QString &folder);

    // Appends each path in the order given: a folder (or a link to one) as
    // appendFolder does; a regular file (or a link to one) that a scan of its
    // folder lists (messagescan::kindOfFile) as it is, after a yield; anything
    // else (another file, a missing path, a device) is passed over. Yields
    // before each path.
    void appendPaths(const QStringList &paths);

    // Records raw names the caller could not turn into paths, for report(),
    // keeping those that messagefiles::mayHoldMessages.
    void setAsideUnreadable(const QByteArrayList &rawNames);

    [[nodiscard]] int added() const { return m_added; }

    // Tells the user what happened, each in a message box with an OK button and
    // the application title: the skipped folders, then the names set aside
    // (one box each, exclamation icon, saying how many, with every folder and
    // its reason, or every name, in the box's details), then the summary "N
    // Files Added to List." (no icon). When the one folder skipped is a folder
    // the command was given, its box says just that it could not be read and
    // why.
    void report(Dialogs &dialogs) const;

    // Whether appendPaths could add something for path: true for a folder (or
    // a link to one) and for a regular file (or a link to one) that a scan of
    // its folder lists. Looks at the file system; false for "" and what does
    // not exist.
    [[nodiscard]] static bool mayAdd(const QString &path);

private:
    void appendMessage(const QString &path);

    FileList &m_list;
    int m_added = 0;
    QList<pathLogger::SkippedFolder> m_skipped;
    // How many of them are folders given to appendFolder.
    int m_skippedGiven = 0;
    QByteArrayList m_unreadable;
};
