// SPDX-License-Identifier: MIT
// --layout and --set-time through the built letterfold-cli.
#include "testsupport.h"

#include <gtest/gtest.h>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <sys/stat.h>
#include <utime.h>

namespace {

using testsupport::writeFile;
using Result = testsupport::ProcessResult;

QByteArray message(const QString &subject, const QString &date)
{
    return QStringLiteral("From: Ann <a@x.org>\nSubject: %1\n%2\nHi.\n")
        .arg(subject, date.isEmpty() ? QString() : QStringLiteral("Date: %1\n").arg(date))
        .toUtf8();
}

QStringList filesBelow(const QString &root)
{
    return testsupport::snapshot(root).keys();
}

class Layout : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_temp.isValid());
        m_root = m_temp.path();
        const QString date = QStringLiteral("Sun, 07 Mar 2010 10:00:00 +0000");
        writeFile(m_root + QStringLiteral("/src/in/a.eml"), message(QStringLiteral("Alpha"), date));
        writeFile(m_root + QStringLiteral("/src/in/sub/b.eml"),
                  message(QStringLiteral("Beta"), date));
        writeFile(m_root + QStringLiteral("/src/box/saved.mbox"),
                  "From a@x.org Sun Mar  7 10:00:00 2010\n" +
                      message(QStringLiteral("Gamma"), date) +
                      "\nFrom a@x.org Sun Mar  7 10:00:00 2010\n" +
                      message(QStringLiteral("Delta"), date));
        writeFile(m_root + QStringLiteral("/src/other/c.eml"),
                  message(QStringLiteral("Alpha"), QStringLiteral("Mon, 08 Mar 2010 10:00:00 "
                                                                  "+0000")));
    }

    Result cli(const QStringList &arguments)
    {
        return testsupport::runProcess(QStringLiteral(LETTERFOLD_CLI), arguments, m_root);
    }

    QTemporaryDir m_temp;
    QString m_root;
};

TEST_F(Layout, PutsEachCopyWhereItsLayoutSaysAndNumbersCollisions)
{
    const QString full = m_root.mid(1) + QStringLiteral("/src/");
    const struct
    {
        const char *layout;
        QStringList sources;  // below src/; "@" marks one read with --files-from
        QStringList expected; // below out/
    } cases[] = {
        {"full", {"in"}, {full + "in/Alpha.eml", full + "in/sub/Beta.eml"}},
        {"full", {"in/sub/b.eml"}, {full + "in/sub/Beta.eml"}},
        {"relative", {"in"}, {"Alpha.eml", "sub/Beta.eml"}},
        {"relative", {"in/sub/b.eml"}, {"Beta.eml"}},
        {"relative", {"in", "other"}, {"Alpha (2).eml", "Alpha.eml", "sub/Beta.eml"}},
        {"relative", {"in/sub", "in"}, {"Alpha.eml", "Beta.eml", "sub/Beta.eml"}},
        {"relative", {"box"}, {"saved.mbox/Delta.eml", "saved.mbox/Gamma.eml"}},
        {"relative", {"box/saved.mbox"}, {"saved.mbox/Delta.eml", "saved.mbox/Gamma.eml"}},
        {"relative", {"@in"}, {"Alpha.eml", "Beta.eml"}},
        {"relative", {"in", "@in/sub/b.eml"}, {"Alpha.eml", "Beta.eml", "sub/Beta.eml"}},
        {"flat", {"in"}, {"Alpha.eml", "Beta.eml"}},
        {"flat", {"box", "in/sub"}, {"Beta.eml", "Delta.eml", "Gamma.eml"}},
        {"flat", {"in", "other/c.eml"}, {"Alpha (2).eml", "Alpha.eml", "Beta.eml"}},
    };
    for (const auto &c : cases) {
        const QString out =
            m_root + QStringLiteral("/out-%1-%2").arg(QLatin1String(c.layout)).arg(&c - cases);
        QStringList arguments{QStringLiteral("--layout"), QLatin1String(c.layout),
                              QStringLiteral("--to"), out};
        QByteArray list;
        for (const QString &source : c.sources) {
            if (source.startsWith(QLatin1Char('@')))
                list += (m_root + QStringLiteral("/src/") + source.mid(1)).toUtf8() + '\n';
            else
                arguments.append(m_root + QStringLiteral("/src/") + source);
        }
        if (!list.isEmpty()) {
            const QString listFile = out + QStringLiteral(".list");
            writeFile(listFile, list);
            arguments << QStringLiteral("--files-from") << listFile;
        }
        SCOPED_TRACE(arguments.join(QLatin1Char(' ')).toStdString());
        const Result result = cli(arguments);
        EXPECT_EQ(result.exitCode, 0) << result.err.toStdString();
        EXPECT_EQ(filesBelow(out), c.expected);
    }
}

TEST_F(Layout, ADestinationInsideTheSourcesDoesNotFeedOnItselfInAnyLayout)
{
    for (const char *layout : {"full", "relative", "flat"}) {
        SCOPED_TRACE(layout);
        const QString out = m_root + QStringLiteral("/src/in/renamed-") + QLatin1String(layout);
        const QStringList arguments{QStringLiteral("--layout"), QLatin1String(layout),
                                    QStringLiteral("--to"), out,
                                    m_root + QStringLiteral("/src/in")};
        ASSERT_EQ(cli(arguments).exitCode, 0);
        const QStringList first = filesBelow(out);
        ASSERT_EQ(first.size(), 2);
        const Result again = cli(arguments);
        EXPECT_EQ(again.exitCode, 0) << again.err.toStdString();
        EXPECT_TRUE(again.out.contains(QStringLiteral("a copy from an earlier run")))
            << again.out.toStdString();
        EXPECT_EQ(filesBelow(out), first);
        // Out of the way of the next layout's run over the same sources.
        QDir(out).removeRecursively();
    }
}

TEST_F(Layout, SetTimeGivesTheCopyTheMessagesDateOrKeepsTheSourcesTime)
{
    const qint64 sourceTime = 1000000000;  // 2001-09-09
    const qint64 messageTime = 1267956000; // Sun, 07 Mar 2010 10:00:00 +0000
    writeFile(m_root + QStringLiteral("/src/undated/d.eml"), message(QStringLiteral("Delta"), {}));
    for (const char *path : {"/src/in/a.eml", "/src/undated/d.eml"}) {
        const utimbuf times{time_t(sourceTime), time_t(sourceTime)};
        ASSERT_EQ(::utime(QFile::encodeName(m_root + QLatin1String(path)).constData(), &times), 0);
    }
    const struct
    {
        const char *setTime; // nullptr: not given
        const char *source;
        const char *copy;
        qint64 expected;
    } cases[] = {
        {nullptr, "/src/in/a.eml", "Alpha.eml", sourceTime},
        {"source", "/src/in/a.eml", "Alpha.eml", sourceTime},
        {"message", "/src/in/a.eml", "Alpha.eml", messageTime},
        {"message", "/src/undated/d.eml", "Delta.eml", sourceTime},
    };
    for (const auto &c : cases) {
        const QString out = m_root + QStringLiteral("/out%1").arg(&c - cases);
        QStringList arguments{QStringLiteral("--layout"), QStringLiteral("flat"),
                              QStringLiteral("--to"), out, m_root + QLatin1String(c.source)};
        if (c.setTime)
            arguments += {QStringLiteral("--set-time"), QLatin1String(c.setTime)};
        SCOPED_TRACE(arguments.join(QLatin1Char(' ')).toStdString());
        const Result result = cli(arguments);
        ASSERT_EQ(result.exitCode, 0) << result.err.toStdString();
        EXPECT_EQ(QFileInfo(out + QLatin1Char('/') + QLatin1String(c.copy))
                      .lastModified()
                      .toSecsSinceEpoch(),
                  c.expected);
    }
}

} // namespace
