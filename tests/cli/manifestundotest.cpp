// SPDX-License-Identifier: MIT
// A run with --manifest, then --undo of it, through the built letterfold-cli.
#include "testsupport.h"

#include <functional>
#include <gtest/gtest.h>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

namespace {

using testsupport::readAll;
using testsupport::writeFile;
using Result = testsupport::ProcessResult;

QByteArray message(const QString &subject)
{
    return QStringLiteral("From: Ann <a@x.org>\nSubject: %1\nDate: Sun, 07 Mar 2010 10:00:00 "
                          "+0000\n\nHi.\n")
        .arg(subject)
        .toUtf8();
}

// Everything below root, folders with a trailing "/", relative to root.
QStringList entriesBelow(const QString &root)
{
    QStringList entries;
    QDirIterator it(root, QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                    QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = it.next();
        entries.append(path.mid(root.size() + 1) + (it.fileInfo().isDir() ? "/" : ""));
    }
    entries.sort();
    return entries;
}

class ManifestUndo : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_temp.isValid());
        m_root = m_temp.path();
        m_out = m_root + QStringLiteral("/out");
        m_manifest = m_root + QStringLiteral("/run.jsonl");
        // out/keep.eml is the user's before the run; the run adds out/mail/.
        writeFile(m_out + QStringLiteral("/keep.eml"), "the user's own");
        for (const char *subject : {"Alpha", "Beta", "Gamma"})
            writeFile(m_root + QStringLiteral("/mail/%1.eml").arg(QLatin1String(subject)),
                      message(QLatin1String(subject)));
    }

    Result cli(const QStringList &arguments)
    {
        return testsupport::runProcess(QStringLiteral(LETTERFOLD_CLI), arguments, m_root);
    }

    Result runWithManifest()
    {
        return cli({QStringLiteral("--layout"), QStringLiteral("relative"), QStringLiteral("--to"),
                    m_out + QStringLiteral("/mail"), QStringLiteral("--manifest"), m_manifest,
                    m_root + QStringLiteral("/mail")});
    }

    QString copy(const char *subject) const
    {
        return m_out + QStringLiteral("/mail/%1.eml").arg(QLatin1String(subject));
    }

    QTemporaryDir m_temp;
    QString m_root;
    QString m_out;
    QString m_manifest;
};

TEST_F(ManifestUndo, RemovesWhatTheRunWroteAndKeepsWhatChangedSince)
{
    const QStringList before = entriesBelow(m_out);
    const struct
    {
        const char *name;
        std::function<void()> meanwhile;
        bool dryRun;
        int exitCode;
        QStringList left; // below out after the undo
        const char *errPart;
    } cases[] = {
        {"untouched", [] {}, false, 0, before, ""},
        {"a copy edited after the run is kept, and its folder with it",
         [this] { writeFile(copy("Beta"), message(QStringLiteral("Edited"))); }, false, 1,
         before + QStringList{"mail/", "mail/Beta.eml"}, "Beta.eml: kept: changed since the run"},
        {"a copy replaced by a link is kept, link and all",
         [this] {
             QFile::remove(copy("Alpha"));
             QFile::link(m_root + QStringLiteral("/mail/Alpha.eml"), copy("Alpha"));
         },
         false, 1, before + QStringList{"mail/", "mail/Alpha.eml"},
         "Alpha.eml: kept: replaced by a link since the run"},
        {"a file the user put in a folder the run made keeps the folder",
         [this] { writeFile(m_out + QStringLiteral("/mail/notes.txt"), "mine"); }, false, 1,
         before + QStringList{"mail/", "mail/notes.txt"}, "mail: kept: not empty"},
        {"a copy removed by hand is already gone", [this] { QFile::remove(copy("Gamma")); }, false,
         0, before, ""},
        {"a dry run removes nothing", [] {}, true, 0,
         before + QStringList{"mail/", "mail/Alpha.eml", "mail/Beta.eml", "mail/Gamma.eml"}, ""},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        QFile::remove(m_manifest);
        QDir(m_out + QStringLiteral("/mail")).removeRecursively();
        const Result run = runWithManifest();
        ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
        c.meanwhile();

        QStringList undo{QStringLiteral("--undo"), m_manifest};
        if (c.dryRun)
            undo.append(QStringLiteral("--dry-run"));
        const Result result = cli(undo);
        EXPECT_EQ(result.exitCode, c.exitCode)
            << result.out.toStdString() << result.err.toStdString();
        EXPECT_TRUE(result.err.contains(QString::fromUtf8(c.errPart))) << result.err.toStdString();
        EXPECT_EQ(entriesBelow(m_out), c.left);
        EXPECT_EQ(readAll(m_out + QStringLiteral("/keep.eml")), "the user's own");
        if (c.dryRun) {
            EXPECT_TRUE(result.out.endsWith(
                QStringLiteral("3 copies and 1 folder would be removed, 0 kept\n")))
                << result.out.toStdString();
        }
    }
}

TEST_F(ManifestUndo, AKilledRunsManifestUndoesExactlyTheCopiesItLists)
{
    // A run killed after its second message leaves the run line, the folder
    // line and two message lines; one killed in mid-write, part of the third.
    for (const int partOfTheNext : {0, 20}) {
        SCOPED_TRACE(partOfTheNext);
        QFile::remove(m_manifest);
        QDir(m_out + QStringLiteral("/mail")).removeRecursively();
        ASSERT_EQ(runWithManifest().exitCode, 0);
        const QList<QByteArray> lines = readAll(m_manifest).split('\n');
        ASSERT_EQ(lines.size(), 6); // five lines and the nothing after the last newline
        ASSERT_TRUE(lines[1].contains("\"kind\":\"folder\""));
        QFile file(m_manifest);
        ASSERT_TRUE(file.resize(lines[0].size() + lines[1].size() + lines[2].size() +
                                lines[3].size() + 4 + partOfTheNext));

        const Result result = cli({QStringLiteral("--undo"), m_manifest});
        EXPECT_EQ(result.exitCode, 1) << result.err.toStdString();
        EXPECT_TRUE(result.err.contains(QStringLiteral("mail: kept: not empty")));
        EXPECT_EQ(result.err.contains(QStringLiteral("run.jsonl: kept: its last line is cut off")),
                  partOfTheNext > 0)
            << result.err.toStdString();
        EXPECT_EQ(entriesBelow(m_out), (QStringList{"keep.eml", "mail/", "mail/Gamma.eml"}));
    }
}

TEST_F(ManifestUndo, RefusesAnExistingManifestAndAMalformedOneLosingNothing)
{
    writeFile(m_manifest, "precious");
    const Result refused = runWithManifest();
    EXPECT_EQ(refused.exitCode, 2);
    EXPECT_TRUE(refused.err.contains(QStringLiteral("exists already")))
        << refused.err.toStdString();
    EXPECT_EQ(readAll(m_manifest), "precious");
    EXPECT_EQ(entriesBelow(m_out), QStringList{"keep.eml"});

    QFile::remove(m_manifest);
    ASSERT_EQ(runWithManifest().exitCode, 0);
    const QStringList copies = entriesBelow(m_out);
    QByteArray text = readAll(m_manifest);
    text.replace("\"kind\":\"message\"", "\"kind\":\"mesage\"");
    writeFile(m_manifest, text);
    const Result malformed = cli({QStringLiteral("--undo"), m_manifest});
    EXPECT_EQ(malformed.exitCode, 2);
    EXPECT_TRUE(malformed.err.contains(QStringLiteral(", line 3: no known \"kind\"; nothing was "
                                                      "removed")))
        << malformed.err.toStdString();
    EXPECT_EQ(entriesBelow(m_out), copies);
}

} // namespace
