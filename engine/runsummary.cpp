// SPDX-License-Identifier: MIT
#include "runsummary.h"

#include <QLocale>
#include <QStringList>

namespace {

// A count as the summary writes it: "1,204".
QString count(int number)
{
    static const QLocale english(QLocale::English, QLocale::UnitedStates);
    return english.toString(number);
}

// "1 mailbox", "3 mailboxes".
QString counted(int number, const QString &one, const QString &many)
{
    return count(number) + QLatin1Char(' ') + (number == 1 ? one : many);
}

} // namespace

void RunSummary::add(const MessageReport &report)
{
    if (report.status == MessageStatus::Skipped) {
        ++earlierCopies;
        return;
    }
    ++messages;
    if (report.message == 0)
        ++files;
    if (!report.converted()) {
        notConverted.append(report);
        return;
    }
    ++converted;
    if (!report.note.isEmpty())
        withNotes.append(report);
}

void RunSummary::prepend(const QList<MessageReport> &reports)
{
    RunSummary before;
    for (const MessageReport &report : reports)
        before.add(report);
    messages += before.messages;
    converted += before.converted;
    earlierCopies += before.earlierCopies;
    files += before.files;
    notConverted = before.notConverted + notConverted;
    withNotes = before.withNotes + withNotes;
}

QString RunSummary::headline() const
{
    QString line;
    if (messages == 0) {
        line = QStringLiteral("No messages to convert");
    } else {
        const QString noun = messages == 1 ? QStringLiteral("message") : QStringLiteral("messages");
        line = dryRun ? QStringLiteral("Dry run: %1 of %2 %3 would be converted")
                      : QStringLiteral("Converted %1 of %2 %3");
        line = line.arg(count(converted), count(messages), noun);
        if (mailboxes > 0) {
            line += QStringLiteral(" from ") +
                    counted(mailboxes, QStringLiteral("mailbox"), QStringLiteral("mailboxes"));
            if (files > 0)
                line += QStringLiteral(" and ") +
                        counted(files, QStringLiteral("file"), QStringLiteral("files"));
        }
    }
    if (!withNotes.isEmpty())
        line += QStringLiteral("; %1 with attachments missing").arg(withNotes.size());
    if (earlierCopies > 0) {
        line += earlierCopies == 1
                    ? QStringLiteral("; 1 copy from an earlier run was left alone")
                    : QStringLiteral("; %1 copies from an earlier run were left alone")
                          .arg(count(earlierCopies));
    }
    if (dryRun && messages > 0)
        line += QStringLiteral("; nothing was written");
    return line + QLatin1Char('.');
}

QString RunSummary::text() const
{
    if (allConverted())
        return !dryRun && messages > 0 ? QStringLiteral("Converted Successfully !") : headline();

    QStringList lines{headline(), QString(),
                      dryRun ? QStringLiteral("Would not be converted:")
                             : QStringLiteral("Not converted:")};
    lines += notConvertedLines().mid(0, kListedFailures);
    if (notConverted.size() > kListedFailures)
        lines.append(QStringLiteral("and %1 more")
                         .arg(count(static_cast<int>(notConverted.size()) - kListedFailures)));
    return lines.join(QLatin1Char('\n'));
}

namespace {

// "path: text" for each report, text being the member what of it.
QStringList linesOf(const QList<MessageReport> &reports, QString MessageReport::*what)
{
    QStringList lines;
    lines.reserve(reports.size());
    for (const MessageReport &report : reports)
        lines.append(report.label() + QStringLiteral(": ") + report.*what);
    return lines;
}

} // namespace

QStringList RunSummary::notConvertedLines() const
{
    return linesOf(notConverted, &MessageReport::reason);
}

QStringList RunSummary::notedLines() const
{
    return linesOf(withNotes, &MessageReport::note);
}
