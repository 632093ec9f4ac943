// SPDX-License-Identifier: MIT
#pragma once

#include "conversionhost.h"
#include "filesystemcalls.h"
#include "mboxsplitter.h"
#include "messagebytes.h"
#include "outcome.h"
#include "runsummary.h"
#include "targetnames.h"

#include <optional>
#include <QString>

class PreparedRow;
class SourceFile;
struct MessageOrigin;
struct MessageBytes;

// The conversion run: asks the host for a destination, then copies the message of
// every listed row under its composed name into the source's folder path
// recreated below the destination.
//
// For each row, in this order: tell the host the row has started, yield, read the
// path, work out what the row is and its target folder, yield, load the message
// into a fresh reader, compose the raw name with the scheme (or name template)
// selected now, yield, clean it with the marker options as they stand now,
// create the target folder with the folders a template adds below it, copy,
// yield, release the reader, report the progress. A row that fails is reported
// and the run goes on; the closing summary says honestly how many messages were
// converted. The folder is made only once the name is known, so a message that
// cannot be read leaves no empty folder behind.
//
// What a row is, the run judges by itself from the path and the file:
//  - a file in the cur/ or new/ folder of a Maildir is one message, whatever
//    its first line; its copy goes where TargetFolders puts a Maildir's;
//  - a file whose name ends in ".eml" or ".emlx" (any case) is one message,
//    also when it begins with a "From " line;
//  - any other file that begins with "From " is a mailbox (mbox): every
//    message MboxSplitter finds in it is loaded, named and copied as above, in
//    file order, into a folder named after the mailbox. Each gets a report of
//    its own with its number in the mailbox, and a turn after it and after
//    every block read, while the progress moves through the row with the
//    bytes gone through. Each copy's modification time is its message's date
//    (the one its name gets: Date, else the newest Received, else the
//    separator line's), or the mailbox file's own where it has none;
//  - any other file is one message.
// A single message whose header block holds not one header field fails as
// "not a mail message" (.emlx files aside: their framing says what they hold).
//
// Where the copies go below the destination is RunOptions::layout, read once
// before the first row (TargetFolders). A copy keeps its source file's
// modification time, unless RunOptions::fileTime is FileTime::Message: then it
// gets its message's date (the one its name gets), where the message has one.
// The report of the message that first needs a folder lists the folders the
// run made for it (MessageReport::madeFolders), so a host can undo the run.
//
// What a copy holds is the message (messagecontent::of): a plain file's
// bytes, an .emlx file's counted bytes, a partial message with its
// attachments put back. Where attachments are missing, the row's report
// carries a note and the message still counts as converted.
//
// A dry run (Mode::Plan) goes through the very same steps with the writes
// (folder creation and copy) left out. It looks at the destination as the real
// run does, so what it reports, numbered names and messages already in the
// destination included, is exactly what a real run over the same list would
// do. (Two names that only a case-folding destination takes for one cannot be
// foreseen without writing.)
//
// A row's text is used exactly as it stands: Linux file names may begin and
// end with spaces. A row holding nothing but white space is an empty row.
//
// A copy never replaces a file; TargetNames says how its name is chosen. A
// message whose name holds exactly its bytes already is not written again and
// counts as converted (Unchanged, "already in the destination"), so running
// the same list twice writes nothing the second time.
//
// Where the destination lies inside the sources, the copies of an earlier run
// are listed again (Add folder on Mail with the destination Mail/renamed).
// Before the first row, the run works out every listed row's target folder; a
// row whose own folder is, by device and inode, the existing target folder of
// another row, or lies at most as many folders below one as the name template
// makes (climbed with "..", as the kernel resolves them), is such a copy and is
// skipped ("a copy from an earlier run"), without failing the run. A target
// folder that is its row's own folder (the destination "/" puts each copy
// beside its source) does not count. A mailbox's folder and a Maildir's count
// like any other target folder. This costs one stat per distinct folder and
// template level, however long the list, and a look at the first bytes of a
// row only where it may be a mailbox whose folder exists.
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

    // calls are the file-system calls the copies are made with.
    explicit ConversionRun(ConversionHost &host,
                           FileSystemCalls &calls = FileSystemCalls::system());
    ConversionRun(const ConversionRun &) = delete;
    ConversionRun &operator=(const ConversionRun &) = delete;

    // Runs once over the host's list. A call made while a run of this object is
    // yielding returns End::Busy at once, so pressing Process again never nests.
    End run(Mode mode = Mode::Copy);

    // True while run() is under way.
    [[nodiscard]] bool isRunning() const { return m_running; }

    // How many threads read and copy messages ahead of the run's own thread
    // (RowPipeline): 0, the default, for as many as the machine has cores (at
    // most 8); 1 for none. Whatever the number, the run's reports, names,
    // copies, yields and progress are the same; with more than one, the
    // message files of later rows are read, compared with what their names
    // hold and copied to unnamed files while earlier rows are placed (a
    // mailbox row is split on the run's thread). A run over one row, or given
    // its own file-system calls, uses none. Takes effect at the next run().
    void setWorkers(int workers) { m_workers = workers; }

private:
    struct RunState;

    // Everything the run does for one non-empty row, from the path checks to the
    // copies; reports what became of each of its messages.
    void convertRow(int row, const QString &source, RunState *state);
    // Splits a mailbox row and converts each of its messages into folder.
    void convertMailbox(const MessageReport &rowReport, const SourceFile &file,
                        const QString &folder, const MessageOrigin &origin, RunState *state);
    // Reads, names and copies one message into folder: the whole file of
    // prepared, or the message of a mailbox found at inMailbox (prepared is
    // then null); origin says where it is from for a name template. Returns
    // report filled in.
    MessageReport convertMessage(MessageReport report, const SourceFile &file,
                                 const QString &folder, const MessageOrigin &origin,
                                 const std::optional<MboxSplitter::Message> &inMailbox,
                                 PreparedRow *prepared, RunState *state);
    // Counts a report in the summary and tells the host.
    // The report lists the folders made since the last report.
    void deliver(MessageReport report, RunState *state);
    [[nodiscard]] static MessageReport failed(MessageReport report, const QString &reason);

    // Reads every row once and marks the folders of copies from earlier runs.
    void findEarlierCopies(int rows, RunState *state) const;
    // Hands the pipeline, if any, the next rows as they stood at the start.
    void feedPipeline(RunState *state) const;
    // Stages the message's bytes (or takes those prepared staged ahead) and
    // publishes them under the chosen name, or the next free one; fills in
    // the report's target, status and reason.
    void place(const QString &folder, const QString &baseName, const TargetNames::Source &source,
               const MessageBytes &bytes, PreparedRow *prepared, RunState *state,
               MessageReport *report);

    // Rows prepared ahead for each worker: enough that a worker rarely waits
    // for the run's thread, few enough that little is thrown away when the
    // list changes.
    static constexpr int kRowsAheadPerWorker = 4;

    ConversionHost &m_host;
    FileSystemCalls &m_calls;
    bool m_running = false;
    int m_workers = 0;
};

namespace conversion {

// The prompt of the destination question.
inline constexpr char16_t kDestinationPrompt[] = u"Choose Folder to Save...";

// The folder a source's copy goes to: the destination (ending in "/", as
// registry::withTrailingSlash gives it) followed by the
// source's folder (which ends in "/") without its leading "/". The source folder
// "/home/ann/Mail/Inbox/" below "/srv/out/" gives "/srv/out/home/ann/Mail/Inbox/";
// a source in "/" goes into the destination itself. A folder holding "." or
// ".." steps stands for the folder the kernel finds there, through links: its
// real path is used instead ("/home/ann/lnk/../m/" with lnk a link to
// /srv/x/y gives "/srv/out/srv/x/m/"), so no step can lead out of the
// destination. A folder without such steps keeps its spelling and costs no
// system call. sourceFolder must be absolute. Fails, with a reason naming the
// folder, when the real path cannot be had (a missing folder, a loop) or is not
// UTF-8.
[[nodiscard]] Outcome<QString> targetFolder(const QString &settledDestination,
                                            const QString &sourceFolder);

// The folder a source's copy goes to under Layout::Relative: the destination
// (ending in "/") followed by the part of sourceFolder below root (both ending
// in "/"); the destination itself where sourceFolder is root, lies above it
// or elsewhere, or root is "". Fails, with a reason naming the folder, where
// that part holds a "." or ".." step, which could lead out of the destination.
[[nodiscard]] Outcome<QString> relativeFolder(const QString &settledDestination,
                                              const QString &sourceFolder, const QString &root);

// The share of the run done after `done` of `rows` rows: done / rows, at most 1;
// 1 when rows is 0 (rows removed while the run yielded can make done exceed rows).
// done may hold a fraction of a row: a mailbox row is done as far as it has
// been split.
[[nodiscard]] double progressFraction(double done, int rows);

// A progress fraction as a bar's percentage: fraction * 100 computed in double
// precision and stored as float (1/3 gives 33.33333), within 0..100.
[[nodiscard]] float progressPercent(double fraction);

// The progress line: "Message 3 (of 12)".
[[nodiscard]] QString progressText(int number, int rows);

} // namespace conversion
