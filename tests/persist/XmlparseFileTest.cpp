#include "persist/Xmlparse.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

namespace {

using namespace std::string_literals;
namespace fs = std::filesystem;

constexpr std::string_view kHeader = "<?xml version=\"1.0\" encoding=\"UTF-8\" ?>\n";

class XmlparseFile : public ::testing::Test {
protected:
    void SetUp() override
    {
        std::string pattern = (fs::temp_directory_path() / "xmlparse-XXXXXX").string();
        ASSERT_NE(mkdtemp(pattern.data()), nullptr);
        m_dir = pattern;
    }
    void TearDown() override { fs::remove_all(m_dir); }

    [[nodiscard]] std::string PathOf(const std::string& name) const { return (m_dir / name).string(); }

    [[nodiscard]] std::string Write(const std::string& name, const std::string& bytes) const
    {
        std::string path = PathOf(name);
        std::ofstream(path, std::ios::binary) << bytes;
        return path;
    }

    static std::string Read(const std::string& path)
    {
        std::ifstream in(path, std::ios::binary);
        return { std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>() };
    }

    static std::string Utf16Le(std::u16string_view text)
    {
        std::string bytes = "\xFF\xFE";
        for (const char16_t unit : text) {
            bytes += static_cast<char>(unit & 0xFF);
            bytes += static_cast<char>(unit >> 8);
        }
        return bytes;
    }

    fs::path m_dir;
};

TEST_F(XmlparseFile, SaveWritesTheHeaderThenTheTextAsIs)
{
    persist::CXmlparse empty;
    ASSERT_TRUE(empty.Save(PathOf("empty.xml")));
    EXPECT_EQ(Read(PathOf("empty.xml")), kHeader);

    persist::CXmlparse xml;
    ASSERT_TRUE(xml.AddElement("KVProgram"));
    ASSERT_TRUE(xml.SetAttribute("Name", "Grüße & <more>"));
    ASSERT_TRUE(xml.EnterElement());
    ASSERT_TRUE(xml.AddElement("File"));
    ASSERT_TRUE(xml.Save(PathOf("list.xml")));
    EXPECT_EQ(Read(PathOf("list.xml")),
        std::string(kHeader)
            + "<KVProgram Name=\"Grüße &amp; &lt;more&gt;\">\r\n<File/>\r\n</KVProgram>\r\n");

    persist::CXmlparse loaded;
    ASSERT_TRUE(loaded.Load(PathOf("list.xml")));
    ASSERT_TRUE(loaded.FindElement("KVProgram"));
    EXPECT_EQ(loaded.GetAttribute("Name"), "Grüße & <more>");
}

TEST_F(XmlparseFile, SaveRepairsTextThatIsNotUtf8)
{
    persist::CXmlparse xml;
    ASSERT_TRUE(xml.SetText("<a x=\"\xE9t\xE9\"/>"));
    ASSERT_TRUE(xml.Save(PathOf("a.xml")));
    EXPECT_EQ(Read(PathOf("a.xml")), std::string(kHeader) + "<a x=\"\xEF\xBF\xBDt\xEF\xBF\xBD\"/>");
}

TEST_F(XmlparseFile, LoadsUtf16LeWithByteOrderMark)
{
    // U+1F3B5 as a surrogate pair, then an unpaired high and an unpaired low surrogate.
    const std::u16string text = u"<r a=\"\u00E9\U0001F3B5\xD800x\xDC00\">text</r>";
    const std::string path = Write("utf16.xml", Utf16Le(text));
    persist::CXmlparse xml;
    ASSERT_TRUE(xml.Load(path)) << xml.GetLastError();
    ASSERT_TRUE(xml.FindElement("r"));
    EXPECT_EQ(xml.GetAttribute("a"), "\u00E9\U0001F3B5\uFFFDx\uFFFD");
    EXPECT_EQ(xml.GetElementText(), "text");
}

TEST_F(XmlparseFile, LoadRepairsUtf8AndDropsItsByteOrderMark)
{
    const std::string path = Write("bad.xml", "\xEF\xBB\xBF<r a=\"x\xC3(\xF0\x9F\x8E\"/>");
    persist::CXmlparse xml;
    ASSERT_TRUE(xml.Load(path));
    EXPECT_EQ(xml.GetText(), "<r a=\"x\xEF\xBF\xBD(\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD\"/>");
}

TEST_F(XmlparseFile, LoadRefusesFilesThatLostMostOfTheirText)
{
    // The text ends at the first NUL; a file is refused when what is left is shorter than half
    // its size less 20 bytes: here 100 bytes, so at least 30 must remain.
    const std::string root = "<r/>";
    const auto fileWithNulAt = [&](std::size_t at) {
        std::string bytes = root + std::string(at - root.size(), ' ');
        bytes += '\0';
        bytes += std::string(100 - bytes.size(), 'x');
        return bytes;
    };
    persist::CXmlparse xml;
    EXPECT_FALSE(xml.Load(Write("short.xml", fileWithNulAt(29))));
    EXPECT_TRUE(xml.Load(Write("enough.xml", fileWithNulAt(30))));

    // UTF-16 without its byte-order mark stops after the first character.
    std::string noBom = Utf16Le(u"<r>a fairly long text that is read as UTF-8</r>").substr(2);
    EXPECT_FALSE(xml.Load(Write("nobom.xml", noBom)));
}

TEST_F(XmlparseFile, LoadFailsWithoutText)
{
    persist::CXmlparse xml;
    EXPECT_FALSE(xml.Load(PathOf("missing.xml")));
    EXPECT_FALSE(xml.Load(Write("empty.xml", "")));
    EXPECT_FALSE(xml.Load(Write("bom-only.xml", "\xFF\xFE")));
    EXPECT_FALSE(xml.Load(Write("nul.xml", "\0<r/>"s)));
    EXPECT_FALSE(xml.Load(Write("broken.xml", "<r>")));
    EXPECT_EQ(xml.GetLastError(), "Element tag not found");
}

TEST_F(XmlparseFile, SaveFailsForTargetsThatCannotBeWritten)
{
    persist::CXmlparse xml;
    ASSERT_TRUE(xml.SetText("<r/>"));
    EXPECT_FALSE(xml.Save(PathOf("no-such-folder/a.xml")));
    fs::create_directory(PathOf("folder"));
    EXPECT_FALSE(xml.Save(PathOf("folder")));
    EXPECT_TRUE(fs::is_directory(PathOf("folder")));
    EXPECT_TRUE(fs::is_empty(PathOf("folder")));
}

} // namespace
