// SPDX-License-Identifier: MIT
#include "naming.h"

#include "oledate.h"

#include <algorithm>
#include <iterator>
#include <QDate>
#include <QHash>
#include <QLatin1StringView>
#include <QStringView>

namespace naming {

namespace {

constexpr QChar kSeparator = u' ';

// A reader that failed without saying why still gets a reason a person can read.
template <typename T> QString reasonOf(const Outcome<T> &outcome, const char *what)
{
    if (!outcome.reason().isEmpty())
        return outcome.reason();
    return QStringLiteral("cannot read the message's %1").arg(QLatin1StringView(what));
}

// What each scheme asks of a message, in the order it asks, and the order the
// answers stand in the name: s the subject, f the sender (From), d the date.
struct Recipe
{
    NamingScheme scheme;
    const char *asked;
    const char *named;
    const char *datePattern; // for d
};

constexpr Recipe kRecipes[] = {
    {NamingScheme::OptS, "s", "s", ""},
    {NamingScheme::OptSF, "sf", "sf", ""},
    {NamingScheme::OptFS, "fs", "fs", ""},
    // The date is asked first although it ends the name.
    {NamingScheme::OptSFD_dmy, "dsf", "sfd", "dd-mm-yyyy"},
    {NamingScheme::OptDS_ymd, "ds", "ds", "yyyy-mm-dd"},
    // The m-d-y scheme has always written month, year, day; names stay as
    // they were so that a new run matches copies made before.
    {NamingScheme::OptDS_mdy, "ds", "ds", "mm-yyyy-dd"},
};

Outcome<QString> readPart(const MessageHeaders &message, char part, const char *datePattern,
                          DateZone zone)
{
    if (part == 'd') {
        const Outcome<MessageDate> date = message.Date();
        if (!date)
            return Outcome<QString>::failure(reasonOf(date, "date"));
        return Outcome<QString>::success(
            FormatDate(date.value().oleDate(zone), QString::fromLatin1(datePattern)));
    }
    const bool subject = part == 's';
    Outcome<QString> text = subject ? message.Subject() : message.Sender();
    return text ? text : Outcome<QString>::failure(reasonOf(text, subject ? "subject" : "sender"));
}

bool isReservedOrControl(QChar c)
{
    switch (c.unicode()) {
    case u':':
    case u'?':
    case u'\\':
    case u'/':
    case u'*':
    case u'"':
    case u'<':
    case u'>':
    case u'|':
        return true;
    default:
        // NUL goes too: no Linux file name can hold it.
        return c.unicode() < 32;
    }
}

QString trimmedSpaces(const QString &text)
{
    qsizetype first = 0;
    qsizetype last = text.size();
    while (first < last && text.at(first) == u' ')
        ++first;
    while (last > first && text.at(last - 1) == u' ')
        --last;
    return text.mid(first, last - first);
}

// Bytes of UTF-8 for the character that starts at text[i]; *units gets the
// number of UTF-16 units it spans.
int utf8Width(QStringView text, qsizetype i, qsizetype *units)
{
    const char16_t unit = text[i].unicode();
    *units = 1;
    if (unit < 0x80)
        return 1;
    if (unit < 0x800)
        return 2;
    if (QChar::isHighSurrogate(unit) && i + 1 < text.size() && text[i + 1].isLowSurrogate()) {
        *units = 2;
        return 4;
    }
    // Other BMP characters, and lone surrogates, which become U+FFFD.
    return 3;
}

qsizetype utf8Length(QStringView text)
{
    qsizetype bytes = 0;
    qsizetype units = 0;
    for (qsizetype i = 0; i < text.size(); i += units)
        bytes += utf8Width(text, i, &units);
    return bytes;
}

// The longest start of text that fits in budget bytes of UTF-8, never
// parting a surrogate pair, stripped of trailing spaces when it had to be cut.
QStringView fitted(QStringView text, qsizetype budget)
{
    // No UTF-16 unit takes more than three bytes of UTF-8.
    if (text.size() * 3 <= budget)
        return text;
    qsizetype kept = 0;
    qsizetype bytes = 0;
    qsizetype units = 0;
    while (kept < text.size()) {
        const int width = utf8Width(text, kept, &units);
        if (bytes + width > budget)
            break;
        bytes += width;
        kept += units;
    }
    if (kept == text.size())
        return text;
    QStringView cut = text.first(kept);
    while (!cut.isEmpty() && cut.back() == u' ')
        cut.chop(1);
    return cut;
}

// CleanName's steps 1 to 5.
QString cleanedText(const QString &rawName, bool removeReply, bool removeForward)
{
    // Deleting single characters never forms a new one, so the nine reserved
    // characters and the control codes can all go in one linear pass; a raw
    // name may be as long as a hostile subject line makes it.
    QString name = rawName;
    name.removeIf(isReservedOrControl);

    if (name.size() > kMaxBaseNameUnits) {
        qsizetype cut = kMaxBaseNameUnits;
        if (name.at(cut - 1).isHighSurrogate())
            --cut;
        name.truncate(cut);
        name = trimmedSpaces(name);
    }

    // QString::remove makes one left-to-right pass per pattern and does not
    // search again where a deletion joins text: "rre e x" loses one "re ".
    if (removeReply) {
        for (const char *marker : {"RE ", "Re ", "re "})
            name.remove(QLatin1StringView(marker), Qt::CaseSensitive);
    }
    if (removeForward) {
        for (const char *marker : {"FW ", "Fw ", "fw ", "FWD ", "Fwd ", "fwd "})
            name.remove(QLatin1StringView(marker), Qt::CaseSensitive);
    }
    return name;
}

// CleanName's step 6: no name is empty, and none is hidden.
QString visible(QString name, const QString &whenEmpty)
{
    if (name.isEmpty())
        return whenEmpty;
    if (name.startsWith(u'.'))
        name.prepend(u'_');
    return name;
}

QString joined(QStringView base, const QString &suffix, QStringView extension)
{
    QString name;
    name.reserve(base.size() + suffix.size() + extension.size());
    name += base;
    name += suffix;
    name += extension;
    return name;
}

} // namespace

Outcome<QString> ComposeName(const MessageHeaders &message, NamingScheme scheme, DateZone zone)
{
    const auto recipe = std::find_if(std::begin(kRecipes), std::end(kRecipes),
                                     [scheme](const Recipe &r) { return r.scheme == scheme; });
    if (recipe == std::end(kRecipes))
        return Outcome<QString>::failure(
            QStringLiteral("unknown naming scheme %1").arg(int(scheme)));
    QHash<char, QString> answers;
    for (const char *part = recipe->asked; *part != '\0'; ++part) {
        Outcome<QString> answer = readPart(message, *part, recipe->datePattern, zone);
        if (!answer)
            return answer;
        answers.insert(*part, answer.value());
    }
    QString name;
    for (const char *part = recipe->named; *part != '\0'; ++part) {
        if (part != recipe->named)
            name += kSeparator;
        name += answers.value(*part);
    }
    return Outcome<QString>::success(name);
}

Outcome<RawName> ComposeRawName(const MessageHeaders &message, const MessageOrigin &origin,
                                const RunOptions &options)
{
    if (options.format)
        return options.format->render(message, origin, options.timeZone);
    const Outcome<QString> name = ComposeName(message, options.scheme, options.timeZone);
    if (!name)
        return Outcome<RawName>::failure(name.reason());
    return Outcome<RawName>::success(RawName{{}, name.value()});
}

QString Digits(int value, int width)
{
    // Widen before negating: the smallest int has no positive counterpart.
    const qint64 magnitude = value < 0 ? -static_cast<qint64>(value) : value;
    const QString digits = QString::number(magnitude).rightJustified(width, u'0');
    return value < 0 ? u'-' + digits : digits;
}

QString FormatDate(double oleDate, const QString &pattern)
{
    const QDate day = oledate::ToDate(oleDate);
    QString out;
    out.reserve(pattern.size() + 4);
    const QStringView view(pattern);
    for (qsizetype i = 0; i < view.size();) {
        const QStringView rest = view.sliced(i);
        if (rest.startsWith(u"yyyy")) {
            out += Digits(day.year(), 4);
            i += 4;
        } else if (rest.startsWith(u"mm")) {
            out += Digits(day.month(), 2);
            i += 2;
        } else if (rest.startsWith(u"dd")) {
            out += Digits(day.day(), 2);
            i += 2;
        } else {
            out += view[i];
            ++i;
        }
    }
    return out;
}

QString CleanName(const QString &rawName, bool removeReply, bool removeForward)
{
    return visible(cleanedText(rawName, removeReply, removeForward),
                   QStringLiteral("(no subject)"));
}

QString CleanFolderName(const QString &rawFolder, bool removeReply, bool removeForward)
{
    const QString name =
        visible(cleanedText(rawFolder, removeReply, removeForward), QStringLiteral("(none)"));
    return fitted(name, kMaxFileNameBytes).toString();
}

CleanedName CleanRawName(const RawName &raw, bool removeReply, bool removeForward)
{
    CleanedName cleaned;
    for (const QString &folder : raw.folders)
        cleaned.folders += CleanFolderName(folder, removeReply, removeForward) + u'/';
    cleaned.baseName = CleanName(raw.name, removeReply, removeForward);
    return cleaned;
}

QString FitFileName(const QString &baseName, const QString &suffix)
{
    const QStringView extension(kExtension);
    const qsizetype budget = kMaxFileNameBytes - utf8Length(suffix) - utf8Length(extension);
    return joined(fitted(baseName, budget), suffix, extension);
}

} // namespace naming
