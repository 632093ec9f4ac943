// SPDX-License-Identifier: MIT
#include "manifestwriter.h"

#include "filedigest.h"
#include "manifestline.h"

#include <cerrno>
#include <fcntl.h>
#include <QFile>
#include <unistd.h>

Outcome<void> ManifestWriter::open(const QString &path, const QString &destination)
{
    m_path = path;
    // O_EXCL refuses every existing name, a dangling link included, so no file
    // of the user's is ever replaced or written through a link.
    m_fd = FileDescriptor(
        ::open(QFile::encodeName(path).constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666));
    if (!m_fd.isOpen()) {
        if (errno == EEXIST)
            return Outcome<void>::failure(
                QStringLiteral("the manifest %1 exists already; a manifest never replaces a file")
                    .arg(path));
        return Outcome<void>::failure(
            QStringLiteral("cannot create the manifest %1: %2").arg(path, systemReason(errno)));
    }
    ManifestLine run;
    run.kind = ManifestLine::Kind::Run;
    run.path = destination;
    return writeLine(run.toJson());
}

Outcome<void> ManifestWriter::recordFolders(const QStringList &folders)
{
    for (const QString &folder : folders) {
        ManifestLine line;
        line.kind = ManifestLine::Kind::Folder;
        line.path = folder;
        if (const Outcome<void> written = writeLine(line.toJson()); !written)
            return written;
    }
    return Outcome<void>::success();
}

Outcome<void> ManifestWriter::record(const MessageReport &report)
{
    if (const Outcome<void> written = recordFolders(report.madeFolders); !written)
        return written;
    ManifestLine line;
    line.source = report.source;
    line.message = report.message;
    line.path = report.target;
    line.status = conversion::statusName(report.status);
    line.reason = report.reason;
    if (report.status == MessageStatus::Copied || report.status == MessageStatus::Unchanged) {
        const Outcome<FileDigest> digest = filedigest::of(report.target);
        if (digest) {
            line.size = digest.value().size;
            line.sha256 = digest.value().sha256;
        } else {
            line.status = conversion::statusName(MessageStatus::Failed);
            line.reason = QStringLiteral("the copy cannot be read back: %1").arg(digest.reason());
        }
    }
    return writeLine(line.toJson());
}

Outcome<void> ManifestWriter::writeLine(const QByteArray &json)
{
    if (!m_failure.isEmpty())
        return Outcome<void>::failure(m_failure);
    const QByteArray line = json + '\n';
    const off_t start = ::lseek(m_fd.get(), 0, SEEK_CUR);
    qsizetype done = 0;
    while (done < line.size()) {
        const ssize_t written =
            ::write(m_fd.get(), line.constData() + done, size_t(line.size() - done));
        if (written < 0 && errno == EINTR)
            continue;
        if (written <= 0) {
            const int error = written < 0 ? errno : ENOSPC;
            // A line cut short would make the manifest unreadable to an undo.
            if (start >= 0)
                (void)::ftruncate(m_fd.get(), start);
            m_failure = QStringLiteral("cannot write the manifest %1: %2; what the run did from "
                                       "here on is not in it")
                            .arg(m_path, systemReason(error));
            return Outcome<void>::failure(m_failure);
        }
        done += written;
    }
    return Outcome<void>::success();
}
