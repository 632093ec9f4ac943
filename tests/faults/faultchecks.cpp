// SPDX-License-Identifier: MIT
#include "faultchecks.h"

#include "testsupport.h"
#include "treesnapshot.h"

#include <gtest/gtest.h>
#include <QFile>
#include <QSet>

namespace faultchecks {

namespace {

// The hash part of a "file <mode> <hash>" description; "" for anything else.
QByteArray hashOf(const QByteArray &description)
{
    if (!description.startsWith("file "))
        return {};
    return description.mid(description.lastIndexOf(' ') + 1);
}

} // namespace

QByteArray message(const QString &subject, qsizetype size)
{
    QByteArray bytes = "From: Ann Example <ann@example.org>\r\nSubject: " + subject.toUtf8() +
                       "\r\nDate: Sun, 7 Mar 2010 12:00:00 +0000\r\n\r\n";
    const QByteArray line = QByteArray(70, 'x') + "\r\n";
    while (bytes.size() < size)
        bytes += line;
    return bytes;
}

void writeMessage(const QString &path, const QString &subject, qsizetype size)
{
    testsupport::writeFile(path, message(subject, size));
}

void expectUnchanged(const QMap<QByteArray, QByteArray> &before,
                     const QMap<QByteArray, QByteArray> &after)
{
    EXPECT_FALSE(before.isEmpty()) << "the snapshot of the sources is empty";
    for (auto it = before.cbegin(); it != before.cend(); ++it) {
        const auto now = after.constFind(it.key());
        if (now == after.cend())
            ADD_FAILURE() << "source entry gone: " << it.key().toStdString();
        else
            EXPECT_EQ(now.value(), it.value())
                << "source entry changed: " << it.key().toStdString();
    }
    for (auto it = after.cbegin(); it != after.cend(); ++it)
        EXPECT_TRUE(before.contains(it.key()))
            << "entry appeared among the sources: " << it.key().toStdString();
}

void expectHonestRun(const isolation::Result &result,
                     const QMap<QByteArray, QByteArray> &destinationBefore)
{
    ASSERT_TRUE(result.harnessFailure.isEmpty()) << result.harnessFailure.toStdString();
    ASSERT_TRUE(result.runFinished) << "the run did not finish";

    QSet<QByteArray> copiedTargets;
    int converted = 0;
    int earlierCopies = 0;
    for (const MessageReport &report : result.reports) {
        const QByteArray target = QFile::encodeName(report.target);
        const std::string what = report.source.toStdString() + " -> " +
                                 report.target.toStdString() + " (" +
                                 conversion::statusName(report.status).toStdString() + ": " +
                                 report.reason.toStdString() + ")";
        if (report.converted())
            ++converted;
        if (report.status == MessageStatus::Skipped)
            ++earlierCopies;
        if (report.status == MessageStatus::Copied) {
            EXPECT_FALSE(destinationBefore.contains(target)) << "a copy replaced a file: " << what;
        }
        if (report.status == MessageStatus::Copied || report.status == MessageStatus::Unchanged) {
            copiedTargets.insert(target);
            const QByteArray sourceHash =
                treesnapshot::contentHash(QFile::encodeName(report.source), true);
            EXPECT_FALSE(sourceHash.isEmpty()) << what;
            EXPECT_EQ(hashOf(result.destination.value(target)), sourceHash)
                << "the copy is not its source byte for byte: " << what;
        } else {
            EXPECT_FALSE(report.reason.isEmpty()) << "no reason given: " << what;
            if (report.status == MessageStatus::Failed && !report.target.isEmpty()) {
                EXPECT_FALSE(result.destination.contains(target))
                    << "a failed copy left a file: " << what;
            }
        }
    }
    for (auto it = result.destination.cbegin(); it != result.destination.cend(); ++it) {
        if (it.value().startsWith("dir ") || copiedTargets.contains(it.key()))
            continue;
        if (destinationBefore.contains(it.key())) {
            EXPECT_EQ(it.value(), destinationBefore.value(it.key()))
                << "a file that was in the destination changed: " << it.key().toStdString();
            continue;
        }
        EXPECT_TRUE(copiedTargets.contains(it.key()))
            << "the destination holds a file no copy accounts for: " << it.key().toStdString()
            << " (" << it.value().toStdString() << ")";
    }
    // Copies from an earlier run are no messages to convert.
    const qsizetype messages = result.reports.size() - earlierCopies;
    EXPECT_EQ(result.converted, converted);
    EXPECT_EQ(result.messages, messages);
    EXPECT_EQ(result.allConverted, converted == messages);
    EXPECT_EQ(result.summaryText == QStringLiteral("Converted Successfully !"),
              converted == messages && messages > 0)
        << result.summaryText.toStdString();
}

int countWithStatus(const isolation::Result &result, MessageStatus status)
{
    int count = 0;
    for (const MessageReport &report : result.reports)
        count += report.status == status ? 1 : 0;
    return count;
}

} // namespace faultchecks
