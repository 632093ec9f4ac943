// SPDX-License-Identifier: MIT
#pragma once

#include "messageheaders.h"

#include <QString>
#include <QStringList>

// Message headers with set answers that log every question asked, so a test
// can check which values a caller read and in what order. Any reader can be
// made to fail with a given reason.
class RecordingHeaders : public MessageHeaders
{
public:
    RecordingHeaders(QString subject, QString sender, MessageDate date)
        : m_subject(std::move(subject)), m_sender(std::move(sender)), m_date(std::move(date))
    {}

    // The answers of the other readers; "" until set.
    QString recipients;
    MailAddress senderMailbox;
    MailAddress firstRecipient;
    QString messageId;

    // Makes the reader of that name ("Subject", "Date", "Sender", ...) fail with reason.
    void failOn(const QString &reader, const QString &reason)
    {
        m_failing = reader;
        m_reason = reason;
    }

    // The readers called so far, in order, by their names.
    [[nodiscard]] const QStringList &asked() const { return m_asked; }

    [[nodiscard]] Outcome<QString> Subject() const override
    {
        return answer(QStringLiteral("Subject"), m_subject);
    }
    [[nodiscard]] Outcome<MessageDate> Date() const override
    {
        return answer(QStringLiteral("Date"), m_date);
    }
    [[nodiscard]] Outcome<QString> Sender() const override
    {
        return answer(QStringLiteral("Sender"), m_sender);
    }
    [[nodiscard]] Outcome<MailAddress> SenderMailbox() const override
    {
        return answer(QStringLiteral("SenderMailbox"), senderMailbox);
    }
    [[nodiscard]] Outcome<QString> Recipients() const override
    {
        return answer(QStringLiteral("Recipients"), recipients);
    }
    [[nodiscard]] Outcome<MailAddress> FirstRecipient() const override
    {
        return answer(QStringLiteral("FirstRecipient"), firstRecipient);
    }
    [[nodiscard]] Outcome<QString> MessageId() const override
    {
        return answer(QStringLiteral("MessageId"), messageId);
    }

private:
    template <typename T> Outcome<T> answer(const QString &reader, const T &value) const
    {
        m_asked.append(reader);
        if (reader == m_failing)
            return Outcome<T>::failure(m_reason);
        return Outcome<T>::success(value);
    }

    QString m_subject;
    QString m_sender;
    MessageDate m_date;
    QString m_failing;
    QString m_reason;
    mutable QStringList m_asked;
};
