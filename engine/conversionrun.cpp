// SPDX-License-Identifier: MIT
#include "conversionrun.h"

#include "fileidentity.h"
#include "headerblock.h"
#include "mailmessage.h"
#include "messagebytes.h"
#include "messagecontent.h"
#include "messagefiles.h"
#include "messageorigin.h"
#include "naming.h"
#include "pathstatus.h"
#include "preparedrow.h"
#include "registry.h"
#include "rowpipeline.h"
#include "sourcefile.h"
#include "stagedcopy.h"
#include "targetfolders.h"
#include "targetnames.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <optional>
#include <QFile>
#include <QScopeGuard>
#include <QSet>
#include <sys/stat.h>
#include <utility>

namespace {

// A message's date as a file's modification time.
timespec timeOf(const QDateTime &moment)
{
    return {static_cast<time_t>(moment.toSecsSinceEpoch()), 0};
}

// The copy of a message of a mailbox: its range of the file. All of a
// mailbox's messages share its file's time; each copy gets its own message's
// date instead, the same date its name is given.
MessageBytes mailboxMessageBytes(const SourceFile &file, const MboxSplitter::Message &message,
                                 const std::optional<QDateTime> &moment)
{
    MessageBytes bytes = MessageBytes::wholeFile(file);
    bytes.offset = message.offset;
    bytes.length = message.length;
    bytes.untilEnd = false;
    if (moment)
        bytes.modified = timeOf(*moment);
    return bytes;
}

} // namespace

namespace conversion {

double progressFraction(double done, int rows)
{
    if (rows <= 0)
        return 1.0;
    return qMin(done / static_cast<double>(rows), 1.0);
}

float progressPercent(double fraction)
{
    return static_cast<float>(qBound(0.0, fraction, 1.0) * 100.0);
}

QString progressText(int number, int rows)
{
    return QStringLiteral("Message %1 (of %2)").arg(number).arg(rows);
}

} // namespace conversion

namespace {

// Where the message of a file of its own comes from, for a name template: the
// file, and the Maildir it is in, if any ("" when none).
MessageOrigin originOf(const QString &source, const QString &maildir)
{
    MessageOrigin origin;
    origin.sourcePath = source;
    if (!maildir.isEmpty()) {
        origin.mailboxPath = maildir;
        const QString name = registry::FileNameOf(source);
        origin.maildirUniqueName = name.left(name.indexOf(QLatin1String(":2,")));
    }
    return origin;
}

} // namespace

// Everything one run remembers from row to row. Each member grows by at most one
// entry per row or message and is looked up by hash, so a run over 100,000 rows
// stays linear.
struct ConversionRun::RunState
{
    RunState(FileSystemCalls &calls, const QString &settledDestination, Layout layout)
        : destination(settledDestination), targets(calls), folders(settledDestination, layout)
    {}

    ConversionRun::Mode mode = ConversionRun::Mode::Copy;
    QString destination;
    bool destinationIsAbsolute = false;
    TargetNames targets;
    TargetFolders folders;
    QSet<QByteArray> sweptFolders;
    RunSummary summary;
    // The rows as they stood when the run started, and the next of them to
    // hand to the pipeline, which is there when rows are prepared ahead.
    QStringList listed;
    int nextListed = 0;
    std::unique_ptr<RowPipeline> pipeline;
    QHash<QString, dev_t> folderDevices; // target folder -> its file system, once made

    dev_t deviceOf(const QString &folder)
    {
        auto device = folderDevices.constFind(folder);
        if (device == folderDevices.cend()) {
            const Outcome<struct stat> status = pathstatus::of(folder);
            device = folderDevices.insert(folder, status ? status.value().st_dev : dev_t(0));
        }
        return *device;
    }
    // Folders made and not yet told in a report: the next report lists them.
    QStringList madeFolders;
};

ConversionRun::ConversionRun(ConversionHost &host, FileSystemCalls &calls)
    : m_host(host), m_calls(calls)
{}

ConversionRun::End ConversionRun::run(Mode mode)
{
    if (m_running)
        return End::Busy;
    m_running = true;
    const auto clearRunning = qScopeGuard([this] { m_running = false; });

    const QString answer = m_host.askDestination();
    if (answer.isEmpty())
        return End::Cancelled;

    RunState state(m_calls, registry::withTrailingSlash(answer), m_host.options().layout);
    state.mode = mode;
    state.destinationIsAbsolute = state.destination.startsWith(QLatin1Char('/'));
    state.summary.dryRun = mode == Mode::Plan;
    m_host.yield();

    // The upper bound is fixed now; rows added while the run yields wait for the next run.
    const int rows = m_host.rowCount();
    if (const RunOptions options = m_host.options(); options.format)
        state.folders.setCopyDepth(options.format->folderDepth());
    if (state.destinationIsAbsolute)
        findEarlierCopies(rows, &state);
    const int workers = m_workers > 0 ? m_workers : RowPipeline::workersForThisMachine();
    // The pipeline's workers make the calls of the running system; calls a
    // caller stands in with need not be safe on other threads.
    if (workers > 1 && rows > 1 && state.destinationIsAbsolute &&
        &m_calls == &FileSystemCalls::system())
        state.pipeline = std::make_unique<RowPipeline>(workers, workers * kRowsAheadPerWorker);
    for (int row = 0; row < rows; ++row) {
        feedPipeline(&state);
        // The list may have shrunk while the run yielded; a row that is gone is no
        // longer anyone's message.
        if (row >= m_host.rowCount())
            continue;
        m_host.rowStarted(row);
        m_host.yield();
        if (row >= m_host.rowCount())
            continue;
        const QString source = m_host.rowText(row);

        if (!source.trimmed().isEmpty())
            convertRow(row, source, &state);

        m_host.progress(conversion::progressFraction(row + 1, m_host.rowCount()));
    }

    m_host.showSummary(state.summary);
    return End::Finished;
}

void ConversionRun::findEarlierCopies(int rows, RunState *state) const
{
    // Only folders that exist now count: the folders this run creates hold
    // nothing that is listed.
    for (int row = 0; row < rows; ++row) {
        const QString listed = m_host.rowText(row);
        state->listed.append(listed);
        if (const std::optional<QString> target =
                state->folders.forListedRow(listed, m_host.rowRoot(row)))
            state->folders.noteTarget(registry::FolderOf(listed), *target);
    }
}

void ConversionRun::feedPipeline(RunState *state) const
{
    if (!state->pipeline)
        return;
    std::optional<RunOptions> options;
    while (state->pipeline->hasRoom() && state->nextListed < state->listed.size()) {
        const QString root = m_host.rowRoot(state->nextListed);
        const QString &source = state->listed[state->nextListed++];
        if (!source.startsWith(QLatin1Char('/')))
            continue;
        const QString sourceFolder = registry::FolderOf(source);
        if (state->folders.holdsEarlierCopies(sourceFolder))
            continue;
        // Only a row that is one message by its place or name: what any other
        // file is shows only once it is read, on the run's thread.
        const QString maildir = state->folders.maildirOf(sourceFolder);
        if (maildir.isEmpty() && !messagefiles::isMessageFileName(source))
            continue;
        if (!options)
            options = m_host.options();
        PreparedRow::Plan plan;
        const Outcome<QString> folder = state->folders.forMessageFile(sourceFolder, maildir, root);
        if (folder)
            plan.targetFolder = folder.value();
        plan.destination = state->destination;
        plan.copies = state->mode == Mode::Copy;
        plan.options = *options;
        plan.origin = originOf(source, maildir);
        state->pipeline->add(source, plan);
    }
}

void ConversionRun::deliver(MessageReport report, RunState *state)
{
    report.madeFolders = std::exchange(state->madeFolders, {});
    state->summary.add(report);
    m_host.reportMessage(report);
}

void ConversionRun::convertRow(int row, const QString &source, RunState *state)
{
    MessageReport report;
    report.row = row;
    report.source = source;
    const auto fail = [&](const QString &reason) { deliver(failed(report, reason), state); };

    if (!state->destinationIsAbsolute)
        return fail(
            QStringLiteral("the destination %1 is not an absolute path").arg(state->destination));
    // Joining a relative path below the destination would put the copy somewhere
    // that depends on the current folder; refuse it instead.
    if (!source.startsWith(QLatin1Char('/')))
        return fail(QStringLiteral("not an absolute path"));

    const QString sourceFolder = registry::FolderOf(source);
    if (state->folders.holdsEarlierCopies(sourceFolder)) {
        report.status = MessageStatus::Skipped;
        report.reason = QStringLiteral("a copy from an earlier run");
        return deliver(report, state);
    }

    // What the pipeline prepared for a row of this text, or the steps taken
    // here and now: the same steps, asked for in the same order.
    std::unique_ptr<PreparedRow> prepared =
        state->pipeline ? state->pipeline->take(source) : nullptr;
    // A file changed or replaced since it was read ahead is taken as it is now.
    if (prepared && !prepared->stillHolds())
        prepared.reset();
    if (!prepared)
        prepared = std::make_unique<PreparedRow>(source);

    // Looked at before it is opened: opening a fifo wakes its writer, and opening
    // some devices has effects of its own. Checked before any folder is made, so
    // a missing file leaves no empty folders behind.
    const Outcome<struct stat> &info = prepared->status();
    if (!info)
        return fail(info.reason());
    if (S_ISDIR(info.value().st_mode))
        return fail(QStringLiteral("is a folder, not a message file"));
    if (!S_ISREG(info.value().st_mode))
        return fail(QStringLiteral("not a regular file"));
    // One descriptor serves every further look at the file, its header and its
    // copy.
    const SourceFile &sourceFile = prepared->file();
    if (const int error = sourceFile.error()) {
        // A file that is there but cannot be opened says so.
        if (error == ENOENT || error == ENOTDIR || error == ELOOP || error == ENAMETOOLONG)
            return fail(systemReason(error));
        return fail(QStringLiteral("cannot open the file: %1").arg(systemReason(error)));
    }
    if (sourceFile.isFolder())
        return fail(QStringLiteral("is a folder, not a message file"));
    if (!sourceFile.isRegular())
        return fail(QStringLiteral("not a regular file"));

    // A file in a Maildir is one message whatever its first line, and so is a
    // file named as one; any other file that begins with "From " is a mailbox.
    const QString maildir = state->folders.maildirOf(sourceFolder);
    bool mailbox = false;
    if (maildir.isEmpty() && !messagefiles::isMessageFileName(source)) {
        const Outcome<bool> begins = MboxSplitter::isMailbox(sourceFile);
        if (!begins)
            return fail(begins.reason());
        mailbox = begins.value();
    }
    const QString root = m_host.rowRoot(row);
    const Outcome<QString> target =
        mailbox ? state->folders.forMailbox(source, root)
                : state->folders.forMessageFile(sourceFolder, maildir, root);
    if (!target)
        return fail(target.reason());
    m_host.yield();

    if (mailbox) {
        MessageOrigin origin;
        origin.sourcePath = source;
        origin.mailboxPath = source;
        return convertMailbox(report, sourceFile, target.value(), origin, state);
    }
    deliver(convertMessage(report, sourceFile, target.value(), originOf(source, maildir),
                           std::nullopt, prepared.get(), state),
            state);
}

void ConversionRun::convertMailbox(const MessageReport &rowReport, const SourceFile &file,
                                   const QString &folder, const MessageOrigin &origin,
                                   RunState *state)
{
    ++state->summary.mailboxes;
    const qint64 size = file.status().st_size;
    // The bar moves with the bytes gone through, within the mailbox's row.
    const auto showProgress = [&](qint64 position) {
        const double share = size > 0 ? double(position) / double(size) : 1.0;
        m_host.progress(conversion::progressFraction(rowReport.row + share, m_host.rowCount()));
    };
    // A turn after every block read keeps the window live through a long message.
    MboxSplitter splitter(file, [&] {
        showProgress(splitter.position());
        m_host.yield();
    });
    for (int number = 1;; ++number) {
        MessageReport report = rowReport;
        report.message = number;
        const Outcome<std::optional<MboxSplitter::Message>> found = splitter.next();
        if (!found) {
            return deliver(failed(report, QStringLiteral("cannot read the mailbox: %1; this "
                                                         "message and any after it were not "
                                                         "converted")
                                              .arg(found.reason())),
                           state);
        }
        if (!found.value())
            return;
        deliver(convertMessage(report, file, folder, origin, found.value(), nullptr, state), state);
        showProgress(splitter.position());
        m_host.yield();
    }
}

MessageReport ConversionRun::convertMessage(MessageReport report, const SourceFile &file,
                                            const QString &folder, const MessageOrigin &origin,
                                            const std::optional<MboxSplitter::Message> &inMailbox,
                                            PreparedRow *prepared, RunState *state)
{
    // A fresh reader for every message: nothing of the previous one can leak into this name.
    std::unique_ptr<MailMessage> mailboxMessage;
    std::optional<Outcome<void>> mailboxLoaded;
    if (inMailbox) {
        mailboxMessage = std::make_unique<MailMessage>();
        mailboxLoaded =
            mailboxMessage->LoadRange(file, inMailbox->offset, inMailbox->length,
                                      MboxSplitter::separatorDate(inMailbox->separator));
    }
    const MailMessage *message = inMailbox ? mailboxMessage.get() : &prepared->message();
    const Outcome<void> &loaded = inMailbox ? *mailboxLoaded : prepared->loaded();
    if (!loaded)
        return failed(report, loaded.reason());
    // A listed file without a single header field (an index, a picture) is no
    // message; an .emlx file's framing says what its message is.
    if (!inMailbox && !message->HoldsHeaderFields() &&
        !headerblock::isEmlx(headerblock::Framing::ByName, file.path()))
        return failed(report, QStringLiteral("not a mail message"));
    const Outcome<RawName> rawName = naming::ComposeRawName(*message, origin, m_host.options());
    if (!rawName)
        return failed(report, rawName.reason());
    m_host.yield();

    const RunOptions options = m_host.options();
    const naming::CleanedName name =
        naming::CleanRawName(rawName.value(), options.removeReply, options.removeForward);
    std::optional<Outcome<MessageContent>> mailboxContent;
    if (inMailbox)
        mailboxContent = Outcome<MessageContent>::success(
            MessageContent(mailboxMessageBytes(file, *inMailbox, message->Moment())));
    const Outcome<MessageContent> &content = inMailbox ? *mailboxContent : prepared->content();
    if (!content)
        return failed(report, content.reason());
    report.note = content.value().note();
    // Made once the name is known, since a template's folders are part of it.
    const QString nameFolder = folder + name.folders;
    if (state->mode == Mode::Copy) {
        // The reason names the folder already.
        const Outcome<QStringList> ensured = state->folders.ensure(nameFolder);
        if (!ensured)
            return failed(report, ensured.reason());
        state->madeFolders += ensured.value();
    }
    MessageBytes bytes = content.value().bytes();
    if (options.fileTime == FileTime::Message) {
        if (const std::optional<QDateTime> moment = message->Moment())
            bytes.modified = timeOf(*moment);
    }
    place(nameFolder, name.baseName, {FileIdentity::of(file.status()), bytes.offset}, bytes,
          prepared, state, &report);
    m_host.yield();
    if (prepared)
        prepared->releaseMessage();
    return report;
}

MessageReport ConversionRun::failed(MessageReport report, const QString &reason)
{
    report.status = MessageStatus::Failed;
    report.reason = reason;
    return report;
}

void ConversionRun::place(const QString &folder, const QString &baseName,
                          const TargetNames::Source &source, const MessageBytes &bytes,
                          PreparedRow *prepared, RunState *state, MessageReport *report)
{
    state->targets.know(prepared ? prepared->comparisons() : QList<TargetNames::Comparison>());
    TargetNames::Choice choice = state->targets.choose(folder, baseName, source, bytes);
    // Written once, when a name first looks free (or ahead, by the pipeline),
    // and offered to the names after it while the file system says each is
    // taken after all.
    std::unique_ptr<StagedCopy> staged;
    bool stagedAhead = false;
    for (;;) {
        report->target = choice.path;
        if (choice.verdict == TargetNames::Verdict::Failed) {
            report->status = MessageStatus::Failed;
            report->reason = choice.reason;
            return;
        }
        if (choice.verdict == TargetNames::Verdict::Same) {
            report->status = MessageStatus::Unchanged;
            report->reason = QStringLiteral("already in the destination");
            state->targets.settle(choice);
            return;
        }
        if (state->mode == Mode::Plan) {
            report->status = MessageStatus::Planned;
            state->targets.settle(choice);
            return;
        }
        const QByteArray target = QFile::encodeName(choice.path);
        if (!staged && prepared && prepared->hasStaged()) {
            staged = prepared->takeStaged(state->deviceOf(folder));
            stagedAhead = staged != nullptr;
        }
        if (!staged)
            staged = std::make_unique<StagedCopy>(
                m_calls, target, bytes, StagedCopy::Staging::Unnamed, &state->sweptFolders);
        const Outcome<StagedCopy::Publication> published = staged->publish(target);
        if (!published && std::exchange(stagedAhead, false)) {
            // The bytes staged ahead cannot get this name (a bind mount of the
            // same file system lies between: one device, yet no link across
            // it); the copy is staged here, as without them.
            staged.reset();
            continue;
        }
        if (!published) {
            report->status = MessageStatus::Failed;
            report->reason = published.reason();
            return;
        }
        if (published.value() == StagedCopy::Publication::Published) {
            report->status = MessageStatus::Copied;
            state->targets.settle(choice);
            return;
        }
        choice = state->targets.chooseAgain(choice, bytes);
    }
}
