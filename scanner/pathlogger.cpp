// SPDX-License-Identifier: MIT
#include "pathlogger.h"

#include "pathstatus.h"
#include "rawnames.h"
#include "registry.h"

#include <algorithm>
#include <cerrno>
#include <dirent.h>
#include <fcntl.h>
#include <iterator>
#include <optional>
#include <QFile>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// The list, made empty first when the scanner holds none.
template <typename List> const std::shared_ptr<List> &held(std::shared_ptr<List> &list)
{
    if (!list)
        list = std::make_shared<List>();
    return list;
}

QString keyFor(qint32 number)
{
    // Built by hand: this runs once per file and folder, and the general
    // formatting routes cost an allocation more each.
    char16_t digits[12];
    char16_t *end = digits + std::size(digits);
    char16_t *first = end;
    quint32 rest = quint32(number);
    do {
        *--first = char16_t(u'0' + rest % 10);
        rest /= 10;
    } while (rest != 0);
    *--first = u'K';
    return QString(reinterpret_cast<const QChar *>(first), end - first);
}

// A folder's entries, or the errno that kept them from being listed.
struct FolderListing
{
    QByteArrayList folders;
    QByteArrayList files;
    int error = 0;
};

FolderListing unlisted(int error)
{
    FolderListing listing;
    listing.error = error;
    return listing;
}

enum class EntryKind
{
    Folder,
    File,
    Neither
};

// What a link leads to counts only when it is a regular file: links to folders
// are not descended into, so no walk can loop, and dangling links are no files.
EntryKind linkTargetKind(int folderFd, const char *name)
{
    struct stat info;
    if (::fstatat(folderFd, name, &info, 0) != 0)
        return EntryKind::Neither;
    return S_ISREG(info.st_mode) ? EntryKind::File : EntryKind::Neither;
}

EntryKind kindOf(int folderFd, const dirent &entry)
{
    switch (entry.d_type) {
    case DT_DIR:
        return EntryKind::Folder;
    case DT_REG:
        return EntryKind::File;
    case DT_LNK:
        return linkTargetKind(folderFd, entry.d_name);
    case DT_UNKNOWN: {
        // Some file systems do not fill d_type.
        struct stat info;
        if (::fstatat(folderFd, entry.d_name, &info, AT_SYMLINK_NOFOLLOW) != 0)
            return EntryKind::Neither; // gone since it was listed
        if (S_ISDIR(info.st_mode))
            return EntryKind::Folder;
        if (S_ISREG(info.st_mode))
            return EntryKind::File;
        if (S_ISLNK(info.st_mode))
            return linkTargetKind(folderFd, entry.d_name);
        return EntryKind::Neither;
    }
    default:
        return EntryKind::Neither; // fifos, sockets, devices
    }
}

// Lists a folder once, with its sub-folders and its files each in the byte
// order of their names. Below the root a folder is opened without following a
// link, so a folder swapped for a link after it was queued is not walked into.
// A folder that cannot be read in full gives no entries at all, only the error:
// half a listing would silently lose the other half.
FolderListing listFolder(const QByteArray &path, bool isRoot)
{
    int flags = O_RDONLY | O_DIRECTORY | O_CLOEXEC;
    if (!isRoot)
        flags |= O_NOFOLLOW;
    const int fd = ::open(path.constData(), flags);
    if (fd < 0)
        return unlisted(errno);
    DIR *dir = ::fdopendir(fd);
    if (!dir) {
        const int error = errno;
        ::close(fd);
        return unlisted(error);
    }
    const std::unique_ptr<DIR, int (*)(DIR *)> closer(dir, ::closedir);

    FolderListing listing;
    for (;;) {
        errno = 0;
        const dirent *entry = ::readdir(dir);
        if (!entry) {
            if (errno != 0)
                return unlisted(errno);
            break;
        }
        const char *name = entry->d_name;
        if (name[0] == '.' && (name[1] == '\0' || (name[1] == '.' && name[2] == '\0')))
            continue;
        switch (kindOf(fd, *entry)) {
        case EntryKind::Folder:
            listing.folders.append(QByteArray(name));
            break;
        case EntryKind::File:
            listing.files.append(QByteArray(name));
            break;
        case EntryKind::Neither:
            break;
        }
    }
    // QByteArray compares as unsigned bytes, so the order is the same in every locale.
    std::sort(listing.folders.begin(), listing.folders.end());
    std::sort(listing.files.begin(), listing.files.end());
    return listing;
}

} // namespace

pathLogger::pathLogger(YieldFunction yield) : m_yield(yield ? std::move(yield) : [] {}) {}

void pathLogger::PathLogInit()
{
    m_prepared = true;
    m_fullFileNamesOnly = true;
    forget();
}

void pathLogger::LogPath(const QString &strPARENT)
{
    if (!m_prepared) {
        throw ScanError(ScanError::Kind::NotPrepared,
                        QStringLiteral("The folder scanner was not prepared: PathLogInit must "
                                       "come before LogPath."),
                        strPARENT);
    }
    if (!pathstatus::isFolder(strPARENT))
        return;

    qint32 cursor = 1;
    qint32 total = 1;
    m_count = 1;
    m_yield();
    const QString root = registry::withTrailingSlash(strPARENT);
    held(m_pathNames)->add(QStringLiteral("K0"), root);

    // The raw bytes of every queued folder, beside its text in pathNames: a
    // folder is opened by the very bytes it was listed under.
    QByteArrayList folderBytes{QFile::encodeName(root)};

    do {
        const QString folder = held(m_pathNames)->at(cursor);
        const QByteArray path = folderBytes.at(cursor - 1);
        const FolderListing listing = listFolder(path, cursor == 1);
        if (listing.error != 0)
            m_skippedFolders.append({folder, listing.error});
        m_yield();

        for (const QByteArray &raw : listing.folders) {
            m_yield();
            const std::optional<QString> name = rawnames::text(raw);
            if (!name) {
                m_unreadableNames.append(path + raw + '/');
                continue;
            }
            total = counter::next(total, QStringLiteral("folder total"), folder);
            held(m_pathNames)->add(keyFor(total), folder + *name + QLatin1Char('/'));
            folderBytes.append(path + raw + '/');
        }

        m_yield();
        const bool fullOnly = m_fullFileNamesOnly;
        if (fullOnly)
            m_yield();
        for (const QByteArray &raw : listing.files) {
            const std::optional<QString> name = rawnames::text(raw);
            if (!name) {
                m_unreadableNames.append(path + raw);
                continue;
            }
            const QString key = keyFor(m_count);
            if (!fullOnly)
                held(m_fileNames)->add(key, *name);
            held(m_fullFileNames)->add(key, folder + *name);
            if (!fullOnly)
                held(m_pathPointers)->add(key, cursor);
            m_count = counter::next(m_count, QStringLiteral("file number"), folder);
            m_yield();
        }

        m_yield();
        cursor = counter::next(cursor, QStringLiteral("folder cursor"), folder);
    } while (cursor <= total);
}

void pathLogger::Terminate()
{
    m_yield();
    m_prepared = false;
    forget();
}

void pathLogger::forget()
{
    m_fileNames.reset();
    m_pathNames.reset();
    m_pathPointers.reset();
    m_fullFileNames.reset();
    m_unreadableNames.clear();
    m_skippedFolders.clear();
}

std::shared_ptr<const TextList> pathLogger::fileNames() const
{
    return held(m_fileNames);
}

std::shared_ptr<const TextList> pathLogger::pathNames() const
{
    return held(m_pathNames);
}

std::shared_ptr<const NumberList> pathLogger::pathPointers() const
{
    return held(m_pathPointers);
}

std::shared_ptr<const TextList> pathLogger::fullFileNames() const
{
    return held(m_fullFileNames);
}

QString pathLogger::SkippedFolder::reason() const
{
    return systemReason(error);
}
