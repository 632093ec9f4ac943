// SPDX-License-Identifier: MIT
#pragma once

#include "outcome.h"

#include <QByteArray>
#include <QString>
#include <sys/stat.h>

// What a path names, asked of the kernel with stat(2) on the path as it is
// given: links are followed, and "." and ".." steps are resolved by the kernel
// as it walks the path, never tidied away as text first ("lnk/../m.eml" names
// m.eml beside the folder lnk points to, as cp and mkdir -p read it). Every
// layer looks at a path given as text through here.
namespace pathstatus {

// The status of what path names. Fails with the system's reason ("No such file
// or directory" for "" too). A path holding a NUL fails with "Invalid
// argument": the system would read it only up to the NUL, another path.
[[nodiscard]] Outcome<struct stat> of(const QString &path);

// The same for a path as the file system has it (bytes that need not be
// UTF-8). Fails likewise.
[[nodiscard]] Outcome<struct stat> ofRaw(const QByteArray &path);

// Whether path names a folder, or a link to one. False when it cannot be looked at.
[[nodiscard]] bool isFolder(const QString &path);
// The same for a path as the file system has it.
[[nodiscard]] bool isFolderRaw(const QByteArray &path);

} // namespace pathstatus
