// SPDX-License-Identifier: MIT
#include "mailmessage.h"

#include "asnobody.h"
#include "oledate.h"
#include "scopedtimezone.h"
#include "sourcefile.h"
#include "temptree.h"
#include "testsupport.h"

#include <cmath>
#include <gtest/gtest.h>
#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <sys/stat.h>

namespace {

// An RFC 2047 B word holding exactly these bytes.
QByteArray bWord(const char *charset, const QByteArray &bytes)
{
    return QByteArray("=?") + charset + "?B?" + bytes.toBase64() + "?=";
}

// "こんにちは" in ISO-2022-JP: an escape into JIS X 0208, five two-byte
// characters, an escape back to ASCII.
const QByteArray kIso2022Jp = QByteArray::fromHex("1b2442"
                                                  "2433"
                                                  "2473"
                                                  "244b"
                                                  "2441"
                                                  "244f"
                                                  "1b2842");

struct HeaderTextCase
{
    const char *name;
    QByteArray message;
    QString subject;
    QString sender;
};

TEST(MailMessageHeaderText, ReadsSubjectAndFromAsWritten)
{
    const HeaderTextCase cases[] = {
        {"plain", "From: Sales Team <sales@example.com>\r\nSubject: Offer\r\n\r\nbody", "Offer",
         "Sales Team <sales@example.com>"},
        {"from with a comment stays whole", "From: bbb@ddd.com (John X. Doe)\n\n", "",
         "bbb@ddd.com (John X. Doe)"},
        {"from with quotes stays whole", "From: \"Doe, John\" <j@d.com>\n\n", "",
         "\"Doe, John\" <j@d.com>"},
        {"folded with CRLF keeps the white space after the break",
         "Subject: Hello\r\n world\r\n\r\n", "Hello world", ""},
        {"folded twice", "Subject: a\r\n b\r\n  c\r\nTo: x\r\n\r\n", "a b  c", ""},
        // Regression: a tab after the break survived and the cleaning of names
        // deleted it, joining the words ("part onepart two").
        {"folded with CRLF and a tab", "Subject: part one\r\n\tpart two\r\n\r\n",
         "part one part two", ""},
        {"folded with LF and a tab", "Subject: Hello\n\tworld\n\n", "Hello world", ""},
        {"folded with several tabs and spaces", "From: a\r\n\t \tb\r\n\r\n", "", "a   b"},
        {"a tab not after a break stays", "Subject: a\tb\r\n\tc\td\r\n\r\n", "a\tb c\td", ""},
        {"leading white space goes", "Subject: \t  Hi\r\n\r\n", "Hi", ""},
        {"value starting on the next line", "Subject:\r\n Hi\r\n\r\n", "Hi", ""},
        {"trailing white space stays", "Subject: Hello \t\r\n\r\n", "Hello \t", ""},
        {"first subject wins", "Subject: one\r\nSubject: two\r\n\r\n", "one", ""},
        {"first from wins", "From: a@x\nFrom: b@x\n\n", "", "a@x"},
        {"names in any case", "SUBJECT: up\r\nfrom: low\r\n\r\n", "up", "low"},
        {"obsolete white space before the colon", "Subject  : old\r\nFrom\t: me\r\n\r\n", "old",
         "me"},
        {"similar names do not count", "Subjects: no\r\nX-From: no\r\n\r\n", "", ""},
        {"missing headers", "To: someone\r\n\r\n", "", ""},
        {"empty subject", "Subject:\r\n\r\n", "", ""},
        {"headers after the empty line are body", "To: a\r\n\r\nSubject: body\r\n", "", ""},
        {"empty line made of LF then CRLF", "To: a\n\r\nSubject: body\r\n", "", ""},
        {"a message that starts with an empty line", "\r\nSubject: body\r\n", "", ""},
        {"a malformed line is skipped", "To: a\r\ngarbage line\r\n continued\r\nSubject: s\r\n\r\n",
         "s", ""},
        {"an mbox From_ line is no From field",
         "From someone@x Mon Jan  1 00:00:00 2001\nFrom: real@x\n\n", "", "real@x"},
        {"a byte-order mark before the first field", "\xEF\xBB\xBFSubject: bom\r\n\r\n", "bom", ""},
        {"no empty line at all", "Subject: only headers", "only headers", ""},
        {"NUL bytes in a value are dropped", QByteArray("Subject: a\0b\r\n\r\n", 15), "ab", ""},
    };
    for (const HeaderTextCase &row : cases) {
        SCOPED_TRACE(row.name);
        MailMessage message;
        message.LoadBytes(row.message);
        EXPECT_EQ(message.Subject().value(), row.subject);
        EXPECT_EQ(message.Sender().value(), row.sender);
    }
}

TEST(MailMessageHeaderText, ReadsRaw8BitBytesAsUtf8ThenTheMessageCharsetThenWindows1252)
{
    const HeaderTextCase cases[] = {
        {"valid UTF-8", "Subject: caf\xC3\xA9\r\n\r\n", QStringLiteral("café"), ""},
        {"valid UTF-8 wins over the message charset",
         "Subject: caf\xC3\xA9\r\nContent-Type: text/plain; charset=iso-8859-1\r\n\r\n",
         QStringLiteral("café"), ""},
        {"the message charset",
         "Subject: \xE1\xE2\xE3\r\nContent-Type: text/plain; charset=\"iso-8859-7\"\r\n\r\n",
         QStringLiteral("αβγ"), ""},
        {"the message charset applies to From too",
         "Content-Type: text/plain;\r\n charset=koi8-r\r\nFrom: \xF0\xD2\xC9\xD7\xC5\xD4 "
         "<a@b>\r\n\r\n",
         "", QStringLiteral("Привет <a@b>")},
        {"an unknown message charset falls back to Windows-1252",
         "Content-Type: text/plain; charset=x-no-such-charset\r\nSubject: \x80 5\r\n\r\n",
         QStringLiteral("€ 5"), ""},
        {"a message charset that is no extension of ASCII is passed over",
         "Content-Type: text/plain; charset=utf-16\r\nSubject: caf\xE9\r\n\r\n",
         QStringLiteral("café"), ""},
        {"no Content-Type means Windows-1252", "Subject: na\xEFve \x93quoted\x94\r\n\r\n",
         QStringLiteral("naïve “quoted”"), ""},
        {"only the first Content-Type counts",
         "Content-Type: text/plain\r\nContent-Type: text/plain; charset=iso-8859-7\r\n"
         "Subject: \xE1\r\n\r\n",
         QStringLiteral("á"), ""},
    };
    for (const HeaderTextCase &row : cases) {
        SCOPED_TRACE(row.name);
        MailMessage message;
        message.LoadBytes(row.message);
        EXPECT_EQ(message.Subject().value(), row.subject);
        EXPECT_EQ(message.Sender().value(), row.sender);
    }
}

TEST(MailMessageHeaderText, DecodesEncodedWords)
{
    const struct
    {
        const char *name;
        QByteArray value;
        QString expected;
    } cases[] = {
        {"Q", "=?iso-8859-1?q?caf=E9_au_lait?=", QStringLiteral("café au lait")},
        {"B", "=?UTF-8?B?Y2Fmw6k=?=", QStringLiteral("café")},
        {"charset names in any case", "=?uTf-8?b?Y2Fmw6k=?=", QStringLiteral("café")},
        {"a charset with a language", "=?utf-8*fr?q?caf=C3=A9?=", QStringLiteral("café")},
        {"white space between words goes", "=?utf-8?q?a?= \t =?utf-8?q?b?=", "ab"},
        {"white space between words of different charsets goes",
         "=?utf-8?q?a?=  =?iso-8859-1?q?=E9?=", QStringLiteral("aé")},
        {"white space next to plain text stays", "x  =?utf-8?q?y?=  z ", "x  y  z "},
        {"words of different charsets",
         "=?iso-8859-7?b?4eLj?==?koi8-r?q?=F0?=", QStringLiteral("αβγП")},
        {"a word inside quotes", "\"=?utf-8?q?J=C3=B6rg?=\" <j@x>",
         QStringLiteral("\"Jörg\" <j@x>")},
        {"regression: GMime truncates B words after one with padding",
         "=?UTF-8?B?SGVsbG8=?= =?UTF-8?B?IHdvcmxk?=", "Hello world"},
        {"regression: padding in every word of a run", "=?UTF-8?B?SGVsbA==?= =?UTF-8?B?bw==?= x",
         "Hello x"},
        {"a B word without its padding", "=?utf-8?b?w6k?=", QStringLiteral("é")},
        {"a B word without padding before another",
         "=?UTF-8?B?SGVsbG8?= =?UTF-8?B?IHdvcmxk?=", "Hello world"},
        {"UTF-8 character split across B words",
         bWord("UTF-8", "caf\xC3") + " " + bWord("utf-8", "\xA9 ok"), QStringLiteral("café ok")},
        {"UTF-8 character split across Q words",
         "=?utf-8?q?caf=C3?= =?utf-8?q?=A9?=", QStringLiteral("café")},
        {"UTF-8 character split across a B and a Q word",
         bWord("utf-8", "\xE2\x82") + "\r\n =?utf-8?q?=AC?=", QStringLiteral("€")},
        {"ISO-2022-JP split inside a character",
         bWord("ISO-2022-JP", kIso2022Jp.first(6)) + " " +
             bWord("ISO-2022-JP", kIso2022Jp.sliced(6)),
         QStringLiteral("こんにちは")},
        {"ISO-2022-JP split inside the escape",
         bWord("iso-2022-jp", kIso2022Jp.first(2)) + " " +
             bWord("iso-2022-jp", kIso2022Jp.sliced(2)),
         QStringLiteral("こんにちは")},
        {"a character cut short at the end", bWord("utf-8", "ab\xE2\x82"),
         QStringLiteral("ab\uFFFD")},
        {"bytes not valid in the word's charset are read like raw 8-bit text",
         "=?utf-8?q?caf=E9_au_lait?=", QStringLiteral("café au lait")},
        {"an unknown charset is read like raw 8-bit text",
         "=?x-no-such?q?caf=E9?=", QStringLiteral("café")},
        {"a malformed word stays as written", "=?utf-8?x?abc?= =?utf-8?q?no end",
         "=?utf-8?x?abc?= =?utf-8?q?no end"},
        {"an empty word",
         "a =?utf-8?q?"
         "?= b",
         "a  b"},
        {"raw 8-bit text next to a word",
         "caf\xE9 =?utf-8?q?ol=C3=A9?=", QStringLiteral("café olé")},
    };
    for (const auto &row : cases) {
        SCOPED_TRACE(row.name);
        MailMessage message;
        message.LoadBytes("Subject: " + row.value + "\r\nFrom: " + row.value + "\r\n\r\n");
        EXPECT_EQ(message.Subject().value(), row.expected);
        EXPECT_EQ(message.Sender().value(), row.expected);
    }
}

TEST(MailMessageHeaderText, ReadsTheCorpusMessageThatGMimeTruncates)
{
    MailMessage message;
    ASSERT_TRUE(message.Load(testsupport::dataPath("corpus/mail__bad_subject.eml")));
    EXPECT_EQ(message.Subject().value(),
              QStringLiteral("MySurvey.com:  You have a survey waiting!  91123105 "));
    EXPECT_EQ(message.Sender().value(),
              QStringLiteral("MySurvey.com & Carol Adams <carol@mysurvey.com>"));
}

// Dates are checked in a zone five hours behind UTC, all year round.
class MailMessageDate : public ::testing::Test
{
private:
    ScopedTimeZone m_zone{"EST5"};
};

// Days from 30 December 1899 plus the fraction of a day.
double ole(int days, int hour, int minute, int second)
{
    return days + (hour * 3600 + minute * 60 + second) / 86400.0;
}

TEST_F(MailMessageDate, AnswersTheDateHeaderInLocalTimeElseTheNewestReceivedElseZero)
{
    // 35755 is 21 November 1997, 36525 is 31 December 1999, 38406 is 23 February 2005.
    const struct
    {
        const char *name;
        QByteArray headers;
        double expected;
    } cases[] = {
        {"offset converted to local time", "Date: Fri, 21 Nov 1997 09:55:06 -0600\r\n",
         ole(35755, 10, 55, 6)},
        {"into the previous day", "Date: Sat, 1 Jan 2000 02:00:00 +0000\r\n", ole(36525, 21, 0, 0)},
        {"a zone name", "Date: Fri, 21 Nov 1997 09:55:06 GMT\r\n", ole(35755, 4, 55, 6)},
        {"no zone is UTC", "Date: Fri, 21 Nov 1997 09:55:06\r\n", ole(35755, 4, 55, 6)},
        {"folded", "Date: Fri, 21 Nov 1997\r\n 09:55:06 +0000\r\n", ole(35755, 4, 55, 6)},
        {"the first Date counts",
         "Date: Fri, 21 Nov 1997 09:55:06 +0000\r\nDate: Wed, 23 Feb 2005 12:00:00 +0000\r\n",
         ole(35755, 4, 55, 6)},
        {"no Date: the newest Received, listed first",
         "Received: by b; Wed, 23 Feb 2005 18:00:00 +0000\r\n"
         "Received: from a\r\n by b; Wed, 23 Feb 2005 17:00:00 +0000\r\n",
         ole(38406, 13, 0, 0)},
        {"no Date: the newest Received, listed last",
         "Received: by b; Wed, 23 Feb 2005 17:00:00 +0000\r\n"
         "Received: by c; Wed, 23 Feb 2005 19:30:00 +0100\r\n"
         "Received: by d; Wed, 23 Feb 2005 17:30:00 +0000\r\n",
         ole(38406, 13, 30, 0)},
        {"the date after the last semicolon",
         "Received: from a (x; y)\r\n by b; Wed, 23 Feb 2005 17:00:00 +0000\r\n",
         ole(38406, 12, 0, 0)},
        {"an unparseable Date falls back to Received",
         "Date: Pn, 29 paX 2007 21:13:00 +0100\r\nReceived: by b; Wed, 23 Feb 2005 17:00:00 "
         "+0000\r\n",
         ole(38406, 12, 0, 0)},
        {"Received without a date is passed over",
         "Received: by b\r\nReceived: by b; garbage\r\n"
         "Received: by b; Wed, 23 Feb 2005 17:00:00 +0000\r\n",
         ole(38406, 12, 0, 0)},
        // Regression: GMime refuses dates before 1969, which came out as 30 December 1899.
        // 25020 is 1 July 1968, 366 is 31 December 1900, -18201 is 1 March 1850.
        {"1968", "Date: Mon, 01 Jul 1968 10:00:00 +0000\r\n", ole(25020, 5, 0, 0)},
        {"1968 in GMT", "Date: Mon, 01 Jul 1968 10:00:00 GMT\r\n", ole(25020, 5, 0, 0)},
        {"1968 in EST", "Date: Mon, 01 Jul 1968 10:00:00 EST\r\n", ole(25020, 10, 0, 0)},
        {"1968 in PDT", "Date: Mon, 01 Jul 1968 10:00:00 PDT\r\n", ole(25020, 12, 0, 0)},
        {"1968 in a military zone", "Date: Mon, 01 Jul 1968 10:00:00 Z\r\n", ole(25020, 5, 0, 0)},
        {"1968 with a comment", "Date: Mon, 01 Jul 1968 10:00:00 +0000 (UTC)\r\n",
         ole(25020, 5, 0, 0)},
        {"1968 with a wrong weekday", "Date: Tue, 01 Jul 1968 10:00:00 +0000\r\n",
         ole(25020, 5, 0, 0)},
        {"1901 into the previous day", "Date: Tue, 01 Jan 1901 03:00:00 +0000\r\n",
         ole(366, 22, 0, 0)},
        {"1850, before the day of 0", "Date: Fri, 01 Mar 1850 12:00:00 +0000\r\n",
         -(18201 + 7 / 24.0)},
        {"no Date: a Received of 1968",
         "Received: by b; Mon, 01 Jul 1968 10:00:00 +0000\r\n"
         "Received: by b; Sun, 30 Jun 1968 10:00:00 +0000\r\n",
         ole(25020, 5, 0, 0)},
        {"nothing usable", "Date: soon\r\nReceived: by b\r\n", 0.0},
        {"no date at all", "Subject: x\r\n", 0.0},
        {"Date in the body does not count", "Subject: x\r\n\r\nDate: Fri, 21 Nov 1997 09:55:06\r\n",
         0.0},
    };
    for (const auto &row : cases) {
        SCOPED_TRACE(row.name);
        MailMessage message;
        message.LoadBytes(row.headers + "\r\n");
        const Outcome<MessageDate> date = message.Date();
        ASSERT_TRUE(date.ok());
        EXPECT_NEAR(date.value().oleDate(), row.expected, 0.5 / 86400.0);
    }
}

TEST_F(MailMessageDate, KeepsTheOffsetWrittenInTheHeaderForEveryClock)
{
    const struct
    {
        const char *name;
        QByteArray headers;
        const char *header; // on DateZone::Header's clock
        const char *utc;
        const char *local; // EST5
    } cases[] = {
        {"read by GMime", "Date: Tue, 09 Mar 2010 23:30:00 -0800\r\n", "2010-03-09 23:30",
         "2010-03-10 07:30", "2010-03-10 02:30"},
        {"ahead of UTC", "Date: Wed, 10 Mar 2010 00:30:00 +1400\r\n", "2010-03-10 00:30",
         "2010-03-09 10:30", "2010-03-09 05:30"},
        {"before 1969, read by Qt", "Date: Mon, 01 Jul 1968 23:00:00 PDT\r\n", "1968-07-01 23:00",
         "1968-07-02 06:00", "1968-07-02 01:00"},
        {"from Received", "Received: by b; Wed, 10 Mar 2010 00:30:00 +1400\r\n", "2010-03-10 00:30",
         "2010-03-09 10:30", "2010-03-09 05:30"},
        {"none: the zero date on every clock", "Subject: x\r\n", "1899-12-30 00:00",
         "1899-12-30 00:00", "1899-12-30 00:00"},
    };
    const auto shown = [](const MessageDate &date, DateZone zone) {
        return date.on(zone).toString(QStringLiteral("yyyy-MM-dd HH:mm"));
    };
    for (const auto &row : cases) {
        SCOPED_TRACE(row.name);
        MailMessage message;
        message.LoadBytes(row.headers + "\r\n");
        const MessageDate date = message.Date().value();
        EXPECT_EQ(shown(date, DateZone::Header), QString::fromUtf8(row.header));
        EXPECT_EQ(shown(date, DateZone::Utc), QString::fromUtf8(row.utc));
        EXPECT_EQ(shown(date, DateZone::Local), QString::fromUtf8(row.local));
    }
}

TEST(MailMessageAddresses, ReadsTheFirstMailboxesTheRecipientsAndTheMessageId)
{
    const struct
    {
        const char *name;
        QByteArray headers;
        MailAddress from;
        MailAddress to;
        const char *recipients;
        const char *messageId;
    } cases[] = {
        {"display names, quoted and not",
         "From: \"Lee, Ann\" <ann@x.org>\r\nTo: Bob Stone <bob@y.org>, c@z.org\r\n"
         "Message-ID: <abc.123@x.org>\r\n",
         {"Lee, Ann", "ann@x.org"},
         {"Bob Stone", "bob@y.org"},
         "Bob Stone <bob@y.org>, c@z.org",
         "abc.123@x.org"},
        {"bare addresses, an id with a comment",
         "From: ann@x.org\r\nTo: bob@y.org\r\nMessage-Id:  <id@x> (sent by us)\r\n",
         {"", "ann@x.org"},
         {"", "bob@y.org"},
         "bob@y.org",
         "id@x"},
        // Regression guard: GMime alone ends a run of B words at the first
        // padded one, and would read this name as "Ann".
        {"a name in two padded B words",
         "From: =?UTF-8?B?QW4=?= =?UTF-8?B?biBMw6ll?= <ann@x.org>\r\n"
         "To: =?ISO-8859-1?Q?J=F6rg?= <j@y.org>\r\n",
         {"Ann L\u00e9e", "ann@x.org"},
         {"J\u00f6rg", "j@y.org"},
         "J\u00f6rg <j@y.org>",
         ""},
        {"raw UTF-8 in a name",
         "From: J\xc3\xb6rg <j@y.org>\r\n",
         {"J\u00f6rg", "j@y.org"},
         {},
         "",
         ""},
        {"the first member of a group; an empty group passed over",
         "To: undisclosed-recipients:;, Team: Eve <eve@z.org>, f@z.org;\r\n",
         {},
         {"Eve", "eve@z.org"},
         "undisclosed-recipients:;, Team: Eve <eve@z.org>, f@z.org;",
         ""},
        {"an id without angle brackets is taken as written",
         "Message-ID:   no-brackets  \r\n",
         {},
         {},
         "",
         "no-brackets"},
        {"no such headers", "Subject: x\r\n", {}, {}, "", ""},
    };
    for (const auto &row : cases) {
        SCOPED_TRACE(row.name);
        MailMessage message;
        message.LoadBytes(row.headers + "\r\n");
        const MailAddress from = message.SenderMailbox().value();
        const MailAddress to = message.FirstRecipient().value();
        EXPECT_EQ(from.name, row.from.name);
        EXPECT_EQ(from.address, row.from.address);
        EXPECT_EQ(to.name, row.to.name);
        EXPECT_EQ(to.address, row.to.address);
        EXPECT_EQ(message.Recipients().value(), QString::fromUtf8(row.recipients));
        EXPECT_EQ(message.MessageId().value(), QString::fromUtf8(row.messageId));
    }
}

struct FramingCase
{
    const char *name;
    const char *fileName;
    QByteArray bytes;
    MailMessage::Framing framing;
    QString subject;
    QString sender;
};

// A message that has no body, so only the framing can keep the property list
// that follows it out of its headers.
const QByteArray kBare = "Subject: framed\n";
const QByteArray kPlist = "<?xml version=\"1.0\"?>\nFrom: plist@x\n";

TEST(MailMessageFraming, TakesTheCountedBytesOfEmlxFiles)
{
    using F = MailMessage::Framing;
    const FramingCase cases[] = {
        {"exact count", "a.emlx", "16\n" + kBare + kPlist, F::ByName, "framed", ""},
        {"count with white space and CRLF", "a.emlx", " 16 \r\n" + kBare + kPlist, F::ByName,
         "framed", ""},
        {"count cutting the subject short", "a.emlx", "12\n" + kBare + kPlist, F::ByName, "fra",
         ""},
        {"file shorter than the count", "a.emlx", "4000\n" + kBare + kPlist, F::ByName, "framed",
         "plist@x"},
        {"count of zero", "a.emlx", "0\n" + kBare, F::ByName, "", ""},
        {"partial emlx", "a.partial.emlx", "16\n" + kBare + kPlist, F::ByName, "framed", ""},
        {"name in capitals", "A.EMLX", "16\n" + kBare + kPlist, F::ByName, "framed", ""},
        {"no count line", "a.emlx", "Subject: plain\nFrom: me\n\n", F::ByName, "plain", "me"},
        {"negative count", "a.emlx", "-5\nSubject: plain\n\n", F::ByName, "plain", ""},
        {"enormous count", "a.emlx", "123456789012345678901234567890\nSubject: plain\n\n",
         F::ByName, "plain", ""},
        {"count with letters", "a.emlx", "12ab\nSubject: plain\n\n", F::ByName, "plain", ""},
        {"an .eml file is plain", "a.eml", "16\n" + kBare + kPlist, F::ByName, "framed", "plist@x"},
        {"framing asked for", "a.eml", "16\n" + kBare + kPlist, F::Emlx, "framed", ""},
        {"plain asked for", "a.emlx", "16\n" + kBare + kPlist, F::Plain, "framed", "plist@x"},
        {"empty file", "a.emlx", "", F::ByName, "", ""},
    };
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    for (const FramingCase &row : cases) {
        SCOPED_TRACE(row.name);
        const QString path = dir.filePath(QLatin1String(row.fileName));
        testsupport::writeFile(path, row.bytes);
        MailMessage message;
        const Outcome<void> loaded = message.Load(path, row.framing);
        ASSERT_TRUE(loaded) << loaded.reason().toStdString();
        EXPECT_EQ(message.Subject().value(), row.subject);
        EXPECT_EQ(message.Sender().value(), row.sender);
    }
}

TEST(MailMessageFraming, LoadBytesReadsByNameAsPlain)
{
    MailMessage message;
    message.LoadBytes("16\n" + kBare + kPlist, MailMessage::Framing::ByName);
    EXPECT_EQ(message.Sender().value(), "plist@x");
    message.LoadBytes("16\n" + kBare + kPlist, MailMessage::Framing::Emlx);
    EXPECT_EQ(message.Sender().value(), "");
}

TEST(MailMessageLoad, FailsWithAReasonAndHoldsNoMessage)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString fifo = dir.filePath("pipe.eml");
    ASSERT_EQ(mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    const QString missing = dir.filePath("missing.eml");
    const QString folder = dir.filePath("folder.eml");
    ASSERT_TRUE(QDir().mkdir(folder));
    const QString good = dir.filePath("good.eml");
    testsupport::writeFile(good, "Subject: good\r\n\r\n");

    for (const QString &path : {missing, folder, fifo, QString()}) {
        SCOPED_TRACE(path.toStdString());
        MailMessage message;
        ASSERT_TRUE(message.Load(good));
        // A fifo without a writer would block a plain open.
        const Outcome<void> loaded = message.Load(path);
        EXPECT_FALSE(loaded);
        const QString &reason = loaded.reason();
        EXPECT_FALSE(reason.isEmpty());
        EXPECT_TRUE(path.isEmpty() || reason.contains(path)) << reason.toStdString();
        for (const QString &failure :
             {message.Subject().reason(), message.Sender().reason(), message.Date().reason()})
            EXPECT_EQ(failure, "no message loaded");
        EXPECT_FALSE(message.Subject().ok());
        EXPECT_FALSE(message.Date().ok());
        EXPECT_FALSE(message.SenderMailbox().ok());
        EXPECT_FALSE(message.MessageId().ok());
        EXPECT_FALSE(message.Sender().ok());
    }
}

TEST(MailMessageLoad, FailsOnAFileItCannotRead)
{
    TempTree tree;
    const QString path = tree.path("locked.eml");
    testsupport::writeFile(path, "Subject: locked\r\n\r\n");
    ASSERT_TRUE(QFile::setPermissions(path, QFileDevice::WriteOwner));
    MailMessage message;
    QString reason;
    {
        const AsNobody nobody;
        if (!nobody.failure().isEmpty())
            GTEST_SKIP() << nobody.failure().toStdString();
        const Outcome<void> loaded = message.Load(path);
        EXPECT_FALSE(loaded);
        reason = loaded.reason();
    }
    EXPECT_TRUE(reason.contains(path));
    EXPECT_FALSE(message.Subject().ok());
}

TEST(MailMessageLoad, AnswersNothingBeforeTheFirstLoad)
{
    const MailMessage message;
    EXPECT_EQ(message.Subject().reason(), "no message loaded");
    EXPECT_EQ(message.Date().reason(), "no message loaded");
    EXPECT_EQ(message.Sender().reason(), "no message loaded");
}

TEST(MailMessageLoad, AnswersForTheFileLoadedLast)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    testsupport::writeFile(dir.filePath("a.eml"), "Subject: a\r\nFrom: x\r\n\r\n");
    testsupport::writeFile(dir.filePath("b.eml"), "Subject: b\r\n\r\n");
    MailMessage message;
    ASSERT_TRUE(message.Load(dir.filePath("a.eml")));
    ASSERT_TRUE(message.Load(dir.filePath("b.eml")));
    EXPECT_EQ(message.Subject().value(), "b");
    EXPECT_EQ(message.Sender().value(), "");
}

TEST(MailMessageLoad, LoadsFilesWithoutHeadersAsEmpty)
{
    const QByteArray contents[] = {"", "\r\n\r\n", "\n", "no header here\n",
                                   QByteArray(4096, '\0')};
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    for (const QByteArray &bytes : contents) {
        SCOPED_TRACE(bytes.toHex().left(40).toStdString());
        const QString path = dir.filePath("empty.eml");
        testsupport::writeFile(path, bytes);
        MailMessage message;
        ASSERT_TRUE(message.Load(path));
        EXPECT_EQ(message.Subject().value(), "");
        EXPECT_EQ(message.Sender().value(), "");
        EXPECT_EQ(message.Date().value().oleDate(), 0.0);
    }
}

TEST(MailMessageLoad, SurvivesGarbage)
{
    QRandomGenerator random(20240601);
    for (int round = 0; round < 200; ++round) {
        QByteArray bytes(static_cast<qsizetype>(random.bounded(1, 4000)), Qt::Uninitialized);
        for (char &byte : bytes)
            byte = static_cast<char>(random.bounded(256));
        // Sprinkle in what the reader looks for, so the garbage reaches the decoders.
        for (const char *piece : {"\nSubject: ", "=?utf-8?b?", "?=", "\nDate: ", "=?", "\r\n "})
            bytes.insert(random.bounded(bytes.size()), piece);
        MailMessage message;
        message.LoadBytes(bytes,
                          round % 2 ? MailMessage::Framing::Emlx : MailMessage::Framing::Plain);
        EXPECT_TRUE(message.Subject().ok());
        EXPECT_TRUE(std::isfinite(message.Date().value().oleDate()));
    }
}

TEST(MailMessageLoad, ReadsAHeaderLineLongerThanTheLimitUpToTheLimit)
{
    QByteArray bytes = "Subject: " + QByteArray(2 * MailMessage::kMaxHeaderBytes, 'a');
    bytes += "\r\nFrom: late\r\n\r\n";
    MailMessage message;
    message.LoadBytes(bytes);
    EXPECT_EQ(message.Subject().value().size(), MailMessage::kMaxHeaderBytes - 9);
    EXPECT_EQ(message.Sender().value(), "");

    // One run of adjacent encoded words, cut by the limit in the middle of a word.
    QByteArray words = "Subject:";
    while (words.size() < MailMessage::kMaxHeaderBytes)
        words += " =?utf-8?b?w6k=?=";
    message.LoadBytes(words + "\r\n\r\n");
    EXPECT_TRUE(message.Subject().value().startsWith(QString(60000, QChar(0xE9))));
}

// The header block is read in steps; wherever a step ends, in the middle of
// the blank line or just before it, the fields before it are all read.
TEST(MailMessageLoad, ReadsEveryFieldWhereverAReadEndsNearTheBlankLine)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    for (const QByteArray &eol : {QByteArray("\n"), QByteArray("\r\n")}) {
        for (qsizetype blockEnd : {qsizetype(16) << 10, qsizetype(64) << 10}) {
            const QByteArray first = "From: first" + eol;
            const QByteArray last = "Subject: last" + eol + eol;
            // From a read ending past the block to one ending before its last field.
            for (qsizetype shift = -4; shift <= last.size() + 2; ++shift) {
                const qsizetype filler = blockEnd + shift - first.size() - last.size() -
                                         qsizetype(sizeof "X-Filler: ") + 1 - eol.size();
                const QByteArray bytes = first + "X-Filler: " + QByteArray(filler, 'y') + eol +
                                         last + QByteArray(100000, 'b');
                SCOPED_TRACE(eol.size() == 1 ? "LF" : "CRLF");
                SCOPED_TRACE(blockEnd + shift);
                const QString path = dir.filePath(QStringLiteral("m.eml"));
                testsupport::writeFile(path, bytes);
                MailMessage message;
                ASSERT_TRUE(message.Load(path));
                EXPECT_EQ(message.Sender().value(), "first");
                EXPECT_EQ(message.Subject().value(), "last");
            }
        }
    }
}

// A size of 0 is also what files of /proc and some FUSE file systems report
// until they are read, so it must not stop the reader from reading.
TEST(MailMessageLoad, ReadsAFileThatWasEmptyWhenOpened)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString path = dir.filePath(QStringLiteral("late.eml"));
    testsupport::writeFile(path, QByteArray());
    const SourceFile file(path);
    ASSERT_EQ(file.error(), 0);
    testsupport::writeFile(path, "Subject: written late\r\n\r\nbody\r\n");
    MailMessage message;
    ASSERT_TRUE(message.Load(file));
    EXPECT_EQ(message.Subject().value(), QStringLiteral("written late"));
}

TEST(MailMessageLoad, ReadsOnlyTheHeaderBlockOfALargeFile)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());

    // Headers longer than the first read, then 50 MB of body.
    QByteArray headers;
    for (int i = 0; headers.size() < 200 * 1024; ++i)
        headers += "X-Filler-" + QByteArray::number(i) + ": " + QByteArray(100, 'x') + "\r\n";
    headers += "Subject: large\r\nDate: Wed, 23 Feb 2005 17:00:00 +0000\r\n\r\n";
    const QString large = dir.filePath("large.eml");
    {
        QFile file(large);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(headers);
        const QByteArray body(1024 * 1024, 'b');
        for (int i = 0; i < 50; ++i)
            ASSERT_EQ(file.write(body), body.size());
    }
    MailMessage message;
    ASSERT_TRUE(message.Load(large));
    EXPECT_EQ(message.Subject().value(), "large");
    EXPECT_EQ(oledate::ToDate(message.Date().value().oleDate()), QDate(2005, 2, 23));

    // The same behind an .emlx count line.
    const QString framed = dir.filePath("large.emlx");
    testsupport::writeFile(framed,
                           QByteArray::number(headers.size() + 10) + "\n" + headers + "body\r\n");
    ASSERT_TRUE(message.Load(framed));
    EXPECT_EQ(message.Subject().value(), "large");

    // A header block that does not end within the limit is read up to it only.
    QByteArray endless = "From: first\r\n";
    while (endless.size() < MailMessage::kMaxHeaderBytes)
        endless += "X-Filler: " + QByteArray(100, 'y') + "\r\n";
    endless += "Subject: beyond the limit\r\n\r\n";
    const QString beyond = dir.filePath("beyond.eml");
    testsupport::writeFile(beyond, endless);
    ASSERT_TRUE(message.Load(beyond));
    EXPECT_EQ(message.Sender().value(), "first");
    EXPECT_EQ(message.Subject().value(), "");
}

} // namespace
