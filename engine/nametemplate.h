// SPDX-License-Identifier: MIT
#pragma once

#include "messagedate.h"
#include "messageheaders.h"
#include "messageorigin.h"
#include "outcome.h"

#include <QList>
#include <QString>
#include <QStringList>

// A name as a template or a scheme composes it, before any cleaning.
struct RawName
{
    QStringList folders; // the folders below the target folder, outermost first
    QString name;        // the base name
};

// A name template such as "{date:%Y}/{date:%m} {from.name} - {subject}",
// parsed once and rendered for every message.
//
// Text stands for itself; a token in braces stands for a value of the
// message:
//   {subject}       the Subject header, as the schemes use it
//   {from}          the whole From header, as the schemes use it
//   {from.name}     the first sender's display name, else the address
//   {from.address}  the first sender's address
//   {to}, {to.name}, {to.address}   the same of the To header
//   {date}          the date as {date:%Y-%m-%d}
//   {date:FORMAT}   the date in FORMAT: %Y year (at least four digits),
//                   %m month, %d day, %H hour, %M minute, %S second (two
//                   digits each), %b month and %a weekday in English ("Mar",
//                   "Sun") whatever the locale, %% a percent sign; any other
//                   character stands for itself
//   {message-id}    the Message-ID without its angle brackets
//   {file}          MessageOrigin::fileToken()
//   {mailbox}       MessageOrigin::mailboxToken()
// "{{" and "}}" stand for "{" and "}".
//
// A "/" written in the template (also inside a date format) ends a folder:
// the parts before the last "/" are folders below the target folder, the
// part after it the name. A "/" inside a value is no folder; it is cleaned
// away with the rest of the value.
class NameTemplate
{
public:
    // Parses a template. Fails, with a reason quoting the culprit, for an
    // unknown token, a "{" left open (or opened again before it closes), a
    // "}" that closes nothing, a date format that is empty or holds "%"
    // followed by anything but Y m d H M S b a %, an empty template, an empty
    // part (a "/" at the start or the end, or "//"), and a part written as
    // "." or ".." (parts made of values are made safe by cleaning instead).
    [[nodiscard]] static Outcome<NameTemplate> parse(const QString &text);

    // The template's text, as parsed.
    [[nodiscard]] const QString &text() const { return m_text; }

    // How many folders every name of this template makes (the "/" it holds).
    [[nodiscard]] int folderDepth() const { return static_cast<int>(m_parts.size()) - 1; }

    // The template's parts with every token replaced by message's value,
    // dates shown on zone's clock. Asks message only for the values the
    // template uses. Fails with the reason of the first reader that fails.
    [[nodiscard]] Outcome<RawName> render(const MessageHeaders &message,
                                          const MessageOrigin &origin, DateZone zone) const;

private:
    enum class Field
    {
        Text,
        Subject,
        From,
        FromName,
        FromAddress,
        To,
        ToName,
        ToAddress,
        Year,
        Month,
        Day,
        Hour,
        Minute,
        Second,
        MonthName,
        DayName,
        MessageId,
        File,
        Mailbox,
    };
    struct Piece
    {
        Field field = Field::Text;
        QString text; // Field::Text only
    };
    class Parser;

    NameTemplate() = default;

    // A date field (Year to DayName) of the date and time shown.
    static QString dateText(Field field, const QDateTime &shown);
    static Outcome<QString> valueOf(const Piece &piece, const MessageHeaders &message,
                                    const MessageOrigin &origin, DateZone zone);

    QString m_text;
    QList<QList<Piece>> m_parts; // never empty; the last one is the name
};
