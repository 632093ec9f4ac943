// SPDX-License-Identifier: MIT
#include "rawnames.h"

#include <gtest/gtest.h>

namespace {

struct RawCase
{
    const char *name;
    QByteArray raw;
    const char *visible; // UTF-8
};

const RawCase kCases[] = {
    {"PlainAsciiStaysAsItIs", "plain name.eml", "plain name.eml"},
    {"ValidUtf8StaysAsItIs", "\xC3\xA9t\xC3\xA9 \xE2\x82\xAC \xF0\x9F\x98\x80.eml",
     "\xC3\xA9t\xC3\xA9 \xE2\x82\xAC \xF0\x9F\x98\x80.eml"},
    {"ALatin1ByteIsEscaped", "caf\xE9.eml", "caf\\xE9.eml"},
    {"AStrayContinuationByteIsEscaped", "a\x80z", "a\\x80z"},
    {"ASequenceCutShortIsEscapedByteByByte", "a\xE2\x82", "a\\xE2\\x82"},
    {"AnOverlongFormIsEscaped", "\xC0\xAF", "\\xC0\\xAF"},
    {"AnOverlongThreeByteFormIsEscaped", "\xE0\x80\xAF", "\\xE0\\x80\\xAF"},
    {"ASurrogateIsEscaped", "\xED\xA0\x80", "\\xED\\xA0\\x80"},
    {"AValuePastTheLastCodePointIsEscaped", "\xF4\x90\x80\x80", "\\xF4\\x90\\x80\\x80"},
    {"TheLastCodePointIsKept", "\xF4\x8F\xBF\xBF", "\xF4\x8F\xBF\xBF"},
    {"ALeadByteBeforeAnAsciiCharacterIsEscapedAlone",
     "\xC3"
     "a",
     "\\xC3a"},
    {"ControlCharactersAreEscaped", "a\nb\tc\x7F", "a\\x0Ab\\x09c\\x7F"},
    {"C1ControlsAreEscapedByTheirBytes", "a\xC2\x85z", "a\\xC2\\x85z"},
    {"AnEmptyNameIsEmpty", "", ""},
};

} // namespace

TEST(RawNamesVisible, ShowsValidCharactersAndEscapesEveryOtherByte)
{
    for (const RawCase &c : kCases)
        EXPECT_EQ(rawnames::visible(c.raw).toStdString(), std::string(c.visible)) << c.name;
}
