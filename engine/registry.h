// SPDX-License-Identifier: MIT
#pragma once

#include <QString>

// Splitting a path at its last "/". Only "/" separates; nothing is normalised.
// For every path, FolderOf(path) + FileNameOf(path) == path.
namespace registry {

// The path up to and including its last "/"; "" when it has none or is empty.
[[nodiscard]] QString FolderOf(const QString &path);

// The part of the path after its last "/"; the whole path when it has none;
// "" when the path is empty or ends in "/".
[[nodiscard]] QString FileNameOf(const QString &path);

} // namespace registry
