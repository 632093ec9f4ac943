// SPDX-License-Identifier: MIT
#include "filecopy.h"

#include "fileidentity.h"
#include "messagebytes.h"
#include "sourcefile.h"

#include <cerrno>
#include <QFile>
#include <sys/stat.h>

namespace filecopy {

namespace {

bool fail(QString *reason, const QString &text)
{
    if (reason)
        *reason = text;
    return false;
}

QString readFailure(const QString &path, int error)
{
    return QStringLiteral("Cannot read %1: %2").arg(path, qt_error_string(error));
}

QString writeFailure(const QString &path, int error)
{
    return QStringLiteral("Cannot write %1: %2").arg(path, qt_error_string(error));
}

// Why the copy may not go to target as things stand; "" when it may.
QString judgeTarget(const SourceFile &source, const QString &target, const QByteArray &encoded,
                    bool failIfExists, FileSystemCalls &calls)
{
    // Following links here catches every spelling of the source: a link to it,
    // "a/../a", a linked folder, a second hard link.
    struct stat existing = {};
    if (::stat(encoded.constData(), &existing) == 0) {
        if (FileIdentity::of(existing) == FileIdentity::of(source.status()))
            return QStringLiteral("Cannot copy %1 to %2: they are the same file")
                .arg(source.path(), target);
        if (failIfExists)
            return writeFailure(target, EEXIST);
        if (S_ISDIR(existing.st_mode))
            return writeFailure(target, EISDIR);
        return {};
    }
    if (errno != ENOENT)
        return writeFailure(target, errno);
    // A dangling link has the name too.
    if (failIfExists && calls.lookAt(encoded.constData(), &existing) == 0)
        return writeFailure(target, EEXIST);
    return {};
}

} // namespace

bool copyFile(const QString &source, const QString &target, bool failIfExists, Staging staging,
              QString *reason, FileSystemCalls &calls)
{
    if (source.isEmpty())
        return fail(reason, QStringLiteral("No file to copy was given"));
    if (target.isEmpty())
        return fail(reason, QStringLiteral("No name to copy %1 to was given").arg(source));
    // The system would read a name only up to its first NUL: another file.
    if (source.contains(QChar(0)))
        return fail(reason, readFailure(source, EINVAL));
    if (target.contains(QChar(0)))
        return fail(reason, writeFailure(target, EINVAL));
    const SourceFile file(source);
    if (file.error() != 0)
        return fail(reason, readFailure(source, file.error()));
    if (file.isFolder())
        return fail(reason, QStringLiteral("Cannot copy %1: it is a folder").arg(source));
    if (!file.isRegular())
        return fail(reason, QStringLiteral("Cannot copy %1: it is not a regular file").arg(source));

    const QByteArray encoded = QFile::encodeName(target);
    if (const QString refusal = judgeTarget(file, target, encoded, failIfExists, calls);
        !refusal.isEmpty())
        return fail(reason, refusal);

    StagedCopy staged(calls, encoded, MessageBytes::wholeFile(file), staging);
    bool done = staged.error() == 0;
    if (done && failIfExists) {
        const StagedCopy::Publication publication = staged.publish(encoded);
        if (publication == StagedCopy::Publication::Exists)
            return fail(reason, writeFailure(target, EEXIST));
        done = publication == StagedCopy::Publication::Published;
    } else if (done) {
        done = staged.replace(encoded);
    }
    return done || fail(reason, staged.failure(source, target));
}

} // namespace filecopy
