// SPDX-License-Identifier: MIT
// letterfold-cli: the conversion run from a terminal. Everything here is glue:
// the options come from CliOptions, the work from the engine's run, the output
// from TerminalHost; only this file prints on its own and sets the exit status.
#include "clioptions.h"
#include "conversionrun.h"
#include "destination.h"
#include "listedsources.h"
#include "manifestundo.h"
#include "manifestwriter.h"
#include "sourceexpansion.h"
#include "terminalhost.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <QCoreApplication>
#include <QFile>
#include <QTextStream>
#include <unistd.h>

namespace {

enum ExitStatus
{
    kAllConverted = 0,
    kSomeNotConverted = 1,
    kUsageError = 2,
};

// The working folder's bytes as the kernel gives them, or why it gives none
// (it was removed, or a folder above it cannot be searched).
Outcome<QByteArray> workingDirectory()
{
    std::unique_ptr<char, decltype(&std::free)> path(::getcwd(nullptr, 0), &std::free);
    if (!path)
        return Outcome<QByteArray>::failure(systemReason(errno));
    return Outcome<QByteArray>::success(QByteArray(path.get()));
}

// Takes back the run of a manifest: each step on its own line, what was
// kept on err, then a count.
int undo(const CliOptions &options, QTextStream &out, QTextStream &err)
{
    const Outcome<ManifestUndo> manifest = ManifestUndo::read(options.undoManifest());
    if (!manifest) {
        err << "letterfold-cli: " << manifest.reason() << '\n';
        return kUsageError;
    }
    int copies = 0;
    int folders = 0;
    int kept = 0;
    for (const ManifestUndo::Step &step : manifest.value().run(options.dryRun())) {
        switch (step.action) {
        case ManifestUndo::Action::Removed:
        case ManifestUndo::Action::WouldRemove:
            ++(step.folder ? folders : copies);
            out << step.path
                << (step.action == ManifestUndo::Action::Removed ? ": removed\n"
                                                                 : ": would be removed\n");
            break;
        case ManifestUndo::Action::AlreadyGone:
            out << step.path << ": already gone\n";
            break;
        case ManifestUndo::Action::Kept:
            ++kept;
            err << step.path << ": kept: " << step.reason << '\n';
            break;
        }
        // Line by line, so the two streams read in order where they meet.
        out.flush();
        err.flush();
    }
    out << QStringLiteral("%1 %2 and %3 %4 %5, %6 kept\n")
               .arg(copies)
               .arg(copies == 1 ? QStringLiteral("copy") : QStringLiteral("copies"))
               .arg(folders)
               .arg(folders == 1 ? QStringLiteral("folder") : QStringLiteral("folders"))
               .arg(options.dryRun() ? QStringLiteral("would be removed")
                                     : QStringLiteral("removed"))
               .arg(kept);
    return kept == 0 ? kAllConverted : kSomeNotConverted;
}

} // namespace

int main(int argc, char **argv)
{
    // The arguments' bytes, taken before anything decodes them: an argument
    // that is not UTF-8 must be refused, not read as a different name.
    QByteArrayList arguments;
    for (int i = 0; i < argc; ++i)
        arguments.append(QByteArray(argv[i]));
    const CliOptions options = CliOptions::parseRaw(arguments, workingDirectory());

    QCoreApplication app(argc, argv);
    QTextStream out(stdout);
    QTextStream err(stderr);

    switch (options.action()) {
    case CliOptions::Action::ShowHelp:
        out << options.message();
        return kAllConverted;
    case CliOptions::Action::ShowVersion:
        out << options.message() << '\n';
        return kAllConverted;
    case CliOptions::Action::UsageError:
        err << "letterfold-cli: " << options.message() << '\n'
            << "Try 'letterfold-cli --help' for more information.\n";
        return kUsageError;
    case CliOptions::Action::Undo:
        return undo(options, out, err);
    case CliOptions::Action::Run:
        break;
    }

    // The lists are read first: a list that cannot be read stops the run before
    // anything is written, the manifest included.
    const Outcome<ListedSources> listed =
        cli::readLists(options.lists(), options.nullSeparated(), options.workingDirectory());
    if (!listed) {
        err << "letterfold-cli: " << listed.reason() << '\n';
        return kUsageError;
    }

    // Opened next: a manifest that cannot be made must stop the run before
    // anything is written, DEST included.
    ManifestWriter manifest;
    if (!options.manifest().isEmpty()) {
        if (const Outcome<void> opened = manifest.open(options.manifest(), options.destination());
            !opened) {
            err << "letterfold-cli: " << opened.reason() << '\n';
            return kUsageError;
        }
    }
    const Outcome<QStringList> prepared =
        cli::prepareDestination(options.destination(), !options.dryRun());
    if (!prepared) {
        // The manifest is this run's own, just made, and lists nothing.
        if (!options.manifest().isEmpty())
            QFile::remove(options.manifest());
        err << "letterfold-cli: " << prepared.reason() << '\n';
        return kUsageError;
    }
    if (!options.manifest().isEmpty()) {
        if (const Outcome<void> recorded = manifest.recordFolders(prepared.value()); !recorded) {
            err << "letterfold-cli: " << recorded.reason() << '\n';
            return kUsageError;
        }
    }

    SourceExpansion expansion = cli::expandSources(options.sources());
    // A listed path stands alone, with no SOURCE folder above it, so under
    // --layout relative all it gives goes straight into DEST.
    const SourceExpansion fromLists = cli::expandSources(listed.value().sources);
    expansion.rows += fromLists.rows;
    expansion.roots += QStringList(fromLists.rows.size(), QString());
    expansion.problems = listed.value().problems + expansion.problems + fromLists.problems;
    TerminalHost::Settings settings;
    settings.options = {options.scheme(), options.removeReply(), options.removeForward(),
                        options.format(), options.timeZone()};
    settings.options.layout = options.layout();
    settings.options.fileTime = options.fileTime();
    settings.roots = expansion.roots;
    settings.manifest = options.manifest().isEmpty() ? nullptr : &manifest;
    settings.destination = options.destination();
    settings.json = options.json();
    settings.progressBar = !options.quiet() && isatty(fileno(stderr));
    settings.table = options.dryRun() && !options.json() && isatty(fileno(stdout));
    TerminalHost host(settings, expansion.rows, out, err);

    for (const MessageReport &report : expansion.problems)
        host.reportMessage(report);

    ConversionRun run(host);
    run.run(options.dryRun() ? ConversionRun::Mode::Plan : ConversionRun::Mode::Copy);
    host.clearProgress();

    RunSummary summary = host.summary();
    summary.prepend(expansion.problems);
    QTextStream &summaryStream = options.json() ? err : out;
    summaryStream << summary.headline() << '\n';
    return summary.allConverted() && !host.manifestFailed() ? kAllConverted : kSomeNotConverted;
}
