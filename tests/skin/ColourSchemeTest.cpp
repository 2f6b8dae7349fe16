#include "SkinTestSupport.h"
#include "skin/KVSkin.h"

#include <gtest/gtest.h>

#include <string>

using namespace skintest;

namespace {

class ColourSchemeTest : public ::testing::Test {
protected:
    [[nodiscard]] bool Parse(const std::string& body)
    {
        return m_skin->ParseScheme("<kvskin>" + body + "</kvskin>");
    }
    [[nodiscard]] std::uint32_t Colour(int wnd, int obj, int which) const
    {
        return m_skin->GetSkinColour(wnd, obj, which);
    }
    [[nodiscard]] SkinColour ColourText(std::string_view text, SkinColour initial = 0x123456) const
    {
        SkinColour colour = initial;
        (void)m_skin->ParseColourText(text, colour);
        return colour;
    }

    std::unique_ptr<CKVSkin> m_skin = MakeSkin();
};

TEST_F(ColourSchemeTest, AnEmptySchemeAnswersEveryLookupWithTheDefaults)
{
    ASSERT_TRUE(m_skin->ParseScheme("<kvskin/>"));
    // White text with alpha 255 for any window and object.
    EXPECT_EQ(Colour(999, 5, SKINCOLOUR_OBJ_TEXT), 0xFFFFFFFFu);
    const std::uint32_t window[] = { 0xFF646464, 0xFFA8A8A8, 0xFF646464 };
    const std::uint32_t object[]
        = { 0xFF787878, 0xFFB4B4B4, 0xFFDC0000, 0xFF960000, 0xFFFFFFFF, 0xFF0A0A0A, 0xFFC0C0C0 };
    for (int which = 0; which < 3; ++which)
        EXPECT_EQ(Colour(101, 0, which), window[which]) << which;
    for (int which = 3; which < 10; ++which)
        EXPECT_EQ(Colour(101, 4001, which), object[which - 3]) << which;
    EXPECT_EQ(m_skin->GetSkinMode(101, 0, SKINMODE_WND_BK), BKMODE_GRADIENT);
    EXPECT_EQ(m_skin->GetSkinMode(101, 0, SKINMODE_WND_GRAD), GRADMODE_VERTICAL);
    EXPECT_EQ(m_skin->GetSkinMode(101, 3, SKINMODE_OBJ_BK), BKMODE_GRADIENT);
    EXPECT_EQ(m_skin->GetSkinMode(101, 3, SKINMODE_OBJ_GRAD), GRADMODE_VERTICAL);
    EXPECT_EQ(m_skin->GetSkinMode(101, 3, 4), 0);
    EXPECT_EQ(m_skin->GetSkinMode(101, 3, -1), 0);

    const SkinFont font = m_skin->GetSkinFont(42, 42);
    EXPECT_EQ(font.face, "Times New Roman");
    EXPECT_EQ(font.pointSizeTenths, 100) << "a readable 10-point default, not 1 point";
    EXPECT_EQ(font.weight, 0);
    EXPECT_FALSE(font.italic || font.underline || font.strikeout);
}

TEST_F(ColourSchemeTest, ColourEntriesFromTenOnAreReachableAsColours)
{
    // Entry 10 is stored red-low (0xF43845) and handed out as ARGB.
    EXPECT_EQ(Colour(0, 0, 10), 0xFF4538F4u);
    EXPECT_EQ(m_skin->GetColourEntry(13), 0x50DBF0u);
    EXPECT_EQ(m_skin->GetColourEntry(1), 0x646464u);
    EXPECT_EQ(m_skin->GetColourEntry(17), 0u);
    EXPECT_EQ(Colour(0, 0, 17), 0xFF000000u) << "no entry: black";
    EXPECT_EQ(Colour(0, 0, -3), 0xFF000000u);

    ASSERT_TRUE(Parse(R"(<color id="13" value="1,2,3"/><color name="Named" value="9,9,9"/>)"
                      R"(<color id="14" value="oops"/><color id="15"/><color value="7,7,7"/>)"
                      R"(<color id="-2" value="1,1,1"/>)"));
    EXPECT_EQ(Colour(0, 0, 13), 0xFF010203u);
    EXPECT_EQ(m_skin->GetColourEntry(0), 0x090909u) << "a name alone means entry 0";
    EXPECT_EQ(m_skin->GetColourEntry(14), 0xB4B4B4u) << "a value that is no colour is skipped";
    EXPECT_EQ(m_skin->GetColourEntry(15), 0xFFFFFFu);
}

TEST_F(ColourSchemeTest, ColourTextIsRedGreenBlueWithEachChannelReducedToEightBits)
{
    EXPECT_EQ(ColourText(" 10 , 20 ,30 "), 0x1E140Au);
    EXPECT_EQ(ColourText("10,20"), 0x123456u) << "two pieces leave the colour";
    EXPECT_EQ(ColourText("1,2,3,4"), 0x123456u);
    EXPECT_EQ(ColourText("1,2,3,"), 0x123456u);
    EXPECT_EQ(ColourText(""), 0x123456u);
    EXPECT_EQ(ColourText("300,0,0"), 44u);
    EXPECT_EQ(ColourText("256,-1,2.9"), 0x02FF00u);
    EXPECT_EQ(ColourText("-1.5,auto,original"), 0x0100FFu);
    EXPECT_EQ(ColourText("red,1e3,1e30"), 0x00E800u) << "1e30 is a multiple of 256";
    EXPECT_EQ(ColourText("1e39,-1e39,0"), 0u) << "numbers beyond float range";
}

TEST_F(ColourSchemeTest, FontStyleLettersAreLowerCaseOnly)
{
    EXPECT_EQ(m_skin->ParseFontStyle("bu"), FONTSTYLE_BOLD | FONTSTYLE_UNDERLINE);
    EXPECT_EQ(m_skin->ParseFontStyle("B"), 0);
    EXPECT_EQ(m_skin->ParseFontStyle("bold italic"), FONTSTYLE_BOLD | FONTSTYLE_ITALIC | FONTSTYLE_STRIKEOUT);
    EXPECT_EQ(m_skin->ParseFontStyle("bb"), FONTSTYLE_BOLD) << "a repeated letter is still one flag";

    ASSERT_TRUE(
        Parse(R"(<wnd id="110"><obj id="3" fontname="DejaVu Sans" fontsize="95" fontstyle="bu"/></wnd>)"));
    const SkinFont font = m_skin->GetSkinFont(110, 3);
    EXPECT_EQ(font.face, "DejaVu Sans");
    EXPECT_EQ(font.pointSizeTenths, 95);
    EXPECT_EQ(font.weight, 700);
    EXPECT_TRUE(font.underline);
    EXPECT_FALSE(font.italic);
}

TEST_F(ColourSchemeTest, AWindowWithoutObjectsAnswersWithObjectZeroOfWindowZero)
{
    ASSERT_TRUE(Parse(R"(<wnd id="0"><obj id="0" text="1,2,3" bkmode="1"/></wnd><wnd id="5" bkmode="1"/>)"));
    EXPECT_EQ(Colour(5, 7, SKINCOLOUR_OBJ_TEXT), 0xFF010203u);
    EXPECT_EQ(m_skin->GetSkinMode(5, 7, SKINMODE_OBJ_BK), BKMODE_SOLID);
    EXPECT_EQ(m_skin->GetSkinMode(5, 0, SKINMODE_WND_BK), BKMODE_SOLID);
    EXPECT_EQ(m_skin->GetSkinMode(5, 0, SKINMODE_WND_GRAD), GRADMODE_VERTICAL);
}

TEST_F(ColourSchemeTest, ObjectsInheritFromTheirWindowsObjectZero)
{
    ASSERT_TRUE(Parse(R"(<wnd id="106" bkbegin="1,1,1">)"
                      R"(  <obj id="0" text="9,9,9" fontsize="80"/>)"
                      R"(  <obj id="2" bkhi="5,5,5"/>)"
                      R"(  <obj name="ByName" border="6,6,6"/>)"
                      R"(</wnd>)"));
    EXPECT_EQ(Colour(106, 2, SKINCOLOUR_OBJ_TEXT), 0xFF090909u);
    EXPECT_EQ(Colour(106, 2, SKINCOLOUR_OBJ_BKHI), 0xFF050505u);
    EXPECT_EQ(m_skin->GetSkinFont(106, 2).pointSizeTenths, 80);
    // An object with a name but no id replaces object 0, after object 2 was made.
    EXPECT_EQ(Colour(106, 0, SKINCOLOUR_OBJ_BORDER), 0xFF060606u);
    EXPECT_EQ(Colour(106, 2, SKINCOLOUR_OBJ_BORDER), 0xFF960000u);
    EXPECT_EQ(Colour(106, 0, SKINCOLOUR_OBJ_TEXT), 0xFF090909u);
}

TEST_F(ColourSchemeTest, AMalformedColourAttributeGivesBlack)
{
    ASSERT_TRUE(Parse(R"(<wnd id="5" bkbegin="10,20" bkend=""><obj id="1" text="1,2"/></wnd>)"));
    EXPECT_EQ(Colour(5, 0, SKINCOLOUR_WND_BKBEGIN), 0xFF000000u);
    EXPECT_EQ(Colour(5, 0, SKINCOLOUR_WND_BKEND), 0xFFA8A8A8u) << "an empty attribute keeps the default";
    EXPECT_EQ(Colour(5, 1, SKINCOLOUR_OBJ_TEXT), 0xFF000000u);
}

TEST_F(ColourSchemeTest, ColoursAreHandedOutAsArgb)
{
    ASSERT_TRUE(Parse(R"(<wnd id="7" bkbegin="10, 20, 30"/>)"));
    EXPECT_EQ(Colour(7, 0, SKINCOLOUR_WND_BKBEGIN), 0xFF0A141Eu);
    EXPECT_EQ(m_skin->SkinAlpha(), 255u);
}

TEST_F(ColourSchemeTest, ColourElementsBeforeTheLastWindowAreNotRead)
{
    ASSERT_TRUE(Parse(R"(<color id="10" value="1,1,1"/><wnd id="5"/><color id="11" value="2,2,2"/>)"
                      R"(<wnd id="6"/><other/><color id="12" value="3,3,3"/>)"));
    EXPECT_EQ(m_skin->GetColourEntry(10), 0xF43845u);
    EXPECT_EQ(m_skin->GetColourEntry(11), 0xFFFFFFu);
    EXPECT_EQ(m_skin->GetColourEntry(12), 0x030303u);
}

TEST_F(ColourSchemeTest, ElementIds)
{
    ASSERT_TRUE(Parse(R"(<wnd id="auto" bkbegin="1,1,1"/>)"
                      R"(<wnd id="2.9" bkbegin="2,2,2"/>)"
                      R"(<wnd bkbegin="3,3,3"/>)"
                      R"(<wnd id="-4" bkbegin="4,4,4"/>)"
                      R"(<wnd id="1e20" bkbegin="5,5,5"/>)"
                      R"(<wnd id="9" bkbegin="9,9,9"/>)"));
    EXPECT_EQ(Colour(0, 0, SKINCOLOUR_WND_BKBEGIN), 0xFF010101u) << "\"auto\" reads as id 0";
    EXPECT_EQ(Colour(2, 0, SKINCOLOUR_WND_BKBEGIN), 0xFF020202u) << "ids are truncated";
    EXPECT_EQ(Colour(-4, 0, SKINCOLOUR_WND_BKBEGIN), 0xFF010101u) << "a negative id is rejected";
    EXPECT_EQ(Colour(2147483647, 0, SKINCOLOUR_WND_BKBEGIN), 0xFF050505u) << "a huge id saturates";
    EXPECT_EQ(Colour(9, 0, SKINCOLOUR_WND_BKBEGIN), 0xFF090909u) << "elements after rejected ones are read";
}

TEST_F(ColourSchemeTest, AWindowGivenByNameAloneUsesTheWindowLookup)
{
    ASSERT_TRUE(Parse(R"(<wnd name="PlayerWnd" bkbegin="1,1,1"/>)"));
    EXPECT_EQ(Colour(0, 0, SKINCOLOUR_WND_BKBEGIN), 0xFF010101u) << "no windows exist: window 0";

    m_skin->SetWindowLookup([](std::string_view title) { return title == "PlayerWnd" ? 105 : -1; });
    ASSERT_TRUE(Parse(R"(<wnd name="PlayerWnd" bkbegin="2,2,2"/><wnd name="Gone" bkbegin="3,3,3"/>)"));
    EXPECT_EQ(Colour(105, 0, SKINCOLOUR_WND_BKBEGIN), 0xFF020202u);
    EXPECT_EQ(Colour(0, 0, SKINCOLOUR_WND_BKBEGIN), 0xFF010101u);
}

TEST_F(ColourSchemeTest, NumbersAreTruncatedTowardZero)
{
    ASSERT_TRUE(
        Parse(R"(<wnd id="5" bkmode="2.9" gradmode="-1.5"><obj id="1" fontsize="1e12" bkmode="x"/></wnd>)"));
    EXPECT_EQ(m_skin->GetSkinMode(5, 0, SKINMODE_WND_BK), 2);
    EXPECT_EQ(m_skin->GetSkinMode(5, 0, SKINMODE_WND_GRAD), -1);
    EXPECT_EQ(m_skin->GetSkinMode(5, 1, SKINMODE_OBJ_BK), 0);
    EXPECT_EQ(m_skin->GetSkinFont(5, 1).pointSizeTenths, 2147483647);
}

TEST_F(ColourSchemeTest, ARepeatedWindowReplacesTheEarlierOneWithItsObjects)
{
    ASSERT_TRUE(Parse(R"(<wnd id="5"><obj id="3" text="1,1,1"/></wnd><wnd id="5" bkbegin="2,2,2"/>)"));
    EXPECT_EQ(Colour(5, 3, SKINCOLOUR_OBJ_TEXT), 0xFFFFFFFFu);
    EXPECT_EQ(Colour(5, 0, SKINCOLOUR_WND_BKBEGIN), 0xFF020202u);
}

TEST_F(ColourSchemeTest, SchemesThatCannotBeReadLeaveTheTables)
{
    ASSERT_TRUE(Parse(R"(<wnd id="5" bkbegin="1,1,1"/>)"));
    EXPECT_FALSE(m_skin->ParseScheme(""));
    EXPECT_FALSE(m_skin->ParseScheme("<kvskin><wnd id=\"5\" bkbegin=\"2,2,2\">"));
    EXPECT_FALSE(m_skin->ParseScheme(R"(<other><wnd id="5" bkbegin="3,3,3"/></other>)"));
    EXPECT_FALSE(m_skin->ParseScheme(std::string("\0\0\0", 3)));
    EXPECT_EQ(Colour(5, 0, SKINCOLOUR_WND_BKBEGIN), 0xFF010101u);

    // Declarations and comments around the root are fine.
    EXPECT_TRUE(m_skin->ParseScheme(
        "<?xml version=\"1.0\"?>\n<!-- c --><kvskin><wnd id=\"5\" bkbegin=\"4,4,4\"/></kvskin>"));
    EXPECT_EQ(Colour(5, 0, SKINCOLOUR_WND_BKBEGIN), 0xFF040404u);
}

} // namespace
