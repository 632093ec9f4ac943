// SPDX-License-Identifier: MIT
#pragma once

#include "keyedlist.h"
#include "yield.h"

#include <memory>
#include <QByteArrayList>
#include <QList>
#include <QString>
#include <QtGlobal>

// Lists every file in a folder tree, breadth first, into keyed lists.
//
// One scanner serves one scan: PathLogInit, optionally set fullFileNamesOnly,
// LogPath once, read Count and the lists, Terminate, then drop the scanner. The
// lists it hands out are shared and outlive it.
//
// What a scan records:
//  - pathNames: every folder path, ending in "/". The root's entry is the
//    caller's text with "/" added when missing (key "K0"); every other folder's
//    entry is its parent's entry + its name + "/" (keys "K2", "K3", ... after
//    the folder's position; no folder has "K1"). Nothing is normalised.
//  - fullFileNames: folder entry + file name, key "K" + file number.
//  - fileNames: the file name alone, and pathPointers: the position in pathNames
//    of the file's folder; both keyed like fullFileNames and filled only while
//    fullFileNamesOnly is false.
// Folders enter pathNames level by level; a folder's files are recorded when its
// turn in pathNames comes, after its sub-folders have been queued. File numbers
// start at 1 with every LogPath, so Count is n + 1 after n files.
//
// What this platform lists:
//  - Within a folder, sub-folders and files are taken in the byte order of
//    their raw names, so a scan gives the same list on every machine.
//  - A link to a folder is neither descended into nor listed (no walk can loop);
//    a link to a regular file is a file. Sockets, fifos, devices and dangling
//    links are not files and are left out.
//  - A name that is not valid UTF-8 cannot be carried as text and turned back
//    into the same bytes, so it would name a different file or none. Such a
//    file, or folder with everything below it, is not recorded at all; its raw
//    path goes to unreadableNames() instead, so the caller can report it.
//  - A folder that cannot be opened or listed (no permission, removed after it
//    was queued, an I/O error) keeps its pathNames entry but gives no files and
//    no sub-folders: it is skipped with everything below it, the walk goes on
//    with the rest of the tree, and the folder goes to skippedFolders().
//
// Errors: a failure of the scanner itself throws ScanError (see scanerror.h);
// nothing is caught inside, and what was recorded before the failure stays.
//
// The scanner gives the caller's event loop a turn through the yield function at
// fixed points: once before the root is recorded; in every folder's pass after
// its listing is taken, before each sub-folder is queued, after the folder path
// is taken, once before the file loop when fullFileNamesOnly is true, after each
// file, and at the end of the pass; and once at the start of Terminate. The
// yield function may read the scanner and its lists; it must neither destroy the
// scanner nor start another scan on it.
class pathLogger
{
public:
    // A folder the walk could not open or list, and so left out with
    // everything below it.
    struct SkippedFolder
    {
        QString path; // as recorded in pathNames, ending in "/"
        int error;    // the errno of the failed open or read
        // Why, as the system words it ("Permission denied").
        [[nodiscard]] QString reason() const;
    };

    // A new scanner: not prepared, Count 0, fullFileNamesOnly false, no lists.
    // With an empty yield, the scanner gives no turns.
    explicit pathLogger(YieldFunction yield = {});

    // A copy would append to the very lists this scanner fills; move instead.
    pathLogger(const pathLogger &) = delete;
    pathLogger &operator=(const pathLogger &) = delete;
    pathLogger(pathLogger &&) = default;
    pathLogger &operator=(pathLogger &&) = default;
    ~pathLogger() = default;

    // Prepares the scanner for one scan: sets fullFileNamesOnly to true and
    // lets go of all lists (a caller holding one keeps it unchanged), so each
    // starts empty; forgets the unreadable names and the skipped folders. Count
    // is not touched. Never fails.
    void PathLogInit();

    // Scans the folder strPARENT and everything below it.
    // - strPARENT that is "" or names no folder (nor a link to one): returns at
    //   once, recording nothing; Count and the lists keep their values.
    // - Throws NotPrepared, recording nothing, when PathLogInit has not been
    //   called since the scanner was made or terminated.
    // - Throws DuplicateKey when pathNames already holds a root (a second LogPath
    //   without PathLogInit); Count is then 1 and nothing new is recorded.
    // - A folder of the tree that cannot be opened or read is no failure: it
    //   goes to skippedFolders() and the walk goes on without it. When that is
    //   strPARENT itself, the scan records its root entry in pathNames, no
    //   files, and that one skipped folder; Count is then 1.
    // - Throws Overflow when a counter would pass 2147483647.
    // - Whatever the yield function throws passes through unchanged.
    void LogPath(const QString &strPARENT);

    // The running file number: 0 for a new scanner, 1 + the number of files
    // recorded by the last LogPath that found its folder.
    [[nodiscard]] qint32 Count() const { return m_count; }

    // Gives the event loop a turn, then lets go of all lists (lists handed out
    // stay with their holders, unchanged), the unreadable names and the skipped
    // folders. The scanner needs PathLogInit before its next LogPath. Count and
    // fullFileNamesOnly keep their values. Never fails of its own.
    void Terminate();

    // When true, a scan fills only pathNames and fullFileNames.
    [[nodiscard]] bool fullFileNamesOnly() const { return m_fullFileNamesOnly; }
    void setFullFileNamesOnly(bool fullPath) { m_fullFileNamesOnly = fullPath; }

    // The lists themselves, not copies. When the scanner holds no list under
    // that name, an empty one is made, kept and returned. Never null.
    [[nodiscard]] std::shared_ptr<const TextList> fileNames() const;
    [[nodiscard]] std::shared_ptr<const TextList> pathNames() const;
    [[nodiscard]] std::shared_ptr<const NumberList> pathPointers() const;
    [[nodiscard]] std::shared_ptr<const TextList> fullFileNames() const;

    // Raw paths (bytes as the file system has them) of the files and folders
    // left out because their names are not valid UTF-8, in the order they were
    // met; a folder's path ends in "/". Emptied by PathLogInit and Terminate.
    [[nodiscard]] QByteArrayList unreadableNames() const { return m_unreadableNames; }

    // The folders the last LogPath skipped because it could not open or list
    // them, in the order it met them. Emptied by PathLogInit and Terminate.
    [[nodiscard]] const QList<SkippedFolder> &skippedFolders() const { return m_skippedFolders; }

private:
    // Lets go of the lists, the unreadable names and the skipped folders.
    void forget();

    YieldFunction m_yield;
    bool m_prepared = false;
    qint32 m_count = 0;
    bool m_fullFileNamesOnly = false;
    // Made on first use, so a list asked for while the scanner holds none
    // starts empty.
    mutable std::shared_ptr<TextList> m_fileNames;
    mutable std::shared_ptr<TextList> m_pathNames;
    mutable std::shared_ptr<NumberList> m_pathPointers;
    mutable std::shared_ptr<TextList> m_fullFileNames;
    QByteArrayList m_unreadableNames;
    QList<SkippedFolder> m_skippedFolders;
};
