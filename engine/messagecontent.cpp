// SPDX-License-Identifier: MIT
#include "messagecontent.h"

#include "headerblock.h"
#include "mailpartial.h"
#include "sourcefile.h"

#include <algorithm>
#include <cerrno>
#include <dirent.h>
#include <fcntl.h>
#include <memory>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

MessageContent::MessageContent(const MessageBytes &bytes, QString note)
    : m_bytes(bytes), m_note(std::move(note))
{}

MessageContent::MessageContent(FileDescriptor owned, const MessageBytes &bytes, QString note)
    : m_owned(std::move(owned)), m_bytes(bytes), m_note(std::move(note))
{}

namespace messagecontent {

namespace {

constexpr QLatin1StringView kPartialSuffix(".partial.emlx");
// Longer than any count line emlxFrame() accepts.
constexpr qsizetype kCountLineBytes = 32;

struct DirClose
{
    void operator()(DIR *folder) const { ::closedir(folder); }
};

// The counted bytes of an .emlx file, or the whole file when its first line is no count.
Outcome<MessageBytes> countedBytes(const SourceFile &file)
{
    MessageBytes bytes = MessageBytes::wholeFile(file);
    char head[kCountLineBytes];
    const qint64 got = file.readAt(head, sizeof head, 0);
    if (got < 0)
        return Outcome<MessageBytes>::failure(
            QStringLiteral("cannot read the file: %1").arg(systemReason(errno)));
    const headerblock::Frame frame = headerblock::emlxFrame(QByteArrayView(head, got));
    if (frame.length == headerblock::Frame::kUntilEnd)
        return Outcome<MessageBytes>::success(bytes);
    bytes.offset = frame.start;
    bytes.length = std::clamp<qint64>(bytes.length - frame.start, 0, frame.length);
    bytes.untilEnd = false;
    return Outcome<MessageBytes>::success(bytes);
}

// The folder that holds the attachment folders of a partial message, ending
// in "/", as the system is given it; "" when the file is not in a folder
// named Messages or its name before ".partial.emlx" is not a message number.
QByteArray attachmentsFolderOf(const SourceFile &file)
{
    const QByteArrayView path(file.encodedPath());
    const qsizetype slash = path.lastIndexOf('/');
    const QByteArrayView number = path.sliced(slash + 1).chopped(kPartialSuffix.size());
    if (number.isEmpty() ||
        !std::all_of(number.begin(), number.end(), [](char c) { return c >= '0' && c <= '9'; }))
        return {};
    const QByteArrayView folder = path.first(std::max<qsizetype>(slash, 0));
    constexpr QByteArrayView kMessages("/Messages");
    if (!folder.endsWith(kMessages))
        return {};
    return folder.chopped(kMessages.size() - 1).toByteArray() + "Attachments/" +
           number.toByteArray() + '/';
}

// The one file in folder, opened; nullopt when folder cannot be read, holds
// no file or more than one, or its one entry is not a regular file. Names
// starting with "." are not counted: copying a mailbox to some file systems
// adds a "._" file beside each file.
std::optional<mailpartial::AttachmentFile> theOneFileIn(const QByteArray &folder)
{
    const std::unique_ptr<DIR, DirClose> listing(::opendir(folder.constData()));
    if (!listing)
        return std::nullopt;
    QByteArray found;
    while (const dirent *entry = ::readdir(listing.get())) {
        if (entry->d_name[0] == '.')
            continue;
        if (!found.isEmpty())
            return std::nullopt;
        found = entry->d_name;
    }
    if (found.isEmpty())
        return std::nullopt;
    // Opened non-blocking, so that a fifo put there cannot hang the run.
    FileDescriptor opened(::openat(::dirfd(listing.get()), found.constData(),
                                   O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY));
    struct stat status = {};
    if (!opened.isOpen() || ::fstat(opened.get(), &status) != 0 || !S_ISREG(status.st_mode))
        return std::nullopt;
    return mailpartial::AttachmentFile{std::move(opened), status.st_size};
}

QString noteOn(const mailpartial::Restoration &restoration)
{
    if (restoration.missing.isEmpty())
        return {};
    const qsizetype all = restoration.restored + restoration.missing.size();
    return QStringLiteral("%1 of %2 %3 restored; missing: %4")
        .arg(restoration.restored)
        .arg(all)
        .arg(all == 1 ? QStringLiteral("attachment") : QStringLiteral("attachments"),
             restoration.missing.join(QStringLiteral(", ")));
}

// The partial message in stored, with what can be found of its attachments
// in attachments ("": none can) put back.
Outcome<MessageContent> restored(const MessageBytes &stored, const QByteArray &attachments)
{
    FileDescriptor memory(::memfd_create("letterfold-restored", MFD_CLOEXEC));
    if (!memory.isOpen())
        return Outcome<MessageContent>::failure(
            QStringLiteral("cannot make room for the restored message: %1")
                .arg(systemReason(errno)));
    const Outcome<mailpartial::Restoration> restoration = mailpartial::restore(
        stored,
        [&attachments](const QByteArray &part) -> std::optional<mailpartial::AttachmentFile> {
            if (attachments.isEmpty())
                return std::nullopt;
            return theOneFileIn(attachments + part);
        },
        memory.get());
    if (!restoration)
        return Outcome<MessageContent>::failure(restoration.reason());
    const QString note = noteOn(restoration.value());
    if (restoration.value().restored == 0)
        return Outcome<MessageContent>::success(MessageContent(stored, note));
    struct stat status = {};
    if (::fstat(memory.get(), &status) != 0)
        return Outcome<MessageContent>::failure(
            QStringLiteral("cannot restore the attachments: %1").arg(systemReason(errno)));
    MessageBytes bytes = stored;
    bytes.descriptor = memory.get();
    bytes.offset = 0;
    bytes.length = status.st_size;
    // No file is these bytes: a copy is never taken for its own source.
    bytes.device = 0;
    bytes.inode = 0;
    return Outcome<MessageContent>::success(MessageContent(std::move(memory), bytes, note));
}

} // namespace

bool isPartial(const QString &path)
{
    return path.endsWith(kPartialSuffix, Qt::CaseInsensitive);
}

Outcome<MessageContent> of(const SourceFile &file)
{
    if (!headerblock::isEmlx(headerblock::Framing::ByName, file.path()))
        return Outcome<MessageContent>::success(MessageContent(MessageBytes::wholeFile(file)));
    const Outcome<MessageBytes> counted = countedBytes(file);
    if (!counted)
        return Outcome<MessageContent>::failure(counted.reason());
    if (!isPartial(file.path()))
        return Outcome<MessageContent>::success(MessageContent(counted.value()));
    return restored(counted.value(), attachmentsFolderOf(file));
}

} // namespace messagecontent
