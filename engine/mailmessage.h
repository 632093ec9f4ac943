// SPDX-License-Identifier: MIT
#pragma once

#include "headerblock.h"
#include "messageheaders.h"
#include "outcome.h"

#include <memory>
#include <optional>
#include <QByteArray>
#include <QDateTime>
#include <QString>

class SourceFile;

// Reads the headers of one saved message (.eml, .emlx, .partial.emlx) for
// the names built from them. One object serves one file at a time: the
// readers answer for the file last loaded.
//
// Only the header block is read (up to the first empty line, at most
// kMaxHeaderBytes), so a large message loads as fast as a small one.
//
// Header texts are read as written: the first field of a name counts (names in
// any case, also the obsolete form with white space before the colon), folding
// is undone (each line break removed, the tabs in the white space right after
// it read as spaces; other tabs stay), leading white space removed, trailing
// white space kept, and RFC 2047 words decoded. Raw 8-bit bytes are read as
// UTF-8 when valid, else in the charset the message's Content-Type names, else
// as Windows-1252. Lines that are neither a field nor its continuation are
// skipped, and so is a byte-order mark before the first field.
class MailMessage final : public MessageHeaders
{
public:
    // The most that is read of a file looking for the end of its header block.
    static constexpr qint64 kMaxHeaderBytes = headerblock::kMaxHeaderBytes;

    // How the bytes of a file are framed (ByName, Plain, Emlx).
    using Framing = headerblock::Framing;

    MailMessage();
    ~MailMessage() override;
    MailMessage(const MailMessage &) = delete;
    MailMessage &operator=(const MailMessage &) = delete;

    // Subject header as written after the colon: unfolded, leading white space
    // removed, trailing white space kept, RFC 2047 words decoded. The first
    // Subject header counts; "" when there is none. Fails only when no message
    // has been loaded.
    [[nodiscard]] Outcome<QString> Subject() const override;
    // The Date header with the offset written in it; when it is missing or
    // cannot be parsed, the newest Received header's date, with its own
    // offset; else no date. A date GMime cannot read (it takes none before
    // 1969) is read by rfc2822date::parse. Fails only when no message has been
    // loaded.
    [[nodiscard]] Outcome<MessageDate> Date() const override;
    // The From header as written, read like Subject; never re-rendered as an
    // address. Fails only when no message has been loaded.
    [[nodiscard]] Outcome<QString> Sender() const override;

    // The readers below parse their header (with GMime, display names decoded)
    // the first time one of them is asked, not when the message is loaded.
    // Each fails only when no message has been loaded.

    // The first mailbox of the first From header.
    [[nodiscard]] Outcome<MailAddress> SenderMailbox() const override;
    // The first To header as written, read like Subject.
    [[nodiscard]] Outcome<QString> Recipients() const override;
    // The first mailbox of the first To header, a group's members included.
    [[nodiscard]] Outcome<MailAddress> FirstRecipient() const override;
    // The first Message-ID header's id without angle brackets, comments or
    // white space; a value that holds no id in angle brackets is taken as
    // written, read like Subject and trimmed.
    [[nodiscard]] Outcome<QString> MessageId() const override;

    // Loads the header block of the file at path, replacing what was loaded before.
    // With Framing::Emlx the file's first line is the message's byte count and the
    // message is the bytes counted (or those there are, when the file is shorter);
    // a first line that is no decimal count leaves the whole file as the message
    // (headerblock::emlxFrame). Fails, with a reason naming the path, when the file
    // cannot be opened or read, is a folder, or is no regular file (a fifo is refused
    // without blocking); the object then holds no message and the readers fail with
    // "no message loaded". A file that opens but holds no headers loads, with empty
    // texts and the date 0.
    [[nodiscard]] Outcome<void> Load(const QString &path, Framing framing = Framing::ByName);

    // Loads the header block of a file already opened, as Load(path) does, reading
    // through file's descriptor from the file's start (its offset is not used).
    // Fails as Load(path) does when file could not be opened or read, or is no
    // regular file.
    [[nodiscard]] Outcome<void> Load(const SourceFile &file, Framing framing = Framing::ByName);

    // Loads the header block of a message that is a range of a file already
    // opened (one message of a mailbox): the length bytes at offset, read as a
    // plain message. fallbackDate is the date taken when neither the Date nor a
    // Received field gives one (a mailbox's separator line may carry one).
    // Fails as Load(file) does.
    [[nodiscard]] Outcome<void> LoadRange(const SourceFile &file, qint64 offset, qint64 length,
                                          const std::optional<QDateTime> &fallbackDate = {});

    // The moment Date() answers for; nullopt when no message is loaded or
    // none of its dates could be read (Date() then answers 0).
    [[nodiscard]] std::optional<QDateTime> Moment() const;

    // Whether the loaded header block holds at least one header field; false
    // when no message is loaded. Bytes without any (an index file, a picture,
    // random bytes) are not a mail message.
    [[nodiscard]] bool HoldsHeaderFields() const;

    // Loads a message from bytes already in memory, as Load does a file
    // (Framing::ByName counts as Plain). Never fails, whatever the bytes.
    void LoadBytes(const QByteArray &bytes, Framing framing = Framing::Plain);

private:
    struct Headers;
    std::unique_ptr<Headers> m_headers; // null until a load succeeds
};
