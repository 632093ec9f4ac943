// SPDX-License-Identifier: MIT
#pragma once

#include "sourcefile.h"

#include <ctime>
#include <sys/stat.h>
#include <sys/types.h>

// The bytes a copy of a message holds, as a range of an open file, and what
// the copy inherits besides them. Today every message is a whole file; a
// message that is a part of its file (counted bytes, one message of a
// mailbox) is a range of it, and bytes made in memory can be put in a memfd,
// so one shape serves every kind of message. The descriptor belongs to the
// caller and must stay open while the bytes are used; it is only read, at
// explicit offsets, so what read it before does not matter.
struct MessageBytes
{
    int descriptor = -1;
    off_t offset = 0;
    off_t length = 0;
    // The range runs to the file's end: a file whose size shows only when read
    // (/proc, /sys, some FUSE) is copied as far as reading goes, and length is
    // only the size its status gave.
    bool untilEnd = false;
    // The permission bits a copy starts from (the creation mask is still taken away).
    mode_t mode = S_IRUSR | S_IWUSR;
    // The modification time the copy keeps.
    timespec modified = {0, UTIME_OMIT};
    // Which file the range comes from; a copy found to be that very file is the message.
    dev_t device = 0;
    ino_t inode = 0;

    // The whole of an opened regular file, with its mode, time and identity.
    [[nodiscard]] static MessageBytes wholeFile(const SourceFile &file)
    {
        const struct stat &status = file.status();
        MessageBytes bytes;
        bytes.descriptor = file.descriptor();
        bytes.length = status.st_size;
        bytes.untilEnd = true;
        bytes.mode = status.st_mode;
        bytes.modified = status.st_mtim;
        bytes.device = status.st_dev;
        bytes.inode = status.st_ino;
        return bytes;
    }

    // True when a file with this status holds these bytes because it is their file.
    [[nodiscard]] bool isWholeFile(const struct stat &status) const
    {
        return inode != 0 && status.st_dev == device && status.st_ino == inode && offset == 0 &&
               status.st_size == length;
    }
};
