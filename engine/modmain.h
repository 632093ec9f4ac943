// SPDX-License-Identifier: MIT
#pragma once

#include <QString>

// Folder creation and file copy, the two file-system writes of a run.
namespace modMain {

// Makes every folder on the path exist. The last component counts as a folder
// whether or not the path ends in "/" ("" counts as "/"). Returns true when the
// folder exists afterwards (also when nothing had to be created); false when a
// component cannot be created, for example because a file has its name or the
// parent is not writable; *reason then says why.
[[nodiscard]] bool EnsureFolderExists(const QString &folder, QString *reason = nullptr);

// Copies the file at source to target. The content is written to a temporary
// file in the target's folder and renamed over target only once it is complete,
// so an existing target is replaced whole or not at all and no partial file is
// left under any name. The copy keeps the source's modification time and
// permission bits. With failIfExists, an existing target is left alone and the
// call fails.
// Returns true when the copy was made. Returns false, with *reason set and the
// file system as it was before, when the source cannot be read, the target
// folder cannot be written, the disk is full, the name is refused, target exists
// and failIfExists is set, or source and target are the same file (the source
// is never written to).
[[nodiscard]] bool CopyFileTo(const QString &source, const QString &target, bool failIfExists,
                              QString *reason = nullptr);

} // namespace modMain
