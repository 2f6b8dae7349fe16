#include "skin/SkinPackage.h"
#include "SkinTestSupport.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace skintest;

namespace {

class SkinPackageTest : public ::testing::Test {
protected:
    // Writes the bytes as a package file and opens it.
    SkinPackage& OpenBytes(std::string_view bytes)
    {
        WriteBytes(m_path, bytes);
        EXPECT_TRUE(m_package.Open(m_path));
        return m_package;
    }
    SkinPackage& OpenEntries(const std::vector<SkinPackageEntry>& entries)
    {
        WritePackage(m_path, entries);
        EXPECT_TRUE(m_package.Open(m_path));
        return m_package;
    }

    TempDir m_dir;
    std::string m_path = m_dir.File("test.skin");
    SkinPackage m_package;
};

TEST_F(SkinPackageTest, EntriesFollowEachOtherInDirectoryOrder)
{
    SkinPackage& package
        = OpenEntries({ { "a.png", "first" }, { "b.png", "second entry" }, { "c.xml", "3" } });
    ASSERT_TRUE(package.HasValidHeader());
    std::vector<std::uint8_t> bytes;
    ASSERT_TRUE(package.ExtractToStream("b.png", &bytes));
    EXPECT_EQ(std::string(bytes.begin(), bytes.end()), "second entry");
    std::string text;
    std::size_t length = 0;
    ASSERT_TRUE(package.ExtractToBuffer("c.xml", &text, &length));
    EXPECT_EQ(text, "3");
    EXPECT_EQ(length, 1u);
    EXPECT_EQ(text.c_str()[length], '\0');
    ASSERT_TRUE(package.ExtractToBuffer("a.png", &text, nullptr));
    EXPECT_EQ(text, "first");
}

TEST_F(SkinPackageTest, NamesCompareWithoutCaseAndTheFirstOfTwoEqualNamesWins)
{
    // The packer refuses duplicates, so this package is laid out by hand.
    SkinPackage& package
        = OpenBytes(RawPackage(3, { 3, 4, 5 }, { "Btn_Close.PNG", "dup.png", "DUP.png" }, "abcdefghijkl"));
    EXPECT_TRUE(package.HasEntry("btn_close.png"));
    EXPECT_TRUE(package.HasEntry("BTN_CLOSE.PNG"));
    std::string text;
    ASSERT_TRUE(package.ExtractToBuffer("Dup.PNG", &text, nullptr));
    EXPECT_EQ(text, "defg");
    // A prefix of a name is not a match.
    EXPECT_FALSE(package.HasEntry("btn_close.pn"));
}

TEST_F(SkinPackageTest, MissingAndEmptyEntriesCannotBeExtracted)
{
    SkinPackage& package = OpenEntries({ { "empty.png", "" }, { "full.png", "x" } });
    EXPECT_FALSE(package.HasEntry("missing.png"));
    EXPECT_TRUE(package.HasEntry("empty.png"));

    std::vector<std::uint8_t> bytes { 1, 2, 3 };
    EXPECT_FALSE(package.ExtractToStream("missing.png", &bytes));
    EXPECT_FALSE(package.ExtractToStream("empty.png", &bytes));
    EXPECT_EQ(bytes.size(), 3u) << "a failed extraction leaves the output alone";
    std::string text = "kept";
    EXPECT_FALSE(package.ExtractToBuffer("empty.png", &text, nullptr));
    EXPECT_EQ(text, "kept");
    EXPECT_FALSE(package.ExtractToFile("empty.png", m_dir.File("out")));
    EXPECT_FALSE(std::filesystem::exists(m_dir.File("out")));

    // Without an output the entry is only checked.
    EXPECT_TRUE(package.ExtractToStream("full.png", nullptr));
    std::size_t length = 0;
    EXPECT_TRUE(package.ExtractToBuffer("full.png", nullptr, &length));
    EXPECT_EQ(length, 1u);
}

TEST_F(SkinPackageTest, ExtractToFileWritesTheExactBytes)
{
    const std::string binary("\x00\x01\xFF\x00zz", 6);
    SkinPackage& package = OpenEntries({ { "b.bin", binary } });
    const std::string out = m_dir.File("out.bin");
    WriteBytes(out, "an older, longer content");
    ASSERT_TRUE(package.ExtractToFile("b.bin", out));
    EXPECT_EQ(ReadBytes(out), binary);
    EXPECT_FALSE(package.ExtractToFile("b.bin", m_dir.File("no/such/dir/out.bin")));
}

TEST_F(SkinPackageTest, ANameOfSixtyThreeCharactersFillsItsField)
{
    const std::string name(63, 'n');
    SkinPackage& package = OpenEntries({ { name, "long" }, { "next", "after" } });
    std::string text;
    ASSERT_TRUE(package.ExtractToBuffer(name, &text, nullptr));
    EXPECT_EQ(text, "long");
    ASSERT_TRUE(package.ExtractToBuffer("next", &text, nullptr));
    EXPECT_EQ(text, "after");
    EXPECT_FALSE(package.HasEntry(name + "n"));
}

TEST_F(SkinPackageTest, ANameFieldWithoutItsNulMakesThePackageUnreadable)
{
    // 64 letters and no terminator: reading it as a C string would run into the next field.
    SkinPackage& package = OpenBytes(RawPackage(2, { 1, 1 }, { std::string(64, 'a'), "ok" }, "xy"));
    EXPECT_TRUE(package.HasValidHeader());
    EXPECT_FALSE(package.HasEntry("ok"));
    EXPECT_FALSE(package.HasEntry(std::string(64, 'a')));
}

TEST_F(SkinPackageTest, HeadersThatAreTruncatedOrWrongAreRefused)
{
    const std::string good = RawPackage(1, { 1 }, { "a" }, "x");
    for (std::size_t cut : { 0u, 3u, 8u, 15u }) {
        SkinPackage& package = OpenBytes(good.substr(0, cut));
        EXPECT_FALSE(package.HasValidHeader()) << cut;
        EXPECT_FALSE(package.HasEntry("a")) << cut;
    }
    SkinPackage& wrong = OpenBytes(RawPackage(1, { 1 }, { "a" }, "x", 0x6789));
    EXPECT_FALSE(wrong.HasValidHeader());
    EXPECT_FALSE(wrong.HasEntry("a"));
    EXPECT_TRUE(OpenBytes(good).HasEntry("a"));
}

TEST_F(SkinPackageTest, CountsOfZeroOrLessMeanNoEntries)
{
    for (std::uint32_t count : { 0u, 0x80000000u, 0xFFFFFFFFu }) {
        SkinPackage& package = OpenBytes(RawPackage(count, { 1 }, { "a" }, "x"));
        EXPECT_TRUE(package.HasValidHeader()) << count;
        EXPECT_FALSE(package.HasEntry("a")) << count;
    }
}

TEST_F(SkinPackageTest, ADirectoryLargerThanTheFileIsRefusedBeforeAnythingIsAllocated)
{
    // 2^31 - 1 entries would need 146 GB of directory; the file has one.
    SkinPackage& package = OpenBytes(RawPackage(0x7FFFFFFF, { 1 }, { "a" }, "x"));
    EXPECT_FALSE(package.HasEntry("a"));
    // The directory of two entries does not fit in a file that holds one.
    EXPECT_FALSE(OpenBytes(RawPackage(2, { 1 }, { "a" }, "")).HasEntry("a"));
}

TEST_F(SkinPackageTest, SizesThatRunPastTheEndAreRefused)
{
    EXPECT_TRUE(OpenBytes(RawPackage(2, { 2, 3 }, { "a", "b" }, "xxyyy")).HasEntry("a"));
    // One byte short: even the first entry, which is complete, is not offered from a cut file.
    SkinPackage& cut = OpenBytes(RawPackage(2, { 2, 3 }, { "a", "b" }, "xxyy"));
    EXPECT_FALSE(cut.HasEntry("a"));
    std::string text;
    EXPECT_FALSE(cut.ExtractToBuffer("b", &text, nullptr));
    // Bytes after the data area do no harm.
    EXPECT_TRUE(OpenBytes(RawPackage(1, { 1 }, { "a" }, "x-trailing")).HasEntry("a"));
}

TEST_F(SkinPackageTest, SizesWhoseSumOverflowsThirtyTwoBitsAreRefused)
{
    // 0xFFFFFFFF + 1 wraps to 0 in 32 bits, which would fit the empty data area.
    SkinPackage& package = OpenBytes(RawPackage(2, { 0xFFFFFFFF, 1 }, { "a", "b" }, ""));
    EXPECT_FALSE(package.HasEntry("b"));
    std::vector<std::uint8_t> bytes;
    EXPECT_FALSE(package.ExtractToStream("b", &bytes));
    EXPECT_FALSE(OpenBytes(RawPackage(1, { 0xFFFFFFFF }, { "a" }, "x")).ExtractToStream("a", &bytes));
}

TEST_F(SkinPackageTest, NothingIsReadWithoutAnOpenFile)
{
    SkinPackage package;
    EXPECT_FALSE(package.IsOpen());
    EXPECT_FALSE(package.Open(m_dir.File("missing.skin")));
    EXPECT_FALSE(package.HasValidHeader());
    EXPECT_FALSE(package.HasEntry("a"));
    std::string text;
    EXPECT_FALSE(package.ExtractToBuffer("a", &text, nullptr));

    SkinPackage& open = OpenEntries({ { "a", "x" } });
    open.Close();
    EXPECT_FALSE(open.HasEntry("a"));
}

TEST_F(SkinPackageTest, TheDirectoryIsReadAfreshForEveryLookup)
{
    SkinPackage& package = OpenEntries({ { "a", "first" } });
    EXPECT_TRUE(package.HasEntry("a"));
    // Rewritten in place under the open file: the next lookup sees the new directory.
    std::string replacement;
    std::string error;
    ASSERT_TRUE(BuildSkinPackage({ { "b", "other" } }, replacement, error));
    std::FILE* file = std::fopen(m_path.c_str(), "r+b");
    ASSERT_NE(file, nullptr);
    EXPECT_EQ(std::fwrite(replacement.data(), 1, replacement.size(), file), replacement.size());
    std::fclose(file);
    EXPECT_FALSE(package.HasEntry("a"));
    EXPECT_TRUE(package.HasEntry("b"));
}

} // namespace
