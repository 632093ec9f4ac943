// SPDX-License-Identifier: MIT
#pragma once

#include <QByteArray>
#include <QMap>
#include <QString>

// What a folder tree holds, down to the bytes of every file, so that a test can
// tell whether anything in it changed. Links are recorded, never followed, and
// fifos are never opened.
namespace treesnapshot {

// Every entry below root (root itself not included): its raw path -> a
// description: "file <mode> <sha-256 of the content>", "dir <mode>",
// "link -> <target>", "fifo", "other"; a folder that cannot be listed adds
// " unlistable", a file that cannot be read "unreadable". Empty when root is
// missing.
[[nodiscard]] QMap<QByteArray, QByteArray> take(const QString &root);

// The description take() gives a regular file's content: "file <mode> <sha-256>".
[[nodiscard]] QByteArray describeFile(const QByteArray &path);

// The sha-256 of a file's content, in hex; "" when it cannot be read (or is a
// link and followLinks is not set).
[[nodiscard]] QByteArray contentHash(const QByteArray &path, bool followLinks = false);

} // namespace treesnapshot
