// SPDX-License-Identifier: MIT
#include "conversionrun.h"

#include "fileidentity.h"
#include "mailmessage.h"
#include "messagebytes.h"
#include "messagecontent.h"
#include "modmain.h"
#include "naming.h"
#include "pathstatus.h"
#include "registry.h"
#include "sourcefile.h"
#include "stagedcopy.h"
#include "targetnames.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <optional>
#include <QFile>
#include <QHash>
#include <QScopeGuard>
#include <QSet>
#include <sys/stat.h>

namespace conversion {

namespace {

// Whether a folder path holds a "." or ".." step. Only a step that starts with
// "." can be one, and most paths hold none.
bool holdsDotSteps(const QString &folder)
{
    if (!folder.startsWith(QLatin1Char('.')) && !folder.contains(QLatin1String("/.")))
        return false;
    for (const QStringView step : QStringView(folder).split(u'/')) {
        if (step == u"." || step == u"..")
            return true;
    }
    return false;
}

} // namespace

Outcome<QString> targetFolder(const QString &settledDestination, const QString &sourceFolder)
{
    QString folder = sourceFolder;
    if (holdsDotSteps(sourceFolder)) {
        // Joined as they are, ".." steps would climb out of the destination;
        // resolved as text, they would name another folder than the kernel
        // does where a step before them is a link. The real path has neither.
        const QByteArray encoded = QFile::encodeName(sourceFolder);
        const std::unique_ptr<char, decltype(&std::free)> real(
            ::realpath(encoded.constData(), nullptr), &std::free);
        if (!real)
            return Outcome<QString>::failure(QStringLiteral("cannot find the folder %1: %2")
                                                 .arg(sourceFolder, systemReason(errno)));
        folder = QFile::decodeName(real.get());
        if (QFile::encodeName(folder) != QByteArrayView(real.get()))
            return Outcome<QString>::failure(
                QStringLiteral("the real path of the folder %1 is not valid UTF-8")
                    .arg(sourceFolder));
        folder = registry::withTrailingSlash(folder);
    }
    // The root "/" plays the part of a drive prefix: drop it, keep the rest.
    return Outcome<QString>::success(
        settledDestination + (folder.startsWith(QLatin1Char('/')) ? folder.mid(1) : folder));
}

double progressFraction(int done, int rows)
{
    if (rows <= 0)
        return 1.0;
    return qMin(static_cast<double>(done) / static_cast<double>(rows), 1.0);
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

// Everything one run remembers from row to row. Each member grows by at most one
// entry per row and is looked up by hash, so a run over 100,000 rows stays linear.
struct ConversionRun::RunState
{
    explicit RunState(FileSystemCalls &calls) : targets(calls) {}

    ConversionRun::Mode mode = ConversionRun::Mode::Copy;
    QString destination;
    bool destinationIsAbsolute = false;
    TargetNames targets;
    QSet<QByteArray> sweptFolders;
    QHash<QString, Outcome<void>> ensuredFolders; // folder -> whether it exists, or why not
    // source folder -> where its copies go, or why they cannot go anywhere
    QHash<QString, Outcome<QString>> plans;
    QHash<QString, std::optional<FileIdentity>> identities; // folder -> identity, if it exists
    // The existing target folders of the listed rows: a row in one of them,
    // or up to copyDepth folders below one, is a copy from an earlier run.
    QSet<FileIdentity> earlierCopyFolders;
    // How many folders a name template makes below the target folder.
    int copyDepth = 0;

    Outcome<QString> planFor(const QString &sourceFolder)
    {
        auto plan = plans.constFind(sourceFolder);
        if (plan == plans.cend())
            plan = plans.insert(sourceFolder, conversion::targetFolder(destination, sourceFolder));
        return *plan;
    }

    std::optional<FileIdentity> identityOf(const QString &folder)
    {
        auto identity = identities.constFind(folder);
        if (identity == identities.cend()) {
            const Outcome<struct stat> status = pathstatus::of(folder);
            identity =
                identities.insert(folder, status && S_ISDIR(status.value().st_mode)
                                              ? std::optional(FileIdentity::of(status.value()))
                                              : std::nullopt);
        }
        return *identity;
    }

    bool holdsEarlierCopies(const QString &folder)
    {
        if (earlierCopyFolders.isEmpty())
            return false;
        // Climbed with "..", as the kernel climbs: the copies were written
        // into the folders it resolves, whatever links the path went through.
        QString level = folder;
        for (int depth = 0; depth <= copyDepth; ++depth, level += QLatin1String("../")) {
            const std::optional<FileIdentity> identity = identityOf(level);
            if (!identity)
                return false;
            if (earlierCopyFolders.contains(*identity))
                return true;
        }
        return false;
    }

    // Whether folder exists (made now, unless planning), or why it cannot.
    Outcome<void> ensure(const QString &folder)
    {
        if (mode != ConversionRun::Mode::Copy)
            return Outcome<void>::success();
        auto ensured = ensuredFolders.constFind(folder);
        if (ensured == ensuredFolders.cend())
            ensured = ensuredFolders.insert(folder, modMain::EnsureFolderExists(folder));
        return *ensured;
    }
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

    RunState state(m_calls);
    state.mode = mode;
    state.destination = registry::withTrailingSlash(answer);
    state.destinationIsAbsolute = state.destination.startsWith(QLatin1Char('/'));
    m_host.yield();

    RunSummary summary;
    summary.dryRun = mode == Mode::Plan;

    // The upper bound is fixed now; rows added while the run yields wait for the next run.
    const int rows = m_host.rowCount();
    if (const RunOptions options = m_host.options(); options.format)
        state.copyDepth = options.format->folderDepth();
    if (state.destinationIsAbsolute)
        findEarlierCopies(rows, &state);
    for (int row = 0; row < rows; ++row) {
        // The list may have shrunk while the run yielded; a row that is gone is no
        // longer anyone's message.
        if (row >= m_host.rowCount())
            continue;
        m_host.rowStarted(row);
        m_host.yield();
        if (row >= m_host.rowCount())
            continue;
        const QString source = m_host.rowText(row);

        if (!source.trimmed().isEmpty()) {
            MessageReport report = convertRow(row, source, &state);
            summary.add(report);
            m_host.reportMessage(report);
        }

        m_host.progress(conversion::progressFraction(row + 1, m_host.rowCount()));
    }

    m_host.showSummary(summary);
    return End::Finished;
}

void ConversionRun::findEarlierCopies(int rows, RunState *state) const
{
    // Only folders that exist now count: the folders this run creates hold
    // nothing that is listed.
    for (int row = 0; row < rows; ++row) {
        const QString listed = m_host.rowText(row);
        if (!listed.startsWith(QLatin1Char('/')))
            continue;
        const QString folder = registry::FolderOf(listed);
        const Outcome<QString> plan = state->planFor(folder);
        if (!plan)
            continue;
        const std::optional<FileIdentity> target = state->identityOf(plan.value());
        if (!target || state->earlierCopyFolders.contains(*target))
            continue;
        // The destination "/" puts each copy beside its source: no row's own
        // folder makes another row's folder a folder of copies.
        if (state->identityOf(folder) != target)
            state->earlierCopyFolders.insert(*target);
    }
}

MessageReport ConversionRun::convertRow(int row, const QString &source, RunState *state)
{
    MessageReport report;
    report.row = row;
    report.source = source;
    const auto fail = [&report](const QString &reason) {
        report.status = MessageStatus::Failed;
        report.reason = reason;
        return report;
    };

    if (!state->destinationIsAbsolute)
        return fail(
            QStringLiteral("the destination %1 is not an absolute path").arg(state->destination));
    // Joining a relative path below the destination would put the copy somewhere
    // that depends on the current folder; refuse it instead.
    if (!source.startsWith(QLatin1Char('/')))
        return fail(QStringLiteral("not an absolute path"));

    const QString sourceFolder = registry::FolderOf(source);
    if (state->holdsEarlierCopies(sourceFolder)) {
        report.status = MessageStatus::Skipped;
        report.reason = QStringLiteral("a copy from an earlier run");
        return report;
    }

    // Looked at before it is opened: opening a fifo wakes its writer, and opening
    // some devices has effects of its own. Checked before any folder is made, so
    // a missing file leaves no empty folders behind.
    const Outcome<struct stat> info = pathstatus::of(source);
    if (!info)
        return fail(info.reason());
    if (S_ISDIR(info.value().st_mode))
        return fail(QStringLiteral("is a folder, not a message file"));
    if (!S_ISREG(info.value().st_mode))
        return fail(QStringLiteral("not a regular file"));
    // One descriptor serves every further look at the file, its header and its
    // copy.
    const SourceFile sourceFile(source);
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

    const Outcome<QString> plan = state->planFor(sourceFolder);
    if (!plan)
        return fail(plan.reason());
    m_host.yield();

    // A fresh reader for every message: nothing of the previous one can leak into this name.
    auto message = std::make_unique<MailMessage>();
    if (const Outcome<void> loaded = message->Load(sourceFile); !loaded)
        return fail(loaded.reason());
    MessageOrigin origin;
    origin.sourcePath = source;
    const Outcome<RawName> rawName = naming::ComposeRawName(*message, origin, m_host.options());
    if (!rawName)
        return fail(rawName.reason());
    m_host.yield();

    const RunOptions options = m_host.options();
    const naming::CleanedName name =
        naming::CleanRawName(rawName.value(), options.removeReply, options.removeForward);
    const Outcome<MessageContent> content = messagecontent::of(sourceFile);
    if (!content)
        return fail(content.reason());
    report.note = content.value().note();
    // Made once the name is known, since a template's folders are part of it.
    const QString folder = plan.value() + name.folders;
    // The reason names the folder already.
    if (const Outcome<void> ensured = state->ensure(folder); !ensured)
        return fail(ensured.reason());
    place(folder, name.baseName, content.value().bytes(), sourceFile, state, &report);
    m_host.yield();
    message.reset();
    return report;
}

void ConversionRun::place(const QString &folder, const QString &baseName, const MessageBytes &bytes,
                          const SourceFile &sourceFile, RunState *state, MessageReport *report)
{
    TargetNames::Choice choice =
        state->targets.choose(folder, baseName, FileIdentity::of(sourceFile.status()), bytes);
    // Written once, when a name first looks free, and offered to the names
    // after it while the file system says each is taken after all.
    std::optional<StagedCopy> staged;
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
        if (!staged)
            staged.emplace(m_calls, target, bytes, StagedCopy::Staging::Unnamed,
                           &state->sweptFolders);
        const Outcome<StagedCopy::Publication> published = staged->publish(target);
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
