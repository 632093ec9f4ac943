// SPDX-License-Identifier: MIT
#pragma once

#include "outcome.h"

#include <limits>
#include <optional>
#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <vector>

class SourceFile;

// The byte work of reading a saved message's headers, before any text is
// decoded: where the message lies within its file (the .emlx framing), where
// its header block ends, and the raw values of the fields a name is built
// from. Nothing here knows charsets or encoded words; MailMessage decodes the
// values these functions hand it.
//
// The fields are split by hand rather than by a full parse: that keeps the
// first of a repeated field, the obsolete "Name  :" form, and the fields after
// a malformed line, all of which a full parse would lose.
namespace headerblock {

// The most that is read of a message looking for the end of its header block.
inline constexpr qint64 kMaxHeaderBytes = 1024 * 1024;

// How the bytes of a file are framed.
enum class Framing
{
    ByName, // .emlx framing when the file name ends in ".emlx" (any case), else plain
    Plain,  // the bytes are the message
    Emlx,   // a first line with the byte count, then the message, then a property list
};

// Where a message lies within the bytes of its file.
struct Frame
{
    // No count: the message runs to the end of the file.
    static constexpr qint64 kUntilEnd = std::numeric_limits<qint64>::max();

    // Offset of the message's first byte: just after an .emlx count line, else 0.
    qint64 start = 0;
    // The count an .emlx count line gives (the file may hold fewer bytes than
    // that), else kUntilEnd.
    qint64 length = kUntilEnd;
};

// Whether bytes named name are .emlx framed: framing is Emlx, or ByName and
// name ends in ".emlx" in any case (a ".partial.emlx" too). An empty name
// makes ByName plain.
[[nodiscard]] bool isEmlx(Framing framing, const QString &name);

// The frame of an .emlx file, from its first bytes. The first line is the
// decimal byte count of the message that follows it, white space around the
// digits allowed (a "\r\n" line end too). A first line that holds anything
// else, more than 18 digits, or does not end within the first 32 bytes is no
// count (a damaged file, or a plain message saved under that name): the whole
// file is the message, Frame{}. Never fails.
[[nodiscard]] Frame emlxFrame(QByteArrayView head);

// The part of the framed message in bytes that the reader ever looks at: from
// frame.start, at most frame.length and kMaxHeaderBytes bytes, and no further
// than bytes reach. Empty when bytes end before frame.start.
[[nodiscard]] QByteArrayView messageHead(QByteArrayView bytes, const Frame &frame);

// Reads, through file's descriptor and from the file's start (its offset is
// not used), the head of its message as messageHead() gives it, framed as
// isEmlx(framing, file.path()) says. Reads no further than the header block
// needs: a file whose blank line shows in the first read costs one read.
// Fails, with a reason naming the path, when file could not be opened, is a
// folder or no regular file, or a read fails.
[[nodiscard]] Outcome<QByteArray> readHead(const SourceFile &file, Framing framing);

// Reads the head of a message that is the range of length bytes at offset in
// file (one message of a mailbox), as readHead() reads a plain message file:
// at most kMaxHeaderBytes, no further than the header block needs, and never
// beyond the range. Fails as readHead() does.
[[nodiscard]] Outcome<QByteArray> readHead(const SourceFile &file, qint64 offset, qint64 length);

// The raw values of the fields a name is built from: each the first field of
// its name (in any case) in the header block, unfolded (the line breaks of
// folding dropped, the tabs in the white space after them read as spaces, so
// folded words stay apart), without its NUL bytes, and with the white space
// after the colon still in front. A missing field has no value.
struct FirstFields
{
    std::optional<QByteArray> subject;
    std::optional<QByteArray> from;
    std::optional<QByteArray> date;
    std::optional<QByteArray> contentType;
    std::optional<QByteArray> to;
    std::optional<QByteArray> messageId;
    // Whether the header block holds any field at all, of whatever name: a
    // file without one is no mail message.
    bool anyField = false;
};

// The first Subject, From, Date, Content-Type, To and Message-ID fields of message's header
// block. The block ends at the first empty line (LF or CRLF) or with the
// bytes; a byte-order mark before the first field is skipped, and so is every
// line that is neither a field nor the continuation of one (garbage, an mbox
// "From " line). Never fails.
[[nodiscard]] FirstFields firstFields(QByteArrayView message);

// The value of the first field named name (in any case) in message's header
// block, read as firstFields() reads fields; nullopt when there is none.
[[nodiscard]] std::optional<QByteArray> firstField(QByteArrayView message, QByteArrayView name);

// Every Received field of message's header block, in order, read as
// firstFields() reads fields. Kept apart because they are many and needed
// only when the Date field is missing or unreadable.
[[nodiscard]] std::vector<QByteArray> receivedFields(QByteArrayView message);

} // namespace headerblock
