// SPDX-License-Identifier: MIT
#pragma once

#include "messagereport.h"
#include "runoptions.h"
#include "runsummary.h"

#include <QString>

// What a conversion run needs from whoever drives it: the window, the command
// line and the tests each implement it, and all of them drive the very same run.
// It holds only what the run asks or tells; whatever a host can work out from
// that (a bar's range, a progress line, the summary's text) it works out itself.
//
// The list is addressed by row (0 is the first message). Before the first row
// the run reads every row once with rowText(), to find the copies of an earlier
// run among them. Then, for each row, it says rowStarted(), yields, and reads the
// row's text afresh, so what it converts is the row as it stands after the
// yield, whatever the user clicked meanwhile. It reads options() afresh for
// every message (the scheme or template and the time zone when composing the
// name, the markers when cleaning it, the file time when copying), so a change
// made while the run yields applies to the messages not yet named; only what
// the search for earlier copies needs, a template's number of folders and the
// layout, is read once, before the first row.
//
// Progress is a fraction of the whole run, not a row count, so that it can move
// within a row that holds many messages. A host that shows a line such as
// "Message 3 (of 12)" derives it itself at each progress() call, and it counts
// rows: the number is the row last started plus one, the total is rowCount()
// then (conversion::progressText). A row that holds many messages keeps its
// line while its bar moves.
class ConversionHost
{
public:
    virtual ~ConversionHost() = default;

    // Rows in the list now. May change while the run yields.
    [[nodiscard]] virtual int rowCount() const = 0;
    // Text of cell (row, 0) as it stands; "" for a row that does not exist.
    // Called once for every row when a run starts, so it must be cheap.
    [[nodiscard]] virtual QString rowText(int row) const = 0;
    // The folder (ending in "/") that row's path is recreated below with
    // Layout::Relative: the SOURCE folder a folder search found the row in.
    // "" where the row's own folder is its root, so its copy goes straight
    // into the destination: a file named on its own, every row of the window.
    [[nodiscard]] virtual QString rowRoot(int row) const
    {
        (void)row;
        return {};
    }
    // The run has started on row, below rowCount(): the host makes it its
    // current row (the window's current cell, the row a progress line counts).
    virtual void rowStarted(int row) = 0;

    // The options as they stand now.
    [[nodiscard]] virtual RunOptions options() const = 0;

    // Asks for the destination folder (the window: "Choose Folder to Save...").
    // Returns its absolute path, or "" when the user cancelled.
    [[nodiscard]] virtual QString askDestination() = 0;

    // Gives the host a turn to repaint and take input. The host may change the
    // list and the options, and may call the run again (which then does nothing).
    virtual void yield() = 0;

    // How much of the run is done, from 0 to 1 (1/3 when one of three rows is
    // done), of the list as it stands: rows added or removed while the run
    // yields can move it back or forward. Never above 1.
    virtual void progress(double fraction) = 0;

    // One message has been dealt with (every non-empty row gets exactly one report).
    virtual void reportMessage(const MessageReport &report) = 0;

    // The run has finished; summary says how it went (the window shows it in a box
    // captioned RunSummary::kCaption). Not called when the destination question
    // was cancelled.
    virtual void showSummary(const RunSummary &summary) = 0;
};
