// SPDX-License-Identifier: MIT
#pragma once

#include "messageheaders.h"
#include "outcome.h"

#include <QByteArray>
#include <QString>

#include <memory>

// Reads the headers of one saved message (.eml, .emlx, .partial.emlx), the
// stand-in for the outside mail component. One object serves one file at a
// time: the readers answer for the file last loaded.
//
// Only the header block is read (up to the first empty line, at most
// kMaxHeaderBytes), so a large message loads as fast as a small one.
class MailMessage final : public MessageHeaders
{
public:
    // The most that is read of a file looking for the end of its header block.
    static constexpr qint64 kMaxHeaderBytes = 1024 * 1024;

    // How the bytes of a file are framed.
    enum class Framing {
        ByName, // .emlx framing when the file name ends in ".emlx" (any case), else plain
        Plain,  // the bytes are the message
        Emlx,   // a first line with the byte count, then the message, then a property list
    };

    MailMessage();
    ~MailMessage() override;
    MailMessage(const MailMessage &) = delete;
    MailMessage &operator=(const MailMessage &) = delete;

    // Subject header as written after the colon: unfolded, leading white space
    // removed, trailing white space kept, RFC 2047 words decoded. The first
    // Subject header counts; "" when there is none. Fails only when no message
    // has been loaded.
    [[nodiscard]] Outcome<QString> Subject() const override;
    // The Date header in local time as an OLE date; when it is missing or cannot
    // be parsed, the newest Received header's date; else 0. Fails only when no
    // message has been loaded.
    [[nodiscard]] Outcome<double> Date() const override;
    // The From header as written, read like Subject; never re-rendered as an
    // address. Fails only when no message has been loaded.
    [[nodiscard]] Outcome<QString> Sender() const override;

    // Loads the header block of the file at path, replacing what was loaded before.
    // Returns false with a reason in *reason when the file cannot be opened or read
    // (missing, unreadable, a folder); the object then holds no message. A file that
    // opens but holds no headers loads, with empty texts and the date 0.
    [[nodiscard]] bool Load(const QString &path, QString *reason = nullptr,
                            Framing framing = Framing::ByName);

    // Loads a message from bytes already in memory (Framing::ByName counts as
    // Plain). Never fails.
    void LoadBytes(const QByteArray &bytes, Framing framing = Framing::Plain);

private:
    struct Headers;
    std::unique_ptr<Headers> m_headers; // null until a load succeeds
};
