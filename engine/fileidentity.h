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

    friend bool operator==(const FileIdentity &, const FileIdentity &) = default;
};

inline size_t qHash(const FileIdentity &identity, size_t seed = 0)
{
    return qHashMulti(seed, quint64(identity.device), quint64(identity.inode));
}
