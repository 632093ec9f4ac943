// SPDX-License-Identifier: MIT
// Loads arbitrary bytes as a message and reads its three values. The first
// byte picks the framing (odd: .emlx, even: plain), the rest is the file.
// Whatever the bytes, the load must succeed and every reader answer with
// valid text and a finite date.
#include "mailmessage.h"

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size == 0)
        return 0;
    const auto framing =
        (data[0] & 1) != 0 ? MailMessage::Framing::Emlx : MailMessage::Framing::Plain;
    const QByteArray bytes(reinterpret_cast<const char *>(data + 1),
                           static_cast<qsizetype>(size - 1));

    MailMessage message;
    message.LoadBytes(bytes, framing);
    const Outcome<QString> subject = message.Subject();
    const Outcome<MessageDate> date = message.Date();
    const Outcome<QString> sender = message.Sender();
    if (!subject || !date || !sender)
        std::abort();
    if (!subject.value().isValidUtf16() || !sender.value().isValidUtf16())
        std::abort();
    if (!std::isfinite(date.value().oleDate()))
        std::abort();
    return 0;
}
