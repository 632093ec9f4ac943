// SPDX-License-Identifier: MIT
#include "naming.h"

#include "oledate.h"
#include "recordingheaders.h"

#include <cmath>
#include <gtest/gtest.h>
#include <limits>
#include <QDate>
#include <QStringList>

using namespace naming;

namespace {

// 7 March 2010, late in the evening: only the calendar day may show.
const double kMarch7 = oledate::Epoch().daysTo(QDate(2010, 3, 7)) + 0.99;
const MessageDate kMarch7Date(QDateTime(QDate(2010, 3, 7), QTime(23, 45), Qt::LocalTime));

const QString kEml = QStringLiteral(".eml");

QString repeated(const QString &piece, int times)
{
    return piece.repeated(times);
}

// The whole road from headers to file name, as a run takes it.
QString fileNameFor(NamingScheme scheme, const QString &subject, const QString &sender,
                    const MessageDate &date, bool removeReply, bool removeForward)
{
    const RecordingHeaders message(subject, sender, date);
    const Outcome<QString> raw = ComposeName(message, scheme);
    EXPECT_TRUE(raw.ok()) << raw.reason().toStdString();
    return FitFileName(CleanName(raw.value(), removeReply, removeForward));
}

} // namespace

TEST(ComposeName, AsksOnlyForTheSchemesValuesInTheSchemesOrder)
{
    const struct
    {
        NamingScheme scheme;
        const char16_t *name;
        QStringList asked;
    } rows[] = {
        {NamingScheme::OptS, u"Offer", {"Subject"}},
        {NamingScheme::OptSF, u"Offer Ann <a@b.c>", {"Subject", "Sender"}},
        {NamingScheme::OptFS, u"Ann <a@b.c> Offer", {"Sender", "Subject"}},
        {NamingScheme::OptSFD_dmy, u"Offer Ann <a@b.c> 07-03-2010", {"Date", "Subject", "Sender"}},
        {NamingScheme::OptDS_ymd, u"2010-03-07 Offer", {"Date", "Subject"}},
        {NamingScheme::OptDS_mdy, u"03-2010-07 Offer", {"Date", "Subject"}},
    };
    for (const auto &row : rows) {
        SCOPED_TRACE(static_cast<int>(row.scheme));
        const RecordingHeaders message(QStringLiteral("Offer"), QStringLiteral("Ann <a@b.c>"),
                                       kMarch7Date);
        const Outcome<QString> name = ComposeName(message, row.scheme);
        ASSERT_TRUE(name.ok());
        EXPECT_EQ(name.value(), QString::fromUtf16(row.name));
        EXPECT_EQ(message.asked(), row.asked);
    }
}

TEST(ComposeName, KeepsEmptyPartsAndTheirSeparators)
{
    const struct
    {
        NamingScheme scheme;
        const char *subject;
        const char *sender;
        const char *name;
    } rows[] = {
        {NamingScheme::OptS, "", "Ann", ""},
        {NamingScheme::OptSF, "Offer", "", "Offer "},
        {NamingScheme::OptFS, "", "Ann", "Ann "},
        {NamingScheme::OptSFD_dmy, "", "", "  07-03-2010"},
        {NamingScheme::OptDS_ymd, "", "Ann", "2010-03-07 "},
        // Values are used as read: no trimming, no decoding.
        {NamingScheme::OptSF, " =?utf-8?q?x?= ", " Ann ", " =?utf-8?q?x?=   Ann "},
    };
    for (const auto &row : rows) {
        SCOPED_TRACE(row.name);
        const RecordingHeaders message(QString::fromUtf8(row.subject),
                                       QString::fromUtf8(row.sender), kMarch7Date);
        const Outcome<QString> name = ComposeName(message, row.scheme);
        ASSERT_TRUE(name.ok());
        EXPECT_EQ(name.value(), QString::fromUtf8(row.name));
    }
}

TEST(ComposeName, FailsWithTheReasonOfTheFirstFailingReaderAndAsksNothingMore)
{
    const struct
    {
        NamingScheme scheme;
        const char *failing;
        QStringList asked;
    } rows[] = {
        {NamingScheme::OptS, "Subject", {"Subject"}},
        {NamingScheme::OptSF, "Subject", {"Subject"}},
        {NamingScheme::OptSF, "Sender", {"Subject", "Sender"}},
        {NamingScheme::OptFS, "Sender", {"Sender"}},
        {NamingScheme::OptFS, "Subject", {"Sender", "Subject"}},
        {NamingScheme::OptSFD_dmy, "Date", {"Date"}},
        {NamingScheme::OptSFD_dmy, "Subject", {"Date", "Subject"}},
        {NamingScheme::OptSFD_dmy, "Sender", {"Date", "Subject", "Sender"}},
        {NamingScheme::OptDS_ymd, "Date", {"Date"}},
        {NamingScheme::OptDS_ymd, "Subject", {"Date", "Subject"}},
        {NamingScheme::OptDS_mdy, "Date", {"Date"}},
        {NamingScheme::OptDS_mdy, "Subject", {"Date", "Subject"}},
    };
    for (const auto &row : rows) {
        SCOPED_TRACE(std::to_string(static_cast<int>(row.scheme)) + " " + row.failing);
        RecordingHeaders message(QStringLiteral("Offer"), QStringLiteral("Ann"), kMarch7Date);
        message.failOn(QString::fromUtf8(row.failing), QStringLiteral("header is garbled"));
        const Outcome<QString> name = ComposeName(message, row.scheme);
        EXPECT_FALSE(name.ok());
        EXPECT_EQ(name.reason(), QStringLiteral("header is garbled"));
        EXPECT_EQ(message.asked(), row.asked);
    }
}

TEST(ComposeName, IgnoresAFailingReaderTheSchemeDoesNotUse)
{
    const struct
    {
        NamingScheme scheme;
        const char *failing;
    } rows[] = {
        {NamingScheme::OptS, "Date"},        {NamingScheme::OptS, "Sender"},
        {NamingScheme::OptSF, "Date"},       {NamingScheme::OptFS, "Date"},
        {NamingScheme::OptDS_ymd, "Sender"}, {NamingScheme::OptDS_mdy, "Sender"},
    };
    for (const auto &row : rows) {
        SCOPED_TRACE(row.failing);
        RecordingHeaders message(QStringLiteral("Offer"), QStringLiteral("Ann"), kMarch7Date);
        message.failOn(QString::fromUtf8(row.failing), QStringLiteral("broken"));
        EXPECT_TRUE(ComposeName(message, row.scheme).ok());
        EXPECT_FALSE(message.asked().contains(QString::fromUtf8(row.failing)));
    }
}

TEST(ComposeName, GivesAReadableReasonWhenAReaderFailsWithoutOne)
{
    RecordingHeaders message(QStringLiteral("Offer"), QStringLiteral("Ann"), kMarch7Date);
    message.failOn(QStringLiteral("Date"), QString());
    const Outcome<QString> name = ComposeName(message, NamingScheme::OptDS_ymd);
    ASSERT_FALSE(name.ok());
    EXPECT_FALSE(name.reason().isEmpty());
}

TEST(ComposeName, FailsOnASchemeValueOutsideTheSix)
{
    const RecordingHeaders message(QStringLiteral("Offer"), QStringLiteral("Ann"), kMarch7Date);
    const Outcome<QString> name = ComposeName(message, static_cast<NamingScheme>(42));
    EXPECT_FALSE(name.ok());
    EXPECT_FALSE(name.reason().isEmpty());
    EXPECT_TRUE(message.asked().isEmpty());
}

TEST(NamingRules, GiveTheWorkedExamplesFileNames)
{
    const struct
    {
        const char *what;
        NamingScheme scheme;
        const char *subject;
        const char *sender;
        bool removeReply;
        bool removeForward;
        const char *fileName;
    } rows[] = {
        {"reply kept", NamingScheme::OptS, "Re: Offer?", "", false, false, "Re Offer.eml"},
        {"reply removed", NamingScheme::OptS, "Re: Offer?", "", true, false, "Offer.eml"},
        {"Fwd but not Fw", NamingScheme::OptDS_ymd, "Fwd: Report", "", false, true,
         "2010-03-07 Report.eml"},
        {"month year day", NamingScheme::OptDS_mdy, "Invoice", "", false, false,
         "03-2010-07 Invoice.eml"},
        {"subject sender date", NamingScheme::OptSFD_dmy, "Q1 results", "Sales Team", false, false,
         "Q1 results Sales Team 07-03-2010.eml"},
        {"re inside words", NamingScheme::OptFS, "Order 12/34", "Software Store", true, false,
         "SoftwaStoOrder 1234.eml"},
        {"both markers", NamingScheme::OptS, "Fw: Re: Plan", "", true, true, "Plan.eml"},
        {"address without brackets", NamingScheme::OptSF, "Hello",
         "Ann Smith <ann.smith@example.org>", false, false,
         "Hello Ann Smith ann.smith@example.org.eml"},
        {"empty subject", NamingScheme::OptS, "", "Ann", false, false, "(no subject).eml"},
        {"empty sender", NamingScheme::OptSF, "Offer", "", false, false, "Offer .eml"},
        {"markers in sender and date", NamingScheme::OptSFD_dmy, "x", "Fw Desk", false, true,
         "x Desk 07-03-2010.eml"},
    };
    for (const auto &row : rows) {
        SCOPED_TRACE(row.what);
        EXPECT_EQ(fileNameFor(row.scheme, QString::fromUtf8(row.subject),
                              QString::fromUtf8(row.sender), kMarch7Date, row.removeReply,
                              row.removeForward),
                  QString::fromUtf8(row.fileName));
    }
}

TEST(FormatDate, WritesTheCalendarDayInThePattern)
{
    constexpr double nan = std::numeric_limits<double>::quiet_NaN();
    constexpr double inf = std::numeric_limits<double>::infinity();
    const QDate year100(100, 1, 2);
    const struct
    {
        const char *what;
        double date;
        const char *pattern;
        QString text;
    } rows[] = {
        {"zero d-m-y", 0.0, "dd-mm-yyyy", "30-12-1899"},
        {"zero y-m-d", 0.0, "yyyy-mm-dd", "1899-12-30"},
        {"zero m-y-d", 0.0, "mm-yyyy-dd", "12-1899-30"},
        {"time of day ignored", kMarch7, "dd-mm-yyyy", "07-03-2010"},
        {"month year day", kMarch7, "mm-yyyy-dd", "03-2010-07"},
        {"fraction runs forward before the epoch", -1.25, "yyyy-mm-dd", "1899-12-29"},
        {"just before midnight of the epoch", 0.999999, "yyyy-mm-dd", "1899-12-30"},
        {"other literals", kMarch7, "yyyy.mm.dd!", "2010.03.07!"},
        {"lone letters are literals", kMarch7, "d m y yy", "d m y yy"},
        {"three-digit year padded", double(oledate::Epoch().daysTo(year100)), "dd-mm-yyyy",
         "02-01-0100"},
        {"NaN", nan, "dd-mm-yyyy", "30-12-1899"},
        {"infinity", inf, "dd-mm-yyyy", "30-12-1899"},
        {"minus infinity", -inf, "dd-mm-yyyy", "30-12-1899"},
        {"huge", 1e300, "dd-mm-yyyy", "30-12-1899"},
        {"hugely negative", -1e300, "dd-mm-yyyy", "30-12-1899"},
    };
    for (const auto &row : rows) {
        SCOPED_TRACE(row.what);
        EXPECT_EQ(FormatDate(row.date, QString::fromUtf8(row.pattern)), row.text);
    }
}

TEST(FormatDate, WritesYearsBeyondFourDigitsAndBeforeYearOneWhole)
{
    for (const double days : {9.0e8, -9.0e8}) {
        const QDate day = oledate::ToDate(days);
        ASSERT_NE(day, oledate::Epoch());
        const QString year =
            day.year() < 0 ? QStringLiteral("-%1").arg(-day.year()) : QString::number(day.year());
        EXPECT_EQ(FormatDate(days, QStringLiteral("yyyy")), year);
        EXPECT_EQ(FormatDate(days, QStringLiteral("mm-dd")),
                  QStringLiteral("%1-%2")
                      .arg(day.month(), 2, 10, QChar(u'0'))
                      .arg(day.day(), 2, 10, QChar(u'0')));
    }
}

TEST(CleanName, GivesTheExpectedBaseName)
{
    const QString a218 = repeated(QStringLiteral("a"), 218);
    const QString emoji = QString::fromUtf8("\xF0\x9F\x98\x80"); // U+1F600, two units
    const struct
    {
        const char *what;
        QString raw;
        bool removeReply;
        bool removeForward;
        QString base;
    } rows[] = {
        {"all nine reserved characters", QStringLiteral("a:b?c\\d/e*f\"g<h>i|j"), false, false,
         QStringLiteral("abcdefghij")},
        {"tab and line breaks",
         QStringLiteral("a\tb\r\nc\x1f"
                        "d"),
         false, false, QStringLiteral("abcd")},
        {"NUL", QString::fromUtf16(u"a\0b", 3), false, false, QStringLiteral("ab")},
        {"DEL and non-Latin letters stay",
         QString::fromUtf8("a\x7f"
                           "é日本"),
         false, false,
         QString::fromUtf8("a\x7f"
                           "é日本")},
        {"no trim when short", QStringLiteral("  a  "), false, false, QStringLiteral("  a  ")},
        {"markers stay when not asked", QStringLiteral("Re Fw x"), false, false,
         QStringLiteral("Re Fw x")},
        {"marker without space survives", QStringLiteral("Re:Offer"), true, false,
         QStringLiteral("ReOffer")},
        {"reply inside words", QStringLiteral("Where are we"), true, false,
         QStringLiteral("Wheawe")},
        {"every occurrence in one pass", QStringLiteral("RE: RE: x"), true, false,
         QStringLiteral("x")},
        {"mixed case reply stays", QStringLiteral("rE: x"), true, false, QStringLiteral("rE x")},
        {"FWD", QStringLiteral("FWD: x"), false, true, QStringLiteral("x")},
        {"mixed case forward stays", QStringLiteral("fWd: x"), false, true,
         QStringLiteral("fWd x")},
        {"forward only when asked", QStringLiteral("Fw: Re: x"), true, false,
         QStringLiteral("Fw x")},
        {"reply only when asked", QStringLiteral("Fw: Re: x"), false, true, QStringLiteral("Re x")},
        {"no trim after markers", QStringLiteral(" Re x Re "), true, false, QStringLiteral(" x ")},
        // A deletion that brings a marker together is not searched again.
        {"joined reply not re-searched", QStringLiteral("rre e x"), true, false,
         QStringLiteral("re x")},
        {"joined forward not re-searched", QStringLiteral("FFW W x"), false, true,
         QStringLiteral("FW x")},
        {"earlier pattern not applied again", QStringLiteral("RRe E x"), true, false,
         QStringLiteral("RE x")},
        // No name may hide the copy.
        {"empty", QString(), true, true, QStringLiteral("(no subject)")},
        {"emptied by the cleaning", QStringLiteral("Re: "), true, false,
         QStringLiteral("(no subject)")},
        {"leading dot", QStringLiteral(".NET 8 released"), false, false,
         QStringLiteral("_.NET 8 released")},
        {"dot that becomes first", QStringLiteral("?..x"), false, false, QStringLiteral("_..x")},
        {"dot after a space stays", QStringLiteral(" .x"), false, false, QStringLiteral(" .x")},
        {"exactly 220 ending in a space keeps it", repeated(QStringLiteral("a"), 219) + u' ', false,
         false, repeated(QStringLiteral("a"), 219) + u' '},
        {"cut to 220 then trimmed", a218 + QStringLiteral("  ") + repeated(QStringLiteral("b"), 10),
         false, false, a218},
        {"leading spaces go after a cut",
         QStringLiteral("   ") + repeated(QStringLiteral("a"), 230), false, false,
         repeated(QStringLiteral("a"), 217)},
        {"controls go before the length is measured",
         repeated(QStringLiteral("a"), 219) + u' ' + repeated(QStringLiteral("\t"), 10), false,
         false, repeated(QStringLiteral("a"), 219) + u' '},
        {"cut before markers", QStringLiteral("Re: ") + repeated(QStringLiteral("x"), 236), true,
         false, repeated(QStringLiteral("x"), 217)},
        {"cut never splits a surrogate pair",
         repeated(QStringLiteral("a"), 219) + emoji + QStringLiteral("tail"), false, false,
         repeated(QStringLiteral("a"), 219)},
        {"a whole pair at the end stays", repeated(QStringLiteral("a"), 218) + emoji + u'z', false,
         false, repeated(QStringLiteral("a"), 218) + emoji},
    };
    for (const auto &row : rows) {
        SCOPED_TRACE(row.what);
        EXPECT_EQ(CleanName(row.raw, row.removeReply, row.removeForward), row.base);
    }
}

TEST(CleanName, NeverLeavesMoreThan220UnitsNorAHalfPair)
{
    const QString emoji = QString::fromUtf8("\xF0\x9F\x98\x80");
    for (int prefix = 0; prefix < 4; ++prefix) {
        for (int pairs = 105; pairs < 130; ++pairs) {
            const QString raw = repeated(QStringLiteral("a"), prefix) + repeated(emoji, pairs);
            const QString base = CleanName(raw, true, true);
            SCOPED_TRACE(raw.size());
            EXPECT_LE(base.size(), kMaxBaseNameUnits);
            ASSERT_FALSE(base.isEmpty());
            EXPECT_FALSE(base.back().isHighSurrogate());
        }
    }
}

TEST(FitFileName, CutsTheBaseNameToFit255BytesOfUtf8)
{
    const QString cjk = QString::fromUtf8("日");                 // three bytes
    const QString emoji = QString::fromUtf8("\xF0\x9F\x98\x80"); // four bytes, two units
    const QString eAcute = QString::fromUtf8("é");               // two bytes
    const QString a = QStringLiteral("a");
    const struct
    {
        const char *what;
        QString base;
        QString suffix;
        QString fileName;
    } rows[] = {
        {"short name", QStringLiteral("Offer"), {}, QStringLiteral("Offer.eml")},
        {"empty name", {}, {}, QStringLiteral(".eml")},
        {"trailing space kept when it fits",
         QStringLiteral("Offer "),
         {},
         QStringLiteral("Offer .eml")},
        {"exactly 255 bytes", repeated(a, 251), {}, repeated(a, 251) + kEml},
        {"one byte over", repeated(a, 252), {}, repeated(a, 251) + kEml},
        {"spaces before the cut go",
         repeated(a, 249) + QStringLiteral("  x"),
         {},
         repeated(a, 249) + kEml},
        {"220 CJK characters", repeated(cjk, 220), {}, repeated(cjk, 83) + kEml},
        {"two-byte letters", repeated(eAcute, 200), {}, repeated(eAcute, 125) + kEml},
        {"pairs stay whole", repeated(emoji, 110), {}, repeated(emoji, 62) + kEml},
        {"pairs after one ASCII letter",
         a + repeated(emoji, 110),
         {},
         a + repeated(emoji, 62) + kEml},
        {"suffix kept whole", repeated(a, 260), QStringLiteral(" (2)"),
         repeated(a, 247) + QStringLiteral(" (2).eml")},
        {"suffix on a short name", QStringLiteral("Offer"), QStringLiteral(" (12)"),
         QStringLiteral("Offer (12).eml")},
        {"suffix with CJK", repeated(cjk, 220), QStringLiteral(" (2)"),
         repeated(cjk, 82) + QStringLiteral(" (2).eml")},
        {"lone surrogate counts as U+FFFD",
         QString(QChar(0xD800)) + repeated(a, 260),
         {},
         QString(QChar(0xD800)) + repeated(a, 248) + kEml},
    };
    for (const auto &row : rows) {
        SCOPED_TRACE(row.what);
        const QString fileName = FitFileName(row.base, row.suffix);
        EXPECT_EQ(fileName, row.fileName);
        EXPECT_LE(fileName.toUtf8().size(), kMaxFileNameBytes);
    }
}

TEST(FitFileName, FitsEveryCleanedNameWithoutSplittingAPair)
{
    // Names of every mix of one- to four-byte characters around the limits.
    const QStringList pieces = {QStringLiteral("a"), QString::fromUtf8("é"),
                                QString::fromUtf8("日"), QString::fromUtf8("\xF0\x9F\x98\x80"),
                                QStringLiteral(" ")};
    for (const QString &first : pieces) {
        for (const QString &second : pieces) {
            for (int count = 40; count < 130; count += 7) {
                const QString raw = (first + second).repeated(count);
                const QString fileName = FitFileName(CleanName(raw, false, false));
                SCOPED_TRACE(raw.toStdString());
                EXPECT_LE(fileName.toUtf8().size(), kMaxFileNameBytes);
                EXPECT_TRUE(fileName.endsWith(u".eml"));
                EXPECT_EQ(QString::fromUtf8(fileName.toUtf8()), fileName) << "a pair was split";
            }
        }
    }
}
