// SPDX-License-Identifier: MIT
#pragma once

#include "messagedate.h"
#include "outcome.h"

#include <QString>

// One mailbox of an address header, as a mail library parses it.
struct MailAddress
{
    QString name;    // the display name, RFC 2047 words decoded; "" when none is written
    QString address; // "ann@example.org"; "" when none could be parsed
};

// The values a name is built from, as a loaded message answers them.
// MailMessage is the real one; tests use fakes that record what was asked.
// Each reader fails only when the message cannot answer at all, with a reason.
class MessageHeaders
{
public:
    virtual ~MessageHeaders() = default;

    // The Subject header as written; "" when the message has none.
    [[nodiscard]] virtual Outcome<QString> Subject() const = 0;
    // The message's date with the offset it was written in; no date (the zero
    // date) when the message has none that can be read.
    [[nodiscard]] virtual Outcome<MessageDate> Date() const = 0;
    // The From header as written, used whole; "" when the message has none.
    [[nodiscard]] virtual Outcome<QString> Sender() const = 0;

    // The first mailbox of the From header; both parts "" when there is none.
    [[nodiscard]] virtual Outcome<MailAddress> SenderMailbox() const = 0;
    // The To header as written, used whole, read like Sender; "" when none.
    [[nodiscard]] virtual Outcome<QString> Recipients() const = 0;
    // The first mailbox of the To header (the first member of a group when
    // the header starts with one); both parts "" when there is none.
    [[nodiscard]] virtual Outcome<MailAddress> FirstRecipient() const = 0;
    // The Message-ID without its angle brackets ("abc@example.org"); "" when
    // the message has none.
    [[nodiscard]] virtual Outcome<QString> MessageId() const = 0;
};
