// SPDX-License-Identifier: MIT
#include "sourceexpansion.h"

#include "messagefiles.h"
#include "pathlogger.h"
#include "rawnames.h"

#include <cerrno>
#include <cstring>
#include <optional>
#include <QFile>
#include <sys/stat.h>

namespace cli {

namespace {

MessageReport problem(const QString &source, const QString &reason)
{
    MessageReport report;
    report.source = source;
    report.status = MessageStatus::Failed;
    report.reason = reason;
    return report;
}

void expandFolder(const QString &folder, SourceExpansion &expansion)
{
    // Nothing else runs while the terminal waits, so the scan needs no turns.
    pathLogger scanner([] {});
    scanner.PathLogInit();
    scanner.setFullFileNamesOnly(true);
    std::optional<ScanError> failure;
    try {
        scanner.LogPath(folder);
    } catch (const ScanError &error) {
        // Only a counter past 2147483647 gets here; keep what was found.
        failure = error;
    }
    const auto found = scanner.fullFileNames();
    const QByteArrayList unreadable = scanner.unreadableNames();
    const QList<pathLogger::SkippedFolder> skipped = scanner.skippedFolders();
    scanner.Terminate();

    for (const auto &entry : *found)
        if (messagefiles::isMessageFileName(entry.value))
            expansion.rows.append(entry.value);
    for (const QByteArray &raw : unreadable) {
        if (!messagefiles::mayHoldMessages(raw))
            continue;
        expansion.problems.append(
            problem(rawnames::visible(raw),
                    raw.endsWith('/')
                        ? QStringLiteral("the folder's name is not valid UTF-8; it was left out")
                        : QStringLiteral("the name is not valid UTF-8; it was left out")));
    }
    for (const pathLogger::SkippedFolder &folderSkipped : skipped) {
        expansion.problems.append(problem(
            folderSkipped.path,
            QStringLiteral("cannot read this folder (%1); it was skipped with everything in it")
                .arg(folderSkipped.reason())));
    }
    if (failure) {
        expansion.problems.append(
            problem(failure->path().isEmpty() ? folder : failure->path(),
                    QStringLiteral("the search stopped here: %1").arg(failure->message())));
    }
}

} // namespace

SourceExpansion expandSources(const QStringList &sources)
{
    SourceExpansion expansion;
    for (const QString &source : sources) {
        struct stat info
        {
        };
        if (::stat(QFile::encodeName(source).constData(), &info) != 0) {
            expansion.problems.append(
                problem(source, QString::fromLocal8Bit(std::strerror(errno))));
        } else if (S_ISDIR(info.st_mode)) {
            expandFolder(source, expansion);
        } else {
            // Anything else that exists is passed on; the run itself says why a
            // file that is not a message cannot be converted.
            expansion.rows.append(source);
        }
    }
    return expansion;
}

} // namespace cli
