// SPDX-License-Identifier: MIT
//
// Header text as the reader decodes it: charsets through iconv (opened by
// GMime), well-formed encoded words found by encodedwords and joined into
// runs, and the rest left to GMime's lenient decoders.
#include "mailmessagetext.h"

#include "encodedwords.h"
#include "mailgmime.h"

#include <algorithm>
#include <cerrno>
#include <gmime/gmime.h>
#include <QHash>

namespace mailmessagetext {

namespace {

using GCharPtr = mailgmime::CharPtr;
template <typename T> using GObjectPtr = mailgmime::ObjectPtr<T>;

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

} // namespace

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

} // namespace mailmessagetext
