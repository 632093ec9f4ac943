// SPDX-License-Identifier: MIT
#pragma once

#include <QString>

// Path helpers on text. Only "/" separates; nothing is normalised.
//
// The registry namespace is split in two on purpose: these helpers, which the
// engine and every layer above it use, need nothing but QtCore; the folder
// browser and the desktop's "open" action need widgets and a desktop, so they
// live in shell/ (browseforfolder.h, shellopen.h).
namespace registry {

// The path up to and including its last "/"; "" when it has none or is empty.
// For every path, FolderOf(path) + FileNameOf(path) == path.
[[nodiscard]] QString FolderOf(const QString &path);

// The part of the path after its last "/"; the whole path when it has none;
// "" when the path is empty or ends in "/".
[[nodiscard]] QString FileNameOf(const QString &path);

// The folder path with one "/" at its end, as folders are carried: "/srv/out"
// gives "/srv/out/"; a path that ends in "/" already ("/" itself too) and ""
// stay as they are.
[[nodiscard]] QString withTrailingSlash(const QString &folder);

} // namespace registry
