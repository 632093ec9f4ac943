// SPDX-License-Identifier: MIT
#pragma once

#include <QString>
#include <functional>
#include <sys/stat.h>

class SourceFile;

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

// How one copy ended.
enum class Result
{
    Copied,
    // Options::mayReplace kept the file that has the target's name.
    Refused,
    Failed,
};

struct Options
{
    // Leave an existing target alone and fail.
    bool failIfExists = false;
    Staging staging = Staging::Unnamed;
    // Asked, with its status, about a file that has the target's name before
    // the copy replaces it: "" lets it go, any other text keeps it, and the copy
    // ends Refused with that text as its reason. Asked at most once per copy;
    // a dangling link is not asked about.
    std::function<QString(const struct stat &existing)> mayReplace;
};

// Copies the file opened as source to target as modMain::CopyFileTo describes,
// reading it through source's own descriptor from its start. Returns Copied
// when the copy was made; Refused or Failed with *reason set, and nothing
// created or changed, otherwise. With unnamed staging and without
// failIfExists the target is looked at only when linking shows that it
// exists, so a target that is the source itself is found only then, after the
// content was written to a file nobody sees (and which then goes).
[[nodiscard]] Result copyFile(const SourceFile &source, const QString &target,
                              const Options &options, QString *reason = nullptr);

// Opens source and copies it as above, staging the content as asked. Returns
// true when the copy was made; false with *reason set, and nothing created or
// changed, otherwise.
[[nodiscard]] bool copyFile(const QString &source, const QString &target, bool failIfExists,
                            Staging staging, QString *reason = nullptr);

} // namespace filecopy
