// SPDX-License-Identifier: MIT
#pragma once

#include "messagedate.h"
#include "nametemplate.h"
#include "namingscheme.h"
#include "outcome.h"
#include "runoptions.h"

#include <optional>
#include <QByteArrayList>
#include <QDir>
#include <QString>
#include <QStringList>

// The command line of letterfold-cli, parsed. Parsing never prints and never
// exits: it returns what to do and, for help, version and usage errors, the text
// to show, so that only main() talks to the terminal and sets the exit status.
class CliOptions
{
public:
    enum class Action
    {
        Run,         // convert: the options below are set
        Undo,        // take back the run of the manifest undoManifest(); dryRun() applies
        ShowHelp,    // print message() on standard output, exit 0
        ShowVersion, // print message() on standard output, exit 0
        UsageError,  // print message() on standard error, exit 2
    };

    // Parses a command line; arguments[0] is the program's name, as in argv.
    // SOURCE and --to paths are kept as typed, every "." and ".." step and link
    // left for the kernel to resolve, as cp and mkdir -p do; a relative one is
    // joined as text below workingDirectory ("lnk/../m.eml" in "/w" gives
    // "/w/lnk/../m.eml"). Returns Action::UsageError, with a message naming the
    // bad option or value, for an unknown option, a missing option value, an unknown
    // scheme, a --format template NameTemplate::parse refuses (with its reason),
    // an unknown --time-zone, --layout or --set-time value, a missing or empty
    // --to, neither SOURCE nor --files-from, an empty SOURCE or --files-from,
    // or --null without --files-from; --manifest with --dry-run (a dry run
    // writes nothing); --undo FILE with anything but --dry-run and --quiet.
    // Every -s and --format given must be good; the last of them counts.
    // --manifest, --undo and --files-from paths are made absolute as SOURCE is
    // ("-" stays); the lists are not read here.
    [[nodiscard]] static CliOptions parse(const QStringList &arguments,
                                          const QString &workingDirectory = QDir::currentPath());

    // Parses a command line as the system hands it over: argv's bytes and the
    // working folder's (or why it cannot be had), as parse() does. Every argument
    // must be valid UTF-8, or a different file would be named: else the result is
    // Action::UsageError with a message showing the argument, its other bytes
    // escaped ("the argument 'caf\xE9.eml' is not valid UTF-8; nothing was done").
    // A relative SOURCE or --to needs the working folder in valid UTF-8 too; else
    // the result is Action::UsageError saying so.
    [[nodiscard]] static CliOptions parseRaw(const QByteArrayList &arguments,
                                             const Outcome<QByteArray> &workingDirectory);

    // The long names of every option the parser knows ("to", "scheme", ...), in
    // the help's order: what the shell completions and the manuals must cover.
    [[nodiscard]] static QStringList longOptions();

    // path as it stands when absolute, else joined as text below workingDirectory
    // with every "." and ".." step kept for the kernel to resolve.
    [[nodiscard]] static QString absolutePath(const QString &workingDirectory, const QString &path);

    // The help text in the usual GNU form, ending in a newline.
    [[nodiscard]] static QString helpText();
    // "letterfold-cli" and the version as the program shows it ("letterfold-cli 2.00").
    [[nodiscard]] static QString versionText();
    // The scheme's name on the command line ("subject", "subject-from", ...).
    [[nodiscard]] static QString schemeName(NamingScheme scheme);
    // The scheme of a command-line name; nothing for an unknown name.
    [[nodiscard]] static std::optional<NamingScheme> schemeFromName(const QString &name);

    [[nodiscard]] Action action() const { return m_action; }
    // The help or version text, or what is wrong with the command line; "" for Run.
    [[nodiscard]] const QString &message() const { return m_message; }

    [[nodiscard]] NamingScheme scheme() const { return m_scheme; }
    // The --format template, when it was given after every -s.
    [[nodiscard]] const std::optional<NameTemplate> &format() const { return m_format; }
    [[nodiscard]] DateZone timeZone() const { return m_timeZone; }
    [[nodiscard]] bool removeReply() const { return m_removeReply; }
    [[nodiscard]] bool removeForward() const { return m_removeForward; }
    [[nodiscard]] bool dryRun() const { return m_dryRun; }
    [[nodiscard]] bool json() const { return m_json; }
    [[nodiscard]] bool quiet() const { return m_quiet; }
    [[nodiscard]] Layout layout() const { return m_layout; }
    [[nodiscard]] FileTime fileTime() const { return m_fileTime; }
    // The absolute path of the manifest to write; "" for none.
    [[nodiscard]] const QString &manifest() const { return m_manifest; }
    // The absolute path of the manifest whose run Action::Undo takes back.
    [[nodiscard]] const QString &undoManifest() const { return m_undoManifest; }
    // The absolute destination folder, as typed.
    [[nodiscard]] const QString &destination() const { return m_destination; }
    // The absolute SOURCE paths, as typed, in the order given.
    [[nodiscard]] const QStringList &sources() const { return m_sources; }
    // The --files-from lists, in the order given: absolute paths as typed, and
    // "-" for standard input.
    [[nodiscard]] const QStringList &lists() const { return m_lists; }
    // Whether the lists' entries end at NUL bytes (--null) rather than at line ends.
    [[nodiscard]] bool nullSeparated() const { return m_nullSeparated; }
    // The working folder that relative entries of a list are joined to; "" when
    // it cannot be had as text (see parseRaw()).
    [[nodiscard]] const QString &workingDirectory() const { return m_workingDirectory; }

private:
    static CliOptions withMessage(Action action, const QString &message);

    Action m_action = Action::UsageError;
    QString m_message;
    NamingScheme m_scheme = NamingScheme::OptS;
    std::optional<NameTemplate> m_format;
    DateZone m_timeZone = DateZone::Local;
    bool m_removeReply = false;
    bool m_removeForward = false;
    bool m_dryRun = false;
    bool m_json = false;
    bool m_quiet = false;
    Layout m_layout = Layout::Full;
    FileTime m_fileTime = FileTime::Source;
    QString m_manifest;
    QString m_undoManifest;
    QString m_destination;
    QStringList m_sources;
    QStringList m_lists;
    bool m_nullSeparated = false;
    QString m_workingDirectory;
    bool m_usesWorkingDirectory = false; // a SOURCE or --to was relative
};
