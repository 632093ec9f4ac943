// SPDX-License-Identifier: MIT
#include "listedsources.h"

#include "clioptions.h"
#include "rawnames.h"
#include "sourceexpansion.h"

#include <cerrno>
#include <fcntl.h>
#include <QFile>
#include <unistd.h>

namespace cli {

namespace {

Outcome<QByteArray> readList(const QString &list)
{
    const bool standardInput = list == QLatin1String("-");
    const auto failure = [&](const QString &reason) {
        return Outcome<QByteArray>::failure(
            QStringLiteral("cannot read the list %1: %2")
                .arg(standardInput ? QStringLiteral("on standard input") : list, reason));
    };
    const int descriptor = standardInput
                               ? ::dup(STDIN_FILENO)
                               : ::open(QFile::encodeName(list).constData(), O_RDONLY | O_CLOEXEC);
    if (descriptor < 0)
        return failure(systemReason(errno));
    // Reading is where a folder fails ("Is a directory"), with the system's own
    // words, which Qt's open() would put in its own.
    QFile file;
    if (!file.open(descriptor, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle)) {
        ::close(descriptor);
        return failure(file.errorString());
    }
    const QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError)
        return failure(file.errorString());
    return Outcome<QByteArray>::success(bytes);
}

} // namespace

ListedSources splitList(const QByteArray &bytes, bool nullSeparated,
                        const QString &workingDirectory)
{
    ListedSources listed;
    const QByteArray folder =
        workingDirectory.isEmpty() ? QByteArray() : QFile::encodeName(workingDirectory) + '/';
    for (QByteArray entry : bytes.split(nullSeparated ? '\0' : '\n')) {
        if (!nullSeparated && entry.endsWith('\r'))
            entry.chop(1);
        if (entry.isEmpty())
            continue;
        const bool relative = !entry.startsWith('/');
        const QByteArray shown = relative ? folder + entry : entry;
        const std::optional<QString> text = rawnames::text(entry);
        if (entry.contains('\0')) {
            listed.problems.append(problem(
                rawnames::visible(shown),
                QStringLiteral("no file name holds a NUL byte; read a list of NUL-separated "
                               "names with --null")));
        } else if (!text) {
            listed.problems.append(unreadableName(shown));
        } else if (relative && workingDirectory.isEmpty()) {
            listed.problems.append(
                problem(*text, QStringLiteral("a relative path needs the working folder, which "
                                              "cannot be had as text; list absolute paths")));
        } else {
            listed.sources.append(CliOptions::absolutePath(workingDirectory, *text));
        }
    }
    return listed;
}

Outcome<ListedSources> readLists(const QStringList &lists, bool nullSeparated,
                                 const QString &workingDirectory)
{
    ListedSources all;
    for (const QString &list : lists) {
        const Outcome<QByteArray> bytes = readList(list);
        if (!bytes)
            return Outcome<ListedSources>::failure(bytes.reason());
        const ListedSources listed = splitList(bytes.value(), nullSeparated, workingDirectory);
        all.sources += listed.sources;
        all.problems += listed.problems;
    }
    return Outcome<ListedSources>::success(all);
}

} // namespace cli
