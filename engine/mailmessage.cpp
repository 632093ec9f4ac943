// SPDX-License-Identifier: MIT
//
// The one place that talks to GMime. The header block is split into fields
// here: it is plain line work, and doing it ourselves keeps the first of a
// repeated field, the obsolete "Name  :" form, and the fields after a
// malformed line, which a full parse would lose. GMime does what is hard:
// charsets, raw 8-bit text, Content-Type parameters, the many broken forms of
// dates, and the malformed encoded words we leave to it. Well-formed encoded
// words we decode ourselves (see "Header text" below for the GMime fault this
// works around).
#include "mailmessage.h"

#include "oledate.h"
#include "rfc2822date.h"
#include "sourcefile.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <gmime/gmime.h>
#include <limits>
#include <optional>
#include <QByteArrayView>
#include <QDateTime>
#include <QHash>
#include <span>
#include <unistd.h>
#include <vector>

namespace {

// What a loaded message answers.
struct HeaderValues
{
    QString subject;
    QString sender;
    double date = 0.0;
};

// The first read covers the header block of nearly every message; only a
// message whose headers run past it costs a second read. Reading more would
// copy body bytes that are never looked at.
constexpr qsizetype kFirstRead = 16 * 1024;
// A byte count line longer than this is no byte count.
constexpr qsizetype kMaxCountLine = 32;

// GMime keeps global tables that every call relies on; without g_mime_init()
// the first parse crashes. A function-local static makes the one call
// thread-safe.
void ensureGMime()
{
    static const bool initialised = [] {
        g_mime_init();
        return true;
    }();
    (void)initialised;
}

// Owners of what GMime and GLib hand out.
struct GFreeDeleter
{
    void operator()(void *memory) const { g_free(memory); }
};
using GCharPtr = std::unique_ptr<char, GFreeDeleter>;

struct GObjectUnref
{
    void operator()(void *object) const { g_object_unref(object); }
};
template <typename T> using GObjectPtr = std::unique_ptr<T, GObjectUnref>;

struct GDateTimeUnref
{
    void operator()(GDateTime *moment) const { g_date_time_unref(moment); }
};
using GDateTimePtr = std::unique_ptr<GDateTime, GDateTimeUnref>;

struct ParserOptionsFree
{
    void operator()(GMimeParserOptions *options) const { g_mime_parser_options_free(options); }
};
using ParserOptionsPtr = std::unique_ptr<GMimeParserOptions, ParserOptionsFree>;

// Converters from g_mime_iconv_open() by charset name, kept open for the
// thread's life: opening one costs more than converting a header. A charset
// iconv does not know is remembered as such. Holds a bounded number of them,
// however many names hostile mail invents.
class Converters
{
public:
    Converters() = default;
    ~Converters() { clear(); }
    Converters(const Converters &) = delete;
    Converters &operator=(const Converters &) = delete;

    // The converter from charset to UTF-8, in its initial state; nullopt when
    // iconv does not know the charset.
    std::optional<iconv_t> toUtf8(const QByteArray &charset)
    {
        auto it = m_open.find(charset);
        if (it == m_open.end()) {
            if (m_open.size() >= kMaxOpen)
                clear();
            it = m_open.insert(charset, g_mime_iconv_open("UTF-8", charset.constData()));
        }
        if (*it == kNone)
            return std::nullopt;
        iconv(*it, nullptr, nullptr, nullptr, nullptr);
        return *it;
    }

    // Whether charset reads ASCII as ASCII, as header bytes must be read (not
    // so UTF-16 or UTF-32); nullopt when not yet known.
    std::optional<bool> extendsAscii(const QByteArray &charset) const
    {
        const auto it = m_extendsAscii.constFind(charset);
        return it == m_extendsAscii.cend() ? std::nullopt : std::optional<bool>(*it);
    }
    void setExtendsAscii(const QByteArray &charset, bool extends)
    {
        if (m_extendsAscii.size() >= kMaxOpen)
            m_extendsAscii.clear();
        m_extendsAscii.insert(charset, extends);
    }

private:
    static constexpr qsizetype kMaxOpen = 64;
    static inline const iconv_t kNone = reinterpret_cast<iconv_t>(-1);

    void clear()
    {
        for (const iconv_t converter : std::as_const(m_open)) {
            if (converter != kNone)
                g_mime_iconv_close(converter);
        }
        m_open.clear();
    }

    QHash<QByteArray, iconv_t> m_open;
    QHash<QByteArray, bool> m_extendsAscii;
};

Converters &converters()
{
    thread_local Converters perThread;
    return perThread;
}

// ---------------------------------------------------------------------------
// Framing

// Where the message lies within the bytes of a file.
struct Frame
{
    qsizetype start = 0;
    qint64 length = std::numeric_limits<qint64>::max();
};

// An .emlx file starts with a line holding the message's byte count. A first
// line that is no plain decimal count (a damaged file, or a plain message
// saved under that name) leaves the whole file as the message.
Frame emlxFrame(QByteArrayView head)
{
    const qsizetype newline = head.first(std::min(head.size(), kMaxCountLine)).indexOf('\n');
    if (newline < 0)
        return {};
    const QByteArrayView count = head.first(newline).trimmed();
    // 18 digits always fit a qint64; a longer count is nonsense anyway.
    if (count.isEmpty() || count.size() > 18)
        return {};
    if (!std::all_of(count.begin(), count.end(), [](char c) { return c >= '0' && c <= '9'; }))
        return {};
    return {newline + 1, count.toLongLong()};
}

// The part of the framed message that is ever looked at.
QByteArrayView messageHead(QByteArrayView bytes, const Frame &frame)
{
    const QByteArrayView message = bytes.sliced(std::min(frame.start, bytes.size()));
    const qint64 length =
        std::min({frame.length, MailMessage::kMaxHeaderBytes, static_cast<qint64>(message.size())});
    return message.first(static_cast<qsizetype>(length));
}

// True once the bytes hold the empty line that ends the header block. Goes
// from line end to line end, so it looks at the header lines only, not at the
// body bytes read with them.
bool holdsBlankLine(QByteArrayView message)
{
    const char *const end = message.data() + message.size();
    const auto blankAt = [end](const char *line) {
        return line < end &&
               (*line == '\n' || (*line == '\r' && line + 1 < end && line[1] == '\n'));
    };
    if (blankAt(message.data()))
        return true;
    for (const char *at = message.data();
         (at = static_cast<const char *>(std::memchr(at, '\n', size_t(end - at)))) != nullptr;) {
        ++at;
        if (blankAt(at))
            return true;
    }
    return false;
}

// ---------------------------------------------------------------------------
// Splitting the header block

// The fields the reader looks at; the others are skipped while splitting.
// Received fields are many and needed only when the Date field is missing or
// cannot be read, so they are split only then.
const char *const kWantedFields[] = {"subject", "from", "date", "content-type"};
const char *const kReceivedFields[] = {"received"};

struct RawField
{
    const char *name; // one of kWantedFields
    QByteArray value;
};

bool isWhiteSpace(char c)
{
    return c == ' ' || c == '\t';
}

// The field name of a line that starts a field, and where its value begins;
// nullopt for a line that starts no field (garbage, an mbox "From " line).
std::optional<std::pair<QByteArrayView, qsizetype>> fieldStart(QByteArrayView line)
{
    qsizetype i = 0;
    while (i < line.size() && line[i] >= 0x21 && line[i] <= 0x7e && line[i] != ':')
        ++i;
    const qsizetype nameEnd = i;
    // The obsolete syntax allows white space between the name and the colon.
    while (i < line.size() && isWhiteSpace(line[i]))
        ++i;
    if (nameEnd == 0 || i == line.size() || line[i] != ':')
        return std::nullopt;
    return std::make_pair(line.first(nameEnd), i + 1);
}

// The field name among names that name is, in any case; nullptr for none.
const char *wantedName(QByteArrayView name, std::span<const char *const> names)
{
    for (const char *wanted : names) {
        if (name.size() == qsizetype(std::strlen(wanted)) &&
            name.compare(wanted, Qt::CaseInsensitive) == 0)
            return wanted;
    }
    return nullptr;
}

enum class Split
{
    // The first Subject, From, Date and Content-Type fields; later ones of
    // the same name are never read.
    FirstFields,
    // Every Received field.
    ReceivedFields,
};

// The wanted fields of the header block, in order, each unfolded: the line
// breaks of folding are dropped and the white space after them kept, its tabs
// as spaces. The block
// ends at the first empty line; lines that are neither a field nor the
// continuation of one are skipped.
std::vector<RawField> splitFields(QByteArrayView message, Split split)
{
    if (message.startsWith("\xEF\xBB\xBF"))
        message = message.sliced(3);
    std::vector<RawField> fields;
    bool inWantedField = false;
    qsizetype pos = 0;
    while (pos < message.size()) {
        qsizetype end = message.indexOf('\n', pos);
        const qsizetype next = end < 0 ? message.size() : end + 1;
        if (end < 0)
            end = message.size();
        QByteArrayView line = message.sliced(pos, end - pos);
        pos = next;
        if (line.endsWith('\r'))
            line.chop(1);
        if (line.isEmpty())
            break;
        if (isWhiteSpace(line.front())) {
            if (inWantedField) {
                // The tabs that indent a folded line read as spaces, or the
                // words on either side of the fold would run together once the
                // cleaning of names deletes the tab.
                QByteArray &value = fields.back().value;
                qsizetype at = value.size();
                value.append(line);
                for (; at < value.size() && isWhiteSpace(value.at(at)); ++at)
                    value[at] = ' ';
            }
            continue;
        }
        inWantedField = false;
        const auto start = fieldStart(line);
        if (!start)
            continue;
        const char *name = split == Split::FirstFields ? wantedName(start->first, kWantedFields)
                                                       : wantedName(start->first, kReceivedFields);
        if (name == nullptr)
            continue;
        if (split == Split::FirstFields &&
            std::any_of(fields.begin(), fields.end(),
                        [name](const RawField &field) { return field.name == name; }))
            continue;
        fields.push_back({name, line.sliced(start->second).toByteArray()});
        inWantedField = true;
    }
    // A NUL would cut the value short in GMime's C strings; it is garbage anyway.
    for (RawField &field : fields)
        field.value.removeIf([](char c) { return c == '\0'; });
    return fields;
}

// ---------------------------------------------------------------------------
// Charsets

// The bytes converted from charset to UTF-8; nullopt when iconv does not know
// the charset or the bytes are not valid in it. A character cut short at the
// end becomes U+FFFD.
std::optional<QByteArray> convertToUtf8(QByteArrayView bytes, const QByteArray &charset)
{
    if (charset.isEmpty())
        return std::nullopt; // iconv would read "" as the locale's charset
    const std::optional<iconv_t> converter = converters().toUtf8(charset);
    if (!converter)
        return std::nullopt;
    QByteArray out(bytes.size() * 4 + 16, Qt::Uninitialized);
    char *in = const_cast<char *>(bytes.data());
    size_t inLeft = static_cast<size_t>(bytes.size());
    size_t used = 0;
    bool cutShort = false;
    // The final call with no input flushes a stateful charset (ISO-2022-JP)
    // back to its initial state.
    for (bool flushing = false;;) {
        char *outPos = out.data() + used;
        size_t outLeft = static_cast<size_t>(out.size()) - used;
        const size_t rc = flushing ? iconv(*converter, nullptr, nullptr, &outPos, &outLeft)
                                   : iconv(*converter, &in, &inLeft, &outPos, &outLeft);
        used = static_cast<size_t>(outPos - out.data());
        if (rc == static_cast<size_t>(-1)) {
            if (errno == E2BIG) {
                out.resize(out.size() * 2);
                continue;
            }
            if (errno != EINVAL)
                return std::nullopt;
            cutShort = true;
            inLeft = 0;
        }
        if (flushing)
            break;
        if (inLeft == 0)
            flushing = true;
    }
    out.truncate(static_cast<qsizetype>(used));
    if (cutShort)
        out.append("\xEF\xBF\xBD");
    return out;
}

const QByteArray kAsciiProbe = "Subject: From <a@b.c>";

// The charset parameter of a Content-Type value, when iconv knows it.
QByteArray contentTypeCharset(const QByteArray &contentType, GMimeParserOptions *options)
{
    // Most Content-Type fields name no charset (multipart ones never do), and
    // parsing one costs more than the rest of the header block.
    if (!QLatin1StringView(contentType).contains(QLatin1StringView("charset"), Qt::CaseInsensitive))
        return {};
    GObjectPtr<GMimeContentType> type(g_mime_content_type_parse(options, contentType.constData()));
    if (!type)
        return {};
    const char *charset = g_mime_content_type_get_parameter(type.get(), "charset");
    if (charset == nullptr || *charset == '\0')
        return {};
    // Header bytes are read as an extension of ASCII; a charset that is none
    // (UTF-16, UTF-32) would turn every 8-bit header into nonsense.
    const QByteArray name(charset);
    std::optional<bool> extendsAscii = converters().extendsAscii(name);
    if (!extendsAscii) {
        extendsAscii = convertToUtf8(kAsciiProbe, name) == kAsciiProbe;
        converters().setExtendsAscii(name, *extendsAscii);
    }
    return *extendsAscii ? name : QByteArray();
}

// ---------------------------------------------------------------------------
// Header text
//
// GMime 3.2.13 decodes a run of adjacent B-encoded words of one charset by
// running one base64 decoder over their joined payloads, so a word ending in
// "=" padding ends the run ("=?UTF-8?B?SGVsbG8=?= =?UTF-8?B?IHdvcmxk?=" gives
// "Hello"), and a word without its padding garbles the next. We therefore
// decode every well-formed encoded word ourselves: each payload to bytes, the
// bytes of adjacent words of one charset joined, then converted once, so a
// character split across two words survives (also in stateful ISO-2022-JP).
// The text around such runs still goes through GMime, which also takes care of
// raw 8-bit bytes and of malformed words we leave alone.

struct EncodedWord
{
    qsizetype begin = 0;
    qsizetype end = 0;  // one past the closing "?="
    QByteArray charset; // without an RFC 2231 language suffix
    QByteArray bytes;   // the decoded payload
};

bool isBase64Char(char c)
{
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '+' ||
           c == '/';
}

// Base64 without relying on padding: missing padding is common and a stray
// "=" must not end the word early. Trailing bits that make no whole byte go.
QByteArray decodeB(QByteArrayView payload)
{
    QByteArray clean;
    clean.reserve(payload.size() + 3);
    for (const char c : payload) {
        if (isBase64Char(c))
            clean.append(c);
    }
    // GLib's decoder emits a group of four only when it is complete, so the
    // padding is put back; a single leftover character holds no whole byte.
    if (clean.size() % 4 == 1)
        clean.chop(1);
    while (clean.size() % 4 != 0)
        clean.append('=');
    QByteArray out(clean.size() / 4 * 3 + 3, Qt::Uninitialized);
    gint state = 0;
    guint save = 0;
    const gsize length =
        g_base64_decode_step(clean.constData(), static_cast<gsize>(clean.size()),
                             reinterpret_cast<guchar *>(out.data()), &state, &save);
    out.truncate(static_cast<qsizetype>(length));
    return out;
}

int hexValue(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    return -1;
}

// RFC 2047's Q: "_" is a space, "=XX" a byte; anything else stands for itself.
QByteArray decodeQ(QByteArrayView payload)
{
    QByteArray out;
    out.reserve(payload.size());
    for (qsizetype i = 0; i < payload.size(); ++i) {
        const char c = payload[i];
        if (c == '_') {
            out.append(' ');
        } else if (c == '=' && i + 2 < payload.size() && hexValue(payload[i + 1]) >= 0 &&
                   hexValue(payload[i + 2]) >= 0) {
            out.append(static_cast<char>(hexValue(payload[i + 1]) * 16 + hexValue(payload[i + 2])));
            i += 2;
        } else {
            out.append(c);
        }
    }
    return out;
}

// The encoded word starting at text[begin] ("=?"), when it is well formed:
// =?charset?B|Q?payload?= with no white space or "?" inside the parts.
std::optional<EncodedWord> encodedWordAt(QByteArrayView text, qsizetype begin)
{
    const auto partEnd = [&](qsizetype from) {
        qsizetype i = from;
        while (i < text.size() && text[i] != '?' && !isWhiteSpace(text[i]))
            ++i;
        return i;
    };
    const qsizetype charsetBegin = begin + 2;
    const qsizetype charsetEnd = partEnd(charsetBegin);
    if (charsetEnd == charsetBegin || charsetEnd + 2 >= text.size() || text[charsetEnd] != '?' ||
        text[charsetEnd + 2] != '?')
        return std::nullopt;
    const char encoding = text[charsetEnd + 1];
    const bool base64 = encoding == 'B' || encoding == 'b';
    if (!base64 && encoding != 'Q' && encoding != 'q')
        return std::nullopt;
    const qsizetype payloadBegin = charsetEnd + 3;
    const qsizetype payloadEnd = partEnd(payloadBegin);
    if (payloadEnd + 1 >= text.size() || text[payloadEnd] != '?' || text[payloadEnd + 1] != '=')
        return std::nullopt;
    QByteArrayView charset = text.sliced(charsetBegin, charsetEnd - charsetBegin);
    if (const qsizetype star = charset.indexOf('*'); star >= 0)
        charset = charset.first(star);
    const QByteArrayView payload = text.sliced(payloadBegin, payloadEnd - payloadBegin);
    return EncodedWord{begin, payloadEnd + 2, charset.toByteArray(),
                       base64 ? decodeB(payload) : decodeQ(payload)};
}

std::vector<EncodedWord> findEncodedWords(QByteArrayView text)
{
    std::vector<EncodedWord> words;
    qsizetype from = 0;
    for (qsizetype at; (at = text.indexOf("=?", from)) >= 0;) {
        if (auto word = encodedWordAt(text, at)) {
            from = word->end;
            words.push_back(std::move(*word));
        } else {
            from = at + 1;
        }
    }
    return words;
}

bool onlyWhiteSpace(QByteArrayView text)
{
    return std::all_of(text.begin(), text.end(), isWhiteSpace);
}

// Text outside encoded words. Raw 8-bit bytes are read all at once with the
// parser options' fallback charsets (GMime would try them word by word, which
// makes a long header of short 8-bit words take seconds); text that may hold a
// malformed word we skipped goes to GMime's own, lenient decoder.
QByteArray decodePlainText(QByteArrayView text, GMimeParserOptions *options)
{
    if (text.isEmpty())
        return {};
    if (text.indexOf("=?") < 0) {
        if (std::all_of(text.begin(), text.end(), [](char c) { return (c & 0x80) == 0; }))
            return text.toByteArray();
        GCharPtr decoded(
            g_mime_utils_decode_8bit(options, text.data(), static_cast<size_t>(text.size())));
        return decoded ? QByteArray(decoded.get()) : QByteArray();
    }
    const QByteArray copy = text.toByteArray();
    GCharPtr decoded(g_mime_utils_header_decode_text(options, copy.constData()));
    return decoded ? QByteArray(decoded.get()) : QByteArray();
}

// The joined bytes of a run of encoded words of one charset, as UTF-8.
QByteArray decodeRun(const QByteArray &bytes, const QByteArray &charset,
                     GMimeParserOptions *options)
{
    if (auto converted = convertToUtf8(bytes, charset))
        return *converted;
    // An unknown or wrong charset label: read the bytes like raw 8-bit text.
    GCharPtr decoded(
        g_mime_utils_decode_8bit(options, bytes.constData(), static_cast<size_t>(bytes.size())));
    return decoded ? QByteArray(decoded.get()) : QByteArray();
}

QString decodeHeaderText(QByteArrayView raw, GMimeParserOptions *options)
{
    while (!raw.isEmpty() && isWhiteSpace(raw.front()))
        raw = raw.sliced(1);
    const std::vector<EncodedWord> words = findEncodedWords(raw);
    QByteArray out;
    qsizetype plainBegin = 0;
    for (std::size_t i = 0; i < words.size();) {
        out += decodePlainText(raw.sliced(plainBegin, words[i].begin - plainBegin), options);
        // Adjacent words (nothing but white space between them, which goes) of
        // one charset form a run.
        QByteArray bytes = words[i].bytes;
        std::size_t j = i + 1;
        for (; j < words.size(); ++j) {
            const QByteArrayView gap =
                raw.sliced(words[j - 1].end, words[j].begin - words[j - 1].end);
            if (!onlyWhiteSpace(gap) ||
                words[j].charset.compare(words[i].charset, Qt::CaseInsensitive) != 0)
                break;
            bytes += words[j].bytes;
        }
        out += decodeRun(bytes, words[i].charset, options);
        plainBegin = words[j - 1].end;
        // White space between two runs of different charsets goes too.
        if (j < words.size()) {
            const QByteArrayView gap = raw.sliced(plainBegin, words[j].begin - plainBegin);
            if (onlyWhiteSpace(gap))
                plainBegin = words[j].begin;
        }
        i = j;
    }
    out += decodePlainText(raw.sliced(plainBegin), options);
    return QString::fromUtf8(out);
}

// ---------------------------------------------------------------------------
// Dates

std::optional<QDateTime> parseDateWithGMime(const QByteArray &text)
{
    GDateTimePtr moment(g_mime_utils_header_decode_date(text.constData()));
    if (!moment)
        return std::nullopt;
    const qint64 seconds = g_date_time_to_unix(moment.get());
    const auto offset =
        static_cast<int>(g_date_time_get_utc_offset(moment.get()) / G_TIME_SPAN_SECOND);
    const QDateTime result = QDateTime::fromSecsSinceEpoch(seconds, Qt::OffsetFromUTC, offset);
    if (!result.isValid())
        return std::nullopt;
    return result;
}

// GMime reads the many broken forms of dates, but GMime 3.2.13 refuses every
// date before 1969, however well formed; Qt reads those.
std::optional<QDateTime> parseDate(const QByteArray &text)
{
    if (auto moment = parseDateWithGMime(text))
        return moment;
    return rfc2822date::parse(text);
}

// The newest date among the Received fields (each one's date follows its last ";").
std::optional<QDateTime> newestReceivedDate(const std::vector<RawField> &fields)
{
    std::optional<QDateTime> newest;
    for (const RawField &field : fields) {
        if (field.name != kReceivedFields[0])
            continue;
        const qsizetype semicolon = field.value.lastIndexOf(';');
        if (semicolon < 0)
            continue;
        const auto date = parseDate(field.value.sliced(semicolon + 1));
        if (date && (!newest || *date > *newest))
            newest = date;
    }
    return newest;
}

// ---------------------------------------------------------------------------

HeaderValues readHeaders(QByteArrayView message)
{
    ensureGMime();
    const std::vector<RawField> fields = splitFields(message, Split::FirstFields);
    const auto first = [&](const char *name) -> const QByteArray * {
        const auto it = std::find_if(fields.begin(), fields.end(), [&](const RawField &field) {
            return qstrcmp(field.name, name) == 0;
        });
        return it == fields.end() ? nullptr : &it->value;
    };

    ParserOptionsPtr options(g_mime_parser_options_new());
    const QByteArray *contentType = first("content-type");
    const QByteArray charset =
        contentType ? contentTypeCharset(*contentType, options.get()) : QByteArray();
    // Raw 8-bit bytes: UTF-8 when they are valid UTF-8, else the message's own
    // charset, else Windows-1252, which is what such mail nearly always is.
    std::vector<const char *> fallbacks{"UTF-8"};
    if (!charset.isEmpty())
        fallbacks.push_back(charset.constData());
    fallbacks.push_back("windows-1252");
    fallbacks.push_back(nullptr);
    g_mime_parser_options_set_fallback_charsets(options.get(), fallbacks.data());

    HeaderValues headers;
    if (const QByteArray *subject = first("subject"))
        headers.subject = decodeHeaderText(*subject, options.get());
    if (const QByteArray *from = first("from"))
        headers.sender = decodeHeaderText(*from, options.get());
    std::optional<QDateTime> date;
    if (const QByteArray *dateField = first("date"))
        date = parseDate(*dateField);
    if (!date)
        date = newestReceivedDate(splitFields(message, Split::ReceivedFields));
    headers.date = date ? oledate::FromLocalDateTime(*date) : 0.0;
    return headers;
}

// Reads from offset until size bytes are in buffer[0, size) or the file
// ends; the count read, or -1 with errno set.
qint64 readFully(int fd, char *buffer, qint64 size, qint64 offset)
{
    qint64 done = 0;
    while (done < size) {
        const ssize_t got = ::pread(fd, buffer + done, static_cast<size_t>(size - done),
                                    static_cast<off_t>(offset + done));
        if (got < 0) {
            if (errno == EINTR)
                continue;
            return -1;
        }
        if (got == 0)
            break;
        done += got;
    }
    return done;
}

QString noMessage()
{
    return QStringLiteral("no message loaded");
}

} // namespace

struct MailMessage::Headers : HeaderValues
{
};

MailMessage::MailMessage() = default;
MailMessage::~MailMessage() = default;

Outcome<QString> MailMessage::Subject() const
{
    if (!m_headers)
        return Outcome<QString>::failure(noMessage());
    return Outcome<QString>::success(m_headers->subject);
}

Outcome<double> MailMessage::Date() const
{
    if (!m_headers)
        return Outcome<double>::failure(noMessage());
    return Outcome<double>::success(m_headers->date);
}

Outcome<QString> MailMessage::Sender() const
{
    if (!m_headers)
        return Outcome<QString>::failure(noMessage());
    return Outcome<QString>::success(m_headers->sender);
}

bool MailMessage::Load(const QString &path, QString *reason, Framing framing)
{
    return Load(SourceFile(path), reason, framing);
}

bool MailMessage::Load(const SourceFile &file, QString *reason, Framing framing)
{
    m_headers.reset();
    const QString &path = file.path();
    const auto fail = [&](const QString &why) {
        if (reason)
            *reason = why;
        return false;
    };
    const auto cannotRead = [&](int error) {
        return fail(QStringLiteral("Cannot read \"%1\": %2").arg(path, qt_error_string(error)));
    };

    if (file.descriptor() < 0)
        return fail(
            QStringLiteral("Cannot open \"%1\": %2").arg(path, qt_error_string(file.error())));
    if (file.isFolder())
        return fail(QStringLiteral("\"%1\" is a folder, not a message file").arg(path));
    if (!file.isRegular())
        return fail(QStringLiteral("\"%1\" is not a regular file").arg(path));

    const bool emlx =
        framing == Framing::Emlx ||
        (framing == Framing::ByName && path.endsWith(QLatin1String(".emlx"), Qt::CaseInsensitive));

    // A file smaller than the first read is read whole at once; asking for
    // more would cost a second call only to learn that it ended. A size of 0
    // may also be a file whose size shows only when read.
    const qint64 size = file.status().st_size;
    const qint64 firstRead = size > 0 ? std::min<qint64>(size, kFirstRead) : kFirstRead;
    QByteArray bytes(firstRead, Qt::Uninitialized);
    const qint64 got = readFully(file.descriptor(), bytes.data(), firstRead, 0);
    if (got < 0)
        return cannotRead(errno);
    bytes.truncate(got);
    const Frame frame = emlx ? emlxFrame(bytes) : Frame{};
    // Read on only while the header block has not ended, up to the limit.
    const qint64 wanted = frame.start + std::min(frame.length, kMaxHeaderBytes);
    if (got == kFirstRead && wanted > got && !holdsBlankLine(messageHead(bytes, frame))) {
        bytes.resize(static_cast<qsizetype>(wanted));
        const qint64 more = readFully(file.descriptor(), bytes.data() + got, wanted - got, got);
        if (more < 0)
            return cannotRead(errno);
        bytes.truncate(static_cast<qsizetype>(got + more));
    }
    m_headers = std::make_unique<Headers>(Headers{readHeaders(messageHead(bytes, frame))});
    return true;
}

void MailMessage::LoadBytes(const QByteArray &bytes, Framing framing)
{
    const Frame frame = framing == Framing::Emlx ? emlxFrame(bytes) : Frame{};
    m_headers = std::make_unique<Headers>(Headers{readHeaders(messageHead(bytes, frame))});
}
