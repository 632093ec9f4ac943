// SPDX-License-Identifier: MIT
#pragma once

#include "fileidentity.h"
#include "outcome.h"

#include <QByteArray>
#include <QString>

// What a run's manifest remembers of a copy, so that an undo can tell the
// copy from anything put in its place since.
struct FileDigest
{
    qint64 size = 0;
    QByteArray sha256; // lower-case hex, 64 characters
    FileIdentity identity;
};

namespace filedigest {

// Reads the regular file at path, not following a link in its last step, and
// returns its size, SHA-256 and identity. Fails, with a reason that does not
// name the path, when it is missing ("No such file or directory"), a link
// ("is a link, not a regular file"), anything but a regular file ("not a
// regular file"), or cannot be read (the system's reason). A fifo never blocks
// the call.
[[nodiscard]] Outcome<FileDigest> of(const QString &path);

} // namespace filedigest
