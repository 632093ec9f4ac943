// SPDX-License-Identifier: MIT
#include "messagescan.h"

#include "messagefiles.h"
#include "pathstatus.h"
#include "rawnames.h"
#include "registry.h"

#include <QHash>
#include <QSet>
#include <sys/stat.h>

namespace messagescan {

namespace {

// The folders that make a Maildir, as bits of what a folder holds.
enum MaildirPart : unsigned
{
    kNotAPart = 0,
    kCur = 1,
    kNew = 2,
    kTmp = 4,
};

constexpr struct
{
    MaildirPart part;
    QLatin1String name;
} kMaildirParts[] = {
    {kCur, QLatin1String("cur")}, {kNew, QLatin1String("new")}, {kTmp, QLatin1String("tmp")}};

// What a folder's files are for the search.
enum class FolderRole
{
    Plain,
    MaildirMessages, // cur/ or new/ of a Maildir
    MaildirTmp,      // tmp/ of a Maildir: deliveries in progress, never read
};

MaildirPart partNamed(QStringView name)
{
    for (const auto &entry : kMaildirParts)
        if (name == entry.name)
            return entry.part;
    return kNotAPart;
}

bool isMaildir(unsigned parts)
{
    return (parts & kCur) != 0 && (parts & (kNew | kTmp)) != 0;
}

FolderRole roleOf(MaildirPart part)
{
    return part == kTmp ? FolderRole::MaildirTmp : FolderRole::MaildirMessages;
}

// The last name of a folder path as pathLogger records it ("a/b/cur/" gives
// "cur"; "/" gives "").
QStringView lastName(QStringView folder)
{
    if (folder.isEmpty())
        return {};
    folder.chop(1);
    return folder.mid(folder.lastIndexOf(u'/') + 1);
}

// The folder that holds a folder path, as text: "a/b/cur/" gives "a/b/", and
// "cur/" gives "", which the file system reads as the working folder.
QString parentOf(const QString &folder, QStringView name)
{
    return folder.left(folder.size() - name.size() - 1);
}

// The rules for one file, once its folder's role and its index are known.
Kind kindOf(const QString &path, FolderRole role, bool indexBeside)
{
    switch (role) {
    case FolderRole::MaildirMessages:
        // Dot-files are what NFS leaves of deleted files, or a tool's own notes.
        return QStringView(path).mid(path.lastIndexOf(u'/') + 1).startsWith(u'.')
                   ? Kind::Other
                   : Kind::MaildirMessage;
    case FolderRole::MaildirTmp:
        return Kind::Other;
    case FolderRole::Plain:
        break;
    }
    if (messagefiles::isMessageFileName(path))
        return Kind::Message;
    if (indexBeside || messagefiles::isMailboxFileName(path))
        return Kind::Mailbox;
    return Kind::Other;
}

// Which of cur/, new/ and tmp/ the file system has in folder (a path that is
// "" or ends in "/").
unsigned maildirPartsOnDisk(const QString &folder)
{
    unsigned parts = kNotAPart;
    for (const auto &entry : kMaildirParts)
        if (pathstatus::isFolder(folder + entry.name))
            parts |= entry.part;
    return parts;
}

// The role of folder (ending in "/") asked of the file system: only a folder
// named cur, new or tmp costs the looks beside it.
FolderRole roleOnDisk(const QString &folder)
{
    const QStringView name = lastName(folder);
    const MaildirPart part = partNamed(name);
    if (part == kNotAPart || !isMaildir(maildirPartsOnDisk(parentOf(folder, name))))
        return FolderRole::Plain;
    return roleOf(part);
}

// The Maildir folders among the folders of a scan, by their recorded paths. A
// Maildir below the root is known from the names the walk listed; the root
// itself, whose parent the walk never lists, is asked of the file system.
QHash<QString, FolderRole> maildirFolders(const TextList &folders)
{
    QHash<QString, unsigned> parts; // a folder's path -> the Maildir parts it holds
    for (const auto &entry : folders) {
        const QStringView name = lastName(entry.value);
        if (const MaildirPart part = partNamed(name))
            parts[parentOf(entry.value, name)] |= part;
    }
    QHash<QString, FolderRole> roles;
    for (auto it = parts.cbegin(); it != parts.cend(); ++it) {
        if (!isMaildir(it.value()))
            continue;
        for (const auto &entry : kMaildirParts)
            if ((it.value() & entry.part) != 0)
                roles.insert(it.key() + entry.name + u'/', roleOf(entry.part));
    }
    if (!folders.isEmpty()) {
        const QString &root = folders.at(1);
        if (const FolderRole role = roleOnDisk(root); role != FolderRole::Plain)
            roles.insert(root, role);
    }
    return roles;
}

// The role of the folder holding path, looked up among roles without copying
// the folder's part of the path: scans test every file of large trees.
FolderRole folderRoleOf(const QString &path, const QHash<QString, FolderRole> &roles)
{
    if (roles.isEmpty())
        return FolderRole::Plain;
    const QString folder = QString::fromRawData(path.constData(), path.lastIndexOf(u'/') + 1);
    return roles.value(folder, FolderRole::Plain);
}

// The files X that have an index X.msf beside them: Thunderbird keeps each of
// its mbox folders so, under any name ("Inbox", "Projects.2023").
QSet<QString> indexedFiles(const TextList &files)
{
    QSet<QString> indexed;
    for (const auto &entry : files)
        if (entry.value.endsWith(QLatin1String(".msf")))
            indexed.insert(entry.value.chopped(4));
    return indexed;
}

bool isRegularFile(const QString &path)
{
    const Outcome<struct stat> status = pathstatus::of(path);
    return status && S_ISREG(status.value().st_mode);
}

// Whether an unreadable raw path may have been a source worth telling: by its
// name, or as a file in a Maildir's cur/ or new/ folder.
bool mayHaveBeenListed(const QByteArray &raw, const QHash<QString, FolderRole> &roles)
{
    if (messagefiles::mayHoldMessages(raw))
        return true;
    const qsizetype slash = raw.lastIndexOf('/');
    if (raw.mid(slash + 1).startsWith('.'))
        return false;
    // The folder part was walked, so it reads as text.
    const std::optional<QString> folder = rawnames::text(raw.left(slash + 1));
    return folder && roles.value(*folder) == FolderRole::MaildirMessages;
}

} // namespace

QStringList FolderScan::rows() const
{
    QStringList paths;
    for (const File &file : files)
        if (file.listed())
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
    const QHash<QString, FolderRole> maildirs = maildirFolders(*scanner.pathNames());
    // Terminate forgets them.
    scan.skippedFolders = scanner.skippedFolders();
    for (const QByteArray &raw : scanner.unreadableNames())
        if (mayHaveBeenListed(raw, maildirs))
            scan.unreadableNames.append(raw);
    scanner.Terminate();
    turn();

    const QSet<QString> indexed = indexedFiles(*found);
    scan.files.reserve(found->count());
    for (const auto &entry : *found) {
        const QString &path = entry.value;
        scan.files.append({path, kindOf(path, folderRoleOf(path, maildirs),
                                        !indexed.isEmpty() && indexed.contains(path))});
    }
    return scan;
}

Kind kindOfFile(const QString &path)
{
    if (path.isEmpty())
        return Kind::Other;
    const FolderRole role = roleOnDisk(registry::FolderOf(path));
    const Kind byName = kindOf(path, role, false);
    if (byName != Kind::Other || role != FolderRole::Plain)
        return byName;
    return isRegularFile(path + QLatin1String(".msf")) ? Kind::Mailbox : Kind::Other;
}

} // namespace messagescan
