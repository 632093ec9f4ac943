// SPDX-License-Identifier: MIT
#include "terminalhost.h"

#include "testsupport.h"

#include <gtest/gtest.h>
#include <QJsonDocument>
#include <QJsonObject>

namespace {

MessageReport report(MessageStatus status, const char *target, const char *reason,
                     const char *note = "", int message = 0)
{
    MessageReport r;
    r.source = message > 0 ? QStringLiteral("/m/In#box") : QStringLiteral("/m/a b.eml");
    r.message = message;
    r.target = QString::fromUtf8(target);
    r.status = status;
    r.reason = QString::fromUtf8(reason);
    r.note = QString::fromUtf8(note);
    return r;
}

TEST(TerminalHost, WritesOneJsonObjectWithTheSameKeysPerMessage)
{
    const struct
    {
        MessageReport report;
        const char *json;
    } cases[] = {
        {report(MessageStatus::Copied, "/o/m/A \"q\".eml", ""),
         R"({"message":null,"note":null,"reason":null,"source":"/m/a b.eml","status":"copied","target":"/o/m/A \"q\".eml"})"},
        {report(MessageStatus::Planned, "/o/m/A.eml", ""),
         R"({"message":null,"note":null,"reason":null,"source":"/m/a b.eml","status":"planned","target":"/o/m/A.eml"})"},
        {report(MessageStatus::Unchanged, "/o/m/A.eml", "already in the destination"),
         R"({"message":null,"note":null,"reason":"already in the destination","source":"/m/a b.eml","status":"unchanged","target":"/o/m/A.eml"})"},
        {report(MessageStatus::Skipped, "", "a copy from an earlier run"),
         R"({"message":null,"note":null,"reason":"a copy from an earlier run","source":"/m/a b.eml","status":"skipped","target":null})"},
        {report(MessageStatus::Failed, "", "No such file or directory"),
         R"({"message":null,"note":null,"reason":"No such file or directory","source":"/m/a b.eml","status":"failed","target":null})"},
        {report(MessageStatus::Copied, "/o/m/A.eml", "",
                "1 of 2 attachments restored; missing: 2 a.pdf"),
         R"({"message":null,"note":"1 of 2 attachments restored; missing: 2 a.pdf","reason":null,"source":"/m/a b.eml","status":"copied","target":"/o/m/A.eml"})"},
        // A message of a mailbox: its number apart from the path, which may hold "#".
        {report(MessageStatus::Copied, "/o/m/In#box/A.eml", "", "", 12),
         R"({"message":12,"note":null,"reason":null,"source":"/m/In#box","status":"copied","target":"/o/m/In#box/A.eml"})"},
    };
    for (const auto &c : cases)
        EXPECT_EQ(TerminalHost::jsonLine(c.report), QByteArray(c.json));
}

TEST(TerminalHost, DrawsAProgressBarOfThirtyCells)
{
    const struct
    {
        float percent;
        const char *line;
    } cases[] = {
        {0.0f, "[------------------------------]   0% Message 0 (of 3)"},
        {33.33333f, "[##########--------------------]  33% Message 0 (of 3)"},
        {66.66667f, "[####################----------]  66% Message 0 (of 3)"},
        {100.0f, "[##############################] 100% Message 0 (of 3)"},
        {250.0f, "[##############################] 100% Message 0 (of 3)"},
    };
    for (const auto &c : cases)
        EXPECT_EQ(TerminalHost::progressLine(c.percent, QStringLiteral("Message 0 (of 3)")),
                  QString::fromUtf8(c.line));
}

TEST(TerminalHost, WipesTheProgressBarBeforeEveryLine)
{
    QString outText;
    QString errText;
    QTextStream out(&outText);
    QTextStream err(&errText);
    TerminalHost::Settings settings;
    settings.progressBar = true;
    TerminalHost host(settings, {QStringLiteral("/m/a b.eml"), QStringLiteral("/m/c.eml")}, out,
                      err);
    host.rowStarted(0);
    host.progress(0.5);
    host.reportMessage(report(MessageStatus::Failed, "", "gone"));
    host.reportMessage(report(MessageStatus::Copied, "/o/A.eml", ""));
    host.clearProgress();
    EXPECT_EQ(outText, QStringLiteral("/m/a b.eml -> /o/A.eml\n"));
    EXPECT_EQ(errText, QStringLiteral("\r[###############---------------]  50% Message 1 (of 2)"
                                      "\x1b[K\r\x1b[K/m/a b.eml: gone\n"));
}

TEST(TerminalHost, DrawsNothingWithoutAProgressBar)
{
    QString outText;
    QString errText;
    QTextStream out(&outText);
    QTextStream err(&errText);
    TerminalHost::Settings settings;
    settings.json = true;
    TerminalHost host(settings, {}, out, err);
    host.progress(0.5);
    host.reportMessage(report(MessageStatus::Failed, "", "gone"));
    host.clearProgress();
    EXPECT_TRUE(errText.isEmpty());
    EXPECT_TRUE(QJsonDocument::fromJson(outText.toUtf8()).isObject());
}

// The preview on a terminal: every message on out, in a table whose status
// column stays put, targets below the destination the header names, and no
// control character of a file name reaching the terminal.
TEST(TerminalHost, ShowsADryRunOnATerminalAsATable)
{
    QString outText;
    QString errText;
    QTextStream out(&outText);
    QTextStream err(&errText);
    TerminalHost::Settings settings;
    settings.destination = QStringLiteral("/o");
    settings.table = true;
    TerminalHost host(settings, {}, out, err);
    const MessageReport reports[] = {
        report(MessageStatus::Planned, "/o/m/2010/A.eml", ""),
        report(MessageStatus::Unchanged, "/o/m/A.eml", "already in the destination"),
        report(MessageStatus::Planned, "/o/m/A.eml", "", "1 of 2 attachments restored"),
        report(MessageStatus::Skipped, "", "a copy from an earlier run"),
        report(MessageStatus::Failed, "", "No such file or directory"),
    };
    for (MessageReport r : reports) {
        if (r.status == MessageStatus::Failed)
            r.source = QStringLiteral("/m/\x1b]0;owned\x07.eml");
        if (r.status == MessageStatus::Unchanged)
            r.message = 12;
        host.reportMessage(r);
    }
    EXPECT_EQ(outText, QStringLiteral("status     source -> copy in /o/\n"
                                      "planned    /m/a b.eml -> m/2010/A.eml\n"
                                      "unchanged  /m/a b.eml, message 12 -> m/A.eml\n"
                                      "planned    /m/a b.eml -> m/A.eml (1 of 2 attachments "
                                      "restored)\n"
                                      "skipped    /m/a b.eml: a copy from an earlier run\n"
                                      "failed     /m/\\x1B]0;owned\\x07.eml: No such file or "
                                      "directory\n"));
    EXPECT_TRUE(errText.isEmpty()) << errText.toStdString();
}

TEST(TerminalHost, ReadsAnyRowWhateverRowIsUnderWay)
{
    QString outText;
    QString errText;
    QTextStream out(&outText);
    QTextStream err(&errText);
    TerminalHost host({}, {QStringLiteral("/m/a.eml"), QStringLiteral("/m/b.eml")}, out, err);
    host.rowStarted(1);
    const struct
    {
        int row;
        const char *text;
    } cases[] = {{0, "/m/a.eml"}, {1, "/m/b.eml"}, {2, ""}, {-1, ""}};
    for (const auto &c : cases)
        EXPECT_EQ(host.rowText(c.row), QString::fromUtf8(c.text)) << c.row;
}

} // namespace
