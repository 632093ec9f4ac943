// SPDX-License-Identifier: MIT
#include "manifestundo.h"

#include "filedigest.h"

#include <algorithm>
#include <cerrno>
#include <QDir>
#include <QFile>
#include <QSet>
#include <sys/stat.h>
#include <unistd.h>

namespace {

QString withoutTrailingSlash(QString path)
{
    while (path.size() > 1 && path.endsWith(QLatin1Char('/')))
        path.chop(1);
    return path;
}

// The status of path itself, a link not followed: 0, or the errno of lstat.
int linkStatus(const QString &path, struct stat *status)
{
    return ::lstat(QFile::encodeName(path).constData(), status) == 0 ? 0 : errno;
}

using Step = ManifestUndo::Step;
using Action = ManifestUndo::Action;

Step kept(const QString &path, const QString &reason, bool folder = false)
{
    return {path, Action::Kept, reason, folder};
}

Step undoCopy(const ManifestLine &copy, bool dryRun)
{
    const QString &path = copy.path;
    struct stat status = {};
    const int error = linkStatus(path, &status);
    if (error == ENOENT)
        return {path, Action::AlreadyGone, {}, false};
    if (error == 0 && S_ISLNK(status.st_mode))
        return kept(path, QStringLiteral("replaced by a link since the run"));
    if (error == 0 && !S_ISREG(status.st_mode))
        return kept(path, QStringLiteral("no longer a regular file"));
    const Outcome<FileDigest> digest = filedigest::of(path);
    if (!digest)
        return kept(path, QStringLiteral("cannot be read: %1").arg(digest.reason()));
    if (digest.value().size != copy.size || digest.value().sha256 != copy.sha256)
        return kept(path, QStringLiteral("changed since the run"));
    // The file that was read must be the one removed: a file renamed into
    // its place since it was read is not the copy.
    if (linkStatus(path, &status) != 0 || FileIdentity::of(status) != digest.value().identity)
        return kept(path, QStringLiteral("changed since the run"));
    if (dryRun)
        return {path, Action::WouldRemove, {}, false};
    if (::unlink(QFile::encodeName(path).constData()) != 0)
        return kept(path, QStringLiteral("cannot remove it: %1").arg(systemReason(errno)));
    return {path, Action::Removed, {}, false};
}

Step undoFolder(const QString &folder, bool dryRun, const QSet<QString> &removed)
{
    struct stat status = {};
    const int error = linkStatus(folder, &status);
    if (error == ENOENT)
        return {folder, Action::AlreadyGone, {}, true};
    if (error != 0 || !S_ISDIR(status.st_mode))
        return kept(folder, QStringLiteral("no longer a folder"), true);
    const QDir dir(folder);
    if (!dir.isReadable())
        return kept(folder, QStringLiteral("cannot be read"), true);
    const QStringList entries =
        dir.entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
    const bool left = std::any_of(entries.cbegin(), entries.cend(), [&](const QString &name) {
        return !removed.contains(folder + QLatin1Char('/') + name);
    });
    if (left)
        return kept(folder, QStringLiteral("not empty"), true);
    if (dryRun)
        return {folder, Action::WouldRemove, {}, true};
    // rmdir removes only an empty folder, whatever arrived since the listing.
    if (::rmdir(QFile::encodeName(folder).constData()) != 0)
        return kept(folder,
                    errno == ENOTEMPTY || errno == EEXIST
                        ? QStringLiteral("not empty")
                        : QStringLiteral("cannot remove it: %1").arg(systemReason(errno)),
                    true);
    return {folder, Action::Removed, {}, true};
}

int depth(const QString &folder)
{
    return int(folder.count(QLatin1Char('/')));
}

} // namespace

Outcome<ManifestUndo> ManifestUndo::read(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return Outcome<ManifestUndo>::failure(
            QStringLiteral("cannot read the manifest %1: %2").arg(path, file.errorString()));
    const QByteArray all = file.readAll();
    if (file.error() != QFileDevice::NoError)
        return Outcome<ManifestUndo>::failure(
            QStringLiteral("cannot read the manifest %1: %2").arg(path, file.errorString()));

    ManifestUndo undo;
    undo.m_path = path;
    const QList<QByteArray> lines = all.split('\n');
    bool started = false;
    for (qsizetype i = 0; i < lines.size(); ++i) {
        const QByteArray &text = lines[i];
        if (text.trimmed().isEmpty())
            continue;
        const bool last = i == lines.size() - 1; // no newline after it
        const Outcome<ManifestLine> line = ManifestLine::parse(text);
        if (!line && last && started) {
            undo.m_cutOff = true;
            break;
        }
        const auto refuse = [&](const QString &reason) {
            return Outcome<ManifestUndo>::failure(
                QStringLiteral("the manifest %1, line %2: %3; nothing was removed")
                    .arg(path)
                    .arg(i + 1)
                    .arg(reason));
        };
        if (!line)
            return refuse(line.reason());
        const bool isRun = line.value().kind == ManifestLine::Kind::Run;
        if (isRun != !started)
            return refuse(started ? QStringLiteral("a second run line")
                                  : QStringLiteral("not a letterfold-cli manifest (it does not "
                                                   "start with a run line)"));
        started = true;
        if (line.value().kind == ManifestLine::Kind::Folder)
            undo.m_folders.append(withoutTrailingSlash(line.value().path));
        else if (line.value().status == QLatin1String("copied"))
            undo.m_copies.append(line.value());
    }
    if (!started)
        return Outcome<ManifestUndo>::failure(
            QStringLiteral("the manifest %1 is empty; nothing was removed").arg(path));
    return Outcome<ManifestUndo>::success(undo);
}

QList<ManifestUndo::Step> ManifestUndo::run(bool dryRun) const
{
    QList<Step> steps;
    QSet<QString> removed;
    for (const ManifestLine &copy : m_copies) {
        steps.append(undoCopy(copy, dryRun));
        if (steps.last().action != Action::Kept)
            removed.insert(copy.path);
    }

    QStringList folders = m_folders;
    folders.removeDuplicates();
    // Deepest first, so a folder the run made inside another goes before it.
    std::stable_sort(folders.begin(), folders.end(),
                     [](const QString &a, const QString &b) { return depth(a) > depth(b); });
    for (const QString &folder : folders) {
        steps.append(undoFolder(folder, dryRun, removed));
        if (steps.last().action != Action::Kept)
            removed.insert(folder);
    }
    if (m_cutOff)
        steps.append(kept(m_path, QStringLiteral("its last line is cut off; whatever it "
                                                 "names was left alone")));
    return steps;
}
