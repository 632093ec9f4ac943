// SPDX-License-Identifier: MIT
#pragma once

#include "conversionhost.h"
#include "runsummary.h"

#include <QString>

// The conversion run: asks the host for a destination, then copies the message of
// every listed row under its composed name into the source's folder path
// recreated below the destination.
//
// For each row, in this order: make the row's cell current, yield, read the path,
// work out the target folder, create it, yield, load the message into a fresh
// reader, compose the raw name with the scheme selected now, yield, clean it with
// the marker options as they stand now, copy, yield, release the reader, update
// the progress bar and line. A row that fails is reported and the run goes on;
// the closing summary says honestly how many messages were converted.
//
// A dry run (Mode::Plan) goes through the very same steps with the two writes
// (folder creation and copy) left out, so what it reports, names with collision
// suffixes included, is exactly what a real run over the same list would write.
//
// Names within one run: two different source files that would get the same target
// path do not overwrite each other; the later one gets " (2)", " (3)", ... before
// ".eml". A file listed twice (same path, or the same file by device and inode)
// gets the same name each time. Files that were in the destination before the run
// are replaced, so running the same list twice gives the same files. A target that
// is the source itself, or another message listed in this run (earlier or later in
// the list), is never written: that row is skipped and reported.
class ConversionRun
{
public:
    enum class Mode
    {
        Copy, // create folders and write copies
        Plan, // write nothing; report what Copy would write, with status Planned
    };

    enum class End
    {
        Busy,      // a run of this object was already under way; nothing was done
        Cancelled, // the destination question was cancelled; nothing was done
        Finished,  // every row was gone through and the summary shown
    };

    explicit ConversionRun(ConversionHost &host);
    ConversionRun(const ConversionRun &) = delete;
    ConversionRun &operator=(const ConversionRun &) = delete;

    // Runs once over the host's list. A call made while a run of this object is
    // yielding returns End::Busy at once, so pressing Process again never nests.
    End run(Mode mode = Mode::Copy);

    // True while run() is under way.
    [[nodiscard]] bool isRunning() const { return m_running; }

    // The summary of the last finished run (empty before the first).
    [[nodiscard]] const RunSummary &lastSummary() const { return m_lastSummary; }

private:
    struct RunState;

    // Everything the run does for one non-empty row, from the path checks to the
    // copy; returns what became of the row's message.
    MessageReport convertRow(int row, const QString &source, RunState *state);

    ConversionHost &m_host;
    bool m_running = false;
    RunSummary m_lastSummary;
};

namespace conversion {

// The prompt of the destination question.
inline constexpr char16_t kDestinationPrompt[] = u"Choose Folder to Save...";

// The destination with a trailing "/" ("/srv/out" gives "/srv/out/", "/" stays "/").
[[nodiscard]] QString settleDestination(const QString &destination);

// The folder a source's copy goes to: the settled destination followed by the
// source's folder (which ends in "/") without its leading "/". The source folder
// "/home/ann/Mail/Inbox/" below "/srv/out/" gives "/srv/out/home/ann/Mail/Inbox/";
// a source in "/" goes into the destination itself. sourceFolder must be absolute.
[[nodiscard]] QString targetFolder(const QString &settledDestination, const QString &sourceFolder);

// The progress value after `done` of `rows` rows: done / rows * 100 computed in
// double precision and stored as float (1 of 3 gives 33.33333), at most 100;
// 100 when rows is 0.
[[nodiscard]] float progressValue(int done, int rows);

// The progress line: "Message 3 (of 12)".
[[nodiscard]] QString progressText(int number, int rows);

} // namespace conversion
