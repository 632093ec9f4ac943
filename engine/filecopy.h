// SPDX-License-Identifier: MIT
#pragma once

#include <QString>

// The whole-or-nothing file copy behind modMain::CopyFileTo.
//
// The content is written to a file that no one sees under the target's name
// until it is complete, then put in place with one rename or link, which the
// file system does atomically. So a copy that fails, or a process that ends
// in the middle, leaves an existing target as it was and never a partial file
// under the target's name. There is no fsync: the promise holds against a
// process that ends, not against a power cut, where the file system's own
// journalling decides what survives.
namespace filecopy {

// Where the content waits until it is complete.
enum class Staging
{
    // An unnamed file (O_TMPFILE) in the target's folder, linked in under a
    // name only when complete, so even a killed process leaves nothing behind.
    // Where the file system or the system offers no such file, Hidden is used.
    Unnamed,
    // A hidden, uniquely named file in the target's folder
    // (".name.xxxxxxxxxxxx.letterfold-tmp"), removed on every failure; only a
    // process killed in the middle of the copy leaves it behind.
    Hidden,
};

// Copies source to target as modMain::CopyFileTo describes, staging the
// content as asked. Returns true when the copy was made; false with *reason
// set, and nothing created or changed, otherwise.
[[nodiscard]] bool copyFile(const QString &source, const QString &target, bool failIfExists,
                            Staging staging, QString *reason = nullptr);

} // namespace filecopy
