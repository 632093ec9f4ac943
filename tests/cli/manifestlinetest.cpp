// SPDX-License-Identifier: MIT
#include "manifestline.h"

#include <gtest/gtest.h>

namespace {

// An undo removes files by what these lines say, so a line that could name
// the wrong file, or none, must be refused rather than guessed at.
TEST(ManifestLine, ReadsWhatItWritesAndRefusesLinesThatCouldNameTheWrongFile)
{
    ManifestLine copied;
    copied.source = QStringLiteral("/m/Saved.mbox");
    copied.message = 3;
    copied.path = QStringLiteral("/o/Hello \"you\".eml");
    copied.status = QStringLiteral("copied");
    copied.size = 1234;
    copied.sha256 = QByteArray(64, 'a');
    const Outcome<ManifestLine> back = ManifestLine::parse(copied.toJson());
    ASSERT_TRUE(back) << back.reason().toStdString();
    EXPECT_EQ(back.value().toJson(), copied.toJson());
    EXPECT_EQ(back.value().message, 3);
    EXPECT_EQ(back.value().path, copied.path);

    const QByteArray sha = QByteArray(64, 'b');
    const struct
    {
        QByteArray line;
        const char *reasonPart;
    } refused[] = {
        {"{\"kind\":\"message\"", "not JSON"},
        {"[1,2]", "not a JSON object"},
        {"{\"kind\":\"run\",\"version\":2,\"destination\":\"/o\"}", "another version"},
        {"{\"kind\":\"folder\",\"path\":\"o/a\"}", "\"path\""},
        {"{\"kind\":\"message\",\"source\":\"/m/a.eml\",\"message\":null,\"target\":\"o/a.eml\","
         "\"status\":\"copied\",\"reason\":null,\"size\":3,\"sha256\":\"" +
             sha + "\"}",
         "\"target\""},
        {"{\"kind\":\"message\",\"source\":\"/m/a.eml\",\"message\":null,\"target\":\"/o/a.eml\","
         "\"status\":\"copied\",\"reason\":null,\"size\":null,\"sha256\":\"" +
             sha + "\"}",
         "without its target, size or SHA-256"},
        {"{\"kind\":\"message\",\"source\":\"/m/a.eml\",\"message\":null,\"target\":\"/o/a.eml\","
         "\"status\":\"copied\",\"reason\":null,\"size\":3,\"sha256\":\"ABC\"}",
         "\"sha256\""},
        {"{\"kind\":\"message\",\"source\":\"/m/a.eml\",\"message\":1.5,\"target\":\"/o/a.eml\","
         "\"status\":\"copied\",\"reason\":null,\"size\":3,\"sha256\":\"" +
             sha + "\"}",
         "\"message\""},
    };
    for (const auto &c : refused) {
        SCOPED_TRACE(c.line.toStdString());
        const Outcome<ManifestLine> line = ManifestLine::parse(c.line);
        EXPECT_FALSE(line);
        EXPECT_TRUE(line.reason().contains(QLatin1String(c.reasonPart)))
            << line.reason().toStdString();
    }
}

} // namespace
