#pragma once

#include <cstdint>
#include <map>
#include <string>

// The colour scheme's values as the skin keeps them. Colours are 24-bit with red in the low byte
// (0x00BBGGRR); the skin turns them into ARGB only when it hands them to drawing.
using SkinColour = std::uint32_t;

// Background modes.
inline constexpr int BKMODE_NONE = 0;
inline constexpr int BKMODE_SOLID = 1; // bkbegin
inline constexpr int BKMODE_GRADIENT = 2; // bkbegin to bkend in the gradient direction
inline constexpr int BKMODE_IMAGE = 3; // window backgrounds only: the background image, natural size

// Gradient directions; the brush tiles outside the filled rectangle.
inline constexpr int GRADMODE_HORIZONTAL = 0;
inline constexpr int GRADMODE_VERTICAL = 1;
inline constexpr int GRADMODE_FORWARD_DIAGONAL = 2;
inline constexpr int GRADMODE_BACKWARD_DIAGONAL = 3;

// Font style flags.
inline constexpr int FONTSTYLE_BOLD = 1;
inline constexpr int FONTSTYLE_UNDERLINE = 2;
inline constexpr int FONTSTYLE_ITALIC = 4;
inline constexpr int FONTSTYLE_STRIKEOUT = 8;

// The `which` selectors of CBaseSkin::GetSkinMode.
inline constexpr int SKINMODE_WND_BK = 0;
inline constexpr int SKINMODE_WND_GRAD = 1;
inline constexpr int SKINMODE_OBJ_BK = 2;
inline constexpr int SKINMODE_OBJ_GRAD = 3;

// The `which` selectors of CBaseSkin::GetSkinColour; from SKINCOLOUR_ENTRY_FIRST on, `which` is
// the number of a colour entry.
inline constexpr int SKINCOLOUR_WND_BKBEGIN = 0;
inline constexpr int SKINCOLOUR_WND_BKEND = 1;
inline constexpr int SKINCOLOUR_WND_BORDER = 2;
inline constexpr int SKINCOLOUR_OBJ_BKBEGIN = 3;
inline constexpr int SKINCOLOUR_OBJ_BKEND = 4;
inline constexpr int SKINCOLOUR_OBJ_BKHI = 5;
inline constexpr int SKINCOLOUR_OBJ_BORDER = 6;
inline constexpr int SKINCOLOUR_OBJ_TEXT = 7;
inline constexpr int SKINCOLOUR_OBJ_TEXTHI = 8;
inline constexpr int SKINCOLOUR_OBJ_TEXTGRAY = 9;
inline constexpr int SKINCOLOUR_ENTRY_FIRST = 10;

// The look of one drawn item (object) of a window. The defaults are what an item gets when the
// scheme says nothing about it.
struct ObjStyle {
    SkinColour bkbegin = 0x787878;
    SkinColour bkend = 0xB4B4B4;
    SkinColour bkhi = 0x0000DC; // background while hot
    SkinColour border = 0x000096;
    SkinColour text = 0xFFFFFF;
    SkinColour texthi = 0x0A0A0A; // text while hot
    SkinColour textgray = 0xC0C0C0; // text while disabled
    int bkmode = BKMODE_GRADIENT;
    int gradmode = GRADMODE_VERTICAL;
    std::string fontname = "Times New Roman";
    // Tenths of a point: 100 is a 10-point font.
    int fontsize = 100;
    int fontstyle = 0;

    friend bool operator==(const ObjStyle&, const ObjStyle&) = default;
};

// The look of one window: its background and the styles of its items by object id. A style
// that the skin holds always has object 0, the window's own and every unstyled item's style.
struct WndStyle {
    SkinColour bkbegin = 0x646464;
    SkinColour bkend = 0xA8A8A8;
    SkinColour border = 0x646464;
    int bkmode = BKMODE_GRADIENT;
    int gradmode = GRADMODE_VERTICAL;
    std::map<int, ObjStyle> objects;

    friend bool operator==(const WndStyle&, const WndStyle&) = default;
};

// A font as the scheme describes it; the drawing layer realises it.
struct SkinFont {
    std::string face;
    // Tenths of a point, relative to the screen.
    int pointSizeTenths = 0;
    // 700 when bold; 0 leaves the weight to the platform's default.
    int weight = 0;
    bool italic = false;
    bool underline = false;
    bool strikeout = false;

    friend bool operator==(const SkinFont&, const SkinFont&) = default;
};
