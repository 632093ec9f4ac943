// SPDX-License-Identifier: MIT
// Builds names from arbitrary subject, sender and date values under every
// scheme and every marker option, then checks what no name may ever be: a
// name with a reserved character, a control code or NUL, broken UTF-16, more
// than 220 units before the extension, or more than 255 bytes of UTF-8 with
// it. A violation aborts, which libFuzzer reports with the input.
//
// Input: one byte of flags, eight bytes of the date's milliseconds since 1970
// (so moments beyond any calendar come up), a number for the collision suffix, then
// the subject and the sender. Flag bit 0 chooses how text bytes become a
// string: as UTF-8, or as UTF-16 units (lone surrogates repaired the way the
// reader's UTF-8 decoding would, so surrogate pairs land anywhere).
#include "messageheaders.h"
#include "naming.h"
#include "namingscheme.h"

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <fuzzer/FuzzedDataProvider.h>
#include <string>

namespace {

class FuzzedHeaders final : public MessageHeaders
{
public:
    FuzzedHeaders(QString subject, QString sender, MessageDate date)
        : m_subject(std::move(subject)), m_sender(std::move(sender)), m_date(std::move(date))
    {}
    Outcome<QString> Subject() const override { return Outcome<QString>::success(m_subject); }
    Outcome<MessageDate> Date() const override { return Outcome<MessageDate>::success(m_date); }
    Outcome<QString> Sender() const override { return Outcome<QString>::success(m_sender); }
    Outcome<MailAddress> SenderMailbox() const override
    {
        return Outcome<MailAddress>::success({m_sender, m_subject});
    }
    Outcome<QString> Recipients() const override { return Outcome<QString>::success(m_sender); }
    Outcome<MailAddress> FirstRecipient() const override
    {
        return Outcome<MailAddress>::success({m_subject, m_sender});
    }
    Outcome<QString> MessageId() const override { return Outcome<QString>::success(m_subject); }

private:
    QString m_subject;
    QString m_sender;
    MessageDate m_date;
};

QString textOf(const std::string &bytes, bool asUtf16)
{
    if (!asUtf16)
        return QString::fromUtf8(bytes.data(), static_cast<qsizetype>(bytes.size()));
    QString units(static_cast<qsizetype>(bytes.size() / 2), Qt::Uninitialized);
    std::memcpy(units.data(), bytes.data(), static_cast<size_t>(units.size()) * 2);
    return QString::fromUtf8(units.toUtf8());
}

void check(bool condition)
{
    if (!condition)
        std::abort();
}

bool holdsForbiddenCharacter(const QString &name)
{
    for (const QChar c : name) {
        if (c.unicode() < 32 || QStringView(u":?\\/*\"<>|").contains(c))
            return true;
    }
    return false;
}

void checkFileName(const QString &fileName)
{
    check(!holdsForbiddenCharacter(fileName));
    check(fileName.isValidUtf16());
    check(fileName.endsWith(QStringView(naming::kExtension)));
    check(fileName.toUtf8().size() <= naming::kMaxFileNameBytes);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    FuzzedDataProvider input(data, size);
    const auto flags = input.ConsumeIntegral<uint8_t>();
    const auto dateBits = input.ConsumeIntegral<uint64_t>();
    const auto suffixNumber = input.ConsumeIntegral<uint32_t>();
    const bool asUtf16 = (flags & 1) != 0;
    const QString subject = textOf(input.ConsumeRandomLengthString(), asUtf16);
    const QString sender = textOf(input.ConsumeRemainingBytesAsString(), asUtf16);
    const MessageDate date(
        QDateTime::fromMSecsSinceEpoch(static_cast<qint64>(dateBits), Qt::OffsetFromUTC,
                                       static_cast<int>(suffixNumber % (28 * 3600)) - 14 * 3600));

    const FuzzedHeaders headers(subject, sender, date);
    // " (4294967295)" is the longest suffix a run could ever hand out.
    const QString suffix = QStringLiteral(" (%1)").arg(suffixNumber);
    const auto zone = static_cast<DateZone>((flags >> 1) % 3);
    for (const NamingSchemeEntry &entry : kNamingSchemes) {
        const Outcome<QString> raw = naming::ComposeName(headers, entry.scheme, zone);
        check(raw.ok());
        for (int options = 0; options < 4; ++options) {
            const QString base =
                naming::CleanName(raw.value(), (options & 1) != 0, (options & 2) != 0);
            check(!holdsForbiddenCharacter(base));
            check(base.isValidUtf16());
            check(base.size() <= naming::kMaxBaseNameUnits);
            checkFileName(naming::FitFileName(base));
            checkFileName(naming::FitFileName(base, suffix));
        }
    }
    return 0;
}
