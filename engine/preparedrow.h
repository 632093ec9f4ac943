// SPDX-License-Identifier: MIT
#pragma once

#include "mailmessage.h"
#include "messagecontent.h"
#include "messageorigin.h"
#include "outcome.h"
#include "runoptions.h"
#include "sourcefile.h"
#include "stagedcopy.h"
#include "targetnames.h"

#include <memory>
#include <optional>
#include <QList>
#include <QString>
#include <sys/stat.h>

// What a conversion run learns about one listed message file before it names
// and places the copy: the file's status, the file opened, its header block
// read, the bytes its copy holds. Each step is taken once,
// when first asked for, so the run asks for them in its own order and stops
// where a step fails, exactly as if it took the steps itself.
//
// prepare() takes them all ahead of time, on another thread, while the run is
// busy with earlier rows (RowPipeline). It also looks at the first few names
// the copy may get, comparing the files there with the message, and, when none
// of them holds the message, writes the copy's bytes into an unnamed file. It
// creates nothing under any name: what it did is thrown away without a trace
// when the run does not come to the row, and a row it did not finish is done
// by the run as before.
//
// An object is used by one thread at a time; handing it over (RowPipeline)
// orders the two threads' use of it.
class PreparedRow
{
public:
    // What a row is prepared with, as the run's thread saw things when it
    // asked for the row.
    struct Plan
    {
        // The folder the copy goes to (ending in "/"), or "" when it has none.
        QString targetFolder;
        // The destination (ending in "/"): where the bytes wait when the
        // target folder does not exist yet.
        QString destination;
        // Whether the copy's bytes are written (not in a dry run).
        bool copies = false;
        // What the name is composed from, besides the message.
        RunOptions options;
        MessageOrigin origin;
    };

    // source is the row's text, used as a path as it stands.
    explicit PreparedRow(QString source);
    PreparedRow(const PreparedRow &) = delete;
    PreparedRow &operator=(const PreparedRow &) = delete;

    [[nodiscard]] const QString &source() const { return m_source; }

    // The status of the source path, links followed (pathstatus::of): fails
    // with its reason.
    [[nodiscard]] const Outcome<struct stat> &status();
    // The source opened for reading (SourceFile; see its error()).
    [[nodiscard]] const SourceFile &file();
    // The header block of file() read into message(): fails with the reader's
    // reason (MailMessage::Load).
    [[nodiscard]] const Outcome<void> &loaded();
    // The reader loaded(), fresh for this row.
    [[nodiscard]] const MailMessage &message();
    // What the copy holds (messagecontent::of of file()).
    [[nodiscard]] const Outcome<MessageContent> &content();

    // The comparisons prepare() made, for TargetNames::know(); empty when it
    // made none.
    [[nodiscard]] const QList<TargetNames::Comparison> &comparisons() const
    {
        return m_comparisons;
    }
    // The copy's bytes prepare() wrote, when they wait in an unnamed file on
    // the file system of device, where the copy goes; else nullopt (the
    // bytes, if any, are dropped). Given once.
    [[nodiscard]] std::unique_ptr<StagedCopy> takeStaged(dev_t device);
    // Whether prepare() wrote the copy's bytes and they were not taken yet.
    [[nodiscard]] bool hasStaged() const { return m_staged != nullptr; }

    // Takes every step above, as far as the row gets without a failure, then
    // composes the copy's name as plan says (the run composes it again, with
    // the options of its turn) for the comparisons and the copy's bytes, as
    // the class comment says. A row that is not a single message file, and
    // the content of a partial message (restored in memory), are left to the
    // run. Never fails: a failure is what the step that failed answers
    // later.
    void prepare(const Plan &plan);

    // Whether what prepare() found still holds: the source path shows the very
    // file it opened, unchanged since (FileIdentity::unchanged). Looks at the
    // path afresh, and status() answers that look from now on. False for a row
    // whose status could not be had before: such a row is best taken afresh.
    [[nodiscard]] bool stillHolds();

    // Lets go of the reader: its memory is not kept for the rest of the run.
    void releaseMessage() { m_message.reset(); }

private:
    // Looks at the first names the copy may get; true when one holds the
    // message's bytes already, so no copy needs writing.
    bool compareCandidates(const QString &folder, const QString &baseName,
                           const MessageBytes &bytes);
    void stage(const QString &folder, const QString &destination, const MessageBytes &bytes);

    QString m_source;
    std::optional<Outcome<struct stat>> m_status;
    std::optional<SourceFile> m_file;
    std::unique_ptr<MailMessage> m_message;
    std::optional<Outcome<void>> m_loaded;
    std::optional<Outcome<MessageContent>> m_content;
    QList<TargetNames::Comparison> m_comparisons;
    std::unique_ptr<StagedCopy> m_staged;
};
