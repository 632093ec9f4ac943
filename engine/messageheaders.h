// SPDX-License-Identifier: MIT
#pragma once

#include "outcome.h"

#include <QString>

// The three values a name is built from, as a loaded message answers them.
// MailMessage is the real one; tests use fakes that record what was asked.
class MessageHeaders
{
public:
    virtual ~MessageHeaders() = default;

    // The Subject header as written; "" when the message has none.
    [[nodiscard]] virtual Outcome<QString> Subject() const = 0;
    // The message's date as an OLE Automation date (days since 30 December 1899,
    // the fraction being the time of day), in the machine's local time zone.
    [[nodiscard]] virtual Outcome<double> Date() const = 0;
    // The From header as written, used whole; "" when the message has none.
    [[nodiscard]] virtual Outcome<QString> Sender() const = 0;
};
