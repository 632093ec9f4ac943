// SPDX-License-Identifier: MIT
// The copy of an Apple Mail message is the message: checked part by part
// against the independent reader in tests/data/mailstores/oracle.py.
#include "messagecontent.h"

#include "mailpartial.h"
#include "sourcefile.h"
#include "temptree.h"
#include "testsupport.h"

#include <gtest/gtest.h>
#include <QCryptographicHash>
#include <QDirIterator>
#include <QJsonArray>
#include <QJsonObject>
#include <unistd.h>

// Readable QString values in failure messages.
inline void PrintTo(const QString &text, std::ostream *os)
{
    *os << '"' << text.toStdString() << '"';
}

namespace {

// The bytes a MessageBytes range stands for.
QByteArray bytesOf(const MessageBytes &bytes)
{
    QByteArray out(qsizetype(bytes.length), Qt::Uninitialized);
    const ssize_t got = ::pread(bytes.descriptor, out.data(), size_t(out.size()), bytes.offset);
    out.truncate(got < 0 ? 0 : qsizetype(got));
    return out;
}

// The one file called name below folder (fixture folders have generated names).
QString findBelow(const QString &folder, const QString &name)
{
    QDirIterator it(folder, {name}, QDir::Files, QDirIterator::Subdirectories);
    return it.hasNext() ? it.next() : QString();
}

// The parts of the oracle's one message, by part number.
QHash<QString, QJsonObject> partsOf(const QJsonObject &message)
{
    QHash<QString, QJsonObject> parts;
    for (const QJsonValue part : message[QStringLiteral("parts")].toArray())
        parts.insert(part[QStringLiteral("part")].toString(), part.toObject());
    return parts;
}

struct StoredCase
{
    const char *name;
    const char *folder; // below tests/data
    const char *file;
    const char *note;
    bool crlf;
};

class AppleMailCopy : public ::testing::TestWithParam<StoredCase>
{
};

TEST_P(AppleMailCopy, IsTheMessageWithEveryAttachmentThatExistsDecodingToItsFile)
{
    const StoredCase &c = GetParam();
    const QString path =
        findBelow(testsupport::dataPath(QString::fromUtf8(c.folder)), QString::fromUtf8(c.file));
    ASSERT_FALSE(path.isEmpty());
    const SourceFile file(path);
    ASSERT_EQ(file.error(), 0);
    const Outcome<MessageContent> content = messagecontent::of(file);
    ASSERT_TRUE(content.ok()) << content.reason().toStdString();
    EXPECT_EQ(content.value().note(), QString::fromUtf8(c.note));

    TempTree tree;
    const QByteArray copy = bytesOf(content.value().bytes());
    testsupport::writeFile(tree.path(QStringLiteral("copy.eml")), copy);
    const QList<QJsonObject> read =
        testsupport::oracle({path, tree.path(QStringLiteral("copy.eml"))});
    ASSERT_EQ(read.size(), 2);
    const QJsonObject &stored = read[0];
    const QJsonObject &copied = read[1];

    // Mail programs read the copy: the count line and the property list are gone.
    EXPECT_GT(copied[QStringLiteral("header_fields")].toInt(), 0);
    EXPECT_FALSE(copied[QStringLiteral("from")].toString().isEmpty());
    EXPECT_EQ(copied[QStringLiteral("subject")], stored[QStringLiteral("subject")]);
    EXPECT_EQ(copied[QStringLiteral("from")], stored[QStringLiteral("from")]);
    EXPECT_FALSE(copy.contains("<plist"));
    EXPECT_EQ(copy.count("\r\n"), c.crlf ? copy.count('\n') : 0) << "line ends changed";

    bool restored = false;
    const QHash<QString, QJsonObject> copiedParts = partsOf(copied);
    for (const QJsonValue value : stored[QStringLiteral("parts")].toArray()) {
        const QJsonObject part = value.toObject();
        const QString number = part[QStringLiteral("part")].toString();
        SCOPED_TRACE(number.toStdString());
        ASSERT_TRUE(copiedParts.contains(number));
        const QJsonObject &mine = copiedParts[number];
        const QJsonValue attachment = part[QStringLiteral("attachment_sha256")];
        if (attachment.isString()) {
            restored = true;
            EXPECT_EQ(mine[QStringLiteral("sha256")], attachment);
            EXPECT_FALSE(mine.contains(QStringLiteral("apple_content_length")));
        } else {
            // Kept as stored, X-Apple-Content-Length included.
            for (const char *key : {"sha256", "type", "filename", "cte", "apple_content_length"})
                EXPECT_EQ(mine[QLatin1String(key)], part[QLatin1String(key)]) << key;
        }
    }
    if (!restored) {
        EXPECT_EQ(copied[QStringLiteral("sha256")], stored[QStringLiteral("sha256")]);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Stores, AppleMailCopy,
    ::testing::Values(
        StoredCase{"Complete", "mailstores/applemail/complete", "114858.partial.emlx", "", false},
        StoredCase{"MissingOne", "mailstores/applemail/missing-one", "114858.partial.emlx",
                   "2 of 3 attachments restored; missing: 2.6 image001.png", false},
        StoredCase{"Crlf", "mailstores/applemail/crlf", "1730.partial.emlx", "", true},
        StoredCase{"WholeMessage", "mailstores/applemail/complete", "789.emlx", "", false},
        StoredCase{"CountPastTheEnd", "corpus", "emlxsearch__763932.emlx", "", false},
        StoredCase{"Damaged", "corpus", "rsemlx__broken1.emlx", "", false},
        StoredCase{"PartialOutsideItsMailbox", "corpus", "emlxconv__114858.partial.emlx",
                   "0 of 3 attachments restored; missing: 2.2 original.doc, 2.4 text.txt, 2.6 "
                   "image001.png",
                   false}),
    [](const ::testing::TestParamInfo<StoredCase> &info) { return std::string(info.param.name); });

// A partial message in its mailbox whose part 2 was left out, declared with
// encoding (none when empty) and stored as attachment.
QString partialWith(const TempTree &tree, const QByteArray &encoding, const QByteArray &attachment)
{
    QByteArray message = "From: Ann <a@x.org>\nSubject: Parts\nMIME-Version: 1.0\n"
                         "Content-Type: multipart/mixed; boundary=\"b0\"\n\n"
                         "--b0\nContent-Type: text/plain\n\nSee the attachment.\n"
                         "--b0\nContent-Type: application/octet-stream; name=\"a.dat\"\n";
    if (!encoding.isEmpty())
        message += "Content-Transfer-Encoding: " + encoding + '\n';
    message +=
        "X-Apple-Content-Length: " + QByteArray::number(attachment.size()) + "\n\n\n--b0--\n";
    testsupport::writeFile(tree.path(QStringLiteral("Box.mbox/Data/Attachments/7/2/a.dat")),
                           attachment);
    const QString path = tree.path(QStringLiteral("Box.mbox/Data/Messages/7.partial.emlx"));
    testsupport::writeFile(path, QByteArray::number(message.size()) + '\n' + message +
                                     "<?xml version=\"1.0\"?>\n<plist version=\"1.0\"/>\n");
    return path;
}

struct UnencodedCase
{
    const char *name;
    const char *declared;
    QByteArray attachment;
    const char *written; // the part's encoding in the copy
};

class UnencodedPart : public ::testing::TestWithParam<UnencodedCase>
{
};

// Regression guard: a file put into a part unencoded as declared came back
// as other bytes, or ended the multipart early.
TEST_P(UnencodedPart, StaysUnencodedOnlyWhereItComesBackAsTheFile)
{
    const UnencodedCase &c = GetParam();
    TempTree tree;
    const SourceFile file(partialWith(tree, c.declared, c.attachment));
    const Outcome<MessageContent> content = messagecontent::of(file);
    ASSERT_TRUE(content.ok()) << content.reason().toStdString();
    EXPECT_EQ(content.value().note(), QString());
    testsupport::writeFile(tree.path(QStringLiteral("copy.eml")), bytesOf(content.value().bytes()));

    const QList<QJsonObject> read = testsupport::oracle({tree.path(QStringLiteral("copy.eml"))});
    ASSERT_EQ(read.size(), 1);
    const QHash<QString, QJsonObject> parts = partsOf(read[0]);
    ASSERT_EQ(parts.size(), 2);
    EXPECT_EQ(parts[QStringLiteral("2")][QStringLiteral("sha256")].toString(),
              QString::fromLatin1(
                  QCryptographicHash::hash(c.attachment, QCryptographicHash::Sha256).toHex()));
    EXPECT_EQ(parts[QStringLiteral("2")][QStringLiteral("cte")].toString(),
              QString::fromUtf8(c.written));
}

INSTANTIATE_TEST_SUITE_P(
    Encodings, UnencodedPart,
    ::testing::Values(UnencodedCase{"PlainTextStays7bit", "7bit", "Line one\nLine two\n", "7bit"},
                      UnencodedCase{"BinaryIn7bit", "7bit",
                                    QByteArray("\x89PNG\r\n\x1a\n\0\0\xff", 11), "base64"},
                      UnencodedCase{"EightBitWithoutAnEncoding", "", "caf\xc3\xa9\n", "base64"},
                      UnencodedCase{"EightBitTextStays8bit", "8bit", "caf\xc3\xa9\n", "8bit"},
                      UnencodedCase{"LineOfAThousandBytes", "8bit", QByteArray(1000, 'x') + '\n',
                                    "base64"},
                      UnencodedCase{"BoundaryLine", "7bit", "a\n--b0--\nb\n", "base64"},
                      UnencodedCase{"CrlfInAnLfMessage", "7bit", "a\r\nb\r\n", "base64"}),
    [](const ::testing::TestParamInfo<UnencodedCase> &info) {
        return std::string(info.param.name);
    });

TEST(PartialMessage, TooLargeToRestoreInMemoryFailsWithTheReason)
{
    TempTree tree;
    const QString path = partialWith(tree, "base64", "x");
    // A sparse file: as large as that, without the disk space.
    const QByteArray attachment = tree.rawPath("Box.mbox/Data/Attachments/7/2/a.dat");
    ASSERT_EQ(::truncate(attachment.constData(), mailpartial::kMaxRestoredBytes), 0);
    const SourceFile file(path);
    const Outcome<MessageContent> content = messagecontent::of(file);
    ASSERT_FALSE(content.ok());
    EXPECT_EQ(content.reason(), QStringLiteral("the message and its attachments hold 1025 MiB, "
                                               "more than the 1024 MiB a partial message is "
                                               "restored with"));
}

} // namespace
