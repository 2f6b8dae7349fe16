#include "persist/TextConversions.h"
#include "persist/ModuleDirectory.h"

#include <gtest/gtest.h>

#include <clocale>
#include <limits>
#include <string>
#include <unistd.h>

namespace {

TEST(TextConversionsTest, IntegerFromTextReadsTheLeadingDigits)
{
    EXPECT_EQ(persist::IntegerFromText("42"), 42);
    EXPECT_EQ(persist::IntegerFromText("42abc"), 42);
    EXPECT_EQ(persist::IntegerFromText("-7"), -7);
    EXPECT_EQ(persist::IntegerFromText("+7"), 7);
    EXPECT_EQ(persist::IntegerFromText("abc"), 0);
    EXPECT_EQ(persist::IntegerFromText(""), 0);
    EXPECT_EQ(persist::IntegerFromText("-"), 0);
    EXPECT_EQ(persist::IntegerFromText(" 5"), 0);
    EXPECT_EQ(persist::IntegerFromText("2147483647"), 2147483647);
    EXPECT_EQ(persist::IntegerFromText("99999999999"), 2147483647);
    EXPECT_EQ(persist::IntegerFromText("-2147483648"), -2147483647 - 1);
    EXPECT_EQ(persist::IntegerFromText("-99999999999"), -2147483647 - 1);
}

TEST(TextConversionsTest, DurationTextShowsWholeSecondsWithHoursModuloADay)
{
    EXPECT_EQ(persist::DurationText(0), "00:00:00");
    EXPECT_EQ(persist::DurationText(400), "00:00:00");
    EXPECT_EQ(persist::DurationText(1999), "00:00:01");
    EXPECT_EQ(persist::DurationText(61999), "00:01:01");
    EXPECT_EQ(persist::DurationText(3723000), "01:02:03");
    EXPECT_EQ(persist::DurationText(86399000), "23:59:59");
    EXPECT_EQ(persist::DurationText(90000000), "01:00:00");
    EXPECT_EQ(persist::DurationText(-5000), "00:00:00");
}

TEST(TextConversionsTest, NumberFromTextKeywordsAndLeadingNumbers)
{
    EXPECT_EQ(persist::NumberFromText(""), 0.0);
    EXPECT_EQ(persist::NumberFromText("auto"), 0.0);
    EXPECT_EQ(persist::NumberFromText("original"), 1.0);
    EXPECT_EQ(persist::NumberFromText("2.5x"), 2.5);
    EXPECT_EQ(persist::NumberFromText("x"), 0.0);
    EXPECT_EQ(persist::NumberFromText("100"), 100.0);
    EXPECT_EQ(persist::NumberFromText("-10000"), -10000.0);
    EXPECT_EQ(persist::NumberFromText("  7"), 7.0);
    EXPECT_EQ(persist::NumberFromText("+.5"), 0.5);
    EXPECT_EQ(persist::NumberFromText("1e3"), 1000.0);
    EXPECT_EQ(persist::NumberFromText("2e"), 2.0);
    EXPECT_EQ(persist::NumberFromText("2.7"), static_cast<double>(2.7f));
    EXPECT_EQ(persist::NumberFromText("2,5"), 2.0);
}

TEST(TextConversionsTest, NumberFromTextTakesNoSpecialValues)
{
    // These would slip through range checks as NaN or as a large value.
    EXPECT_EQ(persist::NumberFromText("nan"), 0.0);
    EXPECT_EQ(persist::NumberFromText("inf"), 0.0);
    EXPECT_EQ(persist::NumberFromText("0x10"), 0.0);
    EXPECT_EQ(persist::NumberFromText("."), 0.0);
    EXPECT_EQ(persist::NumberFromText("1e400"), std::numeric_limits<double>::infinity());
    EXPECT_EQ(persist::NumberFromText("-1e39"), -std::numeric_limits<double>::infinity());
}

TEST(TextConversionsTest, NumberFromTextIgnoresACommaDecimalLocale)
{
    const std::string previous = std::setlocale(LC_ALL, nullptr);
    const char* chosen = nullptr;
    for (const char* name : { "de_DE.UTF-8", "de_DE.utf8", "fr_FR.UTF-8", "fr_FR.utf8", "de_DE", "fr_FR" }) {
        if (std::setlocale(LC_ALL, name) != nullptr) {
            chosen = name;
            break;
        }
    }
    if (chosen == nullptr)
        GTEST_SKIP() << "no comma-decimal locale is installed";
    const double dot = persist::NumberFromText("2.5");
    const double comma = persist::NumberFromText("2,5");
    std::setlocale(LC_ALL, previous.c_str());
    EXPECT_EQ(dot, 2.5) << chosen;
    EXPECT_EQ(comma, 2.0) << chosen;
}

TEST(TextConversionsTest, FileExtensionIsTheTextAfterTheLastDotOfTheName)
{
    EXPECT_EQ(persist::FileExtension("/music/song.mp3"), "mp3");
    EXPECT_EQ(persist::FileExtension("archive.tar.gz"), "gz");
    EXPECT_EQ(persist::FileExtension("song."), "");
    EXPECT_EQ(persist::FileExtension("song"), "");
    EXPECT_EQ(persist::FileExtension(".wav"), "");
    EXPECT_EQ(persist::FileExtension(""), "");
    // A dot in a folder name is not an extension.
    EXPECT_EQ(persist::FileExtension("/music/v1.2/song"), "");
    EXPECT_EQ(persist::FileExtension("/music/.hidden"), "");
    EXPECT_EQ(persist::FileExtension("/music/v1.2/song.Flac"), "Flac");
}

TEST(TextConversionsTest, TrimWhiteSpaceTakesBothEnds)
{
    EXPECT_EQ(persist::TrimWhiteSpace(" \t 7 \r\n"), "7");
    EXPECT_EQ(persist::TrimWhiteSpace("a b"), "a b");
    EXPECT_EQ(persist::TrimWhiteSpace("   "), "");
}

TEST(ModuleDirectoryTest, IsTheFolderOfThisProgramEndingWithASlash)
{
    const std::string directory = persist::ModuleDirectory();
    ASSERT_FALSE(directory.empty());
    EXPECT_EQ(directory.front(), '/');
    EXPECT_EQ(directory.back(), '/');
    // This test program lives there.
    EXPECT_EQ(access((directory + "persist_tests").c_str(), X_OK), 0) << directory;
}

} // namespace
