// SPDX-License-Identifier: MIT
#pragma once

#include "filedescriptor.h"
#include "messagereport.h"
#include "outcome.h"

#include <QString>
#include <QStringList>

// Writes a run's manifest (see ManifestLine) as the run goes. Every line
// reaches the file with a write of its own before the call returns, so a run
// that is killed leaves a manifest that ends with a whole line and lists every
// copy completed before it.
class ManifestWriter
{
public:
    ManifestWriter() = default;
    ManifestWriter(const ManifestWriter &) = delete;
    ManifestWriter &operator=(const ManifestWriter &) = delete;

    // Creates the file at path and writes the run line naming destination. A
    // manifest never replaces anything: an existing file, folder or link at
    // path (a dangling one too) makes the call fail ("the manifest /m.json
    // exists already; a manifest never replaces a file"), as does a folder
    // that cannot be written (the system's reason).
    [[nodiscard]] Outcome<void> open(const QString &path, const QString &destination);

    // Writes a folder line for each of folders, in the order given.
    [[nodiscard]] Outcome<void> recordFolders(const QStringList &folders);

    // Writes the folder lines of the folders made for report's message, then
    // its message line. For a copied or unchanged message the target is read to
    // record the size and SHA-256 of the bytes it holds; a target that cannot
    // be read then is recorded with the status "failed" and the reason, so an
    // undo leaves it alone.
    [[nodiscard]] Outcome<void> record(const MessageReport &report);

    // Each call above fails, with a reason naming the manifest, when a write
    // fails (a full disk); from then on every call fails alike and writes
    // nothing, so the manifest holds whole lines only.

    // The manifest's path, as given to open().
    [[nodiscard]] const QString &path() const { return m_path; }

private:
    Outcome<void> writeLine(const QByteArray &json);

    QString m_path;
    FileDescriptor m_fd;
    QString m_failure;
};
