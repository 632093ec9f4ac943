// SPDX-License-Identifier: MIT
#include "filesystemcalls.h"

#include <cstdio>
#include <fcntl.h>
#include <unistd.h>

FileSystemCalls &FileSystemCalls::system()
{
    static FileSystemCalls calls;
    return calls;
}

int FileSystemCalls::open(const char *path, int flags, mode_t mode)
{
    return ::open(path, flags, mode);
}

int FileSystemCalls::lookAt(const char *path, struct stat *status)
{
    return ::lstat(path, status);
}

int FileSystemCalls::followTo(const char *path, struct stat *status)
{
    return ::stat(path, status);
}

int FileSystemCalls::linkAt(int oldDirectory, const char *oldPath, const char *newPath, int flags)
{
    return ::linkat(oldDirectory, oldPath, AT_FDCWD, newPath, flags);
}

int FileSystemCalls::renameNoReplace(const char *oldPath, const char *newPath)
{
    return ::renameat2(AT_FDCWD, oldPath, AT_FDCWD, newPath, RENAME_NOREPLACE);
}

int FileSystemCalls::rename(const char *oldPath, const char *newPath)
{
    return ::rename(oldPath, newPath);
}

int FileSystemCalls::unlink(const char *path)
{
    return ::unlink(path);
}
