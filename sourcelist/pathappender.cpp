// SPDX-License-Identifier: MIT
#include "pathappender.h"

#include "messagefiles.h"
#include "pathlogger.h"
#include "rawnames.h"

#include <memory>
#include <QFile>
#include <sys/stat.h>

namespace {

enum class PathKind
{
    Folder,
    File,
    Other
};

PathKind kindOf(const QString &path)
{
    struct stat info;
    if (path.isEmpty() || ::stat(QFile::encodeName(path).constData(), &info) != 0)
        return PathKind::Other;
    if (S_ISDIR(info.st_mode))
        return PathKind::Folder;
    return S_ISREG(info.st_mode) ? PathKind::File : PathKind::Other;
}

// A path as one line a person can read: control characters are shown escaped,
// so a folder name cannot break the list it stands in.
QString visiblePath(const QString &path)
{
    return rawnames::visible(QFile::encodeName(path));
}

void showMessage(Dialogs &dialogs, const QString &text, Dialogs::Icon icon,
                 const QStringList &details = {})
{
    dialogs.messageBox(text, sourcelist::applicationTitle(), Dialogs::Buttons::OK, icon,
                       Dialogs::Answer::OK, details.join(QStringLiteral("\r\n")));
}

} // namespace

PathAppender::PathAppender(FileList &list) : m_list(list) {}

bool PathAppender::mayAdd(const QString &path)
{
    switch (kindOf(path)) {
    case PathKind::Folder:
        return true;
    case PathKind::File:
        return messagefiles::isMessageFileName(path);
    case PathKind::Other:
        break;
    }
    return false;
}

void PathAppender::appendFolder(const QString &folder)
{
    std::shared_ptr<const TextList> found;
    {
        pathLogger scanner([this] { m_list.yield(); });
        m_list.yield();
        scanner.PathLogInit();
        scanner.setFullFileNamesOnly(true);
        scanner.LogPath(folder);
        [[maybe_unused]] const qint32 next = scanner.Count();
        found = scanner.fullFileNames();
        // Terminate forgets them.
        for (const pathLogger::SkippedFolder &skipped : scanner.skippedFolders()) {
            m_skipped.append(skipped);
            if (skipped.path == scanner.pathNames()->at(1))
                ++m_skippedGiven;
        }
        setAsideUnreadable(scanner.unreadableNames());
        scanner.Terminate();
        m_list.yield();
    }
    for (const auto &entry : *found) {
        m_list.yield();
        appendIfMessage(entry.value);
    }
}

void PathAppender::appendPaths(const QStringList &paths)
{
    for (const QString &path : paths) {
        m_list.yield();
        switch (kindOf(path)) {
        case PathKind::Folder:
            appendFolder(path);
            break;
        case PathKind::File:
            appendIfMessage(path);
            break;
        case PathKind::Other:
            break;
        }
    }
}

void PathAppender::setAsideUnreadable(const QByteArrayList &rawNames)
{
    for (const QByteArray &raw : rawNames)
        if (messagefiles::mayHoldMessages(raw))
            m_unreadable.append(raw);
}

void PathAppender::appendIfMessage(const QString &path)
{
    if (!messagefiles::isMessageFileName(path))
        return;
    m_list.yield();
    m_list.AddFileToList(path);
    ++m_added;
}

void PathAppender::report(Dialogs &dialogs) const
{
    if (m_skipped.size() == 1 && m_skippedGiven == 1) {
        showMessage(dialogs,
                    QStringLiteral("The folder \"%1\" could not be read: %2.")
                        .arg(visiblePath(m_skipped.front().path), m_skipped.front().reason()),
                    Dialogs::Icon::Exclamation);
    } else if (!m_skipped.isEmpty()) {
        // Both lists may run to thousands: the boxes count them, and the items
        // wait in the details, so that no box outgrows the screen.
        QStringList lines;
        for (const pathLogger::SkippedFolder &skipped : m_skipped)
            lines.append(
                QStringLiteral("\"%1\": %2").arg(visiblePath(skipped.path), skipped.reason()));
        const QString text =
            m_skipped.size() == 1
                ? QStringLiteral("A folder could not be read, so it was skipped with everything "
                                 "in it. The other folders were searched and their message files "
                                 "added to the list.\r\n\r\nShow Details... names it with the "
                                 "reason.")
                : QStringLiteral("%1 folders could not be read, so they were skipped with "
                                 "everything in them. The other folders were searched and their "
                                 "message files added to the list.\r\n\r\nShow Details... names "
                                 "each with the reason.")
                      .arg(m_skipped.size());
        showMessage(dialogs, text, Dialogs::Icon::Exclamation, lines);
    }

    if (!m_unreadable.isEmpty()) {
        QStringList lines;
        for (const QByteArray &raw : m_unreadable)
            lines.append(rawnames::visible(raw));
        const QString text =
            m_unreadable.size() == 1
                ? QStringLiteral("1 file or folder was not added because its name is not valid "
                                 "UTF-8, so it cannot be processed safely. Give it a name in "
                                 "UTF-8 to add it.\r\n\r\nShow Details... shows it.")
                : QStringLiteral("%1 files or folders were not added because their names are not "
                                 "valid UTF-8, so they cannot be processed safely. Give them names "
                                 "in UTF-8 to add them.\r\n\r\nShow Details... lists them.")
                      .arg(m_unreadable.size());
        showMessage(dialogs, text, Dialogs::Icon::Exclamation, lines);
    }

    showMessage(dialogs, QString::number(m_added) + QStringLiteral(" Files Added to List."),
                Dialogs::Icon::None);
}
