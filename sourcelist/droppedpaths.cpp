// SPDX-License-Identifier: MIT
#include "droppedpaths.h"

#include "messagefiles.h"
#include "pathappender.h"
#include "pathstatus.h"
#include "rawnames.h"

#include <optional>

namespace sourcelist {

namespace {

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

} // namespace

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
            dropped.unreadable.append(
                pathstatus::isFolderRaw(*raw) && !raw->endsWith('/') ? *raw + '/' : *raw);
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
        } else if (pathstatus::isFolderRaw(*raw) || messagefiles::mayHoldMessages(*raw)) {
            return true;
        }
    }
    return false;
}

void addDroppedPaths(FileList &list, Dialogs &dialogs, ButtonControl &cmdProcess,
                     const DroppedPaths &dropped)
{
    PathAppender::appendUnderBusyPointer(list, dialogs, cmdProcess,
                                         PathAppender::WhenNoneAdded::KeepProcess,
                                         [&dropped](PathAppender &appender) {
                                             appender.setAsideUnreadable(dropped.unreadable);
                                             appender.appendPaths(dropped.paths);
                                         });
}

} // namespace sourcelist
