// SPDX-License-Identifier: MIT
#include "nametemplate.h"

#include "naming.h"

#include <algorithm>
#include <array>
#include <optional>
#include <QStringView>
#include <utility>

namespace {

// A reason quotes what it is about in single quotes, as the command line
// quotes its arguments.
QString quoted(QStringView text)
{
    return u'\'' + text.toString() + u'\'';
}

QString tokenList()
{
    return QStringLiteral("{subject}, {from}, {from.name}, {from.address}, {to}, {to.name}, "
                          "{to.address}, {date}, {date:FORMAT}, {message-id}, {file}, {mailbox}");
}

// English whatever the locale, so that a name is the same on every machine.
constexpr std::array<const char16_t *, 12> kMonthNames = {
    u"Jan", u"Feb", u"Mar", u"Apr", u"May", u"Jun", u"Jul", u"Aug", u"Sep", u"Oct", u"Nov", u"Dec",
};
constexpr std::array<const char16_t *, 7> kDayNames = {
    u"Mon", u"Tue", u"Wed", u"Thu", u"Fri", u"Sat", u"Sun",
};

} // namespace

// Builds the parts of a template from its text, one character at a time.
class NameTemplate::Parser
{
public:
    explicit Parser(const QString &text) : m_text(text) {}

    Outcome<NameTemplate> parse()
    {
        if (m_text.isEmpty())
            return fail(QStringLiteral("the template is empty"));
        for (qsizetype i = 0; i < m_text.size();) {
            const QChar c = m_text.at(i);
            const bool doubled = i + 1 < m_text.size() && m_text.at(i + 1) == c;
            if ((c == u'{' || c == u'}') && doubled) {
                addText(c);
                i += 2;
            } else if (c == u'{') {
                const qsizetype close = closingBrace(i);
                if (close < 0)
                    return fail(QStringLiteral("the brace in %1 is never closed (write {{ for "
                                               "a brace)")
                                    .arg(quoted(QStringView(m_text).sliced(i))));
                if (const std::optional<QString> problem = addToken(i, close))
                    return fail(*problem);
                i = close + 1;
            } else if (c == u'}') {
                return fail(QStringLiteral("the '}' in %1 closes no brace (write }} for a brace)")
                                .arg(quoted(QStringView(m_text).first(i + 1))));
            } else {
                if (c == u'/')
                    endPart();
                else
                    addText(c);
                ++i;
            }
        }
        if (const std::optional<QString> problem = problemWithParts())
            return fail(*problem);
        NameTemplate parsed;
        parsed.m_text = m_text;
        parsed.m_parts = m_parts;
        return Outcome<NameTemplate>::success(parsed);
    }

private:
    static Outcome<NameTemplate> fail(const QString &reason)
    {
        return Outcome<NameTemplate>::failure(reason);
    }

    // Each part must name a folder or file below the one before it. Parts made
    // of values are made so by cleaning; parts written out are checked here.
    std::optional<QString> problemWithParts() const
    {
        for (const QList<Piece> &part : m_parts) {
            if (part.isEmpty())
                return QStringLiteral("the template %1 has an empty folder or file name (a '/' at "
                                      "its start or end, or '//')")
                    .arg(quoted(m_text));
            const bool dots = part.size() == 1 && part.front().field == Field::Text &&
                              (part.front().text == u"." || part.front().text == u"..");
            if (dots)
                return QStringLiteral("the template %1 has a folder or file named %2, which would "
                                      "not be below the target folder")
                    .arg(quoted(m_text), quoted(part.front().text));
        }
        return std::nullopt;
    }

    // Where the token opened at `open` closes; -1 when it does not, or when
    // another "{" opens first (a forgotten "}" then points at its own brace).
    qsizetype closingBrace(qsizetype open) const
    {
        for (qsizetype i = open + 1; i < m_text.size(); ++i) {
            if (m_text.at(i) == u'}')
                return i;
            if (m_text.at(i) == u'{')
                return -1;
        }
        return -1;
    }

    // Adds the token between the braces at open and close; the problem, if any.
    std::optional<QString> addToken(qsizetype open, qsizetype close)
    {
        static constexpr std::pair<const char16_t *, Field> kTokens[] = {
            {u"subject", Field::Subject},
            {u"from", Field::From},
            {u"from.name", Field::FromName},
            {u"from.address", Field::FromAddress},
            {u"to", Field::To},
            {u"to.name", Field::ToName},
            {u"to.address", Field::ToAddress},
            {u"message-id", Field::MessageId},
            {u"file", Field::File},
            {u"mailbox", Field::Mailbox},
        };
        const QStringView token = QStringView(m_text).sliced(open, close + 1 - open);
        const QStringView name = token.sliced(1, token.size() - 2);
        if (name == u"date")
            return addDate(token, u"%Y-%m-%d");
        if (name.startsWith(u"date:"))
            return addDate(token, name.sliced(5));
        for (const auto &[known, field] : kTokens) {
            if (name == known) {
                addField(field);
                return std::nullopt;
            }
        }
        return QStringLiteral("unknown token %1 in the template (the tokens are %2)")
            .arg(quoted(token), tokenList());
    }

    std::optional<QString> addDate(QStringView token, QStringView format)
    {
        if (format.isEmpty())
            return QStringLiteral("the date format of %1 is empty").arg(quoted(token));
        for (qsizetype i = 0; i < format.size(); ++i) {
            const QChar c = format[i];
            if (c == u'/') {
                endPart();
                continue;
            }
            if (c != u'%') {
                addText(c);
                continue;
            }
            if (++i == format.size())
                return QStringLiteral("the date format of %1 ends in a lone '%' (write %% for a "
                                      "percent sign)")
                    .arg(quoted(token));
            // The strftime codes a name can use; month and day names are English.
            static constexpr std::pair<char16_t, Field> kDateCodes[] = {
                {u'Y', Field::Year},      {u'm', Field::Month},   {u'd', Field::Day},
                {u'H', Field::Hour},      {u'M', Field::Minute},  {u'S', Field::Second},
                {u'b', Field::MonthName}, {u'a', Field::DayName},
            };
            if (format[i] == u'%') {
                addText(u'%');
                continue;
            }
            const auto code =
                std::find_if(std::begin(kDateCodes), std::end(kDateCodes),
                             [&](const auto &entry) { return format[i] == entry.first; });
            if (code == std::end(kDateCodes))
                return QStringLiteral("the date format of %1 holds %2, which is none of %Y %m %d "
                                      "%H %M %S %b %a %%")
                    .arg(quoted(token), quoted(format.sliced(i - 1, 2)));
            addField(code->second);
        }
        return std::nullopt;
    }

    void addText(QChar c)
    {
        QList<Piece> &part = m_parts.back();
        if (part.isEmpty() || part.back().field != Field::Text)
            part.append(Piece{Field::Text, {}});
        part.back().text += c;
    }

    void addField(Field field) { m_parts.back().append(Piece{field, {}}); }

    void endPart() { m_parts.append(QList<Piece>()); }

    const QString &m_text;
    QList<QList<Piece>> m_parts{{}};
};

Outcome<NameTemplate> NameTemplate::parse(const QString &text)
{
    return Parser(text).parse();
}

QString NameTemplate::dateText(Field field, const QDateTime &shown)
{
    const QDate day = shown.date();
    const QTime time = shown.time();
    switch (field) {
    case Field::Year:
        return naming::Digits(day.year(), 4);
    case Field::Month:
        return naming::Digits(day.month(), 2);
    case Field::Day:
        return naming::Digits(day.day(), 2);
    case Field::Hour:
        return naming::Digits(time.hour(), 2);
    case Field::Minute:
        return naming::Digits(time.minute(), 2);
    case Field::Second:
        return naming::Digits(time.second(), 2);
    case Field::MonthName:
        return QString::fromUtf16(kMonthNames.at(day.month() - 1));
    case Field::DayName:
        return QString::fromUtf16(kDayNames.at(day.dayOfWeek() - 1));
    default:
        return {};
    }
}

Outcome<QString> NameTemplate::valueOf(const Piece &piece, const MessageHeaders &message,
                                       const MessageOrigin &origin, DateZone zone)
{
    using Text = Outcome<QString>;
    const auto nameOf = [](const Outcome<MailAddress> &mailbox) {
        if (!mailbox)
            return Text::failure(mailbox.reason());
        const MailAddress &value = mailbox.value();
        return Text::success(value.name.isEmpty() ? value.address : value.name);
    };
    const auto addressOf = [](const Outcome<MailAddress> &mailbox) {
        return mailbox ? Text::success(mailbox.value().address) : Text::failure(mailbox.reason());
    };
    switch (piece.field) {
    case Field::Text:
        return Text::success(piece.text);
    case Field::Subject:
        return message.Subject();
    case Field::From:
        return message.Sender();
    case Field::FromName:
        return nameOf(message.SenderMailbox());
    case Field::FromAddress:
        return addressOf(message.SenderMailbox());
    case Field::To:
        return message.Recipients();
    case Field::ToName:
        return nameOf(message.FirstRecipient());
    case Field::ToAddress:
        return addressOf(message.FirstRecipient());
    case Field::MessageId:
        return message.MessageId();
    case Field::File:
        return Text::success(origin.fileToken());
    case Field::Mailbox:
        return Text::success(origin.mailboxToken());
    default:
        break;
    }
    const Outcome<MessageDate> date = message.Date();
    if (!date)
        return Text::failure(date.reason());
    return Text::success(dateText(piece.field, date.value().on(zone)));
}

Outcome<RawName> NameTemplate::render(const MessageHeaders &message, const MessageOrigin &origin,
                                      DateZone zone) const
{
    QStringList parts;
    for (const QList<Piece> &part : m_parts) {
        QString rendered;
        for (const Piece &piece : part) {
            const Outcome<QString> value = valueOf(piece, message, origin, zone);
            if (!value)
                return Outcome<RawName>::failure(value.reason());
            rendered += value.value();
        }
        parts.append(rendered);
    }
    RawName raw;
    raw.name = parts.takeLast();
    raw.folders = parts;
    return Outcome<RawName>::success(raw);
}
