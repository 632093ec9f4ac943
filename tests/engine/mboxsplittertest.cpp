// SPDX-License-Identifier: MIT
#include "mboxsplitter.h"

#include "sourcefile.h"
#include "testsupport.h"

#include <gtest/gtest.h>
#include <QTemporaryDir>

namespace {

// The messages MboxSplitter finds in bytes, each as its bytes.
QByteArrayList split(const QByteArray &bytes)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("mbox"));
    testsupport::writeFile(path, bytes);
    const SourceFile file(path);
    MboxSplitter splitter(file);
    QByteArrayList messages;
    for (;;) {
        const auto next = splitter.next();
        if (!next)
            return messages << next.reason().toUtf8();
        if (!next.value())
            return messages;
        messages.append(bytes.mid(next.value()->offset, next.value()->length));
    }
}

TEST(MboxSplitter, SplitsAtEverySeparatorLineAndHonoursOnlyCountsThatEndAtOne)
{
    // Puts the "\nFrom " before the second separator across the first block's end.
    const QByteArray long1 = QByteArray(MboxSplitter::kBlockBytes - 17, 'x') + '\n';
    const struct
    {
        const char *name;
        QByteArray mbox;
        QByteArrayList messages;
    } cases[] = {
        {"empty line before each separator",
         "From a\nA: 1\n\nx\n\nFrom b\nB: 2\n\ny\n\n",
         {"A: 1\n\nx\n", "B: 2\n\ny\n"}},
        {"CRLF",
         "From a\r\nA: 1\r\n\r\nx\r\n\r\nFrom b\r\nB: 2\r\n\r\ny\r\n",
         {"A: 1\r\n\r\nx\r\n", "B: 2\r\n\r\ny\r\n"}},
        {"no empty line before a separator",
         "From a\nA: 1\n\n--b--\nFrom - b\nB: 2\n\ny\n",
         {"A: 1\n\n--b--\n", "B: 2\n\ny\n"}},
        {"escaped body line kept as stored",
         "From a\nA: 1\n\n>From here\n\nFrom b\nB: 2\n",
         {"A: 1\n\n>From here\n", "B: 2\n"}},
        {"two separators in a row", "From a\nFrom b\nB: 2\n", {"", "B: 2\n"}},
        {"count honoured past a From line, before the empty line and separator",
         "From a\nContent-Length: 9\n\nFrom x\nx\n\nFrom b\nB: 2\n",
         {"Content-Length: 9\n\nFrom x\nx\n", "B: 2\n"}},
        {"count honoured to the end of the file",
         "From a\nContent-Length: 9\n\nFrom x\nx\n",
         {"Content-Length: 9\n\nFrom x\nx\n"}},
        {"count ending one byte early is ignored",
         "From a\nContent-Length: 1\n\nxy\n\nFrom b\nB: 2\n",
         {"Content-Length: 1\n\nxy\n", "B: 2\n"}},
        {"count beyond the end of the file is ignored",
         "From a\nContent-Length: 99\n\nxy\n\n",
         {"Content-Length: 99\n\nxy\n"}},
        {"separator across two blocks",
         "From a\nA: 1\n\n" + long1 + "\nFrom b\nB: 2\n",
         {"A: 1\n\n" + long1, "B: 2\n"}},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(split(c.mbox), c.messages);
    }
}

TEST(MboxSplitter, ReadsTheDateOfASeparatorLine)
{
    const struct
    {
        const char *line;
        const char *utc; // "" when the line has no date
    } cases[] = {
        {"From - Mon Jan  1 00:00:00 2024", "2024-01-01T00:00:00Z"},
        {"From jd\xc3\xb6"
         "e@m\xc3\xa4"
         "chine.example Tue Mar  5 08:00:00 2019",
         "2019-03-05T08:00:00Z"},
        {"From MAILER-DAEMON Fri Aug  3 16:28:10 2001", "2001-08-03T16:28:10Z"},
        {"From a b@x Sat Nov 22 10:31 2014 remote from x", "2014-11-22T10:31:00Z"},
        {"From a@x Wed Sep 20 04:19:00 +0200 1995", "1995-09-20T02:19:00Z"},
        {"From a@x Wed Sep 20 04:19:00 1995 -0100", "1995-09-20T05:19:00Z"},
        {"From 1844347792267117879@xxx", ""},
        {"From a@x Feb 30 00:00:00 2001", ""},
        {"From a@x Jan 1 25:00:00 2001", ""},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.line);
        const std::optional<QDateTime> date = MboxSplitter::separatorDate(c.line);
        EXPECT_EQ(date ? date->toUTC().toString(Qt::ISODate) : QString(), QString::fromUtf8(c.utc));
    }
}

} // namespace
