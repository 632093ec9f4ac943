// SPDX-License-Identifier: MIT
#include "clioptions.h"

#include "letterfold_version.h"
#include "rawnames.h"
#include "registry.h"

#include <algorithm>
#include <QCommandLineOption>
#include <QCommandLineParser>
#include <utility>

namespace {

QString schemeList()
{
    QStringList names;
    for (const NamingSchemeEntry &entry : kNamingSchemes)
        names.append(QString::fromLatin1(entry.cliName));
    return names.join(QStringLiteral(", "));
}

// Every option the command line knows, declared once for the parser and for
// longOptions().
struct Declared
{
    QCommandLineOption to{QStringLiteral("to"), QString(), QStringLiteral("DEST")};
    QCommandLineOption scheme{
        {QStringLiteral("s"), QStringLiteral("scheme")}, QString(), QStringLiteral("NAME")};
    QCommandLineOption format{QStringLiteral("format"), QString(), QStringLiteral("TEMPLATE")};
    QCommandLineOption timeZone{QStringLiteral("time-zone"), QString(), QStringLiteral("ZONE")};
    QCommandLineOption removeRe{QStringLiteral("remove-re")};
    QCommandLineOption removeFw{QStringLiteral("remove-fw")};
    QCommandLineOption dryRun{QStringList{QStringLiteral("n"), QStringLiteral("dry-run")}};
    QCommandLineOption json{QStringLiteral("json")};
    QCommandLineOption quiet{QStringList{QStringLiteral("q"), QStringLiteral("quiet")}};
    QCommandLineOption help{QStringList{QStringLiteral("h"), QStringLiteral("help")}};
    QCommandLineOption version{QStringLiteral("version")};
    QCommandLineOption layout{QStringLiteral("layout"), QString(), QStringLiteral("LAYOUT")};
    QCommandLineOption setTime{QStringLiteral("set-time"), QString(), QStringLiteral("TIME")};
    QCommandLineOption manifest{QStringLiteral("manifest"), QString(), QStringLiteral("FILE")};
    QCommandLineOption undo{QStringLiteral("undo"), QString(), QStringLiteral("FILE")};
    QCommandLineOption filesFrom{QStringLiteral("files-from"), QString(), QStringLiteral("FILE")};
    QCommandLineOption null{QStringLiteral("null")};

    [[nodiscard]] QList<QCommandLineOption> all() const
    {
        return {to,     scheme,  format,   timeZone, removeRe,  removeFw, dryRun, json,   quiet,
                layout, setTime, manifest, undo,     filesFrom, null,     help,   version};
    }
};

bool isRelative(const QString &path)
{
    return !path.startsWith(QLatin1Char('/'));
}

// The value a word gives a word-valued option; fails naming the word, the
// option and the words it takes ("unknown layout 'tree' for --layout (choose
// one of full, relative, flat)").
template <typename T>
Outcome<T> choice(const char *option, const char *what, const QString &word,
                  std::initializer_list<std::pair<const char *, T>> words)
{
    QStringList names;
    for (const auto &[name, value] : words) {
        if (word == QLatin1String(name))
            return Outcome<T>::success(value);
        names.append(QLatin1String(name));
    }
    return Outcome<T>::failure(QStringLiteral("unknown %1 '%2' for --%3 (choose one of %4)")
                                   .arg(QLatin1String(what), word, QLatin1String(option),
                                        names.join(QStringLiteral(", "))));
}

} // namespace

// Joined as text with every step kept, so that the kernel resolves the path as
// it would the typed one: "lnk/../m.eml" names m.eml beside the folder lnk
// points to, where a tidy-up by text ("./m.eml") would name another file.
QString CliOptions::absolutePath(const QString &workingDirectory, const QString &path)
{
    if (!isRelative(path))
        return path;
    return registry::withTrailingSlash(workingDirectory) + path;
}

QStringList CliOptions::longOptions()
{
    QStringList names;
    for (const QCommandLineOption &option : Declared().all()) {
        for (const QString &name : option.names()) {
            if (name.size() > 1)
                names.append(name);
        }
    }
    return names;
}

CliOptions CliOptions::withMessage(Action action, const QString &message)
{
    CliOptions options;
    options.m_action = action;
    options.m_message = message;
    return options;
}

QString CliOptions::schemeName(NamingScheme scheme)
{
    return QString::fromLatin1(NamingSchemeEntry::of(scheme).cliName);
}

std::optional<NamingScheme> CliOptions::schemeFromName(const QString &name)
{
    for (const NamingSchemeEntry &entry : kNamingSchemes) {
        if (name == QLatin1String(entry.cliName))
            return entry.scheme;
    }
    return std::nullopt;
}

QString CliOptions::versionText()
{
    return QStringLiteral("letterfold-cli ") + QString::fromLatin1(letterfold::kShownVersion);
}

QString CliOptions::helpText()
{
    QString schemes;
    for (const NamingSchemeEntry &entry : kNamingSchemes)
        schemes += QStringLiteral("                          %1%2\n")
                       .arg(QString::fromLatin1(entry.cliName), -19)
                       .arg(QString::fromLatin1(entry.cliDescription));
    return QStringLiteral(
               "Usage: letterfold-cli [OPTION]... --to DEST SOURCE...\n"
               "  or:  letterfold-cli --undo FILE [--dry-run]\n"
               "Copy saved mail messages into DEST under names built from their subject,\n"
               "sender and date, recreating each SOURCE's folder path below DEST. Every copy\n"
               "is a message file named NAME.eml; the sources are never changed.\n"
               "A SOURCE is a message file (.eml, Apple Mail's .emlx and .partial.emlx), an\n"
               "mbox file (its first line starts with \"From \"; its messages go to a folder\n"
               "named after it), a Maildir (a folder holding cur/ with new/ or tmp/) or any\n"
               "other folder. A folder stands for every message file, Maildir and mbox below\n"
               "it, taken folder by folder, level by level, names in byte order; an mbox is\n"
               "found there by its name: *.mbox, mbox, or X beside a Thunderbird index\n"
               "X.msf. A file that holds no mail is reported as \"not a mail message\".\n"
               "The copy of an .emlx file is the message it holds, without the byte count\n"
               "before it and the property list after it; a .partial.emlx gets back the\n"
               "attachments its mailbox keeps in Attachments/ beside Messages/.\n"
               "\n"
               "      --to DEST         copy into the folder DEST (made when missing)\n"
               "  -s, --scheme NAME     how names are built (default: subject):\n"
               "%1"
               "      --format TEMPLATE build names from TEMPLATE (see Templates below), such\n"
               "                          as --format '{date:%Y}/{from.name} - {subject}';\n"
               "                          the last of -s and --format counts\n"
               "      --time-zone ZONE  the clock dates are read on: local (the default),\n"
               "                          header (as the message wrote it: 23:30 -0800 stays\n"
               "                          23:30 that day) or utc; e.g. --time-zone header\n"
               "      --remove-re       remove reply markers (\"RE \", \"Re \", \"re \")\n"
               "      --remove-fw       remove forward markers (\"FW \", \"Fw \", \"fw \", \"FWD "
               "\",\n"
               "                          \"Fwd \", \"fwd \")\n"
               "  -n, --dry-run         print what would be copied where; write nothing. On a\n"
               "                          terminal this is a table: each message's status,\n"
               "                          source and copy (below DEST)\n"
               "      --json            print one JSON object per message on standard output:\n"
               "                          source, message (its number in the mailbox\n"
               "                          source, or null), target, status (copied,\n"
               "                          planned, unchanged, skipped or failed), reason\n"
               "                          (null when copied or planned) and note (null, or\n"
               "                          what a copy lacks: attachments not found)\n"
               "  -q, --quiet           show no progress bar\n"
               "      --layout LAYOUT   which folders below DEST the copies go to: full\n"
               "                          (default: each source's whole folder path),\n"
               "                          relative (only the path below each SOURCE\n"
               "                          folder; a file SOURCE and a listed path go\n"
               "                          straight into DEST)\n"
               "                          or flat (every copy directly in DEST)\n"
               "      --set-time TIME   the copies' modification time: source (default:\n"
               "                          the source file's) or message (the message's\n"
               "                          date, the one its name uses)\n"
               "      --manifest FILE   write one JSON line per message and per folder\n"
               "                          made to FILE, a new file, as the run goes\n"
               "      --undo FILE       remove what the run of manifest FILE wrote: its\n"
               "                          copies that still hold the bytes written, then\n"
               "                          the folders it made that are left empty; with\n"
               "                          --dry-run, only say what would be removed\n"
               "      --files-from FILE read more SOURCE paths from FILE (- for standard\n"
               "                          input), one per line, each taken as it stands\n"
               "      --null            the --files-from lists end each path with a NUL\n"
               "                          byte, as find -print0 writes them\n"
               "  -h, --help            display this help and exit\n"
               "      --version         output version information and exit\n"
               "\n"
               "Templates: text stands for itself, {{ and }} for braces, and these tokens\n"
               "for the message's values: {subject}, {from}, {from.name}, {from.address},\n"
               "{to}, {to.name}, {to.address} (the first recipient), {message-id},\n"
               "{file} (the source's name without extension), {mailbox}, {date} (as\n"
               "{date:%Y-%m-%d}) and {date:FORMAT} with %Y %m %d %H %M %S %b %a %%.\n"
               "A \"/\" in TEMPLATE makes a folder below the copy's folder; a \"/\" in a\n"
               "value is removed. Every folder and name is cleaned as the schemes' names are;\n"
               "an empty folder is \"(none)\". -s date-subject is the same as\n"
               "--format '{date:%Y-%m-%d} {subject}'; the man page lists every scheme's.\n"
               "\n"
               "Two different messages that would get the same name in one folder are kept\n"
               "apart with \" (2)\", \" (3)\", ... before \".eml\". A copy never replaces a file:\n"
               "where its name is taken by a file with the same bytes, nothing is written and\n"
               "the message counts as converted (\"already in the destination\"); where it is\n"
               "taken by anything else, the next number is tried. Running the same command\n"
               "twice thus writes nothing the second time. An empty subject gives\n"
               "\"(no subject).eml\", and a name that would start with \".\" gets \"_\" before "
               "it.\n"
               "Copies get the permissions the umask allows, and the source's modification\n"
               "time. A folder that cannot be read is skipped and reported; the rest is\n"
               "converted. Copies from an earlier run found among the sources (DEST inside a\n"
               "SOURCE folder) are skipped, and do not count as failures.\n"
               "Paths are used as typed: links and \".\" and \"..\" steps are resolved as the\n"
               "kernel resolves them, as cp and mkdir -p do. Arguments must be valid UTF-8.\n"
               "A --files-from list is read before anything is written; a listed path is\n"
               "taken as a SOURCE argument is: spaces kept, only the carriage return of a\n"
               "CRLF line end dropped (list a name that ends in one with --null), empty\n"
               "entries ignored, and one that is not valid UTF-8 reported as not converted.\n"
               "\n"
               "Exit status:\n"
               " 0  if every message was converted or was already in DEST,\n"
               " 1  if any message was not converted (each one is reported with the reason),\n"
               " 2  if the command line is wrong (an argument that is not UTF-8 included),\n"
               "    DEST is not a folder and cannot be made one, or a --files-from list\n"
               "    cannot be read (nothing is written then).\n"
               "\n"
               "Examples:\n"
               "  letterfold-cli -n --format '{date:%Y}/{subject}' --to ~/Sorted ~/Mail\n"
               "  find ~/Mail -name '*.eml' -newer ~/last-run -print0 |\n"
               "    letterfold-cli --files-from - --null --to ~/Sorted\n"
               "  letterfold-cli --manifest run.jsonl --layout relative --to ~/Sorted ~/Mail\n"
               "  letterfold-cli --undo run.jsonl\n")
        .arg(schemes);
}

CliOptions CliOptions::parse(const QStringList &arguments, const QString &workingDirectory)
{
    QCommandLineParser parser;
    parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsCompactedShortOptions);
    const Declared declared;
    parser.addOptions(declared.all());
    parser.addPositionalArgument(QStringLiteral("SOURCE"), QString(), QStringLiteral("SOURCE..."));

    // QCommandLineParser reads argument 0 as the program's name.
    QStringList withName = arguments;
    if (withName.isEmpty())
        withName.append(QStringLiteral("letterfold-cli"));
    if (!parser.parse(withName))
        return withMessage(Action::UsageError, parser.errorText());
    if (parser.isSet(declared.help))
        return withMessage(Action::ShowHelp, helpText());
    if (parser.isSet(declared.version))
        return withMessage(Action::ShowVersion, versionText());

    CliOptions options;
    options.m_action = Action::Run;
    // A path made absolute, noting when that needed the working folder.
    const auto resolved = [&](const QString &path) {
        options.m_usesWorkingDirectory = options.m_usesWorkingDirectory || isRelative(path);
        return absolutePath(workingDirectory, path);
    };
    const auto pathOption = [&](const QCommandLineOption &option) {
        const QString path = parser.value(option);
        if (path.isEmpty())
            return Outcome<QString>::failure(
                QStringLiteral("--%1 needs a file name, not ''").arg(option.names().constLast()));
        return Outcome<QString>::success(resolved(path));
    };
    if (parser.isSet(declared.undo)) {
        for (const QCommandLineOption *other :
             {&declared.to, &declared.scheme, &declared.format, &declared.timeZone,
              &declared.removeRe, &declared.removeFw, &declared.json, &declared.layout,
              &declared.setTime, &declared.manifest, &declared.filesFrom, &declared.null}) {
            if (parser.isSet(*other))
                return withMessage(Action::UsageError,
                                   QStringLiteral("--undo takes no --%1; it only reads its "
                                                  "manifest (with --dry-run: says what it "
                                                  "would remove)")
                                       .arg(other->names().constLast()));
        }
        if (!parser.positionalArguments().isEmpty())
            return withMessage(Action::UsageError,
                               QStringLiteral("--undo takes no SOURCE; it removes what its "
                                              "manifest lists"));
        const Outcome<QString> path = pathOption(declared.undo);
        if (!path)
            return withMessage(Action::UsageError, path.reason());
        options.m_action = Action::Undo;
        options.m_undoManifest = path.value();
        options.m_dryRun = parser.isSet(declared.dryRun);
        options.m_quiet = parser.isSet(declared.quiet);
        return options;
    }
    if (parser.isSet(declared.layout)) {
        const Outcome<Layout> chosen = choice<Layout>(
            "layout", "layout", parser.value(declared.layout),
            {{"full", Layout::Full}, {"relative", Layout::Relative}, {"flat", Layout::Flat}});
        if (!chosen)
            return withMessage(Action::UsageError, chosen.reason());
        options.m_layout = chosen.value();
    }
    if (parser.isSet(declared.setTime)) {
        const Outcome<FileTime> chosen =
            choice<FileTime>("set-time", "time", parser.value(declared.setTime),
                             {{"source", FileTime::Source}, {"message", FileTime::Message}});
        if (!chosen)
            return withMessage(Action::UsageError, chosen.reason());
        options.m_fileTime = chosen.value();
    }
    if (parser.isSet(declared.manifest)) {
        if (parser.isSet(declared.dryRun))
            return withMessage(Action::UsageError,
                               QStringLiteral("--manifest records what a run writes, and a dry "
                                              "run writes nothing; leave one of them out"));
        const Outcome<QString> path = pathOption(declared.manifest);
        if (!path)
            return withMessage(Action::UsageError, path.reason());
        options.m_manifest = path.value();
    }
    for (const QString &name : parser.values(declared.scheme)) {
        const std::optional<NamingScheme> chosen = schemeFromName(name);
        if (!chosen)
            return withMessage(Action::UsageError,
                               QStringLiteral("unknown scheme '%1' for --scheme (choose one of %2)")
                                   .arg(name, schemeList()));
        options.m_scheme = *chosen;
    }
    for (const QString &text : parser.values(declared.format)) {
        const Outcome<NameTemplate> parsed = NameTemplate::parse(text);
        if (!parsed)
            return withMessage(Action::UsageError,
                               QStringLiteral("bad --format: %1").arg(parsed.reason()));
        options.m_format = parsed.value();
    }
    // Both choose how names are built: the one given last counts, so that a
    // wrapper's default can be overridden further along the command line.
    const QStringList given = parser.optionNames();
    const auto last = std::find_if(given.crbegin(), given.crend(), [](const QString &name) {
        return name == u"s" || name == u"scheme" || name == u"format";
    });
    if (last != given.crend() && *last != u"format")
        options.m_format.reset();
    if (parser.isSet(declared.timeZone)) {
        const Outcome<DateZone> chosen = choice<DateZone>(
            "time-zone", "time zone", parser.value(declared.timeZone),
            {{"local", DateZone::Local}, {"header", DateZone::Header}, {"utc", DateZone::Utc}});
        if (!chosen)
            return withMessage(Action::UsageError, chosen.reason());
        options.m_timeZone = chosen.value();
    }
    if (!parser.isSet(declared.to))
        return withMessage(Action::UsageError,
                           QStringLiteral("missing --to DEST: where should the copies go?"));
    if (parser.value(declared.to).isEmpty())
        return withMessage(Action::UsageError, QStringLiteral("--to needs a folder, not ''"));
    const QStringList sources = parser.positionalArguments();
    const QStringList lists = parser.values(declared.filesFrom);
    if (sources.isEmpty() && lists.isEmpty())
        return withMessage(Action::UsageError,
                           QStringLiteral("no SOURCE given (nor --files-from)"));
    if (parser.isSet(declared.null) && lists.isEmpty())
        return withMessage(Action::UsageError,
                           QStringLiteral("--null tells how a --files-from list is separated; "
                                          "give --files-from FILE too"));
    for (const QString &list : lists) {
        if (list.isEmpty())
            return withMessage(
                Action::UsageError,
                QStringLiteral("--files-from needs a file, or - for standard input"));
        options.m_lists.append(list == QLatin1String("-") ? list : resolved(list));
    }
    options.m_nullSeparated = parser.isSet(declared.null);
    options.m_workingDirectory = workingDirectory;
    for (const QString &source : sources) {
        if (source.isEmpty())
            return withMessage(Action::UsageError, QStringLiteral("empty SOURCE ''"));
        options.m_sources.append(resolved(source));
    }
    options.m_destination = resolved(parser.value(declared.to));
    options.m_removeReply = parser.isSet(declared.removeRe);
    options.m_removeForward = parser.isSet(declared.removeFw);
    options.m_dryRun = parser.isSet(declared.dryRun);
    options.m_json = parser.isSet(declared.json);
    options.m_quiet = parser.isSet(declared.quiet);
    return options;
}

CliOptions CliOptions::parseRaw(const QByteArrayList &arguments,
                                const Outcome<QByteArray> &workingDirectory)
{
    QStringList texts;
    for (const QByteArray &raw : arguments) {
        const std::optional<QString> text = rawnames::text(raw);
        if (!text)
            return withMessage(Action::UsageError,
                               QStringLiteral("the argument '%1' is not valid UTF-8; nothing was "
                                              "done")
                                   .arg(rawnames::visible(raw)));
        texts.append(*text);
    }
    const std::optional<QString> folder =
        workingDirectory ? rawnames::text(workingDirectory.value()) : std::nullopt;
    CliOptions options = parse(texts, folder.value_or(QString()));
    if ((options.m_action != Action::Run && options.m_action != Action::Undo) ||
        !options.m_usesWorkingDirectory || folder)
        return options;
    const QString problem =
        workingDirectory
            ? QStringLiteral("the working folder '%1' is not valid UTF-8")
                  .arg(rawnames::visible(workingDirectory.value()))
            : QStringLiteral("cannot find the working folder (%1)").arg(workingDirectory.reason());
    return withMessage(Action::UsageError,
                       problem + QStringLiteral(", so a relative path cannot be used; give SOURCE "
                                                "and --to as absolute paths"));
}
