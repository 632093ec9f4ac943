// SPDX-License-Identifier: MIT
// The shell completions and the manuals against the parser: every option it
// knows is offered and described, and the completions offer what each option
// takes.
#include "clioptions.h"
#include "temptree.h"
#include "testsupport.h"

#include <gtest/gtest.h>
#include <QStandardPaths>

namespace {

QString resource(const char *relative)
{
    return QStringLiteral(LETTERFOLD_RESOURCES "/") + QString::fromUtf8(relative);
}

// How each file writes a long option ("%1" is its name, "files-from"); a man
// page writes every hyphen as "\-".
const struct
{
    const char *file;
    const char *spelling;
    bool roff;
} kOptionSpellings[] = {
    {"completions/letterfold-cli.bash", "--%1", false},
    {"completions/_letterfold-cli", "--%1", false},
    {"completions/letterfold-cli.fish", "-l %1", false},
    {"letterfold-cli.1.in", "--%1", true},
    {"manual/index.html", "<code>--%1", false},
};

TEST(Completions, EveryFileNamesEveryOptionTheParserKnows)
{
    for (const auto &row : kOptionSpellings) {
        const QString text = QString::fromUtf8(testsupport::readAll(resource(row.file)));
        ASSERT_FALSE(text.isEmpty()) << row.file;
        for (const QString &option : CliOptions::longOptions()) {
            QString written = QString::fromUtf8(row.spelling).arg(option);
            if (row.roff)
                written.replace(QLatin1Char('-'), QStringLiteral("\\-"));
            EXPECT_TRUE(text.contains(written)) << row.file << " lacks " << written.toStdString();
        }
        if (!QByteArray(row.file).startsWith("completions/"))
            continue;
        for (const NamingSchemeEntry &entry : kNamingSchemes)
            EXPECT_TRUE(text.contains(QString::fromLatin1(entry.cliName)))
                << row.file << " lacks the scheme " << entry.cliName;
    }
}

// Each shell reads its file without a syntax error, where that shell is installed.
TEST(Completions, EveryShellReadsItsFile)
{
    const struct
    {
        const char *shell;
        const char *file;
    } rows[] = {{"bash", "completions/letterfold-cli.bash"},
                {"zsh", "completions/_letterfold-cli"},
                {"fish", "completions/letterfold-cli.fish"}};
    for (const auto &row : rows) {
        const QString shell = QStandardPaths::findExecutable(QString::fromUtf8(row.shell));
        if (shell.isEmpty())
            continue; // not installed here
        const testsupport::ProcessResult result =
            testsupport::runProcess(shell, {QStringLiteral("-n"), resource(row.file)});
        EXPECT_EQ(result.exitCode, 0) << row.shell << ": " << result.err.toStdString();
    }
}

// What bash and fish offer for a command line typed so far, in a folder
// holding the folder "sub dir" and the file m.eml.
QStringList offered(const char *shell, const QStringList &words, const QString &folder)
{
    const QString program = QStandardPaths::findExecutable(QString::fromUtf8(shell));
    if (program.isEmpty())
        return {QStringLiteral("(not installed)")};
    testsupport::ProcessResult result;
    if (QByteArray(shell) == "bash") {
        const QString script = QStringLiteral(
            "source \"$0\"; COMP_WORDS=(\"$@\"); COMP_CWORD=$(($# - 1)); _letterfold_cli; "
            "printf '%s\\n' \"${COMPREPLY[@]}\"");
        result = testsupport::runProcess(
            program,
            QStringList{QStringLiteral("-c"), script, resource("completions/letterfold-cli.bash")} +
                words,
            folder);
    } else {
        result = testsupport::runProcess(program,
                                         {QStringLiteral("--no-config"), QStringLiteral("-c"),
                                          QStringLiteral("source $argv[1]; complete -C $argv[2]"),
                                          resource("completions/letterfold-cli.fish"),
                                          words.join(QLatin1Char(' '))},
                                         folder);
    }
    QStringList candidates;
    for (const QString &line : result.out.split(QLatin1Char('\n'), Qt::SkipEmptyParts)) {
        QString candidate = line.section(QLatin1Char('\t'), 0, 0);
        if (candidate.endsWith(QLatin1Char('/')))
            candidate.chop(1);
        candidates.append(candidate);
    }
    return candidates;
}

TEST(Completions, BashAndFishOfferWhatEachOptionTakes)
{
    TempTree tree;
    tree.folder("sub dir");
    tree.file("m.eml", "Subject: x\n\n");
    const struct
    {
        QStringList words; // the last is the word being typed
        QStringList offered;
        QStringList notOffered;
    } rows[] = {
        {{"--sch"}, {"--scheme"}, {"--to"}},
        {{"--files-f"}, {"--files-from"}, {}},
        {{"--scheme", "date"}, {"date-subject", "date-mdy-subject"}, {"subject", "m.eml"}},
        {{"-s", ""}, {"subject", "subject-from-date"}, {"m.eml"}},
        {{"--to", ""}, {"sub dir"}, {"m.eml"}},
        {{"--files-from", ""}, {"m.eml", "sub dir"}, {}},
        {{"--to", "sub dir", ""}, {"m.eml", "sub dir"}, {"--to"}},
        {{"--layout", ""}, {"full", "relative", "flat"}, {"m.eml"}},
        {{"--set-time", "m"}, {"message"}, {"source", "m.eml"}},
        {{"--undo", ""}, {"m.eml"}, {"--to"}},
    };
    for (const char *shell : {"bash", "fish"}) {
        for (const auto &row : rows) {
            const QStringList words = QStringList{QStringLiteral("letterfold-cli")} + row.words;
            const QStringList candidates = offered(shell, words, tree.root());
            if (candidates == QStringList{QStringLiteral("(not installed)")})
                break;
            SCOPED_TRACE(std::string(shell) + ": " + words.join(u'|').toStdString() + " -> " +
                         candidates.join(u'|').toStdString());
            for (const QString &candidate : row.offered)
                EXPECT_TRUE(candidates.contains(candidate)) << candidate.toStdString();
            for (const QString &candidate : row.notOffered)
                EXPECT_FALSE(candidates.contains(candidate)) << candidate.toStdString();
        }
    }
}

} // namespace
