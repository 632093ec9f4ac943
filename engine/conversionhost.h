// SPDX-License-Identifier: MIT
#pragma once

#include "messagereport.h"
#include "namingscheme.h"
#include "runsummary.h"

#include <QString>

// What a conversion run needs from whoever drives it: the window, the command
// line and the tests each implement it, and all of them drive the very same run.
//
// The list is addressed by row (0 is the first message). The run reads the row
// count, moves the current cell and reads its text; it reads the scheme and the
// two marker options afresh for every message, so a change made while the run
// yields applies to the messages not yet named. Before the first row it reads
// every row once with rowText(), to find the copies of an earlier run among them.
class ConversionHost
{
public:
    virtual ~ConversionHost() = default;

    // Rows in the list now. May change while the run yields.
    [[nodiscard]] virtual int rowCount() const = 0;
    // Makes cell (row, 0) the current cell. The run only passes rows below rowCount().
    virtual void setCurrentCell(int row) = 0;
    // Text of the current cell, as it stands.
    [[nodiscard]] virtual QString currentCellText() const = 0;
    // Text of cell (row, 0) without moving the current cell; "" for a row that
    // does not exist. Called once for every row when a run starts, so it must be cheap.
    [[nodiscard]] virtual QString rowText(int row) const = 0;

    // The naming scheme selected now.
    [[nodiscard]] virtual NamingScheme selectedScheme() const = 0;
    // Whether reply markers ("RE ", "Re ", "re ") are to be removed, as it stands now.
    [[nodiscard]] virtual bool removeReply() const = 0;
    // Whether forward markers ("FW ", "Fwd " ...) are to be removed, as it stands now.
    [[nodiscard]] virtual bool removeForward() const = 0;

    // Asks for the destination folder (the window: "Choose Folder to Save...").
    // Returns its absolute path, or "" when the user cancelled.
    [[nodiscard]] virtual QString askDestination() = 0;

    // Gives the host a turn to repaint and take input. The host may change the
    // list and the options, and may call the run again (which then does nothing).
    virtual void yield() = 0;

    // The progress bar's range; the run sets 0..100.
    virtual void setProgressRange(int minimum, int maximum) = 0;
    // The progress bar's value: a percentage such as 33.33333.
    virtual void setProgressValue(float value) = 0;
    // The progress line, such as "Message 3 (of 12)".
    virtual void setProgressText(const QString &text) = 0;

    // One message has been dealt with (every non-empty row gets exactly one report).
    virtual void reportMessage(const MessageReport &report) = 0;

    // The run has finished: show text in a box captioned RunSummary::kCaption,
    // with the information icon when summary.allConverted(), else the warning icon.
    // Not called when the destination question was cancelled.
    virtual void showSummary(const RunSummary &summary, const QString &text) = 0;
};
