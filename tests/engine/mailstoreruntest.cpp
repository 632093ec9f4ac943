// SPDX-License-Identifier: MIT
// The conversion run over the mail stores people keep (mbox files, Maildirs),
// each output compared with an independent reader: tests/data/mailstores/oracle.py.
#include "conversionrun.h"
#include "fakeconversionhost.h"
#include "mboxsplitter.h"
#include "testsupport.h"

#include <gtest/gtest.h>
#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>

namespace {

using testsupport::dataPath;
using testsupport::readAll;

QString sha256(const QByteArray &bytes)
{
    return QString::fromLatin1(QCryptographicHash::hash(bytes, QCryptographicHash::Sha256).toHex());
}

// What the oracle says of a store: one object per message.
QList<QJsonObject> oracle(const QString &path, const QStringList &options = {})
{
    const testsupport::ProcessResult result =
        testsupport::runProcess(QStringLiteral("/usr/bin/python3"),
                                QStringList{dataPath(QStringLiteral("mailstores/oracle.py"))} +
                                    options + QStringList{path});
    EXPECT_EQ(result.exitCode, 0) << result.err.toStdString();
    QList<QJsonObject> messages;
    for (const QString &line : result.out.split(QLatin1Char('\n'), Qt::SkipEmptyParts))
        messages.append(QJsonDocument::fromJson(line.toUtf8()).object());
    return messages;
}

// The bytes read by this process so far, as the kernel counts them.
qint64 bytesRead()
{
    const QByteArray io = readAll(QStringLiteral("/proc/self/io"));
    const qsizetype at = io.indexOf("rchar: ");
    return at < 0 ? -1 : io.mid(at + 7, io.indexOf('\n', at) - at - 7).toLongLong();
}

class MailStoreRun : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_temp.isValid());
        m_destination = m_temp.path() + QStringLiteral("/out");
        m_host.destination = m_destination;
    }

    QList<MessageReport> run(const QStringList &rows,
                             ConversionRun::Mode mode = ConversionRun::Mode::Copy)
    {
        m_host.rows = rows;
        m_host.reports.clear();
        ConversionRun conversion(m_host);
        conversion.run(mode);
        return m_host.reports;
    }

    QTemporaryDir m_temp;
    QString m_destination;
    FakeHost m_host;
};

struct Store
{
    const char *path;    // below tests/data/mailstores
    const char *options; // for the oracle
    int messages;
    const char *folder; // where the copies go, below the destination and the fixtures
};

class StoreRun : public MailStoreRun, public ::testing::WithParamInterface<Store>
{
};

TEST_P(StoreRun, CopiesEveryMessageAsAnIndependentReaderReadsItAndARerunWritesNothing)
{
    const Store &store = GetParam();
    const QString path = dataPath(QStringLiteral("mailstores/") + QString::fromUtf8(store.path));
    const QList<QJsonObject> expected =
        oracle(path, QString::fromUtf8(store.options).split(u' ', Qt::SkipEmptyParts));
    ASSERT_EQ(expected.size(), store.messages);
    const bool maildir = QFileInfo(path).isDir();
    // A Maildir is listed as a scan lists it: one row per file of cur/ and new/.
    QStringList rows{path};
    if (maildir) {
        rows.clear();
        for (const QJsonObject &message : expected)
            rows.append(path + u'/' + message[QStringLiteral("file")].toString());
    }
    const QString folder =
        m_destination + dataPath(QStringLiteral("mailstores/") + QString::fromUtf8(store.folder)) +
        u'/';

    const QList<MessageReport> reports = run(rows);
    ASSERT_EQ(reports.size(), store.messages);
    for (qsizetype i = 0; i < reports.size(); ++i) {
        SCOPED_TRACE(i + 1);
        EXPECT_EQ(reports[i].status, MessageStatus::Copied) << reports[i].reason.toStdString();
        EXPECT_EQ(reports[i].source, rows[maildir ? i : 0]);
        EXPECT_EQ(reports[i].message, maildir ? 0 : i + 1);
        EXPECT_EQ(QFileInfo(reports[i].target).path() + u'/', folder);
        const char *digest = maildir ? "sha256" : "copy_sha256";
        EXPECT_EQ(sha256(readAll(reports[i].target)), expected[i][QLatin1String(digest)]);
    }
    EXPECT_EQ(QDir(folder).entryList(QDir::Files).size(), store.messages);

    for (const MessageReport &report : run(rows))
        EXPECT_EQ(report.status, MessageStatus::Unchanged) << report.label().toStdString();
}

INSTANTIATE_TEST_SUITE_P(
    MailStores, StoreRun,
    ::testing::Values(
        Store{"thunderbird/Local Folders/Inbox", "", 8, "thunderbird/Local Folders/Inbox"},
        Store{"thunderbird/Local Folders/Inbox.sbd/Projects.2023", "", 3,
              "thunderbird/Local Folders/Inbox.sbd/Projects.2023"},
        Store{"takeout/All mail Including Spam and Trash.mbox", "", 5,
              "takeout/All mail Including Spam and Trash.mbox"},
        Store{"mutt/mbox", "", 12, "mutt/mbox"}, Store{"mutt/mbox-crlf", "", 12, "mutt/mbox-crlf"},
        Store{"mboxcl2/mbox", "--mboxcl2", 4, "mboxcl2/mbox"},
        Store{"applemail-export/Export.mbox/mbox", "", 3, "applemail-export/Export.mbox/mbox"},
        Store{"maildir/Mail", "", 5, "maildir/Mail"},
        Store{"maildir/Mail/.Sent", "", 2, "maildir/Mail/Sent"},
        Store{"maildir/Mail/.Archive.2019", "", 3, "maildir/Mail/Archive.2019"},
        Store{"maildir/thunderbird-maildir/Local Folders/Inbox", "", 2,
              "maildir/thunderbird-maildir/Local Folders/Inbox"}));

TEST_F(MailStoreRun, AFileWithoutAHeaderFieldIsNotAMessageAndAnEmlFileIsOneMessage)
{
    const struct
    {
        const char *path;
        const char *reason; // "" when copied whole
    } cases[] = {
        {"junk/fake.eml", "not a mail message"},   {"junk/Inbox.msf", "not a mail message"},
        {"junk/Info.plist", "not a mail message"}, {"junk/random.bin", "not a mail message"},
        {"eml/mail__raw_email.eml", ""}, // begins with a "From " line
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.path);
        const QString path = dataPath(QStringLiteral("mailstores/") + QString::fromUtf8(c.path));
        const QList<MessageReport> reports = run({path});
        ASSERT_EQ(reports.size(), 1);
        EXPECT_EQ(reports[0].reason, QString::fromUtf8(c.reason));
        EXPECT_EQ(reports[0].message, 0);
        if (!*c.reason) {
            EXPECT_EQ(readAll(reports[0].target), readAll(path));
        }
        EXPECT_EQ(m_host.summaries.last().allConverted(), !*c.reason);
    }
}

TEST_F(MailStoreRun, ATemplateNamesAMessageByItsMailboxAndFile)
{
    const struct
    {
        const char *path; // below tests/data/mailstores
        const char *name; // of the first copy
    } cases[] = {
        {"maildir/Mail/.Sent/cur/1700000010.M130P456.host:2,S",
         "1700000010.M130P456.host in .Sent.eml"},
        {"takeout/All mail Including Spam and Trash.mbox",
         "All mail Including Spam and Trash in All mail Including Spam and Trash.eml"},
        {"eml/mail__raw_email.eml", "mail__raw_email in .eml"},
    };
    m_host.format = NameTemplate::parse(QStringLiteral("{file} in {mailbox}")).value();
    for (const auto &c : cases) {
        SCOPED_TRACE(c.path);
        const QList<MessageReport> reports =
            run({dataPath(QStringLiteral("mailstores/") + QString::fromUtf8(c.path))},
                ConversionRun::Mode::Plan);
        ASSERT_FALSE(reports.isEmpty());
        EXPECT_EQ(QFileInfo(reports[0].target).fileName(), QString::fromUtf8(c.name));
    }
}

TEST_F(MailStoreRun, NamesAndDatesEachCopyOfAMailboxByOneChainOfDates)
{
    const QString path = m_temp.path() + QStringLiteral("/src/Inbox");
    testsupport::writeFile(path, "From a Mon Jan  1 00:00:00 2024\n"
                                 "Subject: dated\nDate: Sun, 07 Mar 2010 10:00:00 +0000\n\nx\n\n"
                                 "From b Mon Jan  1 00:00:00 2024\nSubject: received\n"
                                 "Received: by x; Tue, 2 Feb 2021 03:04:05 +0000\n"
                                 "Received: by y; Wed, 3 Feb 2021 03:04:05 +0000\n\nx\n\n"
                                 "From c Fri Aug  3 16:28:10 2001\nSubject: separator\n\nx\n\n"
                                 "From 1844347792267117879@xxx\nSubject: none\n\nx\n");
    const QDateTime fileTime = QFileInfo(path).lastModified();
    m_host.scheme = NamingScheme::OptDS_ymd;
    const QList<MessageReport> reports = run({path});
    const QDateTime expected[] = {
        QDateTime(QDate(2010, 3, 7), QTime(10, 0), Qt::UTC),
        QDateTime(QDate(2021, 2, 3), QTime(3, 4, 5), Qt::UTC),
        QDateTime(QDate(2001, 8, 3), QTime(16, 28, 10), Qt::UTC),
        QDateTime(),
    };
    ASSERT_EQ(reports.size(), 4);
    for (int i = 0; i < 4; ++i) {
        SCOPED_TRACE(i + 1);
        const QFileInfo copy(reports[i].target);
        const QString day = expected[i].isValid()
                                ? expected[i].toLocalTime().toString(QStringLiteral("yyyy-MM-dd"))
                                : QStringLiteral("1899-12-30");
        EXPECT_TRUE(copy.fileName().startsWith(day)) << copy.fileName().toStdString();
        EXPECT_EQ(copy.lastModified(), expected[i].isValid() ? expected[i] : fileTime);
    }
}

TEST_F(MailStoreRun, TheRunTakesTurnsWithinAMailboxAndItsBarMovesThroughTheRow)
{
    // Small messages around one that spans several blocks of reading.
    QByteArray mbox;
    for (int i = 0; i < 600; ++i) {
        mbox += "From a Mon Jan  1 00:00:00 2024\nSubject: m" + QByteArray::number(i) + "\n\n";
        mbox += i == 300 ? QByteArray(5 * MboxSplitter::kBlockBytes, 'x') : QByteArray(3000, 'y');
        mbox += "\n\n";
    }
    const QString path = m_temp.path() + QStringLiteral("/src/big");
    testsupport::writeFile(path, mbox);
    qint64 last = bytesRead();
    qint64 most = 0;
    m_host.onYield = [&](int) {
        const qint64 now = bytesRead();
        most = std::max(most, now - last);
        last = bytesRead();
    };
    EXPECT_EQ(run({path}, ConversionRun::Mode::Plan).size(), 600);
    // A block, and the head of a message read to name it; never a whole mailbox or message.
    EXPECT_LE(most, MboxSplitter::kBlockBytes + 64 * 1024);
    EXPECT_GT(most, 0);
    const auto within = std::count_if(m_host.fractions.begin(), m_host.fractions.end(),
                                      [](double f) { return f > 0.0 && f < 1.0; });
    EXPECT_GT(within, 600);
    EXPECT_TRUE(std::is_sorted(m_host.fractions.begin(), m_host.fractions.end()));
}

TEST_F(MailStoreRun, CopiesOfAMailboxListedAmongTheSourcesAreLeftAlone)
{
    for (const bool besideTheSources : {false, true}) {
        SCOPED_TRACE(besideTheSources ? "destination /" : "destination inside the sources");
        const QString root = m_temp.path() + (besideTheSources ? QStringLiteral("/beside")
                                                               : QStringLiteral("/inside"));
        const QString path = root + QStringLiteral("/Inbox");
        testsupport::writeFile(path, "From a\nSubject: one\n\nx\n\nFrom b\nSubject: two\n\ny\n");
        m_host.destination = besideTheSources ? QStringLiteral("/") : root + QStringLiteral("/out");
        const QList<MessageReport> first = run({path});
        ASSERT_EQ(first.size(), 2);
        // The destination "/" would put the folder on the mailbox itself.
        EXPECT_EQ(QFileInfo(first[0].target).path(), besideTheSources
                                                         ? path + QStringLiteral(" (2)")
                                                         : root + QStringLiteral("/out") + path);

        // The next scan of the sources lists the copies too.
        const QList<MessageReport> second = run({path, first[0].target, first[1].target});
        ASSERT_EQ(second.size(), 4);
        EXPECT_EQ(second[0].status, MessageStatus::Unchanged);
        EXPECT_EQ(second[1].status, MessageStatus::Unchanged);
        EXPECT_EQ(second[2].status, MessageStatus::Skipped);
        EXPECT_EQ(second[3].status, MessageStatus::Skipped);
    }
}

} // namespace
