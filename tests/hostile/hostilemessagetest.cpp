// SPDX-License-Identifier: MIT
// Messages made to break a reader: absurd sizes, broken encodings, impossible
// dates, lying .emlx byte counts. Each must load and answer, or fail with a
// reason; none may crash. The bound on work is the reader's: it never reads
// more than MailMessage::kMaxHeaderBytes of a message (plus the .emlx count
// line and one first read), however large the file, so memory stays within a
// few MiB per message. That bound is checked by counting the bytes the process
// reads (/proc/self/io), not by timing.
#include "mailmessage.h"
#include "naming.h"
#include "namingscheme.h"
#include "oledate.h"
#include "testsupport.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTimeZone>
#include <unistd.h>

namespace {

using Framing = MailMessage::Framing;

// What the reader allows itself to read of one file: the header limit, the
// first read it always makes, and an .emlx count line.
constexpr qint64 kReadBound = MailMessage::kMaxHeaderBytes + 64 * 1024 + 64;

double oleDateOf(int year, int month, int day, int hour)
{
    return oledate::FromLocalDateTime(QDateTime(QDate(year, month, day), QTime(hour, 0), Qt::UTC));
}

// Bytes this process has read through read() and friends so far.
qint64 bytesReadSoFar()
{
    QFile io(QStringLiteral("/proc/self/io"));
    if (!io.open(QIODevice::ReadOnly))
        return -1;
    const QRegularExpression rchar(QStringLiteral("^rchar: (\\d+)$"),
                                   QRegularExpression::MultilineOption);
    const auto match = rchar.match(QString::fromLatin1(io.readAll()));
    return match.hasMatch() ? match.captured(1).toLongLong() : -1;
}

// Every name any scheme makes of the message keeps to what a file name must be.
void expectSafeNames(const MailMessage &message)
{
    for (const NamingSchemeEntry &entry : kNamingSchemes) {
        const Outcome<QString> raw = naming::ComposeName(message, entry.scheme);
        ASSERT_TRUE(raw.ok()) << raw.reason().toStdString();
        const QString name = naming::FitFileName(naming::CleanName(raw.value(), true, true));
        EXPECT_LE(name.toUtf8().size(), naming::kMaxFileNameBytes);
        EXPECT_TRUE(name.isValidUtf16());
        for (const QChar c : name)
            EXPECT_FALSE(c.unicode() < 32 || QStringView(u":?\\/*\"<>|").contains(c))
                << "scheme " << int(entry.scheme) << " left U+" << std::hex << int(c.unicode());
    }
}

// ---------------------------------------------------------------------------
// Small committed files (tests/data/hostile/README.md says what each is).

enum class DateIs
{
    Zero,
    March7th2010Noon,
    LastDayOf9999Noon,
    January1st2000Noon,
};

double expectedDate(DateIs date)
{
    switch (date) {
    case DateIs::Zero:
        return 0.0;
    case DateIs::March7th2010Noon:
        return oleDateOf(2010, 3, 7, 12);
    case DateIs::LastDayOf9999Noon:
        return oleDateOf(9999, 12, 31, 12);
    case DateIs::January1st2000Noon:
        return oleDateOf(2000, 1, 1, 12);
    }
    return -1.0;
}

struct CommittedCase
{
    const char *file;
    QString subject;
    QString sender;
    DateIs date;
};

void PrintTo(const CommittedCase &c, std::ostream *os)
{
    *os << c.file;
}

class CommittedHostileMessage : public testing::TestWithParam<CommittedCase>
{
};

TEST_P(CommittedHostileMessage, LoadsWithTheValuesItReallyHolds)
{
    const CommittedCase &c = GetParam();
    MailMessage message;
    const Outcome<void> loaded =
        message.Load(testsupport::dataPath(QStringLiteral("hostile/") + c.file));
    ASSERT_TRUE(loaded) << loaded.reason().toStdString();
    EXPECT_EQ(message.Subject().value(), c.subject);
    EXPECT_EQ(message.Sender().value(), c.sender);
    EXPECT_DOUBLE_EQ(message.Date().value().oleDate(), expectedDate(c.date));
    expectSafeNames(message);
}

const QString kCounted = QStringLiteral("Counted");
const QString kAnn = QStringLiteral("ann@example.org");

INSTANTIATE_TEST_SUITE_P(
    Files, CommittedHostileMessage,
    testing::Values(
        // Decoded text is never decoded a second time, so a word that decodes to
        // another encoded word stays as that text; a well-formed word inside a
        // broken one is decoded and the broken rest kept as written.
        CommittedCase{"nested-encoded-words.eml",
                      QStringLiteral("=?UTF-8?Q?inner?= =?x?Q?y?= =?UTF-8?Q?broken  =?UTF-8?X?z?= "
                                     "=?UTF-8??Q?= end"),
                      QStringLiteral("=?UTF-8?B?QW5u?= <ann@example.org>"),
                      DateIs::March7th2010Noon},
        // NUL goes; a stray 0xFF is read as Windows-1252.
        CommittedCase{"nul-and-ff.eml", QStringLiteral("ab\u00ffc"),
                      QStringLiteral("\u00ff\u00fe <x@example.org>"), DateIs::March7th2010Noon},
        CommittedCase{"date-year-9999.eml", QStringLiteral("Far future"), kAnn,
                      DateIs::LastDayOf9999Noon},
        // There is no year 0; the date parser reads "0000" as the two-digit year
        // 00 of the obsolete syntax, that is 2000.
        CommittedCase{"date-year-0.eml", QStringLiteral("Year zero"), kAnn,
                      DateIs::January1st2000Noon},
        // A first line that is no count leaves the whole file as the message.
        CommittedCase{"emlx-count-negative.emlx", kCounted, kAnn, DateIs::March7th2010Noon},
        CommittedCase{"emlx-count-enormous.emlx", kCounted, kAnn, DateIs::March7th2010Noon},
        CommittedCase{"emlx-count-not-a-number.emlx", kCounted, kAnn, DateIs::March7th2010Noon},
        // A count past the end of the file takes what there is.
        CommittedCase{"emlx-count-huge-fits.emlx", kCounted, kAnn, DateIs::March7th2010Noon},
        // A count shorter than the headers cuts them: "Subject: " and nothing more.
        CommittedCase{"emlx-count-too-short.emlx", {}, {}, DateIs::Zero},
        CommittedCase{"empty.eml", {}, {}, DateIs::Zero}),
    [](const testing::TestParamInfo<CommittedCase> &info) {
        return QString::fromLatin1(info.param.file)
            .replace(QRegularExpression(QStringLiteral("[^A-Za-z0-9]")), QStringLiteral("_"))
            .toStdString();
    });

// ---------------------------------------------------------------------------
// Large files made by the test.

struct GeneratedCase
{
    const char *name;
    QByteArray (*make)();
    Framing framing;
    // What the reader must make of it.
    qsizetype subjectSize; // -1: do not check the size
    QString subjectStart;
    QString sender;
    DateIs date;
};

void PrintTo(const GeneratedCase &c, std::ostream *os)
{
    *os << c.name;
}

QByteArray oneMebibyteLine()
{
    return "Subject: " + QByteArray(1024 * 1024, 'a') + "\r\nFrom: late@example.org\r\n\r\n";
}

QByteArray hundredThousandShortLines()
{
    QByteArray bytes = "Subject: first\r\n";
    for (int i = 0; i < 100'000; ++i)
        bytes += "X: y\r\n"; // 600,000 bytes: all within the limit
    return bytes + "From: last@example.org\r\nSubject: second\r\n\r\n";
}

QByteArray hundredThousandReceivedLines()
{
    QByteArray bytes = "Subject: routed\r\n";
    for (int i = 0; i < 100'000; ++i)
        bytes += "Received: from a by b; Sun, 7 Mar 2010 12:00:00 +0000\r\n";
    return bytes + "From: never-read@example.org\r\n\r\n";
}

QByteArray hundredThousandFoldedLines()
{
    QByteArray bytes = "From: ann@example.org\r\nSubject: start";
    for (int i = 0; i < 100'000; ++i)
        bytes += "\r\n w";
    return bytes + "\r\n\r\n";
}

QByteArray tenThousandCharacterCharsetInWord()
{
    return "Subject: =?" + QByteArray(10'000, 'x') + "?Q?hello?=\r\nFrom: ann@example.org\r\n\r\n";
}

QByteArray tenThousandCharacterCharsetInContentType()
{
    return "Content-Type: text/plain; charset=\"" + QByteArray(10'000, 'y') +
           "\"\r\nSubject: caf\xe9\r\nFrom: ann@example.org\r\n\r\n";
}

QByteArray deeplyNestedWords()
{
    QByteArray bytes = "Subject: ";
    for (int i = 0; i < 10'000; ++i)
        bytes += "=?UTF-8?Q?";
    for (int i = 0; i < 10'000; ++i)
        bytes += "?=";
    return bytes + "\r\nFrom: ann@example.org\r\n\r\n";
}

class GeneratedHostileMessage : public testing::TestWithParam<GeneratedCase>
{
};

TEST_P(GeneratedHostileMessage, LoadsWithinTheHeaderLimit)
{
    const GeneratedCase &c = GetParam();
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString path = dir.filePath(QStringLiteral("message"));
    testsupport::writeFile(path, c.make());

    MailMessage message;
    const qint64 before = bytesReadSoFar();
    const Outcome<void> loaded = message.Load(path, c.framing);
    ASSERT_TRUE(loaded) << loaded.reason().toStdString();
    const qint64 after = bytesReadSoFar();
    if (before >= 0 && after >= 0) {
        EXPECT_LE(after - before, kReadBound);
    }

    const QString subject = message.Subject().value();
    if (c.subjectSize >= 0) {
        EXPECT_EQ(subject.size(), c.subjectSize);
    }
    EXPECT_TRUE(subject.startsWith(c.subjectStart)) << subject.left(80).toStdString();
    EXPECT_EQ(message.Sender().value(), c.sender);
    EXPECT_DOUBLE_EQ(message.Date().value().oleDate(), expectedDate(c.date));
    expectSafeNames(message);
}

INSTANTIATE_TEST_SUITE_P(
    Files, GeneratedHostileMessage,
    testing::Values(
        // The line runs past the limit: the subject is what the limit holds and
        // the From behind it is never seen.
        GeneratedCase{"OneMebibyteHeaderLine",
                      oneMebibyteLine,
                      Framing::Plain,
                      MailMessage::kMaxHeaderBytes - qsizetype(sizeof "Subject: " - 1),
                      QStringLiteral("aaaa"),
                      {},
                      DateIs::Zero},
        GeneratedCase{"HundredThousandShortLines", hundredThousandShortLines, Framing::Plain, 5,
                      QStringLiteral("first"), QStringLiteral("last@example.org"), DateIs::Zero},
        // 5.5 MB of Received lines: only those within the limit are looked at.
        GeneratedCase{"HundredThousandReceivedLines",
                      hundredThousandReceivedLines,
                      Framing::Plain,
                      -1,
                      QStringLiteral("routed"),
                      {},
                      DateIs::March7th2010Noon},
        GeneratedCase{"HundredThousandFoldedLines", hundredThousandFoldedLines, Framing::Plain,
                      5 + 100'000 * 2, QStringLiteral("start w w"),
                      QStringLiteral("ann@example.org"), DateIs::Zero},
        // iconv knows no such charset: the payload is read like raw 8-bit text.
        GeneratedCase{"TenThousandCharacterCharsetInWord", tenThousandCharacterCharsetInWord,
                      Framing::Plain, 5, QStringLiteral("hello"), QStringLiteral("ann@example.org"),
                      DateIs::Zero},
        GeneratedCase{"TenThousandCharacterCharsetInContentType",
                      tenThousandCharacterCharsetInContentType, Framing::Plain, 4,
                      QStringLiteral("caf\u00e9"), QStringLiteral("ann@example.org"), DateIs::Zero},
        GeneratedCase{"TenThousandNestedWordOpenings", deeplyNestedWords, Framing::Plain, -1,
                      QStringLiteral("=?UTF-8?Q?"), QStringLiteral("ann@example.org"),
                      DateIs::Zero},
        GeneratedCase{"OneMebibyteLineInEmlx",
                      [] { return QByteArray("1048600\n") + oneMebibyteLine(); },
                      Framing::Emlx,
                      MailMessage::kMaxHeaderBytes - qsizetype(sizeof "Subject: " - 1),
                      QStringLiteral("aaaa"),
                      {},
                      DateIs::Zero}),
    [](const testing::TestParamInfo<GeneratedCase> &info) { return info.param.name; });

// A 2 GiB file of nothing (sparse, so it costs no disk): the reader looks at
// its first MiB at most and finds no headers in it.
class SparseHostileMessage : public testing::TestWithParam<Framing>
{
};

TEST_P(SparseHostileMessage, TwoGibibyteSparseFileLoadsEmptyAfterReadingAtMostTheLimit)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString path = dir.filePath(QStringLiteral("sparse.emlx"));
    {
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        if (GetParam() == Framing::Emlx)
            file.write("2147483648\n");
        file.close();
    }
    const int fd = ::open(QFile::encodeName(path).constData(), O_WRONLY);
    ASSERT_GE(fd, 0);
    const int truncated = ::ftruncate(fd, qint64(2) << 30);
    ::close(fd);
    if (truncated != 0)
        GTEST_SKIP() << "this file system cannot hold a 2 GiB sparse file";

    MailMessage message;
    const qint64 before = bytesReadSoFar();
    const Outcome<void> loaded = message.Load(path, GetParam());
    ASSERT_TRUE(loaded) << loaded.reason().toStdString();
    const qint64 after = bytesReadSoFar();
    if (before >= 0 && after >= 0) {
        EXPECT_LE(after - before, kReadBound);
    }
    EXPECT_EQ(message.Subject().value(), QString());
    EXPECT_EQ(message.Sender().value(), QString());
    EXPECT_EQ(message.Date().value().oleDate(), 0.0);
}

INSTANTIATE_TEST_SUITE_P(Framings, SparseHostileMessage,
                         testing::Values(Framing::Plain, Framing::Emlx),
                         [](const testing::TestParamInfo<Framing> &info) {
                             return info.param == Framing::Emlx ? "Emlx" : "Plain";
                         });

} // namespace
