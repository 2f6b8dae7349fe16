#include "skin/BaseSkin.h"

#include "persist/TextConversions.h"
#include "persist/Xmlparse.h"
#include "skin/SkinPackage.h"

#include <cmath>
#include <cstdint>
#include <limits>
#include <optional>
#include <vector>

namespace {

// What a picture that could not be decoded becomes: it has no size and draws nothing.
class NullSkinImage final : public SkinImage {
public:
    [[nodiscard]] int Width() const override { return 0; }
    [[nodiscard]] int Height() const override { return 0; }
};

// Integer fields take a number truncated toward zero. Numbers beyond the 32-bit range saturate
// instead of being converted, which would be undefined.
int IntegerFromNumber(double value)
{
    if (std::isnan(value))
        return 0;
    if (value >= static_cast<double>(std::numeric_limits<std::int32_t>::max()))
        return std::numeric_limits<std::int32_t>::max();
    if (value <= static_cast<double>(std::numeric_limits<std::int32_t>::min()))
        return std::numeric_limits<std::int32_t>::min();
    return static_cast<int>(value);
}

// The low 8 bits of the number truncated toward zero, in two's complement (256 gives 0, -1 gives
// 255). fmod is exact for every finite value, however large.
std::uint32_t LowByteOfNumber(double value)
{
    if (!std::isfinite(value))
        return 0;
    double low = std::fmod(std::trunc(value), 256.0);
    if (low < 0)
        low += 256.0;
    return static_cast<std::uint32_t>(low);
}

int NumberAttribute(const persist::CXmlparse& document, std::string_view name, int fallback)
{
    const std::string text = document.GetAttribute(name);
    return text.empty() ? fallback : IntegerFromNumber(persist::NumberFromText(text));
}

// The id of a scheme element: its `id` attribute, or, without one, the id that lookup gives for
// its `name`. Empty when neither is usable or the id is negative: such an element is skipped.
template <typename Lookup> std::optional<int> ElementId(const persist::CXmlparse& document, Lookup lookup)
{
    int id = NumberAttribute(document, "id", -1);
    if (id == -1) {
        const std::string name = document.GetAttribute("name");
        if (name.empty())
            return std::nullopt;
        id = lookup(name);
    }
    if (id < 0)
        return std::nullopt;
    return id;
}

} // namespace

CBaseSkin::CBaseSkin(std::unique_ptr<IImageDecoder> decoder)
    : m_decoder(std::move(decoder))
{
    WndStyle& window = m_wndStyles[0];
    window.objects[0] = ObjStyle {};
    m_colourEntries = {
        { 0, 0x000000 },
        { 1, 0x646464 },
        { 2, 0xFFFFFF },
        { 3, 0x0A0A0A },
        { 4, 0xC8C8C8 },
        { 5, 0xF43845 },
        { 6, 0xB9BEBE },
        { 7, 0xD2967C },
        { 8, 0xDCDCDC },
        { 9, 0x784614 },
        { 10, 0xF43845 },
        { 11, 0xFFFFFF },
        { 12, 0xC8C8C8 },
        { 13, 0x50DBF0 },
        { 14, 0xB4B4B4 },
        { 15, 0xFFFFFF },
        { 16, 0xFFFFFF },
    };
}

CBaseSkin::~CBaseSkin()
{
    CBaseSkin::UnloadSkin();
}

int CBaseSkin::LoadSkin(const std::string& path)
{
    if (!m_loadedPath.empty() && path == m_loadedPath)
        return SKINLOAD_ALREADY_LOADED;
    // Everything is checked before the old images are dropped, so a bad package changes nothing.
    if (!ValidatePackage(path))
        return SKINLOAD_INVALID_PACKAGE;
    SkinPackage package;
    if (!package.Open(path) || !package.HasValidHeader())
        return SKINLOAD_INVALID_PACKAGE;

    int id = FirstImageId();
    UnloadSkin();
    for (; id != -1; id = NextImageId(id)) {
        std::vector<std::uint8_t> bytes;
        if (!package.ExtractToStream(GetImageFileName(id), &bytes))
            return SKINLOAD_EXTRACT_FAILED;
        std::unique_ptr<SkinImage> image = m_decoder ? m_decoder->Decode(bytes) : nullptr;
        if (!image)
            image = std::make_unique<NullSkinImage>();
        m_images[id] = std::move(image);
    }

    std::string scheme;
    if (!package.ExtractToBuffer(GetSchemeFileName(), &scheme, nullptr))
        return SKINLOAD_EXTRACT_FAILED;
    // A scheme that cannot be read leaves the defaults, which are complete: not a load failure.
    (void)ParseScheme(scheme);
    m_loadedPath = path;
    return SKINLOAD_OK;
}

void CBaseSkin::UnloadSkin()
{
    m_images.clear();
    m_loadedPath.clear();
}

bool CBaseSkin::ValidatePackage(const std::string& path)
{
    SkinPackage package;
    if (!package.Open(path) || !package.HasValidHeader())
        return false;
    for (int id = FirstImageId(); id != -1; id = NextImageId(id)) {
        if (!package.HasEntry(GetImageFileName(id)))
            return false;
    }
    return package.HasEntry(GetSchemeFileName());
}

const WndStyle& CBaseSkin::ResolveWndStyle(int wndId) const
{
    const auto found = m_wndStyles.find(wndId);
    return found != m_wndStyles.end() ? found->second : m_wndStyles.at(0);
}

const ObjStyle& CBaseSkin::ResolveObjStyle(int wndId, int objId) const
{
    const WndStyle& window = ResolveWndStyle(wndId);
    const auto found = window.objects.find(objId);
    return found != window.objects.end() ? found->second : window.objects.at(0);
}

std::uint32_t CBaseSkin::ToArgb(SkinColour colour) const
{
    const std::uint32_t red = colour & 0xFF;
    const std::uint32_t green = (colour >> 8) & 0xFF;
    const std::uint32_t blue = (colour >> 16) & 0xFF;
    return (m_skinAlpha & 0xFF) << 24 | red << 16 | green << 8 | blue;
}

int CBaseSkin::GetSkinMode(int wndId, int objId, int which) const
{
    switch (which) {
    case SKINMODE_WND_BK:
        return ResolveWndStyle(wndId).bkmode;
    case SKINMODE_WND_GRAD:
        return ResolveWndStyle(wndId).gradmode;
    case SKINMODE_OBJ_BK:
        return ResolveObjStyle(wndId, objId).bkmode;
    case SKINMODE_OBJ_GRAD:
        return ResolveObjStyle(wndId, objId).gradmode;
    default:
        return 0;
    }
}

std::uint32_t CBaseSkin::GetSkinColour(int wndId, int objId, int which) const
{
    if (which >= SKINCOLOUR_ENTRY_FIRST)
        return ToArgb(GetColourEntry(which));
    if (which < 0)
        return ToArgb(0);
    if (which <= SKINCOLOUR_WND_BORDER) {
        const WndStyle& window = ResolveWndStyle(wndId);
        const SkinColour colours[] = { window.bkbegin, window.bkend, window.border };
        return ToArgb(colours[which]);
    }
    const ObjStyle& object = ResolveObjStyle(wndId, objId);
    const SkinColour colours[] = { object.bkbegin, object.bkend, object.bkhi, object.border, object.text,
        object.texthi, object.textgray };
    return ToArgb(colours[which - SKINCOLOUR_OBJ_BKBEGIN]);
}

SkinFont CBaseSkin::GetSkinFont(int wndId, int objId) const
{
    const ObjStyle& object = ResolveObjStyle(wndId, objId);
    SkinFont font;
    font.face = object.fontname;
    font.pointSizeTenths = object.fontsize;
    font.weight = (object.fontstyle & FONTSTYLE_BOLD) != 0 ? 700 : 0;
    font.italic = (object.fontstyle & FONTSTYLE_ITALIC) != 0;
    font.underline = (object.fontstyle & FONTSTYLE_UNDERLINE) != 0;
    font.strikeout = (object.fontstyle & FONTSTYLE_STRIKEOUT) != 0;
    return font;
}

const SkinImage* CBaseSkin::GetImage(int imageId) const
{
    const auto found = m_images.find(imageId);
    return found != m_images.end() ? found->second.get() : nullptr;
}

int CBaseSkin::ColourIdFromName(std::string_view /*name*/) const
{
    return 0;
}

std::string_view CBaseSkin::GetSchemeFileName() const
{
    return "kvskin.xml";
}

int CBaseSkin::WndIdFromName(std::string_view name) const
{
    return m_windowLookup ? m_windowLookup(name) : 0;
}

bool CBaseSkin::ParseScheme(std::string_view text)
{
    persist::CXmlparse document;
    if (!document.SetText(text))
        return false;
    if (!document.FindElement("kvskin") || !document.EnterElement())
        return false;
    // One forward pass: every `wnd`, then the `color` elements after the last of them.
    while (document.FindElement("wnd"))
        (void)ParseWndStyle(document);
    while (document.FindElement("color"))
        (void)ParseColourEntry(document);
    return true;
}

bool CBaseSkin::ParseWndStyle(persist::CXmlparse& document)
{
    const std::optional<int> id
        = ElementId(document, [this](std::string_view name) { return WndIdFromName(name); });
    if (!id)
        return false;

    // A window inherits what the scheme leaves out from window 0.
    const WndStyle& defaults = m_wndStyles.at(0);
    WndStyle style;
    const auto colour = [&](std::string_view name, SkinColour fallback) {
        const std::string text = document.GetAttribute(name);
        if (text.empty())
            return fallback;
        SkinColour value = 0; // a malformed colour gives black
        (void)ParseColourText(text, value);
        return value;
    };
    style.bkbegin = colour("bkbegin", defaults.bkbegin);
    style.bkend = colour("bkend", defaults.bkend);
    style.border = colour("border", defaults.border);
    style.bkmode = NumberAttribute(document, "bkmode", defaults.bkmode);
    style.gradmode = NumberAttribute(document, "gradmode", defaults.gradmode);
    style.objects[0] = defaults.objects.at(0);

    if (document.EnterElement()) {
        while (document.FindElement("obj"))
            (void)ParseObjStyle(document, *id, style.objects);
        (void)document.LeaveElement();
    }
    m_wndStyles[*id] = std::move(style);
    return true;
}

bool CBaseSkin::ParseObjStyle(persist::CXmlparse& document, int wndId, std::map<int, ObjStyle>& objects)
{
    const std::optional<int> id
        = ElementId(document, [this, wndId](std::string_view name) { return ObjIdFromName(wndId, name); });
    if (!id)
        return false;

    // An object inherits what the scheme leaves out from its window's object 0.
    const auto base = objects.find(0);
    ObjStyle style = base != objects.end() ? base->second : ObjStyle {};
    const auto colour = [&](std::string_view name, SkinColour& target) {
        const std::string text = document.GetAttribute(name);
        if (text.empty())
            return;
        target = 0; // a malformed colour gives black
        (void)ParseColourText(text, target);
    };
    style.bkmode = NumberAttribute(document, "bkmode", style.bkmode);
    style.gradmode = NumberAttribute(document, "gradmode", style.gradmode);
    style.fontsize = NumberAttribute(document, "fontsize", style.fontsize);
    colour("bkbegin", style.bkbegin);
    colour("bkend", style.bkend);
    colour("bkhi", style.bkhi);
    colour("border", style.border);
    colour("text", style.text);
    colour("texthi", style.texthi);
    colour("textgray", style.textgray);
    if (std::string face = document.GetAttribute("fontname"); !face.empty())
        style.fontname = std::move(face);
    if (const std::string letters = document.GetAttribute("fontstyle"); !letters.empty())
        style.fontstyle = ParseFontStyle(letters);

    objects[*id] = std::move(style);
    return true;
}

bool CBaseSkin::ParseColourEntry(persist::CXmlparse& document)
{
    const std::optional<int> id
        = ElementId(document, [this](std::string_view name) { return ColourIdFromName(name); });
    if (!id)
        return false;
    const std::string text = document.GetAttribute("value");
    // A value that is not a colour is rejected like a missing one, so the entry keeps its colour.
    SkinColour value = 0;
    if (text.empty() || !ParseColourText(text, value))
        return false;
    m_colourEntries[*id] = value;
    return true;
}

SkinColour CBaseSkin::GetColourEntry(int id) const
{
    const auto found = m_colourEntries.find(id);
    return found != m_colourEntries.end() ? found->second : 0;
}

bool CBaseSkin::ParseColourText(std::string_view text, SkinColour& colour) const
{
    std::uint32_t channels[3] = {};
    std::size_t pieces = 0;
    for (;;) {
        const std::size_t comma = text.find(',');
        const std::string_view piece = persist::TrimWhiteSpace(text.substr(0, comma));
        if (pieces < 3)
            channels[pieces] = LowByteOfNumber(persist::NumberFromText(piece));
        ++pieces;
        if (comma == std::string_view::npos)
            break;
        text.remove_prefix(comma + 1);
    }
    if (pieces != 3)
        return false;
    colour = channels[0] | channels[1] << 8 | channels[2] << 16;
    return true;
}

int CBaseSkin::ParseFontStyle(std::string_view text) const
{
    int style = 0;
    for (const char letter : text) {
        switch (letter) {
        case 'b':
            style |= FONTSTYLE_BOLD;
            break;
        case 'u':
            style |= FONTSTYLE_UNDERLINE;
            break;
        case 'i':
            style |= FONTSTYLE_ITALIC;
            break;
        case 'o':
            style |= FONTSTYLE_STRIKEOUT;
            break;
        default:
            break;
        }
    }
    return style;
}
