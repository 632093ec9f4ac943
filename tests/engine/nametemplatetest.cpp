// SPDX-License-Identifier: MIT
// Name templates: what they render, what they refuse, that no value can lead a
// copy out of the destination, and that each scheme's template names every
// corpus message exactly as the scheme does.
#include "nametemplate.h"

#include "mailmessage.h"
#include "naming.h"
#include "recordingheaders.h"
#include "scopedtimezone.h"
#include "testsupport.h"

#include <gtest/gtest.h>
#include <QDir>
#include <QFileInfo>

// Readable QString values in failure messages.
inline void PrintTo(const QString &text, std::ostream *os)
{
    *os << '"' << text.toStdString() << '"';
}

namespace {

// Sent at 23:30 at -08:00 (07:30 UTC the next day), and at 00:30 at +14:00
// (10:30 UTC the day before).
const MessageDate kLateWest(QDateTime(QDate(2010, 3, 9), QTime(23, 30), Qt::OffsetFromUTC,
                                      -8 * 3600));
const MessageDate kEarlyEast(QDateTime(QDate(2010, 3, 10), QTime(0, 30), Qt::OffsetFromUTC,
                                       14 * 3600));

RecordingHeaders offer(const MessageDate &date)
{
    RecordingHeaders message(QStringLiteral("Re: Offer 12/34"),
                             QStringLiteral("Ann Lee <ann@x.org>"), date);
    message.senderMailbox = {QStringLiteral("Ann Lee"), QStringLiteral("ann@x.org")};
    message.recipients = QStringLiteral("bob@y.org, Carl <c@z.org>");
    message.firstRecipient = {QString(), QStringLiteral("bob@y.org")};
    message.messageId = QStringLiteral("abc.123@x.org");
    return message;
}

MessageOrigin origin(const QString &path)
{
    MessageOrigin from;
    from.sourcePath = path;
    return from;
}

// The copy's path below the target folder, as the run makes it.
QString relativeTarget(const MessageHeaders &message, const MessageOrigin &from,
                       const RunOptions &options)
{
    const Outcome<RawName> raw = naming::ComposeRawName(message, from, options);
    EXPECT_TRUE(raw.ok()) << raw.reason().toStdString();
    if (!raw)
        return {};
    const naming::CleanedName name =
        naming::CleanRawName(raw.value(), options.removeReply, options.removeForward);
    return name.folders + naming::FitFileName(name.baseName);
}

RunOptions withTemplate(const char16_t *text, DateZone zone = DateZone::Local)
{
    const Outcome<NameTemplate> parsed = NameTemplate::parse(QString::fromUtf16(text));
    EXPECT_TRUE(parsed.ok()) << parsed.reason().toStdString();
    RunOptions options;
    if (parsed)
        options.format = parsed.value();
    options.timeZone = zone;
    return options;
}

// The machine's zone for the Local rows: ten hours behind UTC all year.
class NameTemplateTest : public ::testing::Test
{
private:
    ScopedTimeZone m_zone{"HST10"};
};

TEST_F(NameTemplateTest, RendersTokensDatesAndFoldersIntoCleanedNames)
{
    const struct
    {
        const char16_t *format; // nullptr: the scheme
        NamingScheme scheme;
        DateZone zone;
        const MessageDate *date;
        bool removeReply;
        const char16_t *target;
    } rows[] = {
        {u"{subject}", {}, DateZone::Local, &kLateWest, false, u"Re Offer 1234.eml"},
        {u"{subject}", {}, DateZone::Local, &kLateWest, true, u"Offer 1234.eml"},
        {u"{from}", {}, DateZone::Local, &kLateWest, false, u"Ann Lee ann@x.org.eml"},
        {u"{from.name} - {subject}",
         {},
         DateZone::Local,
         &kLateWest,
         false,
         u"Ann Lee - Re Offer 1234.eml"},
        {u"{from.address}", {}, DateZone::Local, &kLateWest, false, u"ann@x.org.eml"},
        {u"{to}", {}, DateZone::Local, &kLateWest, false, u"bob@y.org, Carl c@z.org.eml"},
        // No display name: the name is the address.
        {u"{to.name} {to.address}",
         {},
         DateZone::Local,
         &kLateWest,
         false,
         u"bob@y.org bob@y.org.eml"},
        {u"{message-id}", {}, DateZone::Local, &kLateWest, false, u"abc.123@x.org.eml"},
        {u"{file} [{mailbox}]", {}, DateZone::Local, &kLateWest, false, u"Offer v1.2 [].eml"},
        {u"{{{subject}}} 100%",
         {},
         DateZone::Local,
         &kLateWest,
         false,
         u"{Re Offer 1234} 100%.eml"},
        {u"{date}", {}, DateZone::Local, &kLateWest, false, u"2010-03-09.eml"},
        {u"{date:%Y-%m-%d %H.%M.%S %a %b %%}",
         {},
         DateZone::Header,
         &kLateWest,
         false,
         u"2010-03-09 23.30.00 Tue Mar %.eml"},
        {u"{date:%Y-%m-%d %H.%M.%S %a %b %%}",
         {},
         DateZone::Utc,
         &kLateWest,
         false,
         u"2010-03-10 07.30.00 Wed Mar %.eml"},
        {u"{date:%Y-%m-%d %H.%M.%S %a %b %%}",
         {},
         DateZone::Local,
         &kLateWest,
         false,
         u"2010-03-09 21.30.00 Tue Mar %.eml"},
        {u"{date:%Y-%m-%d %H.%M %a}",
         {},
         DateZone::Header,
         &kEarlyEast,
         false,
         u"2010-03-10 00.30 Wed.eml"},
        {u"{date:%Y-%m-%d %H.%M %a}",
         {},
         DateZone::Utc,
         &kEarlyEast,
         false,
         u"2010-03-09 10.30 Tue.eml"},
        {u"{date:%Y-%m-%d %H.%M %a}",
         {},
         DateZone::Local,
         &kEarlyEast,
         false,
         u"2010-03-09 00.30 Tue.eml"},
        // The schemes read the date on the same clocks.
        {nullptr, NamingScheme::OptDS_ymd, DateZone::Header, &kLateWest, false,
         u"2010-03-09 Re Offer 1234.eml"},
        {nullptr, NamingScheme::OptDS_ymd, DateZone::Utc, &kLateWest, false,
         u"2010-03-10 Re Offer 1234.eml"},
        {nullptr, NamingScheme::OptSFD_dmy, DateZone::Header, &kEarlyEast, false,
         u"Re Offer 1234 Ann Lee ann@x.org 10-03-2010.eml"},
        // Only a "/" written in the template makes a folder.
        {u"{date:%Y}/{date:%m} {subject}",
         {},
         DateZone::Header,
         &kLateWest,
         false,
         u"2010/03 Re Offer 1234.eml"},
        {u"{date:%Y/%b}/{from.name}",
         {},
         DateZone::Utc,
         &kLateWest,
         false,
         u"2010/Mar/Ann Lee.eml"},
        {u"{mailbox}/{subject}",
         {},
         DateZone::Local,
         &kLateWest,
         false,
         u"(none)/Re Offer 1234.eml"},
        {u"{subject}/{subject}",
         {},
         DateZone::Local,
         &kLateWest,
         true,
         u"Offer 1234/Offer 1234.eml"},
    };
    for (const auto &row : rows) {
        SCOPED_TRACE(row.format ? QString::fromUtf16(row.format).toStdString() : "scheme");
        RunOptions options = row.format ? withTemplate(row.format, row.zone) : RunOptions{};
        options.scheme = row.scheme;
        options.timeZone = row.zone;
        options.removeReply = row.removeReply;
        EXPECT_EQ(relativeTarget(offer(*row.date),
                                 origin(QStringLiteral("/m/In box/Offer v1.2.eml")), options),
                  QString::fromUtf16(row.target));
    }
}

TEST(NameTemplate, RefusesBadTemplatesQuotingWhatIsWrong)
{
    const struct
    {
        const char16_t *format;
        const char16_t *reasonPart;
    } rows[] = {
        {u"", u"the template is empty"},
        {u"{subject", u"'{subject' is never closed"},
        {u"{subject {from}", u"'{subject {from}' is never closed"},
        {u"a}b", u"'a}' closes no brace"},
        {u"{frm}", u"unknown token '{frm}'"},
        {u"{Subject}", u"unknown token '{Subject}'"},
        {u"{date:}", u"the date format of '{date:}' is empty"},
        {u"{date:%Y-%q}", u"'{date:%Y-%q}' holds '%q'"},
        {u"{date:%Y%}", u"ends in a lone '%'"},
        {u"/{subject}", u"empty folder or file name"},
        {u"{subject}/", u"empty folder or file name"},
        {u"{date:%Y}//{subject}", u"empty folder or file name"},
        {u"../{subject}", u"named '..'"},
        {u"{date:%Y}/./{subject}", u"named '.'"},
        {u"{subject}/..", u"named '..'"},
    };
    for (const auto &row : rows) {
        const QString format = QString::fromUtf16(row.format);
        const Outcome<NameTemplate> parsed = NameTemplate::parse(format);
        EXPECT_FALSE(parsed.ok()) << format.toStdString();
        EXPECT_TRUE(parsed.reason().contains(QString::fromUtf16(row.reasonPart)))
            << format.toStdString() << " -> " << parsed.reason().toStdString();
    }
}

TEST(NameTemplate, KeepsEveryCopyBelowTheTargetFolderWhateverTheValues)
{
    const QString hostile[] = {
        QStringLiteral(".."),
        QStringLiteral("."),
        QStringLiteral("../.."),
        QStringLiteral("/"),
        QString(),
        QStringLiteral(" "),
        QStringLiteral("a/../../b"),
        QStringLiteral("..\\..\\x"),
        QStringLiteral("/etc/passwd"),
        QStringLiteral("\t\n\r"),
        QString(1, QChar(0)),
        QString(300, QChar(0x4E2D)),
        QStringLiteral("Re .."),
    };
    const char16_t *formats[] = {u"{subject}/{from}/{to}", u"{subject}{from}/x", u"x/{subject}",
                                 u".{mailbox}/{subject}"};
    for (const char16_t *format : formats) {
        RunOptions options = withTemplate(format);
        options.removeReply = true;
        const int depth = options.format->folderDepth();
        for (const QString &value : hostile) {
            SCOPED_TRACE(QString::fromUtf16(format).toStdString() + " with " +
                         value.toUtf8().toHex().toStdString());
            RecordingHeaders message(value, value, kLateWest);
            message.recipients = value;
            const QString target =
                relativeTarget(message, origin(QStringLiteral("/m/a.eml")), options);
            const QStringList parts = target.split(u'/');
            EXPECT_EQ(parts.size(), depth + 1);
            for (const QString &part : parts) {
                EXPECT_FALSE(part.isEmpty());
                EXPECT_FALSE(part.startsWith(u'.')) << part.toStdString();
                EXPECT_FALSE(part.contains(QChar(0)));
                EXPECT_LE(part.toUtf8().size(), naming::kMaxFileNameBytes);
            }
            EXPECT_TRUE(QDir::cleanPath(QStringLiteral("/dest/") + target)
                            .startsWith(QStringLiteral("/dest/")));
        }
    }
}

TEST(MessageOrigin, GivesTheFileAndMailboxTokens)
{
    const struct
    {
        const char16_t *sourcePath;
        const char16_t *mailboxPath;
        const char16_t *uniqueName;
        const char16_t *file;
        const char16_t *mailbox;
    } rows[] = {
        {u"/m/Offer v1.2.eml", u"", u"", u"Offer v1.2", u""},
        {u"/m/Messages/123.partial.emlx", u"", u"", u"123", u""},
        {u"/m/Messages/124.EMLX", u"", u"", u"124", u""},
        {u"/m/.eml", u"", u"", u".eml", u""},
        {u"/m/noextension", u"", u"", u"noextension", u""},
        {u"/m/Archive.mbox", u"/m/Archive.mbox", u"", u"Archive", u"Archive"},
        {u"/m/INBOX.Sent", u"/m/INBOX.Sent", u"", u"INBOX.Sent", u"INBOX.Sent"},
        {u"/m/Maildir/work/cur/17.M1P2.h,S=5:2,S", u"/m/Maildir/work/", u"17.M1P2.h,S=5",
         u"17.M1P2.h,S=5", u"work"},
    };
    for (const auto &row : rows) {
        MessageOrigin from;
        from.sourcePath = QString::fromUtf16(row.sourcePath);
        from.mailboxPath = QString::fromUtf16(row.mailboxPath);
        from.maildirUniqueName = QString::fromUtf16(row.uniqueName);
        EXPECT_EQ(from.fileToken(), QString::fromUtf16(row.file)) << from.sourcePath.toStdString();
        EXPECT_EQ(from.mailboxToken(), QString::fromUtf16(row.mailbox))
            << from.sourcePath.toStdString();
    }
}

// The six schemes are templates: over every real message, with every marker
// option and on every clock, a scheme and its template give the same name.
TEST_F(NameTemplateTest, EverySchemeNamesTheCorpusAsItsTemplateDoes)
{
    const QDir corpus(testsupport::dataPath(QStringLiteral("corpus")));
    const QFileInfoList files = corpus.entryInfoList(
        {QStringLiteral("*.eml"), QStringLiteral("*.emlx")}, QDir::Files, QDir::Name);
    ASSERT_GE(files.size(), 190);
    int compared = 0;
    for (const QFileInfo &file : files) {
        MailMessage message;
        ASSERT_TRUE(message.Load(file.filePath()));
        const MessageOrigin from = origin(file.filePath());
        for (const NamingSchemeEntry &entry : kNamingSchemes) {
            const NamingScheme scheme = entry.scheme;
            for (const DateZone zone : {DateZone::Local, DateZone::Header, DateZone::Utc}) {
                for (int markers = 0; markers < 4; ++markers) {
                    RunOptions byScheme;
                    byScheme.scheme = scheme;
                    byScheme.timeZone = zone;
                    byScheme.removeReply = (markers & 1) != 0;
                    byScheme.removeForward = (markers & 2) != 0;
                    RunOptions byTemplate = withTemplate(entry.format, zone);
                    byTemplate.removeReply = byScheme.removeReply;
                    byTemplate.removeForward = byScheme.removeForward;
                    ASSERT_EQ(relativeTarget(message, from, byTemplate),
                              relativeTarget(message, from, byScheme))
                        << file.fileName().toStdString() << " scheme " << int(scheme) << " zone "
                        << int(zone) << " markers " << markers;
                    ++compared;
                }
            }
        }
    }
    EXPECT_EQ(compared, files.size() * 6 * 3 * 4);
}

} // namespace
