// SPDX-License-Identifier: MIT
#include "sourceexpansion.h"

#include <cerrno>
#include <cstring>
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
            expansion.problems.append(
                problem(source, QStringLiteral("is a folder; give the message files in it")));
        } else {
            // Anything else that exists is passed on; the run itself says why a
            // file that is not a message cannot be converted.
            expansion.rows.append(source);
        }
    }
    return expansion;
}

} // namespace cli
