// SPDX-License-Identifier: MIT
#include "runsummary.h"

#include <QStringList>

void RunSummary::add(const MessageReport &report)
{
    ++messages;
    if (report.converted())
        ++converted;
    else
        notConverted.append(report);
}

QString RunSummary::headline() const
{
    if (messages == 0)
        return QStringLiteral("No messages to convert.");
    const QString noun = messages == 1 ? QStringLiteral("message") : QStringLiteral("messages");
    if (dryRun)
        return QStringLiteral("Dry run: %1 of %2 %3 would be converted; nothing was written.")
            .arg(converted)
            .arg(messages)
            .arg(noun);
    return QStringLiteral("Converted %1 of %2 %3.").arg(converted).arg(messages).arg(noun);
}

QString RunSummary::text() const
{
    if (allConverted())
        return !dryRun && messages > 0 ? QStringLiteral("Converted Successfully !") : headline();

    QStringList lines{headline(), QString(),
                      dryRun ? QStringLiteral("Would not be converted:")
                             : QStringLiteral("Not converted:")};
    const qsizetype listed = qMin<qsizetype>(notConverted.size(), kListedFailures);
    for (qsizetype i = 0; i < listed; ++i)
        lines.append(notConverted[i].source + QStringLiteral(": ") + notConverted[i].reason);
    if (notConverted.size() > listed)
        lines.append(QStringLiteral("and %1 more").arg(notConverted.size() - listed));
    return lines.join(QLatin1Char('\n'));
}
