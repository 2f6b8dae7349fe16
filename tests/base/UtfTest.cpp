#include "base/Utf.h"

#include <gtest/gtest.h>

#include <string>
#include <string_view>

namespace {

// One rule for bad input, whichever way the text goes: every byte outside a well-formed UTF-8
// sequence is one U+FFFD, and the bytes after it are read afresh.
struct Case {
    const char* Name;
    std::string_view Bytes;
    std::u16string_view Units;
};

const Case kCases[] = {
    { "ascii", "abc", u"abc" },
    { "every length", "a\xC3\xA9\xE2\x82\xAC\xF0\x9F\x8E\xB5", u"a\u00e9\u20ac\U0001F3B5" },
    { "stray continuation", "a\x80z", u"a\uFFFDz" },
    { "truncated at the end", "a\xE2\x82", u"a\uFFFD\uFFFD" },
    { "ascii behind a broken lead",
        "\xE2"
        "A\x82",
        u"\uFFFDA\uFFFD" },
    { "overlong two bytes", "\xC0\xAF", u"\uFFFD\uFFFD" },
    { "overlong three bytes", "\xE0\x80\xAF", u"\uFFFD\uFFFD\uFFFD" },
    { "encoded surrogate", "\xED\xA0\x80", u"\uFFFD\uFFFD\uFFFD" },
    { "above U+10FFFF", "\xF4\x90\x80\x80", u"\uFFFD\uFFFD\uFFFD\uFFFD" },
    { "lead bytes never used", "\xF5\xFF", u"\uFFFD\uFFFD" },
    { "highest code point", "\xF4\x8F\xBF\xBF", u"\U0010FFFF" },
    { "embedded NUL", std::string_view("a\0b", 3), std::u16string_view(u"a\0b", 3) },
};

TEST(Utf, EveryDirectionFollowsOneRule)
{
    for (const Case& c : kCases) {
        SCOPED_TRACE(c.Name);
        const std::u16string units = base::Utf8ToUtf16(c.Bytes);
        EXPECT_EQ(units, c.Units);
        // Repairing gives the same text as a trip through UTF-16, and the repaired text is valid.
        const std::string repaired = base::RepairUtf8(c.Bytes);
        EXPECT_EQ(repaired, base::Utf16ToUtf8(units));
        EXPECT_TRUE(base::IsValidUtf8(repaired));
        EXPECT_EQ(base::IsValidUtf8(c.Bytes), repaired == c.Bytes);
        EXPECT_EQ(base::Utf8ToUtf16(repaired), units);
    }
}

TEST(Utf, UnpairedSurrogatesBecomeReplacementCharacters)
{
    const struct {
        std::u16string Units;
        std::string Text;
    } cases[] = {
        { std::u16string(1, u'\xD800') + u"x", "\xEF\xBF\xBDx" },
        { std::u16string(1, u'\xDC00'), "\xEF\xBF\xBD" },
        { std::u16string { u'\xDC00', u'\xD800' }, "\xEF\xBF\xBD\xEF\xBF\xBD" },
        { std::u16string { u'\xD83C', u'\xDFB5' }, "\xF0\x9F\x8E\xB5" },
    };
    for (const auto& c : cases) {
        EXPECT_EQ(base::Utf16ToUtf8(c.Units), c.Text);
    }
    // Little-endian bytes: the same rule, and a trailing odd byte is one more replacement.
    EXPECT_EQ(base::Utf16LeToUtf8(std::string_view("a\0\x00\xD8", 4)), "a\xEF\xBF\xBD");
    EXPECT_EQ(base::Utf16LeToUtf8(std::string_view("a\0b", 3)), "a\xEF\xBF\xBD");
}

TEST(Utf, TruncationNeverSplitsACharacter)
{
    const std::string text = "a\xF0\x9F\x8E\xB5z"; // a 🎵 z, 6 bytes
    const struct {
        std::size_t MaxBytes;
        std::string_view Expected;
    } cases[] = { { 6, "a\xF0\x9F\x8E\xB5z" }, { 5, "a\xF0\x9F\x8E\xB5" }, { 4, "a" }, { 2, "a" }, { 1, "a" },
        { 0, "" }, { 100, "a\xF0\x9F\x8E\xB5z" } };
    for (const auto& c : cases) {
        EXPECT_EQ(base::TruncateUtf8(text, c.MaxBytes), c.Expected) << c.MaxBytes;
    }
}

} // namespace
