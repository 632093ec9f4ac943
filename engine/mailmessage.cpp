// SPDX-License-Identifier: MIT
//
// Where the reader talks to GMime (mailpartial.cpp is the other file that
// does, to make partial messages whole). The header block is found and split
// into fields by headerblock, and well-formed encoded words are found by
// encodedwords (see "Header text" below for the GMime fault this works
// around). GMime does what is hard: charsets, raw 8-bit text, Content-Type
// parameters, the many broken forms of dates, and the malformed encoded
// words we leave to it.
#include "mailmessage.h"

#include "encodedwords.h"
#include "headerblock.h"
#include "mailgmime.h"
#include "rfc2822date.h"
#include "sourcefile.h"

#include <algorithm>
#include <cerrno>
#include <gmime/gmime.h>
#include <optional>
#include <QByteArrayView>
#include <QDateTime>
#include <QHash>
#include <vector>

namespace {

// What a loaded message answers at once: what every scheme asks for.
struct HeaderValues
{
    QString subject;
    QString sender;
    MessageDate date;
    // Kept raw for the readers that decode only when a template asks.
    std::optional<QByteArray> from;
    std::optional<QByteArray> to;
    std::optional<QByteArray> messageId;
    QByteArray charset; // the Content-Type's charset, when iconv knows it
};

// What a loaded message answers only when asked: the schemes never ask, and
// parsing address lists costs more than the rest of the header block.
struct AddressValues
{
    QString recipients;
    MailAddress senderMailbox;
    MailAddress firstRecipient;
    QString messageId;
};

using GCharPtr = mailgmime::CharPtr;
template <typename T> using GObjectPtr = mailgmime::ObjectPtr<T>;

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
// take every well-formed encoded word to bytes ourselves (encodedwords), join
// the bytes of adjacent words of one charset, and convert them once, so a
// character split across two words survives (also in stateful ISO-2022-JP).
// The text around such runs still goes through GMime, which also takes care of
// raw 8-bit bytes and of malformed words we leave alone.

bool isWhiteSpace(char c)
{
    return c == ' ' || c == '\t';
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

// Adjacent encoded words of one charset (nothing but white space between
// them), their bytes joined.
struct EncodedRun
{
    qsizetype begin = 0;
    qsizetype end = 0;
    QByteArray charset;
    QByteArray bytes;
};

std::vector<EncodedRun> encodedRuns(QByteArrayView raw)
{
    const std::vector<encodedwords::Word> words = encodedwords::find(raw);
    std::vector<EncodedRun> runs;
    for (std::size_t i = 0; i < words.size();) {
        EncodedRun run{words[i].begin, words[i].end, words[i].charset, words[i].bytes};
        std::size_t j = i + 1;
        for (; j < words.size(); ++j) {
            const QByteArrayView gap =
                raw.sliced(words[j - 1].end, words[j].begin - words[j - 1].end);
            if (!onlyWhiteSpace(gap) ||
                words[j].charset.compare(words[i].charset, Qt::CaseInsensitive) != 0)
                break;
            run.bytes += words[j].bytes;
            run.end = words[j].end;
        }
        runs.push_back(std::move(run));
        i = j;
    }
    return runs;
}

QString decodeHeaderText(QByteArrayView raw, GMimeParserOptions *options)
{
    while (!raw.isEmpty() && isWhiteSpace(raw.front()))
        raw = raw.sliced(1);
    const std::vector<EncodedRun> runs = encodedRuns(raw);
    QByteArray out;
    qsizetype plainBegin = 0;
    for (std::size_t i = 0; i < runs.size(); ++i) {
        out += decodePlainText(raw.sliced(plainBegin, runs[i].begin - plainBegin), options);
        out += decodeRun(runs[i].bytes, runs[i].charset, options);
        plainBegin = runs[i].end;
        // White space between two runs of different charsets goes too.
        if (i + 1 < runs.size()) {
            const QByteArrayView gap = raw.sliced(plainBegin, runs[i + 1].begin - plainBegin);
            if (onlyWhiteSpace(gap))
                plainBegin = runs[i + 1].begin;
        }
    }
    out += decodePlainText(raw.sliced(plainBegin), options);
    return QString::fromUtf8(out);
}

// ---------------------------------------------------------------------------
// Addresses
//
// GMime parses the address lists, and decodes their display names itself. So
// that its fault with runs of B-encoded words (see "Header text") cannot
// garble a name, each run is handed to it as one B-encoded word of the run's
// joined bytes: the word stays where the run stood, and GMime decodes it whole.

QByteArray withRunsJoined(QByteArrayView raw)
{
    QByteArray out;
    qsizetype at = 0;
    for (const EncodedRun &run : encodedRuns(raw)) {
        out += raw.sliced(at, run.begin - at);
        out += "=?" + run.charset + "?B?" + run.bytes.toBase64() + "?=";
        at = run.end;
    }
    out += raw.sliced(at);
    return out;
}

// The first mailbox of a list, looking into the groups in it.
std::optional<MailAddress> firstMailbox(InternetAddressList *list)
{
    const int count = internet_address_list_length(list);
    for (int i = 0; i < count; ++i) {
        InternetAddress *address = internet_address_list_get_address(list, i);
        if (INTERNET_ADDRESS_IS_MAILBOX(address)) {
            const char *name = internet_address_get_name(address);
            const char *addr = internet_address_mailbox_get_addr(INTERNET_ADDRESS_MAILBOX(address));
            return MailAddress{QString::fromUtf8(name != nullptr ? name : ""),
                               QString::fromUtf8(addr != nullptr ? addr : "")};
        }
        if (INTERNET_ADDRESS_IS_GROUP(address)) {
            InternetAddressList *members =
                internet_address_group_get_members(INTERNET_ADDRESS_GROUP(address));
            if (auto member = members != nullptr ? firstMailbox(members) : std::nullopt)
                return member;
        }
    }
    return std::nullopt;
}

MailAddress parseFirstMailbox(const std::optional<QByteArray> &raw, GMimeParserOptions *options)
{
    if (!raw)
        return {};
    const QByteArray joined = withRunsJoined(*raw);
    GObjectPtr<InternetAddressList> list(internet_address_list_parse(options, joined.constData()));
    if (!list)
        return {};
    return firstMailbox(list.get()).value_or(MailAddress{});
}

QString parseMessageId(const std::optional<QByteArray> &raw, GMimeParserOptions *options)
{
    if (!raw)
        return {};
    GCharPtr id(g_mime_utils_decode_message_id(raw->constData()));
    if (id && *id != '\0')
        return QString::fromUtf8(id.get()).trimmed();
    // Not an id in angle brackets: the text as written, white space trimmed.
    return decodeHeaderText(*raw, options).trimmed();
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
std::optional<QDateTime> newestReceivedDate(const std::vector<QByteArray> &fields)
{
    std::optional<QDateTime> newest;
    for (const QByteArray &field : fields) {
        const qsizetype semicolon = field.lastIndexOf(';');
        if (semicolon < 0)
            continue;
        const auto date = parseDate(field.sliced(semicolon + 1));
        if (date && (!newest || *date > *newest))
            newest = date;
    }
    return newest;
}

// ---------------------------------------------------------------------------

// Raw 8-bit bytes: UTF-8 when they are valid UTF-8, else the message's own
// charset, else Windows-1252, which is what such mail nearly always is.
void setFallbackCharsets(GMimeParserOptions *options, const QByteArray &charset)
{
    std::vector<const char *> fallbacks{"UTF-8"};
    if (!charset.isEmpty())
        fallbacks.push_back(charset.constData());
    fallbacks.push_back("windows-1252");
    fallbacks.push_back(nullptr);
    g_mime_parser_options_set_fallback_charsets(options, fallbacks.data());
}

HeaderValues readHeaders(QByteArrayView message)
{
    mailgmime::ensureInitialised();
    headerblock::FirstFields fields = headerblock::firstFields(message);

    ParserOptionsPtr options(g_mime_parser_options_new());
    HeaderValues headers;
    if (fields.contentType)
        headers.charset = contentTypeCharset(*fields.contentType, options.get());
    setFallbackCharsets(options.get(), headers.charset);

    if (fields.subject)
        headers.subject = decodeHeaderText(*fields.subject, options.get());
    if (fields.from)
        headers.sender = decodeHeaderText(*fields.from, options.get());
    std::optional<QDateTime> date;
    if (fields.date)
        date = parseDate(*fields.date);
    if (!date)
        date = newestReceivedDate(headerblock::receivedFields(message));
    if (date)
        headers.date = MessageDate(*date);
    headers.from = std::move(fields.from);
    headers.to = std::move(fields.to);
    headers.messageId = std::move(fields.messageId);
    return headers;
}

AddressValues readAddresses(const HeaderValues &headers)
{
    ParserOptionsPtr options(g_mime_parser_options_new());
    setFallbackCharsets(options.get(), headers.charset);
    AddressValues values;
    if (headers.to)
        values.recipients = decodeHeaderText(*headers.to, options.get());
    values.senderMailbox = parseFirstMailbox(headers.from, options.get());
    values.firstRecipient = parseFirstMailbox(headers.to, options.get());
    values.messageId = parseMessageId(headers.messageId, options.get());
    return values;
}

QString noMessage()
{
    return QStringLiteral("no message loaded");
}

} // namespace

struct MailMessage::Headers : HeaderValues
{
    explicit Headers(HeaderValues values) : HeaderValues(std::move(values)) {}

    const AddressValues &addresses() const
    {
        if (!m_addresses)
            m_addresses = readAddresses(*this);
        return *m_addresses;
    }

private:
    mutable std::optional<AddressValues> m_addresses;
};

MailMessage::MailMessage() = default;
MailMessage::~MailMessage() = default;

namespace {

// A reader's answer: the value of the message loaded, else a failure.
template <typename Headers, typename Value>
auto answer(const Headers *headers, Value value) -> Outcome<std::decay_t<decltype(value(*headers))>>
{
    using Result = Outcome<std::decay_t<decltype(value(*headers))>>;
    if (headers == nullptr)
        return Result::failure(noMessage());
    return Result::success(value(*headers));
}

} // namespace

Outcome<QString> MailMessage::Subject() const
{
    return answer(m_headers.get(), [](const Headers &h) { return h.subject; });
}

Outcome<MessageDate> MailMessage::Date() const
{
    return answer(m_headers.get(), [](const Headers &h) { return h.date; });
}

Outcome<QString> MailMessage::Sender() const
{
    return answer(m_headers.get(), [](const Headers &h) { return h.sender; });
}

Outcome<MailAddress> MailMessage::SenderMailbox() const
{
    return answer(m_headers.get(), [](const Headers &h) { return h.addresses().senderMailbox; });
}

Outcome<QString> MailMessage::Recipients() const
{
    return answer(m_headers.get(), [](const Headers &h) { return h.addresses().recipients; });
}

Outcome<MailAddress> MailMessage::FirstRecipient() const
{
    return answer(m_headers.get(), [](const Headers &h) { return h.addresses().firstRecipient; });
}

Outcome<QString> MailMessage::MessageId() const
{
    return answer(m_headers.get(), [](const Headers &h) { return h.addresses().messageId; });
}

Outcome<void> MailMessage::Load(const QString &path, Framing framing)
{
    return Load(SourceFile(path), framing);
}

Outcome<void> MailMessage::Load(const SourceFile &file, Framing framing)
{
    m_headers.reset();
    const Outcome<QByteArray> head = headerblock::readHead(file, framing);
    if (!head)
        return Outcome<void>::failure(head.reason());
    m_headers = std::make_unique<Headers>(readHeaders(head.value()));
    return Outcome<void>::success();
}

void MailMessage::LoadBytes(const QByteArray &bytes, Framing framing)
{
    const headerblock::Frame frame = headerblock::isEmlx(framing, QString())
                                         ? headerblock::emlxFrame(bytes)
                                         : headerblock::Frame{};
    m_headers = std::make_unique<Headers>(readHeaders(headerblock::messageHead(bytes, frame)));
}

namespace mailgmime {

void ensureInitialised()
{
    // A function-local static makes the one call thread-safe.
    static const bool initialised = [] {
        g_mime_init();
        return true;
    }();
    (void)initialised;
}

void GFreeDeleter::operator()(void *memory) const
{
    g_free(memory);
}

void GObjectUnref::operator()(void *object) const
{
    g_object_unref(object);
}

} // namespace mailgmime
