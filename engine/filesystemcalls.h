// SPDX-License-Identifier: MIT
#pragma once

#include <sys/stat.h>
#include <sys/types.h>

// The file-system calls through which a copy finds, creates and publishes its
// file, gathered in one place so that a test can stand in for the file system.
// That is the only way to try what a case-folding file system (FAT, exFAT, some
// network shares) does to two names that differ only by case: none can be
// mounted on a build machine. This class itself makes the real calls; a test
// derives from it and overrides what it wants to change.
//
// Every function takes paths as the system does (bytes, NUL-terminated) and
// answers as the system call of its name does: -1 with errno set on failure.
class FileSystemCalls
{
public:
    virtual ~FileSystemCalls() = default;

    // The calls of the running system, shared by every copy that is given no other.
    [[nodiscard]] static FileSystemCalls &system();

    // open(2).
    virtual int open(const char *path, int flags, mode_t mode = 0);
    // lstat(2): what has the name, a link looked at and not followed.
    virtual int lookAt(const char *path, struct stat *status);
    // stat(2): what the name leads to, links followed.
    virtual int followTo(const char *path, struct stat *status);
    // linkat(2) from oldDirectory/oldPath to newPath (relative to the working folder).
    virtual int linkAt(int oldDirectory, const char *oldPath, const char *newPath, int flags);
    // renameat2(2) with RENAME_NOREPLACE: fails with EEXIST when newPath exists.
    virtual int renameNoReplace(const char *oldPath, const char *newPath);
    // rename(2): replaces newPath.
    virtual int rename(const char *oldPath, const char *newPath);
    // unlink(2).
    virtual int unlink(const char *path);
};
