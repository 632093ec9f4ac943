// SPDX-License-Identifier: MIT
#include "rfc2822date.h"

#include <algorithm>
#include <QByteArrayList>
#include <QString>

namespace rfc2822date {

namespace {

// The text without its comments. A comment may hold comments and quoted
// characters ("\)"); one left open runs to the end.
QByteArray withoutComments(QByteArrayView text)
{
    QByteArray out;
    out.reserve(text.size());
    int depth = 0;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (depth > 0 && c == '\\') {
            ++i;
        } else if (c == '(') {
            ++depth;
        } else if (depth > 0 && c == ')') {
            if (--depth == 0)
                out.append(' ');
        } else if (depth == 0) {
            out.append(c);
        }
    }
    return out;
}

bool isLetters(const QByteArray &token)
{
    return !token.isEmpty() && std::all_of(token.begin(), token.end(), [](char c) {
        return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
    });
}

bool isNumericZone(const QByteArray &token)
{
    return token.size() == 5 && (token[0] == '+' || token[0] == '-') &&
           std::all_of(token.begin() + 1, token.end(), [](char c) { return c >= '0' && c <= '9'; });
}

// RFC 5322's obsolete zone names; any other zone of letters means "-0000",
// a moment in UTC whose local zone is not known.
QByteArray offsetOfZoneName(const QByteArray &name)
{
    static const struct
    {
        const char *name;
        const char *offset;
    } kZones[] = {{"UT", "+0000"},  {"UTC", "+0000"}, {"GMT", "+0000"}, {"EST", "-0500"},
                  {"EDT", "-0400"}, {"CST", "-0600"}, {"CDT", "-0500"}, {"MST", "-0700"},
                  {"MDT", "-0600"}, {"PST", "-0800"}, {"PDT", "-0700"}};
    const QByteArray upper = name.toUpper();
    for (const auto &zone : kZones) {
        if (upper == zone.name)
            return zone.offset;
    }
    return "-0000";
}

} // namespace

std::optional<QDateTime> parse(QByteArrayView text)
{
    QByteArrayList tokens = withoutComments(text).replace(',', ' ').simplified().split(' ');
    // The weekday adds nothing to the date and Qt refuses one that is wrong.
    if (!tokens.isEmpty() && isLetters(tokens.front()))
        tokens.removeFirst();
    if (tokens.size() >= 2 && isLetters(tokens.back())) {
        if (isNumericZone(tokens.at(tokens.size() - 2)))
            tokens.removeLast(); // "+0000 GMT": the name only repeats the offset
        else
            tokens.back() = offsetOfZoneName(tokens.back());
    }
    // Qt knows month names in this case only.
    if (tokens.size() >= 2 && isLetters(tokens.at(1)))
        tokens[1] = tokens.at(1).left(1).toUpper() + tokens.at(1).mid(1).toLower();
    const QDateTime moment =
        QDateTime::fromString(QString::fromLatin1(tokens.join(' ')), Qt::RFC2822Date);
    if (!moment.isValid())
        return std::nullopt;
    return moment;
}

} // namespace rfc2822date
