// SPDX-License-Identifier: MIT
#include "addfolder.h"

#include "commanderror.h"
#include "messagefiles.h"
#include "pathappender.h"
#include "rawnames.h"

#include <exception>
#include <new>
#include <optional>
#include <sys/stat.h>

namespace sourcelist {

namespace {

enum class WhenNoneAdded
{
    DisableProcess,
    KeepProcess
};

// The part both commands share once they know what to append: the busy
// pointer around the work, then the Process button and the report. Errors are
// trapped here because the commands run inside Qt's event handlers, which an
// exception must not leave.
template <typename Append>
void appendUnderBusyPointer(FileList &list, Dialogs &dialogs, ButtonControl &cmdProcess,
                            WhenNoneAdded whenNone, Append append)
{
    dialogs.setMousePointer(Dialogs::Pointer::Busy);
    PathAppender appender(list);
    std::optional<QString> error;
    try {
        append(appender);
    } catch (const CommandError &raised) {
        error = QString::number(raised.number()) + u':' + raised.description();
    } catch (const std::bad_alloc &) {
        error = QStringLiteral("7:Out of memory");
    } catch (const std::exception &raised) {
        error = QStringLiteral("51:") + QString::fromLocal8Bit(raised.what());
    }
    dialogs.setMousePointer(Dialogs::Pointer::Default);

    if (appender.added() > 0)
        cmdProcess.setEnabled(true);
    else if (whenNone == WhenNoneAdded::DisableProcess)
        cmdProcess.setEnabled(false);

    if (error) {
        dialogs.messageBox(*error, applicationTitle(), Dialogs::Buttons::OK,
                           Dialogs::Icon::Exclamation, Dialogs::Answer::OK);
    }
    appender.report(dialogs);
}

// The bytes of a local file URL's path; nothing for other URLs (another
// scheme, or a file URL naming another host).
std::optional<QByteArray> localPathBytes(const QUrl &url)
{
    if (!url.isLocalFile())
        return std::nullopt;
    const QString host = url.host();
    if (!host.isEmpty() && host.compare(QLatin1String("localhost"), Qt::CaseInsensitive) != 0)
        return std::nullopt;
    // A name that is not UTF-8 stays percent-encoded in the URL; decoding it to
    // text would lose its bytes.
    QByteArray raw = QByteArray::fromPercentEncoding(url.path(QUrl::FullyEncoded).toLatin1());
    if (raw.isEmpty())
        return std::nullopt;
    return raw;
}

bool isFolder(const QByteArray &raw)
{
    struct stat info;
    return ::stat(raw.constData(), &info) == 0 && S_ISDIR(info.st_mode);
}

} // namespace

void addFolder(FileList &list, Dialogs &dialogs, ButtonControl &cmdProcess)
{
    QString folder = dialogs.browseForFolder(QStringLiteral("Choose Source Folder..."));
    if (folder.isEmpty())
        return;
    if (!folder.endsWith(u'/'))
        folder += u'/';
    appendUnderBusyPointer(list, dialogs, cmdProcess, WhenNoneAdded::DisableProcess,
                           [&folder](PathAppender &appender) { appender.appendFolder(folder); });
}

DroppedPaths droppedPaths(const QList<QUrl> &urls)
{
    DroppedPaths dropped;
    for (const QUrl &url : urls) {
        const std::optional<QByteArray> raw = localPathBytes(url);
        if (!raw)
            continue;
        if (const std::optional<QString> path = rawnames::text(*raw))
            dropped.paths.append(*path);
        else
            dropped.unreadable.append(isFolder(*raw) && !raw->endsWith('/') ? *raw + '/' : *raw);
    }
    return dropped;
}

bool canAppendDrop(const QList<QUrl> &urls)
{
    // Asked while the user drags, so it stops at the first useful URL.
    for (const QUrl &url : urls) {
        const std::optional<QByteArray> raw = localPathBytes(url);
        if (!raw)
            continue;
        if (const std::optional<QString> path = rawnames::text(*raw)) {
            if (PathAppender::mayAdd(*path))
                return true;
        } else if (isFolder(*raw) || messagefiles::mayHoldMessages(*raw)) {
            return true;
        }
    }
    return false;
}

void addDroppedPaths(FileList &list, Dialogs &dialogs, ButtonControl &cmdProcess,
                     const DroppedPaths &dropped)
{
    appendUnderBusyPointer(list, dialogs, cmdProcess, WhenNoneAdded::KeepProcess,
                           [&dropped](PathAppender &appender) {
                               appender.setAsideUnreadable(dropped.unreadable);
                               appender.appendPaths(dropped.paths);
                           });
}

} // namespace sourcelist
