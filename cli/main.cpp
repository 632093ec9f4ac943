// SPDX-License-Identifier: MIT
// letterfold-cli: the conversion run from a terminal. Everything here is glue:
// the options come from CliOptions, the work from the engine's run, the output
// from TerminalHost; only this file prints on its own and sets the exit status.
#include "clioptions.h"
#include "conversionrun.h"
#include "destination.h"
#include "sourceexpansion.h"
#include "terminalhost.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <QCoreApplication>
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
    case CliOptions::Action::Run:
        break;
    }

    if (const Outcome<void> prepared =
            cli::prepareDestination(options.destination(), !options.dryRun());
        !prepared) {
        err << "letterfold-cli: " << prepared.reason() << '\n';
        return kUsageError;
    }

    const SourceExpansion expansion = cli::expandSources(options.sources());
    TerminalHost::Settings settings;
    settings.options = {options.scheme(), options.removeReply(), options.removeForward(),
                        options.format(), options.timeZone()};
    settings.destination = options.destination();
    settings.json = options.json();
    settings.progressBar = !options.quiet() && isatty(fileno(stderr));
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
    return summary.allConverted() ? kAllConverted : kSomeNotConverted;
}
