#include "SkinTestSupport.h"
#include "skin/SkinPackage.h"
#include "skin/SkinPackageFormat.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <sys/wait.h>
#include <vector>

using namespace skintest;

namespace {

TEST(SkinPackageWriterTest, WritesTheLayoutTheReaderExpects)
{
    std::string package;
    std::string error;
    ASSERT_TRUE(BuildSkinPackage({ { "a.png", "AAA" }, { "kvskin.xml", "<kvskin/>" } }, package, error));
    ASSERT_EQ(package.size(), SkinPackageDataOffset(2) + 3 + 9);
    const auto* bytes = reinterpret_cast<const unsigned char*>(package.data());
    EXPECT_EQ(LoadLittleEndian32(bytes), 0x00009876u);
    EXPECT_EQ(LoadLittleEndian32(bytes + 4), 0u);
    EXPECT_EQ(LoadLittleEndian32(bytes + 8), 2u);
    EXPECT_EQ(LoadLittleEndian32(bytes + 12), 0u);
    EXPECT_EQ(LoadLittleEndian32(bytes + 16), 3u);
    EXPECT_EQ(LoadLittleEndian32(bytes + 20), 9u);
    // Name fields are padded with NULs to their full width.
    EXPECT_EQ(package.substr(24, 64), std::string("a.png") + std::string(59, '\0'));
    EXPECT_EQ(package.substr(88, 64), std::string("kvskin.xml") + std::string(54, '\0'));
    EXPECT_EQ(package.substr(152), "AAA<kvskin/>");

    std::string again;
    ASSERT_TRUE(BuildSkinPackage({ { "a.png", "AAA" }, { "kvskin.xml", "<kvskin/>" } }, again, error));
    EXPECT_EQ(again, package) << "the same entries always give the same bytes";
}

TEST(SkinPackageWriterTest, EverythingPackedReadsBack)
{
    TempDir dir;
    const std::string path = dir.File("round.skin");
    std::vector<SkinPackageEntry> entries = CompleteEntries("<kvskin><wnd id=\"5\"/></kvskin>");
    entries.push_back({ std::string(63, 'x'), std::string(70000, '\xAB') });
    entries.push_back({ "empty", "" });
    WritePackage(path, entries);

    SkinPackage package;
    ASSERT_TRUE(package.Open(path));
    ASSERT_TRUE(package.HasValidHeader());
    for (const SkinPackageEntry& entry : entries) {
        ASSERT_TRUE(package.HasEntry(entry.name)) << entry.name;
        std::string text;
        EXPECT_EQ(package.ExtractToBuffer(entry.name, &text, nullptr), !entry.bytes.empty()) << entry.name;
        if (!entry.bytes.empty()) {
            EXPECT_EQ(text, entry.bytes) << entry.name;
        }
    }
}

TEST(SkinPackageWriterTest, RefusesNamesTheReaderCouldNotFindAgain)
{
    std::string package = "unchanged";
    std::string error;
    EXPECT_FALSE(BuildSkinPackage({ { std::string(64, 'x'), "a" } }, package, error));
    EXPECT_NE(error.find("longer than 63"), std::string::npos) << error;
    EXPECT_FALSE(BuildSkinPackage({ { "", "a" } }, package, error));
    EXPECT_FALSE(BuildSkinPackage({ { std::string("a\0b", 3), "a" } }, package, error));
    EXPECT_FALSE(BuildSkinPackage({ { "Same.png", "1" }, { "same.PNG", "2" } }, package, error));
    EXPECT_NE(error.find("duplicate"), std::string::npos) << error;
    EXPECT_EQ(package, "unchanged");
    EXPECT_TRUE(BuildSkinPackage({}, package, error)) << "an empty package is still a package";
}

int RunSkinpack(const std::string& arguments)
{
    const std::string command = std::string(SKINPACK_EXECUTABLE) + " " + arguments + " 2>/dev/null";
    const int status = std::system(command.c_str());
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

TEST(SkinPackageWriterTest, TheToolPacksFilesUnderTheirNamesAndWritesNothingOnError)
{
    TempDir dir;
    WriteBytes(dir.File("one.png"), "1111");
    WriteBytes(dir.File("kvskin.xml"), "<kvskin/>");
    const std::string out = dir.File("out.skin");
    ASSERT_EQ(RunSkinpack(out + " " + dir.File("one.png") + " " + dir.File("kvskin.xml")), 0);
    std::string expected;
    std::string error;
    ASSERT_TRUE(BuildSkinPackage({ { "one.png", "1111" }, { "kvskin.xml", "<kvskin/>" } }, expected, error));
    EXPECT_EQ(ReadBytes(out), expected);

    const std::string longName = dir.File(std::string(64, 'L'));
    WriteBytes(longName, "x");
    EXPECT_EQ(RunSkinpack(out + " " + longName), 1);
    EXPECT_EQ(RunSkinpack(out + " " + dir.File("missing.png")), 1);
    EXPECT_EQ(ReadBytes(out), expected) << "a failed run leaves the old package";
    EXPECT_EQ(RunSkinpack(out), 2);
}

} // namespace
