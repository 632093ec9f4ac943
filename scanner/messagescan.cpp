// SPDX-License-Identifier: MIT
#include "messagescan.h"

#include "messagefiles.h"
#include "registry.h"

namespace messagescan {

QStringList FolderScan::messages() const
{
    QStringList paths;
    for (const File &file : files)
        if (file.message)
            paths.append(file.path);
    return paths;
}

FolderScan scanFolder(const QString &root, const YieldFunction &yield)
{
    const auto turn = [&yield] {
        if (yield)
            yield();
    };
    FolderScan scan;
    scan.root = registry::withTrailingSlash(root);
    pathLogger scanner(yield);
    turn();
    scanner.PathLogInit();
    scanner.setFullFileNamesOnly(true);
    try {
        scanner.LogPath(root);
    } catch (const ScanError &error) {
        scan.stopped = error;
    }
    const std::shared_ptr<const TextList> found = scanner.fullFileNames();
    // Terminate forgets them.
    scan.skippedFolders = scanner.skippedFolders();
    for (const QByteArray &raw : scanner.unreadableNames())
        if (messagefiles::mayHoldMessages(raw))
            scan.unreadableNames.append(raw);
    scanner.Terminate();
    turn();

    scan.files.reserve(found->count());
    for (const auto &entry : *found)
        scan.files.append({entry.value, messagefiles::isMessageFileName(entry.value)});
    return scan;
}

} // namespace messagescan
