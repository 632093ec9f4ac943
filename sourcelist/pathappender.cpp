// SPDX-License-Identifier: MIT
#include "pathappender.h"

#include "applicationtitle.h"
#include "commanderror.h"
#include "messagefiles.h"
#include "messagescan.h"
#include "pathstatus.h"
#include "rawnames.h"

#include <exception>
#include <optional>
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
    const Outcome<struct stat> status = pathstatus::of(path);
    if (!status)
        return PathKind::Other;
    if (S_ISDIR(status.value().st_mode))
        return PathKind::Folder;
    return S_ISREG(status.value().st_mode) ? PathKind::File : PathKind::Other;
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

void PathAppender::appendUnderBusyPointer(FileList &list, Dialogs &dialogs,
                                          ButtonControl &cmdProcess, WhenNoneAdded whenNone,
                                          const std::function<void(PathAppender &)> &append)
{
    dialogs.setMousePointer(Dialogs::Pointer::Busy);
    PathAppender appender(list);
    std::optional<QString> error;
    try {
        append(appender);
    } catch (const std::exception &raised) {
        error = CommandError::textOf(raised);
    }
    dialogs.setMousePointer(Dialogs::Pointer::Default);

    if (appender.added() > 0)
        cmdProcess.setEnabled(true);
    else if (whenNone == WhenNoneAdded::DisableProcess)
        cmdProcess.setEnabled(false);

    if (error)
        showMessage(dialogs, *error, Dialogs::Icon::Exclamation);
    appender.report(dialogs);
}

bool PathAppender::mayAdd(const QString &path)
{
    switch (kindOf(path)) {
    case PathKind::Folder:
        return true;
    case PathKind::File:
        return messagescan::kindOfFile(path) != messagescan::Kind::Other;
    case PathKind::Other:
        break;
    }
    return false;
}

void PathAppender::appendFolder(const QString &folder)
{
    const messagescan::FolderScan scan =
        messagescan::scanFolder(folder, [this] { m_list.yield(); });
    // Nothing of a scan that stopped short is appended.
    if (scan.stopped)
        throw *scan.stopped;
    for (const pathLogger::SkippedFolder &skipped : scan.skippedFolders) {
        m_skipped.append(skipped);
        if (skipped.path == scan.root)
            ++m_skippedGiven;
    }
    m_unreadable += scan.unreadableNames;
    for (const messagescan::FolderScan::File &file : scan.files) {
        m_list.yield();
        if (file.listed())
            appendMessage(file.path);
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
            if (messagescan::kindOfFile(path) != messagescan::Kind::Other)
                appendMessage(path);
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

void PathAppender::appendMessage(const QString &path)
{
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
