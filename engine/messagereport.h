// SPDX-License-Identifier: MIT
#pragma once

#include <QString>
#include <QStringList>

// What became of one message of a run.
enum class MessageStatus
{
    Copied,    // the copy was written
    Planned,   // a dry run would write the copy
    Unchanged, // a file with exactly the message's bytes has its name already: nothing written
    Skipped,   // a copy from an earlier run, listed among the sources: left alone
    Failed,    // the message could not be read, its folder created or its copy written
};

// One message of a run, as the host is told about it.
struct MessageReport
{
    int row = -1;   // the list row, or -1 for a source that never became a row
    QString source; // the path as listed: the row's text as it stands
    QString target; // the full path of the copy, or the path it would have; "" when
                    // the run failed before a name was made
    MessageStatus status = MessageStatus::Failed;
    // Why the message was not converted; "already in the destination" when
    // Unchanged; "" when copied or planned.
    QString reason;
    // What the user should know about a converted message's copy, or "": a
    // partial message whose attachments were not all found ("2 of 3
    // attachments restored; missing: 2.6 image001.png").
    QString note;
    // The message's number within its mailbox, from 1, when the row is a
    // mailbox; 0 when the row is one message.
    int message = 0;
    // The folders the run made for this message, outermost first, each named
    // as it was made (without a trailing "/"); only the message that first
    // needed a folder lists it.
    QStringList madeFolders = {};

    // Which message this is, as a person reads it: the source, followed by
    // ", message 12" for a message of a mailbox. The number is never glued
    // onto the path: file names may hold any character.
    [[nodiscard]] QString label() const
    {
        return message > 0 ? source + QStringLiteral(", message ") + QString::number(message)
                           : source;
    }

    // True for Copied, Planned and Unchanged.
    [[nodiscard]] bool converted() const
    {
        return status == MessageStatus::Copied || status == MessageStatus::Planned ||
               status == MessageStatus::Unchanged;
    }
};

namespace conversion {

// The status in lower case, as the command line prints it: "copied", "planned",
// "unchanged", "skipped", "failed".
[[nodiscard]] QString statusName(MessageStatus status);

} // namespace conversion
