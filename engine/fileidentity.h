// SPDX-License-Identifier: MIT
#pragma once

#include <QHashFunctions>
#include <sys/stat.h>

// Which file a path leads to: its device and inode, equal for the same file
// under any path (a link, a second hard link, "a/../a").
struct FileIdentity
{
    dev_t device = 0;
    ino_t inode = 0;

    [[nodiscard]] static FileIdentity of(const struct stat &status)
    {
        return {status.st_dev, status.st_ino};
    }

    // Whether two looks at a name found the same file, unchanged in between as
    // far as a status can tell: the same identity, type, mode and size, and
    // the same modification and change times (a write, a chmod or a rename
    // over it moves one of them).
    [[nodiscard]] static bool unchanged(const struct stat &before, const struct stat &after)
    {
        return before.st_dev == after.st_dev && before.st_ino == after.st_ino &&
               before.st_mode == after.st_mode && before.st_size == after.st_size &&
               before.st_mtim.tv_sec == after.st_mtim.tv_sec &&
               before.st_mtim.tv_nsec == after.st_mtim.tv_nsec &&
               before.st_ctim.tv_sec == after.st_ctim.tv_sec &&
               before.st_ctim.tv_nsec == after.st_ctim.tv_nsec;
    }

    friend bool operator==(const FileIdentity &, const FileIdentity &) = default;
};

inline size_t qHash(const FileIdentity &identity, size_t seed = 0)
{
    return qHashMulti(seed, quint64(identity.device), quint64(identity.inode));
}
