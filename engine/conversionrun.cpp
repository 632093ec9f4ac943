// SPDX-License-Identifier: MIT
#include "conversionrun.h"

#include "filecopy.h"
#include "fileidentity.h"
#include "mailmessage.h"
#include "modmain.h"
#include "naming.h"
#include "registry.h"
#include "sourcefile.h"
#include "targetnames.h"

#include <cerrno>
#include <cstring>
#include <memory>
#include <QFile>
#include <QHash>
#include <QScopeGuard>
#include <QSet>
#include <sys/stat.h>

namespace conversion {

QString settleDestination(const QString &destination)
{
    if (destination.isEmpty() || destination.endsWith(QLatin1Char('/')))
        return destination;
    return destination + QLatin1Char('/');
}

QString targetFolder(const QString &settledDestination, const QString &sourceFolder)
{
    // A listed path may hold "." and ".." steps (the command line takes paths as
    // typed). Joined as they are, enough ".." would climb out of the destination
    // and put a copy among the user's own files, so they are resolved as text
    // first, never above the root: "/a/../../b/" counts as "/b/".
    // Only a step that starts with "." can be one; most paths hold none.
    const bool mayHoldDotSteps =
        sourceFolder.startsWith(QLatin1Char('.')) || sourceFolder.contains(QLatin1String("/."));
    const QStringList steps =
        mayHoldDotSteps ? sourceFolder.split(QLatin1Char('/')) : QStringList();
    if (steps.contains(QStringLiteral("..")) || steps.contains(QStringLiteral("."))) {
        QStringList kept;
        for (const QString &step : steps) {
            if (step == QStringLiteral("..")) {
                if (!kept.isEmpty())
                    kept.removeLast();
            } else if (!step.isEmpty() && step != QStringLiteral(".")) {
                kept.append(step);
            }
        }
        return settledDestination +
               (kept.isEmpty() ? QString() : kept.join(QLatin1Char('/')) + QLatin1Char('/'));
    }
    // The root "/" plays the part of a drive prefix: drop it, keep the rest.
    return settledDestination +
           (sourceFolder.startsWith(QLatin1Char('/')) ? sourceFolder.mid(1) : sourceFolder);
}

float progressValue(int done, int rows)
{
    if (rows <= 0)
        return 100.0f;
    const double percent = static_cast<double>(done) / static_cast<double>(rows) * 100.0;
    // Rows removed while the run yielded can make done exceed rows.
    return static_cast<float>(qMin(percent, 100.0));
}

QString progressText(int number, int rows)
{
    return QStringLiteral("Message %1 (of %2)").arg(number).arg(rows);
}

} // namespace conversion

namespace {

// stat() of a path given as text; false with errno set when it fails.
bool statPath(const QString &path, struct stat *status)
{
    return ::stat(QFile::encodeName(path).constData(), status) == 0;
}

QString systemError(int error)
{
    return QString::fromLocal8Bit(std::strerror(error));
}

} // namespace

// Everything one run remembers from row to row. Each member grows by at most one
// entry per row and is looked up by hash, so a run over 100,000 rows stays linear.
struct ConversionRun::RunState
{
    ConversionRun::Mode mode = ConversionRun::Mode::Copy;
    QString destination;
    bool destinationIsAbsolute = false;
    TargetNames targets;
    QHash<QString, QString> ensuredFolders; // folder -> "" when it exists, else the reason
    // Identity -> path as first listed, of every message listed when the run
    // started and of every row processed since. No copy may replace one of them.
    QHash<FileIdentity, QString> sources;
    // Paths that were regular files when the run started. Any other row is
    // looked at before it is opened: opening a fifo wakes its writer, and
    // opening some devices has effects of its own.
    QSet<QString> regularWhenListed;

    // Remembers a listed message; a file listed twice keeps its first path.
    void addSource(const FileIdentity &identity, const QString &path)
    {
        if (!sources.contains(identity))
            sources.insert(identity, path);
    }

    // Why the file existing, found where a copy of source is to go, must stay;
    // "" when it may be replaced. Replacing it would destroy the message itself
    // or another one the user listed, earlier or later in the list: possible
    // only when the destination tree overlaps the sources.
    QString whyKeep(const FileIdentity &existing, const FileIdentity &source) const
    {
        const auto listed = sources.constFind(existing);
        if (listed == sources.cend())
            return {};
        return existing == source ? QStringLiteral("target is the source")
                                  : QStringLiteral("target is the listed message %1").arg(*listed);
    }
};

ConversionRun::ConversionRun(ConversionHost &host) : m_host(host) {}

ConversionRun::End ConversionRun::run(Mode mode)
{
    if (m_running)
        return End::Busy;
    m_running = true;
    const auto clearRunning = qScopeGuard([this] { m_running = false; });

    const QString answer = m_host.askDestination();
    if (answer.isEmpty())
        return End::Cancelled;

    RunState state;
    state.mode = mode;
    state.destination = conversion::settleDestination(answer);
    state.destinationIsAbsolute = state.destination.startsWith(QLatin1Char('/'));
    m_host.yield();
    m_host.setProgressRange(0, 100);

    RunSummary summary;
    summary.dryRun = mode == Mode::Plan;

    // The upper bound is fixed now; rows added while the run yields wait for the next run.
    const int rows = m_host.rowCount();
    // Every listed message is known before the first copy: where the destination
    // tree overlaps the sources (the destination "/" puts each copy beside its
    // source), a copy could otherwise replace a message further down the list.
    // One stat per row, one hash insertion: linear however long the list.
    for (int row = 0; row < rows; ++row) {
        const QString listed = m_host.rowText(row).trimmed();
        if (!listed.startsWith(QLatin1Char('/')))
            continue;
        struct stat info = {};
        if (statPath(listed, &info) && S_ISREG(info.st_mode)) {
            state.addSource(FileIdentity::of(info), listed);
            state.regularWhenListed.insert(listed);
        }
    }
    for (int row = 0; row < rows; ++row) {
        // The list may have shrunk while the run yielded; a row that is gone is no
        // longer anyone's message.
        if (row >= m_host.rowCount())
            continue;
        m_host.setCurrentCell(row);
        m_host.yield();
        if (row >= m_host.rowCount())
            continue;
        const QString source = m_host.currentCellText().trimmed();

        if (!source.isEmpty()) {
            MessageReport report = convertRow(row, source, &state);
            summary.add(report);
            m_host.reportMessage(report);
        }

        const int rowsNow = m_host.rowCount();
        m_host.setProgressValue(conversion::progressValue(row + 1, rowsNow));
        m_host.setProgressText(conversion::progressText(row + 1, rowsNow));
    }

    m_lastSummary = summary;
    m_host.showSummary(summary, summary.text());
    return End::Finished;
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

    // Checked before any folder is made, so a missing file leaves no empty
    // folders behind.
    if (!state->regularWhenListed.contains(source)) {
        struct stat info = {};
        if (!statPath(source, &info))
            return fail(systemError(errno));
        if (S_ISDIR(info.st_mode))
            return fail(QStringLiteral("is a folder, not a message file"));
        if (!S_ISREG(info.st_mode))
            return fail(QStringLiteral("not a regular file"));
    }
    // One descriptor serves every further look at the file, its header and its
    // copy.
    const SourceFile sourceFile(source);
    if (const int error = sourceFile.error()) {
        // A file that is there but cannot be opened says which file it was.
        if (error == ENOENT || error == ENOTDIR || error == ELOOP || error == ENAMETOOLONG)
            return fail(systemError(error));
        return fail(QStringLiteral("Cannot open \"%1\": %2").arg(source, systemError(error)));
    }
    if (sourceFile.isFolder())
        return fail(QStringLiteral("is a folder, not a message file"));
    if (!sourceFile.isRegular())
        return fail(QStringLiteral("not a regular file"));
    const FileIdentity identity = FileIdentity::of(sourceFile.status());
    // The row may have been changed while the run yielded: it counts as listed too.
    state->addSource(identity, source);

    const QString folder = conversion::targetFolder(state->destination, registry::FolderOf(source));
    if (state->mode == Mode::Copy) {
        auto ensured = state->ensuredFolders.constFind(folder);
        if (ensured == state->ensuredFolders.cend()) {
            QString reason;
            if (modMain::EnsureFolderExists(folder, &reason))
                reason.clear();
            else if (reason.isEmpty())
                reason = QStringLiteral("unknown error");
            ensured = state->ensuredFolders.insert(folder, reason);
        }
        if (!ensured->isEmpty())
            return fail(QStringLiteral("cannot create the folder %1: %2").arg(folder, *ensured));
    }
    m_host.yield();

    // A fresh reader for every message: nothing of the previous one can leak into this name.
    auto message = std::make_unique<MailMessage>();
    QString loadReason;
    if (!message->Load(sourceFile, &loadReason))
        return fail(loadReason.isEmpty() ? QStringLiteral("cannot read the message") : loadReason);
    const Outcome<QString> rawName = naming::ComposeName(*message, m_host.selectedScheme());
    if (!rawName)
        return fail(rawName.reason());
    m_host.yield();

    const QString baseName =
        naming::CleanName(rawName.value(), m_host.removeReply(), m_host.removeForward());
    report.target = state->targets.assign(folder, baseName, identity.toString());

    if (state->mode == Mode::Plan) {
        struct stat existing = {};
        const QString keep = statPath(report.target, &existing)
                                 ? state->whyKeep(FileIdentity::of(existing), identity)
                                 : QString();
        report.status = keep.isEmpty() ? MessageStatus::Planned : MessageStatus::Skipped;
        report.reason = keep;
    } else {
        filecopy::Options options;
        options.mayReplace = [state, identity](const struct stat &existing) {
            return state->whyKeep(FileIdentity::of(existing), identity);
        };
        QString copyReason;
        switch (filecopy::copyFile(sourceFile, report.target, options, &copyReason)) {
        case filecopy::Result::Copied:
            report.status = MessageStatus::Copied;
            break;
        case filecopy::Result::Refused:
            report.status = MessageStatus::Skipped;
            report.reason = copyReason;
            break;
        case filecopy::Result::Failed:
            report.status = MessageStatus::Failed;
            report.reason = copyReason.isEmpty() ? QStringLiteral("the copy failed") : copyReason;
            break;
        }
    }
    m_host.yield();
    message.reset();
    return report;
}
