// SPDX-License-Identifier: MIT
#include "encodedwords.h"

#include <optional>

namespace encodedwords {

namespace {

bool isWhiteSpace(char c)
{
    return c == ' ' || c == '\t';
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

// QByteArray::fromPercentEncoding(payload, '=') would come close, but it
// takes any two characters after "=" for hex digits; an "=" that starts no
// byte must stay as written.
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

// The encoded word starting at text[begin] ("=?"), when it is well formed.
std::optional<Word> wordAt(QByteArrayView text, qsizetype begin)
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
    // Qt's base64 decoder, with its default options, is as lenient as a
    // header needs: it skips what is not base64 and wants no padding.
    return Word{begin, payloadEnd + 2, charset.toByteArray(),
                base64 ? QByteArray::fromBase64(payload.toByteArray()) : decodeQ(payload)};
}

} // namespace

std::vector<Word> find(QByteArrayView text)
{
    std::vector<Word> words;
    qsizetype from = 0;
    for (qsizetype at; (at = text.indexOf("=?", from)) >= 0;) {
        if (auto word = wordAt(text, at)) {
            from = word->end;
            words.push_back(std::move(*word));
        } else {
            from = at + 1;
        }
    }
    return words;
}

} // namespace encodedwords
