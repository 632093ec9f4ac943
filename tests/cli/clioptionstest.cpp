// SPDX-License-Identifier: MIT
#include "clioptions.h"

#include "testsupport.h"

#include <gtest/gtest.h>
#include <QFile>

namespace {

using Action = CliOptions::Action;

QStringList args(std::initializer_list<const char *> list)
{
    QStringList result{QStringLiteral("letterfold-cli")};
    for (const char *a : list)
        result.append(QString::fromUtf8(a));
    return result;
}

struct GoodCase
{
    std::initializer_list<const char *> arguments;
    NamingScheme scheme;
    const char *destination;
    std::initializer_list<const char *> sources;
    bool reply, forward, dryRun, json, quiet;
};

TEST(CliOptions, ParsesGoodCommandLines)
{
    const GoodCase cases[] = {
        {{"--to", "/out", "/m/a.eml"},
         NamingScheme::OptS,
         "/out",
         {"/m/a.eml"},
         false,
         false,
         false,
         false,
         false},
        {{"-s", "date-mdy-subject", "--to=/out", "a.eml"},
         NamingScheme::OptDS_mdy,
         "/out",
         {"/w/a.eml"},
         false,
         false,
         false,
         false,
         false},
        {{"a.emlx", "--scheme=subject-from", "--to", "out"},
         NamingScheme::OptSF,
         "/w/out",
         {"/w/a.emlx"},
         false,
         false,
         false,
         false,
         false},
        {{"-sfrom-subject", "--to", "/o", "x"},
         NamingScheme::OptFS,
         "/o",
         {"/w/x"},
         false,
         false,
         false,
         false,
         false},
        {{"-nq", "--json", "--remove-re", "--remove-fw", "--to", "../out/", "x/../b.eml"},
         NamingScheme::OptS,
         "/w/../out/",
         {"/w/x/../b.eml"},
         true,
         true,
         true,
         true,
         true},
        {{"--dry-run", "--quiet", "--to", "/o", "b", "a", "b"},
         NamingScheme::OptS,
         "/o",
         {"/w/b", "/w/a", "/w/b"},
         false,
         false,
         true,
         false,
         true},
        {{"--to", "/o", "--", "-n.eml"},
         NamingScheme::OptS,
         "/o",
         {"/w/-n.eml"},
         false,
         false,
         false,
         false,
         false},
        {{"-s", "subject", "-s", "date-subject", "--to", "/o", "a"},
         NamingScheme::OptDS_ymd,
         "/o",
         {"/w/a"},
         false,
         false,
         false,
         false,
         false},
    };
    for (const GoodCase &c : cases) {
        const QStringList line = args(c.arguments);
        SCOPED_TRACE(line.join(QLatin1Char(' ')).toStdString());
        const CliOptions options = CliOptions::parse(line, QStringLiteral("/w"));
        ASSERT_EQ(options.action(), Action::Run) << options.message().toStdString();
        EXPECT_EQ(options.message(), QString());
        EXPECT_EQ(options.scheme(), c.scheme);
        EXPECT_EQ(options.destination(), QString::fromUtf8(c.destination));
        QStringList sources;
        for (const char *s : c.sources)
            sources.append(QString::fromUtf8(s));
        EXPECT_EQ(options.sources(), sources);
        EXPECT_EQ(options.removeReply(), c.reply);
        EXPECT_EQ(options.removeForward(), c.forward);
        EXPECT_EQ(options.dryRun(), c.dryRun);
        EXPECT_EQ(options.json(), c.json);
        EXPECT_EQ(options.quiet(), c.quiet);
    }
}

TEST(CliOptions, TakesTheLastOfSchemeAndFormatAndTheTimeZone)
{
    const struct
    {
        std::initializer_list<const char *> arguments;
        NamingScheme scheme;
        const char *format; // nullptr: no template
        DateZone zone;
    } cases[] = {
        {{"--format", "{date}/{subject}"}, NamingScheme::OptS, "{date}/{subject}", DateZone::Local},
        {{"-s", "from-subject", "--format={from.name}"},
         NamingScheme::OptFS,
         "{from.name}",
         DateZone::Local},
        {{"--format", "{subject}", "-sdate-subject"},
         NamingScheme::OptDS_ymd,
         nullptr,
         DateZone::Local},
        {{"--format", "{subject}", "--format", "{from}"},
         NamingScheme::OptS,
         "{from}",
         DateZone::Local},
        {{"--time-zone", "header"}, NamingScheme::OptS, nullptr, DateZone::Header},
        {{"--time-zone=utc", "--time-zone", "local"}, NamingScheme::OptS, nullptr, DateZone::Local},
        {{"-s", "date-subject", "--time-zone", "utc"},
         NamingScheme::OptDS_ymd,
         nullptr,
         DateZone::Utc},
    };
    for (const auto &c : cases) {
        QStringList line = args(c.arguments);
        line << QStringLiteral("--to") << QStringLiteral("/o") << QStringLiteral("/a.eml");
        SCOPED_TRACE(line.join(QLatin1Char(' ')).toStdString());
        const CliOptions options = CliOptions::parse(line, QStringLiteral("/w"));
        ASSERT_EQ(options.action(), Action::Run) << options.message().toStdString();
        EXPECT_EQ(options.scheme(), c.scheme);
        ASSERT_EQ(options.format().has_value(), c.format != nullptr);
        if (c.format) {
            EXPECT_EQ(options.format()->text(), QString::fromUtf8(c.format));
        }
        EXPECT_EQ(options.timeZone(), c.zone);
    }
}

TEST(CliOptions, TakesListsOfSourcesBesideOrInsteadOfSourceArguments)
{
    const struct
    {
        std::initializer_list<const char *> arguments;
        std::initializer_list<const char *> lists;
        bool nullSeparated;
        std::initializer_list<const char *> sources;
    } rows[] = {
        {{"--files-from", "l.txt", "--to", "/o"}, {"/w/l.txt"}, false, {}},
        {{"--files-from=-", "--null", "--to", "/o", "a"}, {"-"}, true, {"/w/a"}},
        {{"--files-from", "/l", "--to", "/o", "--files-from", "-"}, {"/l", "-"}, false, {}},
    };
    for (const auto &row : rows) {
        const QStringList line = args(row.arguments);
        SCOPED_TRACE(line.join(QLatin1Char(' ')).toStdString());
        const CliOptions options = CliOptions::parse(line, QStringLiteral("/w"));
        ASSERT_EQ(options.action(), Action::Run) << options.message().toStdString();
        QStringList lists;
        for (const char *l : row.lists)
            lists.append(QString::fromUtf8(l));
        QStringList sources;
        for (const char *s : row.sources)
            sources.append(QString::fromUtf8(s));
        EXPECT_EQ(options.lists(), lists);
        EXPECT_EQ(options.nullSeparated(), row.nullSeparated);
        EXPECT_EQ(options.sources(), sources);
        EXPECT_EQ(options.workingDirectory(), QStringLiteral("/w"));
    }
}

// Regression: "lnk/../m.eml" was tidied to "m.eml" as text, which names
// another file than the kernel does when lnk is a link to a folder.
TEST(CliOptions, KeepsEveryStepOfAPathForTheKernelToResolve)
{
    const struct
    {
        const char *workingDirectory;
        const char *typed;
        const char *expected;
    } rows[] = {
        {"/w", "lnk/../m.eml", "/w/lnk/../m.eml"},
        {"/w", "./a/./b.eml", "/w/./a/./b.eml"},
        {"/w", "dlnk/../OUT", "/w/dlnk/../OUT"},
        {"/w", "/m/x/../../a.eml", "/m/x/../../a.eml"},
        {"/w", "a//b/", "/w/a//b/"},
        {"/", "lnk/../m.eml", "/lnk/../m.eml"},
    };
    for (const auto &row : rows) {
        SCOPED_TRACE(row.typed);
        const QString expected = QString::fromUtf8(row.expected);
        const CliOptions asSource = CliOptions::parse(args({"--to", "/o", row.typed}),
                                                      QString::fromUtf8(row.workingDirectory));
        EXPECT_EQ(asSource.sources(), QStringList{expected});
        const CliOptions asDestination = CliOptions::parse(args({"--to", row.typed, "/a.eml"}),
                                                           QString::fromUtf8(row.workingDirectory));
        EXPECT_EQ(asDestination.destination(), expected);
    }
}

// Regression: arguments were decoded with U+FFFD for bytes that are not UTF-8,
// and the run then used a different file, or none.
TEST(CliOptions, RefusesArgumentsThatAreNotUtf8AndShowsTheirBytes)
{
    const QByteArray folder = "/w";
    const struct
    {
        QByteArrayList arguments;
        const char *messagePart; // "" when the line is good
    } rows[] = {
        {{"--to", "/o", "caf\xE9.eml"}, "the argument 'caf\\xE9.eml' is not valid UTF-8"},
        {{"--to", "/o\xFF", "/a.eml"}, "'/o\\xFF'"},
        {{"-s", "\xC3", "--to", "/o", "/a.eml"}, "'\\xC3'"},
        {{"--to", "/o", "/a\xC0\xAF.eml"}, "'/a\\xC0\\xAF.eml'"},          // an overlong "/"
        {{"--to", "/o", "/a\xED\xA0\x80.eml"}, "'/a\\xED\\xA0\\x80.eml'"}, // a surrogate
        {{"--to", "/o", "/a\x1B.eml\xFE"}, "'/a\\x1B.eml\\xFE'"},
        {{"--to", "/o", "caf\xC3\xA9.eml"}, ""},
        {{"--to", "/o", "\xEF\xBB\xBF.eml"}, ""}, // a byte order mark is a character too
    };
    for (const auto &row : rows) {
        QByteArrayList line{"letterfold-cli"};
        line.append(row.arguments);
        SCOPED_TRACE(line.join(' ').toStdString());
        const CliOptions options = CliOptions::parseRaw(line, Outcome<QByteArray>::success(folder));
        if (*row.messagePart == '\0') {
            ASSERT_EQ(options.action(), Action::Run) << options.message().toStdString();
            EXPECT_EQ(QFile::encodeName(options.sources().front()),
                      folder + '/' + row.arguments.back());
            continue;
        }
        EXPECT_EQ(options.action(), Action::UsageError);
        EXPECT_TRUE(options.message().contains(QString::fromUtf8(row.messagePart)))
            << options.message().toStdString();
    }
}

TEST(CliOptions, NeedsAWorkingFolderInUtf8OnlyForRelativePaths)
{
    const Outcome<QByteArray> folders[] = {
        Outcome<QByteArray>::success("/home/caf\xE9"),
        Outcome<QByteArray>::failure(QStringLiteral("No such file or directory"))};
    const char *shown[] = {"'/home/caf\\xE9' is not valid UTF-8", "(No such file or directory)"};
    for (std::size_t i = 0; i < std::size(folders); ++i) {
        SCOPED_TRACE(shown[i]);
        const CliOptions relativeSource =
            CliOptions::parseRaw({"letterfold-cli", "--to", "/o", "a.eml"}, folders[i]);
        EXPECT_EQ(relativeSource.action(), Action::UsageError);
        EXPECT_TRUE(relativeSource.message().contains(QString::fromUtf8(shown[i])))
            << relativeSource.message().toStdString();
        const CliOptions relativeDestination =
            CliOptions::parseRaw({"letterfold-cli", "--to", "o", "/a.eml"}, folders[i]);
        EXPECT_EQ(relativeDestination.action(), Action::UsageError);
        const CliOptions absoluteOnly =
            CliOptions::parseRaw({"letterfold-cli", "--to", "/o", "/a.eml"}, folders[i]);
        ASSERT_EQ(absoluteOnly.action(), Action::Run) << absoluteOnly.message().toStdString();
        EXPECT_EQ(absoluteOnly.sources(), QStringList{QStringLiteral("/a.eml")});
    }
}

TEST(CliOptions, NamesTheSixSchemesInTheWindowsOrder)
{
    const char *names[] = {"subject",           "subject-from", "from-subject",
                           "subject-from-date", "date-subject", "date-mdy-subject"};
    for (std::size_t i = 0; i < kNamingSchemes.size(); ++i) {
        const CliOptions options = CliOptions::parse(
            args({"--scheme", names[i], "--to", "/o", "/a.eml"}), QStringLiteral("/"));
        EXPECT_EQ(options.scheme(), kNamingSchemes[i].scheme) << names[i];
        EXPECT_EQ(CliOptions::schemeName(kNamingSchemes[i].scheme), QString::fromUtf8(names[i]));
    }
    EXPECT_FALSE(CliOptions::schemeFromName(QStringLiteral("Subject")).has_value());
}

TEST(CliOptions, RejectsBadCommandLinesNamingWhatIsWrong)
{
    const struct
    {
        std::initializer_list<const char *> arguments;
        const char *messagePart;
    } cases[] = {
        {{}, "missing --to"},
        {{"a.eml"}, "missing --to"},
        {{"--to", "/o"}, "no SOURCE"},
        {{"--to"}, "'--to'"},
        {{"--to=", "a.eml"}, "--to needs a folder"},
        {{"--to", "/o", "-s", "bogus", "a"}, "unknown scheme 'bogus' for --scheme"},
        {{"--to", "/o", "--scheme", "Subject", "a"}, "'Subject'"},
        {{"--to", "/o", "--scheme"}, "'--scheme'"},
        {{"--to", "/o", "--bogus", "a"}, "'bogus'"},
        {{"--to", "/o", "-x", "a"}, "'x'"},
        {{"--to", "/o", ""}, "empty SOURCE"},
        {{"--to", "/o", "--remove-re=yes", "a"}, "remove-re"},
        {{"--to", "/o", "--null", "a"}, "--null tells how a --files-from list is separated"},
        {{"--to", "/o", "--files-from="}, "--files-from needs a file"},
        {{"--to", "/o", "--files-from"}, "'--files-from'"},
        {{"--to", "/o", "--format", "{frm}", "a"}, "bad --format: unknown token '{frm}'"},
        {{"--to", "/o", "--format", "../{subject}", "a"}, "bad --format: the template"},
        // Every choice given must be good, also one a later choice overrides.
        {{"--to", "/o", "-s", "bogus", "--format", "{subject}", "a"}, "unknown scheme 'bogus'"},
        {{"--to", "/o", "--format", "{date:%q}", "-s", "subject", "a"}, "'%q'"},
        {{"--to", "/o", "--time-zone", "gmt", "a"}, "unknown time zone 'gmt' for --time-zone"},
        {{"--to", "/o", "--time-zone"}, "'--time-zone'"},
        {{"--to", "/o", "--layout", "tree", "a"}, "unknown layout 'tree' for --layout"},
        {{"--to", "/o", "--set-time", "now", "a"}, "unknown time 'now' for --set-time"},
        {{"--to", "/o", "--manifest", "m.json", "-n", "a"}, "a dry run writes nothing"},
        {{"--to", "/o", "--manifest=", "a"}, "--manifest needs a file name"},
        {{"--undo", "m.json", "--to", "/o"}, "--undo takes no --to"},
        {{"--undo", "m.json", "--layout", "flat"}, "--undo takes no --layout"},
        {{"--undo", "m.json", "a.eml"}, "--undo takes no SOURCE"},
        {{"--undo="}, "--undo needs a file name"},
    };
    for (const auto &c : cases) {
        const QStringList line = args(c.arguments);
        const CliOptions options = CliOptions::parse(line, QStringLiteral("/w"));
        EXPECT_EQ(options.action(), Action::UsageError)
            << line.join(QLatin1Char(' ')).toStdString();
        EXPECT_TRUE(options.message().contains(QString::fromUtf8(c.messagePart)))
            << line.join(QLatin1Char(' ')).toStdString() << " -> "
            << options.message().toStdString();
    }
}

TEST(CliOptions, ReadsLayoutSetTimeManifestAndUndo)
{
    const struct
    {
        std::initializer_list<const char *> arguments;
        Action action;
        Layout layout;
        FileTime fileTime;
        const char *manifest;
        const char *undo;
        bool dryRun;
    } cases[] = {
        {{"--to", "/o", "a"}, Action::Run, Layout::Full, FileTime::Source, "", "", false},
        {{"--layout", "relative", "--set-time", "message", "--to", "/o", "a"},
         Action::Run,
         Layout::Relative,
         FileTime::Message,
         "",
         "",
         false},
        {{"--layout=flat", "--set-time=source", "--manifest", "m.json", "--to", "/o", "a"},
         Action::Run,
         Layout::Flat,
         FileTime::Source,
         "/w/m.json",
         "",
         false},
        {{"--undo", "../m.json", "-n"},
         Action::Undo,
         Layout::Full,
         FileTime::Source,
         "",
         "/w/../m.json",
         true},
    };
    for (const auto &c : cases) {
        const QStringList line = args(c.arguments);
        SCOPED_TRACE(line.join(QLatin1Char(' ')).toStdString());
        const CliOptions options = CliOptions::parse(line, QStringLiteral("/w"));
        EXPECT_EQ(options.action(), c.action) << options.message().toStdString();
        EXPECT_EQ(options.layout(), c.layout);
        EXPECT_EQ(options.fileTime(), c.fileTime);
        EXPECT_EQ(options.manifest(), QString::fromUtf8(c.manifest));
        EXPECT_EQ(options.undoManifest(), QString::fromUtf8(c.undo));
        EXPECT_EQ(options.dryRun(), c.dryRun);
    }
}

TEST(CliOptions, AnswersHelpAndVersionBeforeCheckingTheRest)
{
    for (const auto &line : {args({"-h"}), args({"--help"}), args({"--to", "/o", "--help"}),
                             args({"-s", "bogus", "--help"})}) {
        const CliOptions options = CliOptions::parse(line);
        EXPECT_EQ(options.action(), Action::ShowHelp);
        EXPECT_TRUE(options.message().startsWith(
            QStringLiteral("Usage: letterfold-cli [OPTION]... --to DEST SOURCE...\n")));
    }
    const CliOptions version = CliOptions::parse(args({"--version"}));
    EXPECT_EQ(version.action(), Action::ShowVersion);
    EXPECT_EQ(version.message(), QStringLiteral("letterfold-cli 2.00"));
}

TEST(CliOptions, HelpListsEveryOptionAndFitsAnEightyColumnTerminal)
{
    const QString help = CliOptions::helpText();
    for (const char *option :
         {"--to DEST", "-s, --scheme NAME", "--format TEMPLATE", "--time-zone ZONE",
          "--layout LAYOUT", "--set-time TIME", "--manifest FILE", "--undo FILE", "--remove-re",
          "--remove-fw", "-n, --dry-run", "--json", "-q, --quiet", "-h, --help", "--version",
          "Exit status:",
          // Regression: shown as "(m-d-y)", but the names read month-year-day.
          "date-mdy-subject   Date (mm-yyyy-dd) + Subject"})
        EXPECT_TRUE(help.contains(QString::fromUtf8(option))) << option;
    for (const QString &option : CliOptions::longOptions())
        EXPECT_TRUE(help.contains(QStringLiteral("--") + option)) << option.toStdString();
    for (const QString &line : help.split(QLatin1Char('\n')))
        EXPECT_LE(line.size(), 79) << line.toStdString();
}

} // namespace
