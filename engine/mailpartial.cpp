// SPDX-License-Identifier: MIT
//
// The second place that talks to GMime, beside mailmessage.cpp: GMime parses
// the stored message, numbers its parts, encodes the attachments and writes
// the message out again. GMime keeps what it does not have to change as it
// read it: header fields as written, the bodies of parts left alone, the
// preamble and epilogue of multiparts. Its writer changes two things on its
// own, which restore() undoes: it ends the last line, and (GMime 3.2.13) in a
// CRLF message it reads an empty body as a lone CR, which it then writes as a
// line of its own.
#include "mailpartial.h"

#include "mailgmime.h"

#include <algorithm>
#include <cerrno>
#include <gmime/gmime.h>
#include <unistd.h>
#include <vector>

namespace mailpartial {

namespace {

constexpr char kLeftOutHeader[] = "X-Apple-Content-Length";
// RFC 5322 and RFC 2045: a line of an unencoded body holds at most 998 bytes.
constexpr qsizetype kMaxLineBytes = 998;
constexpr qsizetype kReadBytes = 64 * 1024;

struct PartIterFree
{
    void operator()(GMimePartIter *iter) const { g_mime_part_iter_free(iter); }
};
using PartIterPtr = std::unique_ptr<GMimePartIter, PartIterFree>;

struct FormatOptionsFree
{
    void operator()(GMimeFormatOptions *options) const { g_mime_format_options_free(options); }
};
using FormatOptionsPtr = std::unique_ptr<GMimeFormatOptions, FormatOptionsFree>;

// A stream over a range of a descriptor that stays its owner's.
mailgmime::ObjectPtr<GMimeStream> borrowedStream(int descriptor, off_t start, off_t end)
{
    mailgmime::ObjectPtr<GMimeStream> stream(
        g_mime_stream_fs_new_with_bounds(descriptor, start, end));
    g_mime_stream_fs_set_owner(GMIME_STREAM_FS(stream.get()), FALSE);
    return stream;
}

// Reads up to size bytes at offset; the count read, or -1 with errno set.
ssize_t readAt(int descriptor, char *buffer, qsizetype size, off_t offset)
{
    for (;;) {
        const ssize_t got = ::pread(descriptor, buffer, size_t(size), offset);
        if (got >= 0 || errno != EINTR)
            return got;
    }
}

// How the stored message ends its lines, and whether its last line ends.
struct LineEnds
{
    bool crlf = false;
    bool lastLineEnds = true;
};

Outcome<LineEnds> lineEndsOf(const MessageBytes &message)
{
    LineEnds ends;
    QByteArray buffer(kReadBytes, Qt::Uninitialized);
    const ssize_t head =
        readAt(message.descriptor, buffer.data(),
               qsizetype(std::min<off_t>(kReadBytes, message.length)), message.offset);
    if (head < 0)
        return Outcome<LineEnds>::failure(systemReason(errno));
    const qsizetype newline = QByteArrayView(buffer.constData(), head).indexOf('\n');
    ends.crlf = newline > 0 && buffer.at(newline - 1) == '\r';
    char last = '\n';
    if (message.length > 0 &&
        readAt(message.descriptor, &last, 1, message.offset + message.length - 1) != 1)
        return Outcome<LineEnds>::failure(systemReason(errno));
    ends.lastLineEnds = last == '\n';
    return Outcome<LineEnds>::success(ends);
}

// A part left out of the stored message.
struct LeftOut
{
    GMimePart *part = nullptr;
    QByteArray number;
    std::optional<AttachmentFile> file;
};

// The number of the current part, as IMAP numbers it: a message that is a
// single part is part 1 (GMime's iterator says 0).
QByteArray partNumber(GMimePartIter *iter)
{
    const mailgmime::CharPtr path(g_mime_part_iter_get_path(iter));
    const QByteArray number(path ? path.get() : "");
    return number == "0" ? QByteArray("1") : number;
}

bool isPartNumber(const QByteArray &number)
{
    return !number.isEmpty() && std::all_of(number.begin(), number.end(), [](char c) {
        return (c >= '0' && c <= '9') || c == '.';
    });
}

void addDelimiter(GMimeObject *object, QList<QByteArray> *delimiters)
{
    if (!GMIME_IS_MULTIPART(object))
        return;
    if (const char *boundary = g_mime_multipart_get_boundary(GMIME_MULTIPART(object)))
        delimiters->append(QByteArray("--") + boundary);
}

// Walks the message's parts: the ones left out, each with its file if found,
// and the boundary line of every multipart ("--" and the boundary).
void walk(GMimeMessage *message, const AttachmentFinder &find, std::vector<LeftOut> *leftOut,
          QList<QByteArray> *delimiters)
{
    // The iterator starts below the message's own part.
    addDelimiter(g_mime_message_get_mime_part(message), delimiters);
    const PartIterPtr iter(g_mime_part_iter_new(GMIME_OBJECT(message)));
    for (bool more = g_mime_part_iter_is_valid(iter.get()); more;
         more = g_mime_part_iter_next(iter.get())) {
        GMimeObject *current = g_mime_part_iter_get_current(iter.get());
        if (GMIME_IS_MULTIPART(current)) {
            addDelimiter(current, delimiters);
            continue;
        }
        if (!GMIME_IS_PART(current) || !g_mime_object_get_header(current, kLeftOutHeader))
            continue;
        LeftOut part{GMIME_PART(current), partNumber(iter.get()), std::nullopt};
        if (isPartNumber(part.number))
            part.file = find(part.number);
        leftOut->push_back(std::move(part));
    }
}

// Checks bytes, a chunk at a time, against what an unencoded body may hold
// and still be read back as those very bytes.
class UnencodedCheck
{
public:
    UnencodedCheck(bool eightBit, bool crlf, const QList<QByteArray> &delimiters)
        : m_eightBit(eightBit), m_crlf(crlf), m_delimiters(delimiters)
    {
        for (const QByteArray &delimiter : delimiters)
            m_longestDelimiter = std::max(m_longestDelimiter, delimiter.size());
    }

    // False once the bytes so far cannot go unencoded.
    bool take(QByteArrayView bytes)
    {
        for (const char c : bytes) {
            if (!takeByte(c))
                return false;
        }
        return true;
    }

    // Whether the whole file can go unencoded.
    [[nodiscard]] bool passedAll() const { return !m_afterCr; }

private:
    bool takeByte(char c)
    {
        // The writer ends every line the message's way: a CR not followed by
        // LF, any CR in an LF message, a lone LF in a CRLF message would all
        // come back as other bytes.
        if (m_afterCr && c != '\n')
            return false;
        if (c == '\r') {
            m_afterCr = true;
            return m_crlf;
        }
        if (c == '\n') {
            if (m_crlf != m_afterCr)
                return false;
            m_afterCr = false;
            m_lineLength = 0;
            m_lineStart.clear();
            return true;
        }
        if (c == '\0' || (!m_eightBit && (static_cast<unsigned char>(c) & 0x80)))
            return false;
        if (++m_lineLength > kMaxLineBytes)
            return false;
        if (m_lineStart.size() < m_longestDelimiter) {
            // A line that starts like a boundary line would end the part there.
            m_lineStart += c;
            if (m_delimiters.contains(m_lineStart))
                return false;
        }
        return true;
    }

    bool m_eightBit;
    bool m_crlf;
    const QList<QByteArray> &m_delimiters;
    qsizetype m_longestDelimiter = 0;
    bool m_afterCr = false;
    qsizetype m_lineLength = 0;
    QByteArray m_lineStart;
};

Outcome<bool> passesUnencoded(const AttachmentFile &file, bool eightBit, bool crlf,
                              const QList<QByteArray> &delimiters)
{
    UnencodedCheck check(eightBit, crlf, delimiters);
    QByteArray buffer(kReadBytes, Qt::Uninitialized);
    for (off_t at = 0; at < file.size;) {
        const ssize_t got = readAt(file.descriptor.get(), buffer.data(),
                                   qsizetype(std::min<off_t>(kReadBytes, file.size - at)), at);
        if (got < 0)
            return Outcome<bool>::failure(systemReason(errno));
        if (got == 0)
            break;
        if (!check.take(QByteArrayView(buffer.constData(), got)))
            return Outcome<bool>::success(false);
        at += got;
    }
    return Outcome<bool>::success(check.passedAll());
}

// Puts file back as part's body, encoded as the part says or, where an
// unencoded body would not hold it, base64.
Outcome<void> putBack(GMimePart *part, const AttachmentFile &file, bool crlf,
                      const QList<QByteArray> &delimiters)
{
    const GMimeContentEncoding encoding = g_mime_part_get_content_encoding(part);
    if (encoding != GMIME_CONTENT_ENCODING_BASE64 &&
        encoding != GMIME_CONTENT_ENCODING_QUOTEDPRINTABLE &&
        encoding != GMIME_CONTENT_ENCODING_UUENCODE) {
        const bool eightBit =
            encoding == GMIME_CONTENT_ENCODING_8BIT || encoding == GMIME_CONTENT_ENCODING_BINARY;
        const Outcome<bool> passes = passesUnencoded(file, eightBit, crlf, delimiters);
        if (!passes)
            return Outcome<void>::failure(passes.reason());
        if (!passes.value())
            g_mime_part_set_content_encoding(part, GMIME_CONTENT_ENCODING_BASE64);
    }
    const mailgmime::ObjectPtr<GMimeStream> stream =
        borrowedStream(file.descriptor.get(), 0, file.size);
    const mailgmime::ObjectPtr<GMimeDataWrapper> content(
        g_mime_data_wrapper_new_with_stream(stream.get(), GMIME_CONTENT_ENCODING_DEFAULT));
    g_mime_part_set_content(part, content.get());
    g_mime_object_remove_header(GMIME_OBJECT(part), kLeftOutHeader);
    return Outcome<void>::success();
}

// GMime 3.2.13 reads the empty body of a part in a CRLF message as a lone CR
// (it takes only the LF before the boundary for the boundary's), and then
// writes that CR on a line of its own: the part stays as stored only when its
// body is made empty again.
void keepEmptyBodyEmpty(GMimePart *part)
{
    GMimeDataWrapper *content = g_mime_part_get_content(part);
    GMimeStream *stream = content ? g_mime_data_wrapper_get_stream(content) : nullptr;
    if (stream == nullptr || g_mime_stream_length(stream) != 1)
        return;
    char byte = 0;
    g_mime_stream_reset(stream);
    const bool loneCr = g_mime_stream_read(stream, &byte, 1) == 1 && byte == '\r';
    g_mime_stream_reset(stream);
    if (!loneCr)
        return;
    const mailgmime::ObjectPtr<GMimeStream> empty(g_mime_stream_mem_new());
    const mailgmime::ObjectPtr<GMimeDataWrapper> nothing(g_mime_data_wrapper_new_with_stream(
        empty.get(), g_mime_data_wrapper_get_encoding(content)));
    g_mime_part_set_content(part, nothing.get());
}

QString missingEntry(const LeftOut &part)
{
    const char *name = g_mime_part_get_filename(part.part);
    QString entry = QString::fromLatin1(part.number);
    if (name != nullptr && *name != '\0')
        entry += QLatin1Char(' ') + QString::fromUtf8(name);
    return entry;
}

// Writes message to out with the stored message's line ends, and without a
// line end after the last line where the stored message had none.
Outcome<void> writeMessage(GMimeMessage *message, const LineEnds &ends, int out)
{
    const FormatOptionsPtr options(g_mime_format_options_new());
    g_mime_format_options_set_newline_format(options.get(), ends.crlf ? GMIME_NEWLINE_FORMAT_DOS
                                                                      : GMIME_NEWLINE_FORMAT_UNIX);
    const mailgmime::ObjectPtr<GMimeStream> stream(g_mime_stream_fs_new(out));
    g_mime_stream_fs_set_owner(GMIME_STREAM_FS(stream.get()), FALSE);
    errno = 0;
    if (g_mime_object_write_to_stream(GMIME_OBJECT(message), options.get(), stream.get()) < 0 ||
        g_mime_stream_flush(stream.get()) != 0)
        return Outcome<void>::failure(systemReason(errno != 0 ? errno : EIO));
    if (ends.lastLineEnds)
        return Outcome<void>::success();
    const off_t size = ::lseek(out, 0, SEEK_END);
    char tail[2] = {};
    if (size >= 2 && readAt(out, tail, 2, size - 2) == 2 && tail[1] == '\n') {
        const off_t cut = tail[0] == '\r' && ends.crlf ? 2 : 1;
        if (::ftruncate(out, size - cut) != 0)
            return Outcome<void>::failure(systemReason(errno));
    }
    return Outcome<void>::success();
}

} // namespace

Outcome<Restoration> restore(const MessageBytes &message, const AttachmentFinder &find, int out)
{
    const auto fail = [](const QString &reason) { return Outcome<Restoration>::failure(reason); };
    const auto tooLarge = [&fail](qint64 bytes) {
        return fail(QStringLiteral("the message and its attachments hold %1 MiB, more than the "
                                   "%2 MiB a partial message is restored with")
                        .arg((bytes + (1 << 20) - 1) >> 20)
                        .arg(kMaxRestoredBytes >> 20));
    };
    if (message.length > kMaxRestoredBytes)
        return tooLarge(message.length);
    const Outcome<LineEnds> ends = lineEndsOf(message);
    if (!ends)
        return fail(QStringLiteral("cannot read the message: %1").arg(ends.reason()));

    mailgmime::ensureInitialised();
    const mailgmime::ObjectPtr<GMimeStream> stream =
        borrowedStream(message.descriptor, message.offset, message.offset + message.length);
    const mailgmime::ObjectPtr<GMimeParser> parser(g_mime_parser_new_with_stream(stream.get()));
    g_mime_parser_set_format(parser.get(), GMIME_FORMAT_MESSAGE);
    const mailgmime::ObjectPtr<GMimeMessage> parsed(
        g_mime_parser_construct_message(parser.get(), nullptr));
    if (!parsed)
        return Outcome<Restoration>::success({});

    std::vector<LeftOut> leftOut;
    QList<QByteArray> delimiters;
    walk(parsed.get(), find, &leftOut, &delimiters);

    Restoration restoration;
    qint64 total = message.length;
    for (const LeftOut &part : leftOut) {
        if (part.file) {
            ++restoration.restored;
            total += part.file->size;
        } else {
            restoration.missing.append(missingEntry(part));
        }
    }
    if (total > kMaxRestoredBytes)
        return tooLarge(total);
    if (restoration.restored == 0)
        return Outcome<Restoration>::success(restoration);

    for (const LeftOut &part : leftOut) {
        if (!part.file) {
            if (ends.value().crlf)
                keepEmptyBodyEmpty(part.part);
            continue;
        }
        const Outcome<void> put = putBack(part.part, *part.file, ends.value().crlf, delimiters);
        if (!put)
            return fail(QStringLiteral("cannot read the attachment of part %1: %2")
                            .arg(QString::fromLatin1(part.number), put.reason()));
    }
    if (const Outcome<void> written = writeMessage(parsed.get(), ends.value(), out); !written)
        return fail(QStringLiteral("cannot restore the attachments: %1").arg(written.reason()));
    return Outcome<Restoration>::success(restoration);
}

} // namespace mailpartial
