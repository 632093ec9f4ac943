// SPDX-License-Identifier: MIT
// MailMessage against an independent decoder over the real messages in
// tests/data/corpus: REFERENCE.tsv holds what Python's email package reads
// from each file. Every difference must be listed below with its reason, so a
// new one fails, and so does a listed one that has gone away.
#include "mailmessage.h"
#include "oledate.h"
#include "testsupport.h"

#include <ctime>
#include <gtest/gtest.h>
#include <iostream>
#include <QByteArray>
#include <QElapsedTimer>
#include <QRegularExpression>
#include <QSet>
#include <QString>
#include <QStringList>

namespace {

struct ReferenceRow
{
    QString file;
    QString subject;
    QString from;
    QString dateUtc; // yyyy-mm-dd, empty when the Date header gave none
    QString status;
};

struct ExpectedDifference
{
    const char *file;
    const char *field; // "subject", "from" or "date"
    const char *reason;
};

// Where we read a file differently from the reference, and why we are right
// or at least no worse.
const ExpectedDifference kExpectedDifferences[] = {
    {"mail__example13.eml", "subject",
     "obsolete \"Subject     :\" form; the reference stops at the first such field"},
    {"mail__example13.eml", "from", "obsolete \"From  :\" form, as for the subject"},
    {"mail__example13.eml", "date",
     "obsolete \"Date  :\" form with comments; we read 21 Nov 1997, the reference nothing"},
    {"mail__raw_email_incorrect_header.eml", "subject",
     "a malformed line (\"quite Delivered-To:\") ends the reference's header block; we skip it"},
    {"mail__raw_email_incorrect_header.eml", "from", "the same malformed line"},
    {"mail__raw_email_incorrect_header.eml", "date", "the same malformed line"},
    {"mimekit__feedback-report.eml", "subject",
     "a UTF-8 byte-order mark before the first field hides it from the reference"},
    {"mimekit__feedback-report.eml", "from", "the byte-order mark, as for the subject"},
    {"mimekit__feedback-report.eml", "date", "the byte-order mark, as for the subject"},
    {"mail__invalid_subject_characters.eml", "subject",
     "raw 8-bit Latin-1 bytes: the reference makes U+FFFD, we read them as Windows-1252"},
};

QString unescape(QString value)
{
    // The reference escapes only these three, so the order does not matter.
    value.replace(QLatin1String("\\t"), QLatin1String("\t"));
    value.replace(QLatin1String("\\r"), QLatin1String("\r"));
    value.replace(QLatin1String("\\n"), QLatin1String("\n"));
    return value;
}

QList<ReferenceRow> readReference()
{
    const QByteArray table = testsupport::readAll(testsupport::dataPath("corpus/REFERENCE.tsv"));
    QList<ReferenceRow> rows;
    const QList<QByteArray> lines = table.split('\n');
    for (qsizetype i = 1; i < lines.size(); ++i) {
        if (lines[i].isEmpty())
            continue;
        const QStringList columns = QString::fromUtf8(lines[i]).split(QLatin1Char('\t'));
        if (columns.size() != 6) {
            ADD_FAILURE() << "REFERENCE.tsv line " << i + 1 << " has " << columns.size()
                          << " columns";
            continue;
        }
        rows.append(
            {columns[0], unescape(columns[1]), unescape(columns[2]), columns[3], columns[5]});
    }
    return rows;
}

QString day(double oleDate)
{
    return oledate::ToDate(oleDate).toString(QStringLiteral("yyyy-MM-dd"));
}

// The message with its Received fields renamed, so that only the Date field
// can give it a date.
QByteArray withoutReceived(QByteArray bytes)
{
    static const QRegularExpression received(QStringLiteral("(^|\\n)Received([ \\t]*):"),
                                             QRegularExpression::CaseInsensitiveOption);
    QString latin1 = QString::fromLatin1(bytes);
    latin1.replace(received, QStringLiteral("\\1X-Renamed-Received\\2:"));
    return latin1.toLatin1();
}

class MailMessageCorpus : public ::testing::Test
{
protected:
    void SetUp() override
    {
        // Calendar days are compared in UTC, as the reference gives them.
        qputenv("TZ", "UTC");
        tzset();
    }
};

TEST_F(MailMessageCorpus, AgreesWithTheReferenceExceptForTheListedDifferences)
{
    const QList<ReferenceRow> rows = readReference();
    ASSERT_GE(rows.size(), 190);

    QSet<QString> found;
    QSet<QString> differingFiles;
    QElapsedTimer timer;
    qint64 loadNanoseconds = 0;
    for (const ReferenceRow &row : rows) {
        const QString path = testsupport::dataPath(QStringLiteral("corpus/") + row.file);
        MailMessage message;
        timer.start();
        const Outcome<void> loaded = message.Load(path);
        loadNanoseconds += timer.nsecsElapsed();
        ASSERT_TRUE(loaded) << row.file.toStdString() << ": " << loaded.reason().toStdString();

        const auto differs = [&](const char *field, const QString &ours, const QString &theirs) {
            if (ours == theirs)
                return;
            found.insert(row.file + QLatin1Char('/') + QLatin1String(field));
            differingFiles.insert(row.file);
            std::cout << "difference " << row.file.toStdString() << " " << field << "\n  ours:   ["
                      << ours.toStdString() << "]\n  theirs: [" << theirs.toStdString()
                      << "]\n  status: " << row.status.toStdString() << "\n";
        };
        differs("subject", message.Subject().value(), row.subject);
        differs("from", message.Sender().value(), row.from);
        if (!row.dateUtc.isEmpty()) {
            differs("date", day(message.Date().value().oleDate()), row.dateUtc);
        } else {
            // No date from the Date field: without the Received fields there is none.
            MailMessage dateOnly;
            dateOnly.LoadBytes(withoutReceived(testsupport::readAll(path)),
                               path.endsWith(QLatin1String(".emlx")) ? MailMessage::Framing::Emlx
                                                                     : MailMessage::Framing::Plain);
            const double date = dateOnly.Date().value().oleDate();
            differs("date", date == 0.0 ? QString() : day(date), QString());
        }
    }

    QSet<QString> expected;
    for (const ExpectedDifference &difference : kExpectedDifferences)
        expected.insert(QLatin1String(difference.file) + QLatin1Char('/') +
                        QLatin1String(difference.field));
    for (const QString &key : found - expected)
        ADD_FAILURE() << "new difference: " << key.toStdString();
    for (const QString &key : expected - found)
        ADD_FAILURE() << "listed difference no longer occurs: " << key.toStdString();

    const qsizetype agreeing = rows.size() - differingFiles.size();
    std::cout << "agreement: " << agreeing << " of " << rows.size() << " files ("
              << 100.0 * agreeing / rows.size() << "%); headers of all files loaded in "
              << loadNanoseconds / 1000000.0 << " ms\n";
    EXPECT_GE(agreeing * 100, rows.size() * 95);
}

} // namespace
