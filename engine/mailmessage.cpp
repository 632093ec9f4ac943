// SPDX-License-Identifier: MIT
//
// Where the reader talks to GMime (mailmessagetext.cpp decodes header text
// for it, and mailpartial.cpp makes partial messages whole). The header block
// is found and split into fields by headerblock. GMime does what is hard:
// charsets, raw 8-bit text, Content-Type parameters, address lists, the many
// broken forms of dates, and the malformed encoded words we leave to it.
#include "mailmessage.h"

#include "headerblock.h"
#include "mailgmime.h"
#include "mailmessagetext.h"
#include "rfc2822date.h"
#include "sourcefile.h"

#include <gmime/gmime.h>
#include <optional>
#include <QByteArrayView>
#include <QDateTime>
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
    QByteArray charset;    // the Content-Type's charset, when iconv knows it
    bool anyField = false; // whether the header block holds any field at all
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

using mailmessagetext::contentTypeCharset;
using mailmessagetext::decodeHeaderText;
using mailmessagetext::setFallbackCharsets;

// ---------------------------------------------------------------------------
// Addresses
//
// GMime parses the address lists, and decodes their display names itself. So
// that its fault with runs of B-encoded words (see mailmessagetext.cpp) cannot
// garble a name, each run is handed to it as one B-encoded word of the run's
// joined bytes: the word stays where the run stood, and GMime decodes it whole.

QByteArray withRunsJoined(QByteArrayView raw)
{
    QByteArray out;
    qsizetype at = 0;
    for (const mailmessagetext::EncodedRun &run : mailmessagetext::encodedRuns(raw)) {
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

HeaderValues readHeaders(QByteArrayView message,
                         const std::optional<QDateTime> &fallbackDate = std::nullopt)
{
    mailgmime::ensureInitialised();
    headerblock::FirstFields fields = headerblock::firstFields(message);

    ParserOptionsPtr options(g_mime_parser_options_new());
    HeaderValues headers;
    if (fields.contentType)
        headers.charset = contentTypeCharset(*fields.contentType, options.get());
    setFallbackCharsets(options.get(), headers.charset);

    headers.anyField = fields.anyField;
    if (fields.subject)
        headers.subject = decodeHeaderText(*fields.subject, options.get());
    if (fields.from)
        headers.sender = decodeHeaderText(*fields.from, options.get());
    std::optional<QDateTime> date;
    if (fields.date)
        date = parseDate(*fields.date);
    if (!date)
        date = newestReceivedDate(headerblock::receivedFields(message));
    if (!date)
        date = fallbackDate;
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

Outcome<void> MailMessage::LoadRange(const SourceFile &file, qint64 offset, qint64 length,
                                     const std::optional<QDateTime> &fallbackDate)
{
    m_headers.reset();
    const Outcome<QByteArray> head = headerblock::readHead(file, offset, length);
    if (!head)
        return Outcome<void>::failure(head.reason());
    m_headers = std::make_unique<Headers>(readHeaders(head.value(), fallbackDate));
    return Outcome<void>::success();
}

std::optional<QDateTime> MailMessage::Moment() const
{
    if (!m_headers || !m_headers->date.isKnown())
        return std::nullopt;
    return m_headers->date.on(DateZone::Utc);
}

bool MailMessage::HoldsHeaderFields() const
{
    return m_headers && m_headers->anyField;
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
