// SPDX-License-Identifier: MIT
#include "headerblock.h"

#include <gtest/gtest.h>

namespace {

// The frame is what a copy of an .emlx file will be cut by, so its offsets
// must be exact, not merely good enough for the headers to read right.
TEST(EmlxFrame, StartsAfterTheCountLineAndTakesItsCount)
{
    constexpr qint64 kAll = headerblock::Frame::kUntilEnd;
    const struct
    {
        const char *name;
        QByteArray head;
        qint64 start;
        qint64 length;
    } cases[] = {
        {"count", "16\nSubject: x\n", 3, 16},
        {"count with white space and CRLF", " 16 \r\nSubject: x\n", 6, 16},
        {"count of zero", "0\n", 2, 0},
        {"eighteen digits", "123456789012345678\n", 19, 123456789012345678},
        {"nineteen digits", "1234567890123456789\n", 0, kAll},
        {"negative", "-5\nSubject: x\n", 0, kAll},
        {"letters", "12ab\n", 0, kAll},
        {"empty first line", "\n16\n", 0, kAll},
        {"no line end", "16", 0, kAll},
        {"line end beyond 32 bytes", QByteArray(31, ' ') + "16\n", 0, kAll},
        {"a plain message", "Subject: x\n\nbody", 0, kAll},
        {"empty", "", 0, kAll},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        const headerblock::Frame frame = headerblock::emlxFrame(c.head);
        EXPECT_EQ(frame.start, c.start);
        EXPECT_EQ(frame.length, c.length);
    }
}

} // namespace
