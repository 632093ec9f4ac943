// SPDX-License-Identifier: MIT
#include "sourceexpansion.h"

#include "messagescan.h"
#include "pathstatus.h"
#include "rawnames.h"
#include "registry.h"

#include <sys/stat.h>

namespace cli {

MessageReport problem(const QString &source, const QString &reason)
{
    MessageReport report;
    report.source = source;
    report.status = MessageStatus::Failed;
    report.reason = reason;
    return report;
}

MessageReport unreadableName(const QByteArray &raw)
{
    return problem(rawnames::visible(raw),
                   raw.endsWith('/')
                       ? QStringLiteral("the folder's name is not valid UTF-8; it was left out")
                       : QStringLiteral("the name is not valid UTF-8; it was left out"));
}

namespace {

void expandFolder(const QString &folder, SourceExpansion &expansion)
{
    // Nothing else runs while the terminal waits, so the scan needs no turns.
    const messagescan::FolderScan scan = messagescan::scanFolder(folder);
    const QStringList rows = scan.rows();
    expansion.rows += rows;
    expansion.roots += QStringList(rows.size(), registry::withTrailingSlash(folder));
    for (const QByteArray &raw : scan.unreadableNames)
        expansion.problems.append(unreadableName(raw));
    for (const pathLogger::SkippedFolder &skipped : scan.skippedFolders) {
        expansion.problems.append(problem(
            skipped.path,
            QStringLiteral("cannot read this folder (%1); it was skipped with everything in it")
                .arg(skipped.reason())));
    }
    if (scan.stopped) {
        expansion.problems.append(
            problem(scan.stopped->path().isEmpty() ? folder : scan.stopped->path(),
                    QStringLiteral("the search stopped here: %1").arg(scan.stopped->message())));
    }
}

} // namespace

SourceExpansion expandSources(const QStringList &sources)
{
    SourceExpansion expansion;
    for (const QString &source : sources) {
        const Outcome<struct stat> status = pathstatus::of(source);
        if (!status) {
            expansion.problems.append(problem(source, status.reason()));
        } else if (S_ISDIR(status.value().st_mode)) {
            expandFolder(source, expansion);
        } else {
            // Anything else that exists is passed on; the run itself says why a
            // file that is not a message cannot be converted.
            expansion.rows.append(source);
            expansion.roots.append(QString());
        }
    }
    return expansion;
}

} // namespace cli
