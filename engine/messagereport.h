// SPDX-License-Identifier: MIT
#pragma once

#include <QString>

// What became of one message of a run.
enum class MessageStatus
{
    Copied,  // the copy was written
    Planned, // a dry run would write the copy
    Skipped, // deliberately left alone (the target is the source, or another listed message)
    Failed,  // the message could not be read, its folder created or its copy written
};

// One message of a run, as the host is told about it.
struct MessageReport
{
    int row = -1;   // the list row, or -1 for a source that never became a row
    QString source; // the path as listed (the row's text without surrounding spaces)
    QString target; // the full path of the copy, or the path it would have; "" when
                    // the run failed before a name was made
    MessageStatus status = MessageStatus::Failed;
    QString reason; // why the message was not converted; "" when copied or planned

    // True for Copied and Planned.
    [[nodiscard]] bool converted() const
    {
        return status == MessageStatus::Copied || status == MessageStatus::Planned;
    }
};

namespace conversion {

// The status in lower case, as the command line prints it: "copied", "planned",
// "skipped", "failed".
[[nodiscard]] QString statusName(MessageStatus status);

} // namespace conversion
