// SPDX-License-Identifier: MIT
#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <vector>

// The RFC 2047 encoded words of a header value ("=?charset?B?...?=",
// "=?charset?Q?...?="), found and decoded to their bytes. What the bytes say
// depends on the charset, and runs of adjacent words must be joined before
// they are converted (a character may be split across two words), so turning
// them into text is left to MailMessage.
namespace encodedwords {

struct Word
{
    qsizetype begin = 0; // where "=?" starts
    qsizetype end = 0;   // one past the closing "?="
    QByteArray charset;  // as written, without an RFC 2231 language suffix ("*en")
    QByteArray bytes;    // the decoded payload
};

// The well-formed encoded words of text, in order and not overlapping: the
// charset, the encoding (B or Q, in either case) and the payload each hold no
// white space and no "?". Text that only looks like the start of one ("=?" on
// its own, an unknown encoding, no closing "?=") is no word and is skipped.
// A B payload is read leniently: characters outside the base64 alphabet,
// "=" included, are passed over, missing padding does no harm, and bits that
// make no whole byte at the end are dropped. In a Q payload "_" is a space and
// "=" followed by two hex digits a byte; anything else stands for itself.
// Never fails.
[[nodiscard]] std::vector<Word> find(QByteArrayView text);

} // namespace encodedwords
