// SPDX-License-Identifier: MIT
#include "runsummary.h"

#include <QStringList>

void RunSummary::add(const MessageReport &report)
{
    if (report.status == MessageStatus::Skipped) {
        ++earlierCopies;
        return;
    }
    ++messages;
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
        line = line.arg(converted).arg(messages).arg(noun);
    }
    if (!withNotes.isEmpty())
        line += QStringLiteral("; %1 with attachments missing").arg(withNotes.size());
    if (earlierCopies > 0) {
        line += earlierCopies == 1
                    ? QStringLiteral("; 1 copy from an earlier run was left alone")
                    : QStringLiteral("; %1 copies from an earlier run were left alone")
                          .arg(earlierCopies);
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
        lines.append(QStringLiteral("and %1 more").arg(notConverted.size() - kListedFailures));
    return lines.join(QLatin1Char('\n'));
}

namespace {

// "path: text" for each report, text being the member what of it.
QStringList linesOf(const QList<MessageReport> &reports, QString MessageReport::*what)
{
    QStringList lines;
    lines.reserve(reports.size());
    for (const MessageReport &report : reports)
        lines.append(report.source + QStringLiteral(": ") + report.*what);
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
