#include "update/VersionDocument.h"
#include "update/VersionNumber.h"

#include <gtest/gtest.h>

#include <string>

namespace {

std::string Document(const std::string& major, const std::string& minor, const std::string& desc)
{
    return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n<Tessaly>\r\n<MajorId>" + major
        + "</MajorId>\r\n<MinorId>" + minor + "</MinorId>\r\n<Desc>" + desc + "</Desc>\r\n</Tessaly>\r\n";
}

TEST(VersionNumber, ComparesWithTheProgramsOwnVersion)
{
    EXPECT_EQ(CURRENT_MAJOR_ID, 512);
    EXPECT_EQ(CURRENT_MINOR_ID, 257);
    EXPECT_EQ(VersionText(CURRENT_MAJOR_ID, CURRENT_MINOR_ID), "2.0.1.1");

    EXPECT_TRUE(IsNewerVersion(512, 258));
    EXPECT_EQ(VersionText(512, 258), "2.0.1.2");
    EXPECT_FALSE(IsNewerVersion(512, 257));
    EXPECT_TRUE(IsNewerVersion(513, 0));
    EXPECT_EQ(VersionText(513, 0), "2.1.0.0");
    // A later minor part never outweighs an earlier major part.
    EXPECT_FALSE(IsNewerVersion(511, 65535));
    EXPECT_FALSE(IsNewerVersion(0, 0));
    EXPECT_EQ(VersionText(65535, 65535), "255.255.255.255");
    EXPECT_EQ(VersionText(-1, 0x10203), "255.255.2.3");
}

TEST(VersionDocument, ReadsTheThreeValues)
{
    const auto info
        = ParseVersionDocument(Document("512", "258", "Fixes:\r\n- one\r\n- two &amp; three"), "Tessaly");
    ASSERT_TRUE(info);
    EXPECT_EQ(info->MajorId, 512);
    EXPECT_EQ(info->MinorId, 258);
    EXPECT_EQ(info->Desc, "Fixes:\r\n- one\r\n- two & three");

    // Other elements in between and around are stepped over; white space around numbers is fine.
    const auto padded = ParseVersionDocument("<!-- latest --><Tessaly><Note/><MajorId> 513 </MajorId>"
                                             "<Extra>x</Extra><MinorId>\n0\n</MinorId><Desc/></Tessaly>",
        "Tessaly");
    ASSERT_TRUE(padded);
    EXPECT_EQ(padded->MajorId, 513);
    EXPECT_EQ(padded->MinorId, 0);
    EXPECT_EQ(padded->Desc, "");
}

TEST(VersionDocument, ChildrenMustComeInOrder)
{
    EXPECT_FALSE(ParseVersionDocument(
        "<Tessaly><Desc>d</Desc><MajorId>512</MajorId><MinorId>258</MinorId></Tessaly>", "Tessaly"));
    EXPECT_FALSE(ParseVersionDocument(
        "<Tessaly><MinorId>258</MinorId><MajorId>512</MajorId><Desc>d</Desc></Tessaly>", "Tessaly"));
    EXPECT_FALSE(ParseVersionDocument(
        "<Tessaly><MajorId>512</MajorId><Desc>d</Desc><MinorId>258</MinorId></Tessaly>", "Tessaly"));
    EXPECT_FALSE(
        ParseVersionDocument("<Tessaly><MajorId>512</MajorId><MinorId>258</MinorId></Tessaly>", "Tessaly"));
}

TEST(VersionDocument, RootMustBeTheProduct)
{
    const std::string inner = "<MajorId>512</MajorId><MinorId>258</MinorId><Desc>d</Desc>";
    EXPECT_TRUE(ParseVersionDocument("<Tessaly>" + inner + "</Tessaly>", "Tessaly"));
    EXPECT_FALSE(ParseVersionDocument("<Other>" + inner + "</Other>", "Tessaly"));
    EXPECT_FALSE(ParseVersionDocument("<Site><Tessaly>" + inner + "</Tessaly></Site>", "Tessaly"));
    EXPECT_FALSE(ParseVersionDocument("<Tessaly>" + inner + "</Tessaly>", ""));
    // An error page is not a version document.
    EXPECT_FALSE(ParseVersionDocument("<html><body>Not Found</body></html>", "Tessaly"));
    EXPECT_FALSE(ParseVersionDocument("", "Tessaly"));
}

TEST(VersionDocument, CutDocumentsFail)
{
    const std::string whole = Document("512", "258", "A description");
    ASSERT_TRUE(ParseVersionDocument(whole, "Tessaly"));
    // Cut anywhere before the root is closed, the document fails; in particular inside an element.
    const std::size_t rootEnd = whole.find("</Tessaly>");
    for (std::size_t length = 0; length < rootEnd; ++length)
        EXPECT_FALSE(ParseVersionDocument(whole.substr(0, length), "Tessaly")) << length;
}

TEST(VersionDocument, TakesExactlyTheBytesGiven)
{
    // Bytes after the given length are not looked at, even without a NUL after them.
    const std::string text = Document("512", "258", "d") + "garbage";
    EXPECT_TRUE(ParseVersionDocument(std::string_view(text).substr(0, text.size() - 7), "Tessaly"));
    using namespace std::string_literals;
    const auto withNul = ParseVersionDocument(
        "<Tessaly><MajorId>512</MajorId><MinorId>258</MinorId><Desc>a\0b</Desc></Tessaly>"s, "Tessaly");
    ASSERT_TRUE(withNul);
    EXPECT_EQ(withNul->Desc, "a\0b"s);
}

TEST(VersionDocument, VersionIdsAreTwoByteDecimals)
{
    EXPECT_EQ(VersionIdFromText("0"), 0);
    EXPECT_EQ(VersionIdFromText("65535"), 65535);
    EXPECT_EQ(VersionIdFromText(" \r\n512\t"), 512);
    EXPECT_EQ(VersionIdFromText("000000000000000000000512"), 512);
    for (const char* bad : { "", " ", "65536", "99999999999999999999", "-1", "+5", "512abc", "5 12", "0x200",
             "5.1", "two", "\xef\xbc\x95" }) {
        EXPECT_FALSE(VersionIdFromText(bad)) << bad;
    }
    // A document whose numbers are not understood is not a version at all.
    EXPECT_FALSE(ParseVersionDocument(Document("abc", "258", "d"), "Tessaly"));
    EXPECT_FALSE(ParseVersionDocument(Document("512", "4294967553", "d"), "Tessaly"));
    EXPECT_FALSE(ParseVersionDocument(Document("<b>512</b>", "258", "d"), "Tessaly"));
}

} // namespace
