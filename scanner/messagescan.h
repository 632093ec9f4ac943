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
// a list of sources: Add folder, files and folders dropped on the window,
// folders given to letterfold-cli. What counts as a message source is decided
// here and nowhere else, so a new kind of source is taught to all of them at
// once.
//
// A source is a row: a message file, one message of a Maildir, or a whole mbox
// file (which the run splits). Mailboxes are told by their names and places
// only, never by reading them, so that a large tree is searched as fast as it
// is listed; what a row holds is judged when it is processed.
namespace messagescan {

// What the search makes of a file.
enum class Kind
{
    // Not a source: any file that none of the rules below takes, and the files
    // of a Maildir's tmp/ folder and those whose names start with "." in its
    // cur/ and new/ folders.
    Other,
    // A file whose name passes messagefiles::isMessageFileName (.eml, .emlx).
    Message,
    // A file of any name in the cur/ or new/ folder of a Maildir (a folder
    // holding cur/ together with new/ or tmp/), Maildir++ folders such as
    // ".Sent" and Thunderbird's maildir store (cur/ and tmp/ only) included.
    MaildirMessage,
    // An mbox file by its name (messagefiles::isMailboxFileName: *.mbox,
    // mbox) or by the Thunderbird index X.msf beside the file X.
    Mailbox,
};

// What a scan of one folder found, and what it could not use.
struct FolderScan
{
    // One file the walk found, and what it is.
    struct File
    {
        QString path; // as pathLogger recorded it, below root
        Kind kind = Kind::Other;
        // Whether the file is a row of the list: any kind but Other.
        [[nodiscard]] bool listed() const { return kind != Kind::Other; }
    };

    // The folder as the scan records it: the given path with "/" added when
    // missing.
    QString root;
    // Every file found, in the scanner's order: folders level by level, each
    // folder's names in byte order. The window gives itself a turn before it
    // looks at each, listed or not, so it keeps them all.
    QList<File> files;
    // The folders that could not be opened or listed, root too, each left out
    // with everything below it, in the order they were met.
    QList<pathLogger::SkippedFolder> skippedFolders;
    // Raw paths of the files and folders left out because their names are not
    // valid UTF-8, those that may hold messages only: every folder, a file whose
    // name may hold messages (messagefiles::mayHoldMessages) and a file in a
    // Maildir's cur/ or new/ folder not starting with "."; a folder's ends in "/".
    QByteArrayList unreadableNames;
    // Why the walk stopped before its end, when it did: only a counter of the
    // walk past 2147483647 stops it. What was found before is kept above.
    std::optional<ScanError> stopped;

    // The paths of the listed files, in their order.
    [[nodiscard]] QStringList rows() const;
};

// Scans root and everything below it with pathLogger, dot-folders included,
// and tells what each file is (see Kind). A Maildir is known from the folder
// names the walk lists; only a root named cur, new or tmp costs a look at the
// folders beside it, so that the cur/ folder of a Maildir given by itself
// gives its messages. Gives the caller's event loop a turn through yield (none
// when it is empty) once before the scan, all through it (see pathLogger) and
// once after it.
//  - A root that is "" or names no folder finds nothing and is no failure.
//  - Folders that cannot be read and names that are not UTF-8 are no failure:
//    they are left out and told in the result.
//  - A counter of the walk that would pass 2147483647 stops it: stopped says
//    so, and the result holds what was found before. Whatever yield throws
//    passes through.
[[nodiscard]] FolderScan scanFolder(const QString &root, const YieldFunction &yield = {});

// What a scan of the folder holding path would make of that file, asked of the
// file system for one path (a file dropped on the window): the names of the
// folders beside its folder tell a Maildir, and a file path + ".msf" an mbox.
// Does not check that path itself exists; "" is Other. Never fails.
[[nodiscard]] Kind kindOfFile(const QString &path);

} // namespace messagescan
