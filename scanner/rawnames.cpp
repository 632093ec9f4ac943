// SPDX-License-Identifier: MIT
#include "rawnames.h"

#include <algorithm>
#include <QFile>
#include <QList>
#include <QStringDecoder>

namespace rawnames {

namespace {

bool isContinuation(uchar byte)
{
    return byte >= 0x80 && byte <= 0xBF;
}

// Length of the well-formed UTF-8 sequence starting at raw[at], or 0 when the
// bytes there are not one (a stray continuation byte, an overlong form, a
// surrogate, a value past U+10FFFF, or a sequence cut short).
qsizetype sequenceLength(const QByteArray &raw, qsizetype at)
{
    const auto byte = [&raw](qsizetype i) { return i < raw.size() ? uchar(raw.at(i)) : uchar(0); };
    const uchar lead = byte(at);
    if (lead < 0x80)
        return 1;
    // The second byte's range depends on the lead byte; that is what rules out
    // overlong forms, surrogates and values past U+10FFFF.
    uchar low = 0x80;
    uchar high = 0xBF;
    qsizetype length = 0;
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        if (lead == 0xE0)
            low = 0xA0;
        else if (lead == 0xED)
            high = 0x9F;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        if (lead == 0xF0)
            low = 0x90;
        else if (lead == 0xF4)
            high = 0x8F;
    } else {
        return 0;
    }
    const uchar second = byte(at + 1);
    if (second < low || second > high)
        return 0;
    for (qsizetype i = 2; i < length; ++i)
        if (!isContinuation(byte(at + i)))
            return 0;
    return length;
}

void appendEscaped(QString &text, const QByteArray &bytes)
{
    for (const char byte : bytes)
        text += QStringLiteral("\\x") +
                QStringLiteral("%1").arg(uint(uchar(byte)), 2, 16, QLatin1Char('0')).toUpper();
}

} // namespace

QString visible(const QByteArray &raw)
{
    QString text;
    text.reserve(raw.size());
    qsizetype at = 0;
    while (at < raw.size()) {
        const qsizetype length = sequenceLength(raw, at);
        if (length == 0) {
            appendEscaped(text, raw.mid(at, 1));
            ++at;
            continue;
        }
        const QByteArray sequence = raw.mid(at, length);
        const QString character = QString::fromUtf8(sequence);
        const char32_t code = character.toUcs4().value(0);
        if (code < 0x20 || (code >= 0x7F && code <= 0x9F))
            appendEscaped(text, sequence);
        else
            text += character;
        at += length;
    }
    return text;
}

std::optional<QString> text(const QByteArray &raw)
{
    // A folder scan asks this for every name, and most names are ASCII.
    if (std::all_of(raw.cbegin(), raw.cend(), [](char byte) { return uchar(byte) < 0x80; }))
        return QString::fromLatin1(raw);
    QStringDecoder decoder(QStringConverter::Utf8, QStringConverter::Flag::ConvertInitialBom);
    QString decoded = decoder.decode(raw);
    if (decoder.hasError() || QFile::encodeName(decoded) != raw)
        return std::nullopt;
    return decoded;
}

} // namespace rawnames
