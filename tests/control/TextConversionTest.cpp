#include "control/TextConversion.h"

#include <gtest/gtest.h>

namespace {

using namespace sonarel;

TEST(TextConversion, RoundTripsEveryPlane)
{
    const std::string text = "a\xC3\xA9\xE2\x82\xAC\xF0\x9F\x8E\xB5"; // a é € 🎵
    const std::u16string wide = Utf8ToUtf16(text);
    EXPECT_EQ(wide, u"a\u00e9\u20ac\U0001F3B5");
    EXPECT_EQ(Utf16ToUtf8(wide), text);
}

TEST(TextConversion, BadInputBecomesReplacementCharacters)
{
    // A stray continuation byte, a truncated sequence, an overlong form, an encoded surrogate.
    EXPECT_EQ(Utf8ToUtf16("a\x80z"), u"a\uFFFDz");
    EXPECT_EQ(Utf8ToUtf16("a\xE2\x82"), u"a\uFFFD\uFFFD");
    EXPECT_EQ(Utf8ToUtf16("\xC0\xAF"), u"\uFFFD\uFFFD");
    EXPECT_EQ(Utf8ToUtf16("\xED\xA0\x80"), u"\uFFFD\uFFFD\uFFFD");
    EXPECT_EQ(Utf16ToUtf8(std::u16string(1, u'\xD800') + u"x"), "\xEF\xBF\xBDx");
    EXPECT_EQ(Utf16ToUtf8(std::u16string(1, u'\xDC00')), "\xEF\xBF\xBD");
}

TEST(TextConversion, TruncationKeepsWholeCharacters)
{
    const std::string text = "ab\xE2\x82\xAC"; // "ab€", 5 bytes
    EXPECT_EQ(TruncateUtf8(text, 5), text);
    EXPECT_EQ(TruncateUtf8(text, 4), "ab");
    EXPECT_EQ(TruncateUtf8(text, 3), "ab");
    EXPECT_EQ(TruncateUtf8(text, 2), "ab");
    EXPECT_EQ(TruncateUtf8(text, 0), "");
}

} // namespace
