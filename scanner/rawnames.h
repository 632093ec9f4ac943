// SPDX-License-Identifier: MIT
#pragma once

#include <optional>
#include <QByteArray>
#include <QString>

// Reading and showing file names that are raw bytes, such as the names the
// folder scanner sets aside because they are not valid UTF-8.
namespace rawnames {

// The name as a person can read it and tell apart from others: every valid
// UTF-8 character as itself, and each byte that is not part of one as "\x"
// and two upper-case hex digits ("caf\xE9.eml"). Control characters (U+0000
// to U+001F, U+007F to U+009F) are shown by their bytes the same way, so a
// name cannot break the line it is shown on. Never fails.
[[nodiscard]] QString visible(const QByteArray &raw);

// The text that reaches the file system (QFile::encodeName) as exactly these
// bytes, or nothing when there is none: the bytes are not valid UTF-8. Unlike
// QString::fromUtf8 it neither replaces bad bytes with U+FFFD, which would
// name another file, nor drops a leading byte order mark.
[[nodiscard]] std::optional<QString> text(const QByteArray &raw);

} // namespace rawnames
