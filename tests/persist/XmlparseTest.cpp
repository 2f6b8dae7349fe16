#include "persist/Xmlparse.h"

#include "XmlparseIndexView.h"

#include <gtest/gtest.h>

#include <string>
#include <sys/mman.h>
#include <vector>

namespace {

using namespace std::string_literals;

void ExpectIndexMatchesText(const persist::CXmlparse& edited)
{
    EXPECT_EQ(XmlparseIndexView::Mismatch(edited), "") << edited.GetText();
}

TEST(XmlparseBuild, WritesOneElementPerLineWithCrLf)
{
    persist::CXmlparse xml;
    ASSERT_TRUE(xml.AddElement("R"));
    ASSERT_TRUE(xml.SetAttribute("V", "1"));
    ASSERT_TRUE(xml.EnterElement());
    ASSERT_TRUE(xml.AddElement("A"));
    ASSERT_TRUE(xml.SetAttribute("x", "1<2"));
    ASSERT_TRUE(xml.AddElement("A"));
    ASSERT_TRUE(xml.EnterElement());
    ASSERT_TRUE(xml.AddElement("B"));
    ASSERT_TRUE(xml.LeaveElement());
    ASSERT_TRUE(xml.LeaveElement());
    EXPECT_EQ(xml.GetText(), "<R V=\"1\">\r\n<A x=\"1&lt;2\"/>\r\n<A>\r\n<B/>\r\n</A>\r\n</R>\r\n");
    ExpectIndexMatchesText(xml);
}

TEST(XmlparseBuild, SecondRootAndBadNamesAreRefused)
{
    persist::CXmlparse xml;
    EXPECT_FALSE(xml.EnterElement());
    ASSERT_TRUE(xml.AddElement("R"));
    EXPECT_FALSE(xml.AddElement("S"));
    for (const char* bad : { "", "a b", "a/b", "a>b", "\"a", "a=b" }) {
        EXPECT_FALSE(xml.SetAttribute(bad, "1")) << bad;
        ASSERT_TRUE(xml.EnterElement());
        EXPECT_FALSE(xml.AddElement(bad)) << bad;
        ASSERT_TRUE(xml.LeaveElement());
    }
    EXPECT_EQ(xml.GetText(), "<R/>\r\n");
}

TEST(XmlparseBuild, AddingToEmptyAndBareElementsOpensThem)
{
    persist::CXmlparse xml;
    ASSERT_TRUE(xml.SetText("<P a=\"1\"/>"));
    ASSERT_TRUE(xml.FindElement("P"));
    ASSERT_TRUE(xml.EnterElement());
    ASSERT_TRUE(xml.AddElement("C"));
    EXPECT_EQ(xml.GetText(), "<P a=\"1\">\r\n<C/>\r\n</P>");
    ExpectIndexMatchesText(xml);

    // A start tag that would still read as empty once opened is left alone.
    ASSERT_TRUE(xml.SetText("<Q><P//></Q>"));
    ASSERT_TRUE(xml.FindElement("Q") && xml.EnterElement() && xml.FindElement("P") && xml.EnterElement());
    EXPECT_FALSE(xml.AddElement("C"));
    EXPECT_EQ(xml.GetText(), "<Q><P//></Q>");

    ASSERT_TRUE(xml.SetText("<P></P>"));
    ASSERT_TRUE(xml.FindElement("P"));
    ASSERT_TRUE(xml.EnterElement());
    ASSERT_TRUE(xml.AddElement("C"));
    ASSERT_TRUE(xml.AddElement("D"));
    EXPECT_EQ(xml.GetText(), "<P>\r\n<C/>\r\n<D/>\r\n</P>");
    ExpectIndexMatchesText(xml);
}

TEST(XmlparseBuild, EditsInsideAParsedDocumentKeepTheIndexInStep)
{
    persist::CXmlparse xml;
    ASSERT_TRUE(
        xml.SetText("<?xml version=\"1.0\"?>\r\n<KVConfig>\r\n"
                    "<Player Name=\"one\">\r\n<File Path=\"a\"/>\r\n<File Path=\"b\"/>\r\n</Player>\r\n"
                    "<!-- between -->\r\n"
                    "<Player Name=\"two\">\r\n<File Path=\"c\">text</File>\r\n</Player>\r\n"
                    "</KVConfig>\r\n"));
    ASSERT_TRUE(xml.FindElement("KVConfig"));
    ASSERT_TRUE(xml.EnterElement());
    ASSERT_TRUE(xml.FindElement("Player"));
    ASSERT_TRUE(xml.SetAttribute("Name", "a much longer name than before"));
    ASSERT_TRUE(xml.EnterElement());
    ASSERT_TRUE(xml.FindElement("File"));
    ASSERT_TRUE(xml.SetAttribute("New", "<&>"));
    ASSERT_TRUE(xml.AddElement("File"));
    ASSERT_TRUE(xml.SetAttribute("Path", "inserted"));
    ASSERT_TRUE(xml.LeaveElement());
    ASSERT_TRUE(xml.SetAttribute("Name", "1"));
    ASSERT_TRUE(xml.FindElement("Player"));
    ASSERT_TRUE(xml.EnterElement());
    ASSERT_TRUE(xml.AddElement("File"));
    ASSERT_TRUE(xml.LeaveElement());
    ASSERT_TRUE(xml.AddElement("Player"));
    EXPECT_NE(xml.GetText().find("<File Path=\"a\" New=\"&lt;&amp;&gt;\"/>\r\n<File Path=\"inserted\"/>\r\n"
                                 "<File Path=\"b\"/>"),
        std::string::npos);
    EXPECT_NE(xml.GetText().find("<File Path=\"c\">text</File>\r\n<File/>\r\n</Player>\r\n<Player/>\r\n"
                                 "</KVConfig>"),
        std::string::npos);
    ExpectIndexMatchesText(xml);
}

TEST(XmlparseBuild, SetAttributeReplacesOnlyTheQuotedValue)
{
    persist::CXmlparse xml;
    ASSERT_TRUE(xml.SetText("<a x = 'old' y=\"2\"/>"));
    ASSERT_TRUE(xml.FindElement("a"));
    ASSERT_TRUE(xml.SetAttribute("x", "n'ew"));
    EXPECT_EQ(xml.GetText(), "<a x = 'n&apos;ew' y=\"2\"/>");
    ASSERT_TRUE(xml.SetAttribute("y", ""));
    ASSERT_TRUE(xml.SetAttribute("z", ""));
    EXPECT_EQ(xml.GetText(), "<a x = 'n&apos;ew' y=\"\" z=\"\"/>");
    EXPECT_EQ(xml.GetAttribute("x"), "n'ew");

    ASSERT_TRUE(xml.SetText("<a></a>"));
    ASSERT_TRUE(xml.FindElement("a"));
    ASSERT_TRUE(xml.SetAttribute("k", "v"));
    EXPECT_EQ(xml.GetText(), "<a k=\"v\"></a>");
    ExpectIndexMatchesText(xml);
}

TEST(XmlparseBuild, ValueThatRunsPastTheTagIsNotRewritten)
{
    // The value's closing quote is missing, so the value would run to the end of the text;
    // writing over it would destroy the rest of the document.
    persist::CXmlparse xml;
    const std::string text = "<a x=\"v></a>";
    ASSERT_TRUE(xml.SetText(text));
    ASSERT_TRUE(xml.FindElement("a"));
    EXPECT_EQ(xml.GetAttribute("x"), "v></a>");
    EXPECT_FALSE(xml.SetAttribute("x", "new"));
    EXPECT_EQ(xml.GetText(), text);
}

TEST(XmlparseBuild, AttributeValuesRoundTrip)
{
    const std::string value = "Tom & Jerry's <\"best\"> — Grüße, 日本語 & more &amp;";
    persist::CXmlparse xml;
    ASSERT_TRUE(xml.AddElement("Root"));
    ASSERT_TRUE(xml.SetAttribute("Title", value));
    EXPECT_NE(xml.GetText().find("Tom &amp; Jerry&apos;s &lt;&quot;best&quot;&gt; — Grüße, 日本語 &amp; more "
                                 "&amp;amp;"),
        std::string::npos);
    persist::CXmlparse again;
    ASSERT_TRUE(again.SetText(xml.GetText()));
    ASSERT_TRUE(again.FindElement("Root"));
    EXPECT_EQ(again.GetAttribute("Title"), value);
}

TEST(XmlparseParse, EveryErrorHasItsMessage)
{
    struct Case {
        std::string text;
        std::string message;
    };
    const Case cases[] = {
        { "no markup at all", "Element tag not found" },
        { "<a>", "Element tag not found" },
        { "<a>text", "Element tag not found" },
        { "<a> <   \r\n\t", "Abrupt end within tag" },
        { "<'a'/>", "Tag starts with quote" },
        { "<a><\"b\"/></a>", "Tag starts with quote" },
        { "<!-- never closed <a/>", "Invalid node" },
        { "<?xml version='1.0'<a/>", "Invalid node" },
        { "<![CDATA[ x ]]<a/>", "Invalid node" },
        { "<!DOCTYPE a [ <!ELEMENT a ANY> <a/>", "Invalid node" },
        { "<a><!", "Invalid node" },
        { "<a><!-", "Invalid node" },
        { "<a x=\"1\"", "End of tag not found" },
        { "<a></b>", "End tag does not correspond to a" },
        { "<ab></a>", "End tag does not correspond to ab" },
        { "<a></ab>", "End tag does not correspond to a" },
        { "<r><a></b></r>", "End tag does not correspond to a" },
        { "<a></a", "End tag not completed for element a" },
        { "<a></a x", "End tag not completed for element a" },
    };
    for (const Case& c : cases) {
        persist::CXmlparse xml;
        EXPECT_FALSE(xml.SetText(c.text)) << c.text;
        EXPECT_EQ(xml.GetLastError(), c.message) << c.text;
        // The text stays, the index is empty.
        EXPECT_EQ(xml.GetText(), c.text);
        EXPECT_FALSE(xml.FindElement());
    }
}

TEST(XmlparseParse, QuietFailuresAndStickyMessage)
{
    persist::CXmlparse xml;
    EXPECT_FALSE(xml.SetText(""));
    EXPECT_FALSE(xml.SetText(nullptr));
    EXPECT_EQ(xml.GetLastError(), "");
    // An end tag where the root should be fails without a message.
    EXPECT_FALSE(xml.SetText("  </a>"));
    EXPECT_EQ(xml.GetLastError(), "");

    EXPECT_FALSE(xml.SetText("<a></b>"));
    EXPECT_TRUE(xml.SetText("<a></a>"));
    EXPECT_EQ(xml.GetLastError(), "End tag does not correspond to a");
}

TEST(XmlparseParse, SkipsPrologueCommentsAndDeclarations)
{
    const std::string text = "\xEF\xBB\xBF<?xml version=\"1.0\" encoding=\"UTF-8\" ?>\n"
                             "<!-- a comment with <tags> and -- dashes -->\n"
                             "<!DOCTYPE KVConfig [\n"
                             "  <!ELEMENT KVConfig (Player*)>\n"
                             "  <!ATTLIST Player Name CDATA \"a > b ] c\">\n"
                             "  <!ENTITY e '<not-an-element/>'>\n"
                             "]>\n"
                             "<KVConfig><?pi inside ?><![CDATA[<Player Name=\"fake\"/>]]>"
                             "<Player Name=\"real\"/><!-- <Player/> --></KVConfig x>\n"
                             "trailing <junk that is never read";
    persist::CXmlparse xml;
    ASSERT_TRUE(xml.SetText(text)) << xml.GetLastError();
    ASSERT_TRUE(xml.FindElement("KVConfig"));
    ASSERT_TRUE(xml.EnterElement());
    ASSERT_TRUE(xml.FindElement("Player"));
    EXPECT_EQ(xml.GetAttribute("Name"), "real");
    EXPECT_FALSE(xml.FindElement());
}

TEST(XmlparseParse, NamesMatchOnlyWhole)
{
    persist::CXmlparse xml;
    ASSERT_TRUE(xml.SetText("<r><Files/><File a=\"1\"/><Fil/></r>"));
    ASSERT_TRUE(xml.FindElement("r"));
    ASSERT_TRUE(xml.EnterElement());
    ASSERT_TRUE(xml.FindElement("File"));
    EXPECT_EQ(xml.GetAttribute("a"), "1");
    EXPECT_FALSE(xml.FindElement("File"));
    // The cursor stays where it was after a failed search.
    EXPECT_EQ(xml.GetAttribute("a"), "1");
    // A caller's name may continue with a terminator after the part that matches.
    ASSERT_TRUE(xml.FindElement("Fil/x"));
}

TEST(XmlparseParse, SurvivesNulBytesAndBrokenUtf8)
{
    persist::CXmlparse xml;
    const std::string withNul = "<a x=\"1\0002\">t\0ext</a>"s;
    ASSERT_TRUE(xml.SetText(withNul));
    ASSERT_TRUE(xml.FindElement("a"));
    EXPECT_EQ(xml.GetAttribute("x"), "1\0002"s);
    EXPECT_EQ(xml.GetElementText(), "t\0ext"s);

    // A lead byte directly before a '<' must not hide it.
    ASSERT_TRUE(xml.SetText("<a>\xE6</a>"));
    ASSERT_TRUE(xml.FindElement("a"));
    EXPECT_EQ(xml.GetElementText(), "\xE6");

    for (const char* broken : { "<a x=\"\xE6", "<\xF0\x9F", "<a>\xC3", "<a \xE6\x97", "<\xFF\xFE/>" }) {
        persist::CXmlparse any;
        any.SetText(broken);
        any.FindElement();
        (void)any.GetAttribute("x");
        (void)any.GetElementText();
    }
}

TEST(XmlparseParse, DeepNestingDoesNotExhaustTheStack)
{
    const int depth = 100000;
    std::string text;
    for (int i = 0; i < depth; ++i)
        text += "<d>";
    for (int i = 0; i < depth; ++i)
        text += "</d>";
    persist::CXmlparse xml;
    ASSERT_TRUE(xml.SetText(text));
    int levels = 0;
    while (xml.FindElement("d") && xml.EnterElement())
        ++levels;
    EXPECT_EQ(levels, depth);
    ASSERT_TRUE(xml.AddElement("leaf"));
    EXPECT_NE(xml.GetText().find("<d>\r\n<leaf/>\r\n</d>"), std::string::npos);
    ExpectIndexMatchesText(xml);
}

TEST(XmlparseParse, RefusesTextsBeyondThirtyTwoBitOffsets)
{
    // Reserved but never touched: the length alone must be refused.
    const std::size_t size = persist::CXmlparse::kMaxTextLength + 1;
    void* memory = mmap(nullptr, size, PROT_READ, MAP_PRIVATE | MAP_ANONYMOUS | MAP_NORESERVE, -1, 0);
    ASSERT_NE(memory, MAP_FAILED);
    persist::CXmlparse xml;
    EXPECT_FALSE(xml.SetText(std::string_view(static_cast<const char*>(memory), size)));
    EXPECT_EQ(xml.GetLastError(), "Document too large");
    EXPECT_EQ(xml.GetText(), "");
    munmap(memory, size);
}

TEST(XmlparseRead, AttributesNeedQuotesAndOneEquals)
{
    persist::CXmlparse xml;
    ASSERT_TRUE(xml.SetText("<a q=1 r = '1' s=\"&lt;b&gt; &foo;\" t==\"2\" u \"3\" xy=\"4\" />"));
    ASSERT_TRUE(xml.FindElement("a"));
    EXPECT_EQ(xml.GetAttribute("q"), "");
    EXPECT_EQ(xml.GetAttribute("r"), "1");
    EXPECT_EQ(xml.GetAttribute("s"), "<b> &foo;");
    EXPECT_EQ(xml.GetAttribute("t"), "");
    EXPECT_EQ(xml.GetAttribute("u"), "");
    EXPECT_EQ(xml.GetAttribute("x"), "");
    EXPECT_EQ(xml.GetAttribute("xy"), "4");
    EXPECT_EQ(xml.GetAttribute("a"), "");
    EXPECT_EQ(xml.GetAttribute(nullptr), "");

    // The search stops at the end of the start tag.
    ASSERT_TRUE(xml.SetText("<a b=\"1\"><c d=\"2\"/></a>"));
    ASSERT_TRUE(xml.FindElement("a"));
    EXPECT_EQ(xml.GetAttribute("d"), "");
}

TEST(XmlparseRead, ElementTextAndCdata)
{
    persist::CXmlparse xml;
    ASSERT_TRUE(xml.SetText("<r><t> a &amp; b &lt;&gt; &am</t><c>\n  <![CDATA[x &amp; <y>]]> tail</c>"
                            "<e/><p><k/></p><s></s><short><![CDATA[]]></short></r>"));
    ASSERT_TRUE(xml.FindElement("r"));
    EXPECT_EQ(xml.GetElementText(), "");
    ASSERT_TRUE(xml.EnterElement());
    ASSERT_TRUE(xml.FindElement("t"));
    EXPECT_EQ(xml.GetElementText(), " a & b <> &am");
    ASSERT_TRUE(xml.FindElement("c"));
    EXPECT_EQ(xml.GetElementText(), "x &amp; <y>");
    ASSERT_TRUE(xml.FindElement("e"));
    EXPECT_EQ(xml.GetElementText(), "");
    ASSERT_TRUE(xml.FindElement("p"));
    EXPECT_EQ(xml.GetElementText(), "");
    ASSERT_TRUE(xml.FindElement("s"));
    EXPECT_EQ(xml.GetElementText(), "");
    ASSERT_TRUE(xml.FindElement("short"));
    EXPECT_EQ(xml.GetElementText(), "");
}

TEST(XmlparseRead, CursorEntersLeavesAndResumes)
{
    persist::CXmlparse xml;
    ASSERT_TRUE(xml.SetText("<r><a n=\"1\"/><b n=\"2\"><c n=\"3\"/><c n=\"4\"/></b><a n=\"5\"/></r>"));
    EXPECT_FALSE(xml.LeaveElement());
    EXPECT_FALSE(xml.EnterElement());
    ASSERT_TRUE(xml.FindElement(nullptr));
    ASSERT_TRUE(xml.EnterElement());
    ASSERT_TRUE(xml.FindElement("b"));
    ASSERT_TRUE(xml.EnterElement());
    ASSERT_TRUE(xml.FindElement("c"));
    ASSERT_TRUE(xml.FindElement("c"));
    EXPECT_EQ(xml.GetAttribute("n"), "4");
    ASSERT_TRUE(xml.LeaveElement());
    EXPECT_EQ(xml.GetAttribute("n"), "2");
    // Entering again resumes at the child that was current.
    ASSERT_TRUE(xml.EnterElement());
    EXPECT_EQ(xml.GetAttribute("n"), "4");
    EXPECT_FALSE(xml.FindElement("c"));
    ASSERT_TRUE(xml.LeaveElement());
    ASSERT_TRUE(xml.FindElement(""));
    EXPECT_EQ(xml.GetAttribute("n"), "5");
    EXPECT_FALSE(xml.FindElement());
    ASSERT_TRUE(xml.LeaveElement());
    EXPECT_FALSE(xml.LeaveElement());
}

TEST(XmlparseRead, MultiByteNamesAndValues)
{
    persist::CXmlparse xml;
    ASSERT_TRUE(xml.SetText("<Liste><Größe Wert=\"日本語\" Ключ='значение'>Ünïcødé 🎵</Größe>"
                            "<Größer/></Liste>"));
    ASSERT_TRUE(xml.FindElement("Liste"));
    ASSERT_TRUE(xml.EnterElement());
    ASSERT_TRUE(xml.FindElement("Größe"));
    EXPECT_EQ(xml.GetAttribute("Wert"), "日本語");
    EXPECT_EQ(xml.GetAttribute("Ключ"), "значение");
    EXPECT_EQ(xml.GetElementText(), "Ünïcødé 🎵");
    EXPECT_FALSE(xml.FindElement("Größe"));
    ASSERT_TRUE(xml.FindElement("Größer"));
    ASSERT_TRUE(xml.SetAttribute("Ä", "ö"));
    ExpectIndexMatchesText(xml);
}

} // namespace
