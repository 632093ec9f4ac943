// SPDX-License-Identifier: MIT
#include "pathappender.h"

#include "messagefiles.h"
#include "pathlogger.h"
#include "rawnames.h"

#include <algorithm>
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

void showMessage(Dialogs &dialogs, const QString &text, Dialogs::Icon icon)
{
    dialogs.messageBox(text, sourcelist::applicationTitle(), Dialogs::Buttons::OK, icon,
                       Dialogs::Answer::OK);
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
        try {
            scanner.LogPath(folder);
        } catch (const ScanError &error) {
            // What was recorded up to the failure stays in the list taken below.
            m_failures.append({error.path().isEmpty() ? folder : error.path(), error.reason()});
        }
        [[maybe_unused]] const qint32 next = scanner.Count();
        found = scanner.fullFileNames();
        // Terminate forgets them.
        for (const QByteArray &raw : scanner.unreadableNames())
            if (messagefiles::mayHoldMessages(raw))
                m_unreadable.append(raw);
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
    for (const ScanFailure &failure : m_failures) {
        showMessage(dialogs,
                    QStringLiteral("The folder \"%1\" could not be read: %2.\r\n\r\n"
                                   "The search stopped there; the message files found before "
                                   "it were added to the list.")
                        .arg(failure.folder, failure.reason),
                    Dialogs::Icon::Exclamation);
    }

    if (!m_unreadable.isEmpty()) {
        QString text = QStringLiteral("These were not added because their names are not valid "
                                      "UTF-8, so they cannot be processed safely (%1 in all):")
                           .arg(m_unreadable.size());
        text += QStringLiteral("\r\n");
        const qsizetype shown = std::min<qsizetype>(m_unreadable.size(), kNamesShown);
        for (qsizetype i = 0; i < shown; ++i)
            text += QStringLiteral("\r\n") + rawnames::visible(m_unreadable.at(i));
        if (m_unreadable.size() > shown)
            text += QStringLiteral("\r\n(and %1 more)").arg(m_unreadable.size() - shown);
        text += QStringLiteral("\r\n\r\nGive them names in UTF-8 to add them.");
        showMessage(dialogs, text, Dialogs::Icon::Exclamation);
    }

    showMessage(dialogs, QString::number(m_added) + QStringLiteral(" Files Added to List."),
                Dialogs::Icon::None);
}
