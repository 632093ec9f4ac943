// SPDX-License-Identifier: MIT
#pragma once

#include "filedescriptor.h"
#include "messagebytes.h"
#include "outcome.h"

#include <functional>
#include <optional>
#include <QByteArray>
#include <QStringList>
#include <sys/types.h>

// Partial messages made whole. A .partial.emlx holds a message some of whose
// parts were left out: each such part keeps its headers, carries
// X-Apple-Content-Length and has an empty body, and its attachment is a file
// of its own, found by the part's IMAP-style number ("2", "2.4"). This puts
// each file back as its part's body, through GMime, whose part iterator
// numbers parts the same way.
//
// Everything else of the message is written as it is stored: the headers and
// the bodies of the other parts byte for byte, the message's own line ends
// (LF or CRLF) and its last line without a line end if it had none. A part
// that gets its attachment back loses X-Apple-Content-Length and is encoded
// with its own Content-Transfer-Encoding (base64, quoted-printable); a part
// declared 7bit, 8bit, binary or without one whose file would not pass
// through unchanged as such (bytes that encoding does not allow, lines over
// 998 bytes, line ends unlike the message's, a line that looks like one of
// its boundaries) is encoded base64, and its header says so. A part whose
// attachment is missing stays as it is stored.
namespace mailpartial {

// The most that a message is restored with: the stored message and its
// attachment files together. The message is held in memory while it is
// restored, and the restored message is made in memory too.
inline constexpr qint64 kMaxRestoredBytes = qint64(1) << 30;

// The stored attachment file of one part, opened for reading.
struct AttachmentFile
{
    FileDescriptor descriptor;
    off_t size = 0;
};

// The attachment file of the part numbered part ("2", "2.4": digits and dots
// only), or nullopt when there is none.
using AttachmentFinder = std::function<std::optional<AttachmentFile>(const QByteArray &part)>;

// What restoring put back.
struct Restoration
{
    // Parts that got their attachment back.
    int restored = 0;
    // The parts left out of the message whose attachment was not found, in
    // message order: the part's number and, when its headers name one, the
    // file name ("2.6 image001.png").
    QStringList missing;
};

// Reads the message in message (the counted bytes of a .partial.emlx) and,
// when at least one part left out of it has its attachment found by find,
// writes the message with those attachments back in to the end of out (an
// empty file opened for reading and writing). When no attachment was found
// (also when there is nothing left out, or GMime finds no message), writes
// nothing: the stored bytes are the message as it can be had.
//
// Fails, with a reason, when the message and the attachment files found for
// it hold more than kMaxRestoredBytes together (before anything is read), or
// when reading the message or a file, or writing out, fails; out then holds
// no message.
[[nodiscard]] Outcome<Restoration> restore(const MessageBytes &message,
                                           const AttachmentFinder &find, int out);

} // namespace mailpartial
