#include "SkinTestSupport.h"
#include "persist/Xmlparse.h"
#include "skin/KVSkin.h"
#include "skin/SkinPackage.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <set>
#include <string>
#include <utility>
#include <vector>

using namespace skintest;

namespace {

// The windows of the toolkit and the object ids their items use.
const std::vector<std::pair<int, std::vector<int>>> kWindows {
    { 0, { 0 } }, // dialog frames and menus
    { 101, { 0, 4001, 4002, 4003, 4004, 4005, 4006 } },
    { 103, { 0, 1, 2, 3, 4, 5, 6 } },
    { 104, { 0, 1, 2 } },
    { 105, { 0, 1, 2, 3, 4, 5, 6, 7 } },
    { 106, { 0, 1, 2, 3, 4, 5, 6, 7, 8 } },
    { 107, { 0, 1, 2, 3, 4, 5, 6 } },
    { 108, { 0 } },
    { 110, { 0, 1, 2, 3, 4, 5, 6, 7, 8 } },
    { 111, { 0, 1, 2, 3 } },
    { 112, { 0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10 } },
    { 113, { 0, 1, 2, 3 } },
    { 114, { 0, 1, 2, 3 } },
    { 115, { 0, 1, 2, 3 } },
    { 116, { 0, 1, 2 } },
    { 118, { 0, 1, 2, 3, 4 } },
};

// Width and height at which the windows draw each catalogue image.
const std::vector<std::pair<int, int>> kDrawnSizes {
    { 20, 20 }, { 20, 20 }, { 20, 20 }, { 20, 20 }, { 20, 20 }, { 20, 20 }, // caption
    { 30, 30 }, { 30, 30 }, { 30, 30 }, { 30, 30 }, { 30, 30 }, { 30, 30 }, // tool bar
    { 24, 24 }, { 24, 24 }, { 24, 24 }, { 24, 24 }, { 24, 24 }, { 24, 24 }, // play control and states
    { 16, 16 }, { 16, 16 }, { 16, 16 }, { 16, 16 }, // check and radio boxes
    { 400, 130 }, // about box
};

double Luminance(std::uint32_t argb)
{
    const auto channel = [](std::uint32_t value) {
        const double c = static_cast<double>(value & 0xFF) / 255.0;
        return c <= 0.03928 ? c / 12.92 : std::pow((c + 0.055) / 1.055, 2.4);
    };
    return 0.2126 * channel(argb >> 16) + 0.7152 * channel(argb >> 8) + 0.0722 * channel(argb);
}

double Contrast(std::uint32_t a, std::uint32_t b)
{
    const double la = Luminance(a);
    const double lb = Luminance(b);
    return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

class DefaultSkinTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_EQ(m_skin->LoadSkin(TESSALY_DEFAULT_SKIN), SKINLOAD_OK); }

    std::unique_ptr<CKVSkin> m_skin = MakeSkin();
};

TEST_F(DefaultSkinTest, HoldsEveryPictureAtTheSizeItIsDrawn)
{
    for (int id = 1; id <= CKVSkin::IMAGE_COUNT; ++id) {
        const SkinImage* image = m_skin->GetImage(id);
        ASSERT_NE(image, nullptr) << id;
        EXPECT_EQ(
            std::make_pair(image->Width(), image->Height()), kDrawnSizes[static_cast<std::size_t>(id - 1)])
            << m_skin->GetImageFileName(id);
    }
}

TEST_F(DefaultSkinTest, StylesEveryWindowOfTheToolkit)
{
    SkinPackage package;
    ASSERT_TRUE(package.Open(TESSALY_DEFAULT_SKIN));
    std::string scheme;
    ASSERT_TRUE(package.ExtractToBuffer("kvskin.xml", &scheme, nullptr));
    persist::CXmlparse document;
    ASSERT_TRUE(document.SetText(scheme)) << document.GetLastError();
    ASSERT_TRUE(document.FindElement("kvskin"));
    ASSERT_TRUE(document.EnterElement());
    std::set<int> styled;
    while (document.FindElement("wnd")) {
        const int id = std::stoi(document.GetAttribute("id"));
        EXPECT_TRUE(styled.insert(id).second) << "window " << id << " is styled twice";
        // Each window names its object 0, so nothing depends on the built-in defaults.
        ASSERT_TRUE(document.EnterElement());
        bool ownObjectZero = false;
        while (document.FindElement("obj"))
            ownObjectZero = ownObjectZero || document.GetAttribute("id") == "0";
        ASSERT_TRUE(document.LeaveElement());
        EXPECT_TRUE(ownObjectZero) << "window " << id;
    }
    for (const auto& [wnd, objects] : kWindows)
        EXPECT_TRUE(styled.contains(wnd)) << "window " << wnd << " is not styled";
}

TEST_F(DefaultSkinTest, TextIsReadableOnWhatItIsDrawnOn)
{
    for (const auto& [wnd, objects] : kWindows) {
        const std::uint32_t window = m_skin->GetSkinColour(wnd, 0, SKINCOLOUR_WND_BKBEGIN);
        EXPECT_EQ(m_skin->GetSkinMode(wnd, 0, SKINMODE_WND_BK), BKMODE_SOLID) << wnd;
        for (const int obj : objects) {
            const bool filled = m_skin->GetSkinMode(wnd, obj, SKINMODE_OBJ_BK) != BKMODE_NONE;
            const std::uint32_t face
                = filled ? m_skin->GetSkinColour(wnd, obj, SKINCOLOUR_OBJ_BKBEGIN) : window;
            // A hot solid item is filled with object 0's bkhi.
            const std::uint32_t hot = filled ? m_skin->GetSkinColour(wnd, 0, SKINCOLOUR_OBJ_BKHI) : window;
            const std::uint32_t text = m_skin->GetSkinColour(wnd, obj, SKINCOLOUR_OBJ_TEXT);
            const std::uint32_t textHot = m_skin->GetSkinColour(wnd, obj, SKINCOLOUR_OBJ_TEXTHI);
            const std::uint32_t textGray = m_skin->GetSkinColour(wnd, obj, SKINCOLOUR_OBJ_TEXTGRAY);
            EXPECT_GE(Contrast(text, face), 4.5) << wnd << "/" << obj;
            EXPECT_GE(Contrast(textHot, hot), 4.5) << wnd << "/" << obj;
            EXPECT_GE(Contrast(textHot, face), 4.5) << wnd << "/" << obj;
            // Disabled text is meant to recede, but must stay visible.
            EXPECT_GE(Contrast(textGray, face), 2.0) << wnd << "/" << obj;
            EXPECT_LT(Contrast(textGray, face), Contrast(text, face)) << wnd << "/" << obj;
            EXPECT_GE(m_skin->GetSkinFont(wnd, obj).pointSizeTenths, 80) << wnd << "/" << obj;
        }
    }
    // Popup menus: highlighted items on entry 13 (greyed: 14) with window 0's text colour.
    const std::uint32_t menuText = m_skin->GetSkinColour(0, 0, SKINCOLOUR_OBJ_TEXT);
    EXPECT_GE(Contrast(menuText, m_skin->GetSkinColour(0, 0, 13)), 4.5);
    EXPECT_GE(Contrast(menuText, m_skin->GetSkinColour(0, 0, SKINCOLOUR_WND_BKBEGIN)), 4.5);
    EXPECT_GE(Contrast(menuText, m_skin->GetSkinColour(0, 0, SKINCOLOUR_WND_BKEND)), 4.5);
}

TEST_F(DefaultSkinTest, NoPixelOfAPictureIsColourKeyedAway)
{
    // The pictures carry their own alpha; the key range between the window border and object 0's
    // bkbegin must be empty on at least one channel.
    for (const auto& [wnd, objects] : kWindows) {
        const std::uint32_t low = m_skin->GetSkinColour(wnd, 0, m_skin->ColourKeyLowIndex());
        const std::uint32_t high = m_skin->GetSkinColour(wnd, 0, m_skin->ColourKeyHighIndex());
        bool empty = false;
        for (int shift : { 0, 8, 16 })
            empty = empty || ((low >> shift) & 0xFF) > ((high >> shift) & 0xFF);
        EXPECT_TRUE(empty) << "window " << wnd;
    }
}

} // namespace
