// SPDX-License-Identifier: MIT
#pragma once

#include "outcome.h"

#include <QString>
#include <QStringList>

// Folder creation and file copy, the two file-system writes of a run.
namespace modMain {

// Makes every folder on the path exist, as mkdir -p does: the path is used as
// given, its links and "." and ".." steps resolved by the kernel, so
// "dlnk/../OUT/a" makes OUT/a beside the folder that dlnk points to. The last
// component counts as a folder whether or not the path ends in "/" ("" counts
// as "/"). Succeeds when the folder exists afterwards (also when nothing had
// to be created, or another process made it meanwhile); fails when a component
// cannot be created, for example because a file has its name, the parent is
// not writable or the path holds a NUL, with a reason naming the folder once:
// "cannot create the folder <folder>: <system error text>" ("... /o/x: File
// exists").
[[nodiscard]] Outcome<void> EnsureFolderExists(const QString &folder);

// EnsureFolderExists, also saying which folders this call made: each folder
// the kernel created for it, outermost first, named by its path as text up to
// that step ("/o/a", "/o/a/b"; nothing when the folder was there). A folder
// another process made meanwhile is not among them. Fails as
// EnsureFolderExists does; a folder made before the failing step stays and
// goes unlisted (a step whose name is too long after one that was made).
[[nodiscard]] Outcome<QStringList> MakeFolders(const QString &folder);

// Copies the file at source to target. The content is written to a file in the
// target's folder that has no name, or a hidden one, and put under target's
// name only once it is complete, so an existing target is replaced whole or
// not at all and no partial file is ever left under target's name, even when
// the process is killed (a killed process may leave a hidden
// ".name.xxxxxxxxxxxx.letterfold-tmp" only on file systems without unnamed
// files; the next copy staged in that folder removes it). Nothing is synced to
// disk: the promise holds against a process that ends, not against a power cut.
// The copy keeps the source's modification time and gets its permission bits
// (not set-user-ID, set-group-ID or sticky) less the creation mask (umask) the
// process started with, where the target's file system can hold them. With
// failIfExists, an existing target (even a dangling link) is left alone and the
// call fails; "exists" is what the file system says, so a name that differs
// only by case counts where the file system folds case. Without it an existing
// target is replaced by renaming over it, so a link there is replaced, not
// followed. (The conversion run never replaces a file and does not call this.)
// Paths reach the system as QFile::encodeName gives them (UTF-8).
// Succeeds when the copy was made. Fails, with the file system as it was
// before, when the source cannot be read or is not a
// regular file (folders, fifos, devices; a fifo never blocks the call), the
// target folder is missing or cannot be written, the disk is full, the name is
// refused (too long, holds a NUL), target is a folder, target exists and
// failIfExists is set, or source and target are the same file under any
// spelling (a link, "a/../a", a second hard link); the source is never written
// to. Reasons read "cannot read <source>: No such file or directory",
// "cannot write <target>: No space left on device" and the like.
[[nodiscard]] Outcome<void> CopyFileTo(const QString &source, const QString &target,
                                       bool failIfExists);

} // namespace modMain
