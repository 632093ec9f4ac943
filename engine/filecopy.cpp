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

Outcome<void> fail(const QString &reason)
{
    return Outcome<void>::failure(reason);
}

Outcome<void> readFailure(const QString &path, int error)
{
    return fail(QStringLiteral("cannot read %1: %2").arg(path, systemReason(error)));
}

Outcome<void> writeFailure(const QString &path, int error)
{
    return fail(QStringLiteral("cannot write %1: %2").arg(path, systemReason(error)));
}

// Whether the copy may go to target as things stand, and why not.
Outcome<void> judgeTarget(const SourceFile &source, const QString &target,
                          const QByteArray &encoded, bool failIfExists, FileSystemCalls &calls)
{
    // Following links here catches every spelling of the source: a link to it,
    // "a/../a", a linked folder, a second hard link.
    struct stat existing = {};
    if (calls.followTo(encoded.constData(), &existing) == 0) {
        if (FileIdentity::of(existing) == FileIdentity::of(source.status()))
            return fail(QStringLiteral("cannot copy %1 to %2: they are the same file")
                            .arg(source.path(), target));
        if (failIfExists)
            return writeFailure(target, EEXIST);
        if (S_ISDIR(existing.st_mode))
            return writeFailure(target, EISDIR);
        return Outcome<void>::success();
    }
    if (errno != ENOENT)
        return writeFailure(target, errno);
    // A dangling link has the name too.
    if (failIfExists && calls.lookAt(encoded.constData(), &existing) == 0)
        return writeFailure(target, EEXIST);
    return Outcome<void>::success();
}

} // namespace

Outcome<void> copyFile(const QString &source, const QString &target, bool failIfExists,
                       Staging staging, FileSystemCalls &calls)
{
    if (source.isEmpty())
        return fail(QStringLiteral("no file to copy was given"));
    if (target.isEmpty())
        return fail(QStringLiteral("no name to copy %1 to was given").arg(source));
    // The system would read a name only up to its first NUL: another file.
    if (source.contains(QChar(0)))
        return readFailure(source, EINVAL);
    if (target.contains(QChar(0)))
        return writeFailure(target, EINVAL);
    const SourceFile file(source);
    if (file.error() != 0)
        return readFailure(source, file.error());
    if (file.isFolder())
        return fail(QStringLiteral("cannot copy %1: it is a folder").arg(source));
    if (!file.isRegular())
        return fail(QStringLiteral("cannot copy %1: it is not a regular file").arg(source));

    const QByteArray encoded = QFile::encodeName(target);
    if (Outcome<void> judged = judgeTarget(file, target, encoded, failIfExists, calls); !judged)
        return judged;

    StagedCopy staged(calls, encoded, MessageBytes::wholeFile(file), staging);
    if (!failIfExists)
        return staged.replace(encoded);
    const Outcome<StagedCopy::Publication> published = staged.publish(encoded);
    if (published && published.value() == StagedCopy::Publication::Exists)
        return writeFailure(target, EEXIST);
    return published ? Outcome<void>::success() : fail(published.reason());
}

} // namespace filecopy
