// SPDX-License-Identifier: MIT
#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <vector>

// GMime's parser options, declared as GMime declares them, so that this header
// does not bring GMime to its includers (mailmessage*.cpp only).
typedef struct _GMimeParserOptions GMimeParserOptions;

// How the message reader turns header bytes into text. For the reader's own
// files (mailmessage*.cpp): GMime must have been started
// (mailgmime::ensureInitialised) before any of these is called.
namespace mailmessagetext {

// Adjacent encoded words of one charset (nothing but white space between
// them), their bytes joined; begin and end delimit them in the raw text.
struct EncodedRun
{
    qsizetype begin = 0;
    qsizetype end = 0;
    QByteArray charset;
    QByteArray bytes;
};

// Sets the charsets raw 8-bit bytes are read in: UTF-8 when they are valid
// UTF-8, else charset (when not empty), else Windows-1252. charset must
// outlive options' use.
void setFallbackCharsets(GMimeParserOptions *options, const QByteArray &charset);

// The charset parameter of a Content-Type value, when iconv knows it and it
// reads ASCII as ASCII; empty otherwise.
[[nodiscard]] QByteArray contentTypeCharset(const QByteArray &contentType,
                                            GMimeParserOptions *options);

// The runs of well-formed encoded words in raw, in order.
[[nodiscard]] std::vector<EncodedRun> encodedRuns(QByteArrayView raw);

// A header field's value as text: encoded words decoded, raw 8-bit bytes read
// in options' fallback charsets, leading white space dropped. Never fails;
// what cannot be read becomes U+FFFD or is left out.
[[nodiscard]] QString decodeHeaderText(QByteArrayView raw, GMimeParserOptions *options);

} // namespace mailmessagetext
