#pragma once

#include "skin/ImageDecoder.h"
#include "skin/SkinImage.h"
#include "skin/SkinStyle.h"

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <string_view>

namespace persist {
class CXmlparse;
} // namespace persist

// LoadSkin results.
inline constexpr int SKINLOAD_OK = 1;
inline constexpr int SKINLOAD_ALREADY_LOADED = 0;
inline constexpr int SKINLOAD_EXTRACT_FAILED = -1;
inline constexpr int SKINLOAD_INVALID_PACKAGE = -2;

// The skin: every picture of the user interface, decoded once from the skin package and kept for
// the whole run, and the colour scheme that answers which background mode, colours and font each
// window and each drawn item inside it uses.
//
// A subclass supplies the catalogue: which images exist, their entry names and the ids that the
// windows ask for. Lookups never fail: a window or item that the scheme does not style gets the
// style of window 0 or of the window's object 0, and before any scheme is read the built-in
// defaults answer.
//
// There is one skin object in the program. It is loaded once on the user-interface thread before
// any skinned window exists and only read afterwards; it must not be used from other threads.
class CBaseSkin {
public:
    explicit CBaseSkin(std::unique_ptr<IImageDecoder> decoder);
    CBaseSkin(const CBaseSkin&) = delete;
    CBaseSkin& operator=(const CBaseSkin&) = delete;
    virtual ~CBaseSkin();

    // Loads every catalogue image and the colour scheme from the package at path:
    // SKINLOAD_OK; SKINLOAD_ALREADY_LOADED when path is the package loaded last (nothing is done);
    // SKINLOAD_EXTRACT_FAILED when an image or the scheme could not be read (the images read so far
    // stay); SKINLOAD_INVALID_PACKAGE when the package is unreadable, not a package or lacks an
    // entry (nothing changes). A later load overlays the scheme's tables and replaces the images.
    [[nodiscard]] virtual int LoadSkin(const std::string& path);
    // Frees the images. The package is forgotten too, so that loading it again really loads it.
    virtual void UnloadSkin();
    // True when path is a package that holds every catalogue image and the scheme.
    [[nodiscard]] virtual bool ValidatePackage(const std::string& path);
    // which: SKINMODE_*; any other value gives 0.
    [[nodiscard]] virtual int GetSkinMode(int wndId, int objId, int which) const;
    // which: SKINCOLOUR_*; from SKINCOLOUR_ENTRY_FIRST on the colour entry of that number (black
    // when there is none); a negative which gives black. The result is ARGB with SkinAlpha.
    [[nodiscard]] virtual std::uint32_t GetSkinColour(int wndId, int objId, int which) const;
    [[nodiscard]] virtual SkinFont GetSkinFont(int wndId, int objId) const;
    // The image loaded under imageId, or null. A picture that could not be decoded is a null image.
    [[nodiscard]] virtual const SkinImage* GetImage(int imageId) const;

    // The catalogue, supplied by the subclass. state is an item's state flags value.
    [[nodiscard]] virtual int CheckBoxImageId(int state) const = 0;
    [[nodiscard]] virtual int RadioBoxImageId(int state) const = 0;
    // `which` values for the text of items drawn in the window's alternative colour and for the
    // lower and upper bounds of the colour key of drawn images.
    [[nodiscard]] virtual int AltTextColourIndex() const = 0;
    [[nodiscard]] virtual int ColourKeyLowIndex() const = 0;
    [[nodiscard]] virtual int ColourKeyHighIndex() const = 0;
    [[nodiscard]] virtual int CloseImageId() const = 0;
    [[nodiscard]] virtual int MaximizeImageId() const = 0;
    [[nodiscard]] virtual int RestoreImageId() const = 0;
    [[nodiscard]] virtual int MinimizeImageId() const = 0;
    [[nodiscard]] virtual int MainMenuImageId() const = 0;
    [[nodiscard]] virtual int LogoImageId() const = 0;
    // The package entry of an image id; empty for an id outside the catalogue.
    [[nodiscard]] virtual std::string_view GetImageFileName(int imageId) const = 0;
    // Catalogue iteration: FirstImageId, then NextImageId until it gives -1.
    [[nodiscard]] virtual int FirstImageId() const = 0;
    [[nodiscard]] virtual int NextImageId(int imageId) const = 0;

    // Ids for scheme elements that carry a name but no id.
    [[nodiscard]] virtual int ColourIdFromName(std::string_view name) const;
    [[nodiscard]] virtual int ObjIdFromName(int wndId, std::string_view name) const = 0;
    [[nodiscard]] virtual std::string_view GetSchemeFileName() const;
    // The control id of the toolkit window titled name, through the lookup that the windowing
    // layer installs; 0 without one. The skin loads before any window exists, so during loading
    // a `wnd` element given by name alone styles window 0.
    [[nodiscard]] virtual int WndIdFromName(std::string_view name) const;

    // Reads a scheme document into the tables. False when it cannot be parsed or has no root
    // element; the tables are then as they were. Rejected elements are skipped.
    virtual bool ParseScheme(std::string_view text);
    // Each of these reads the element the document's cursor stands on.
    virtual bool ParseWndStyle(persist::CXmlparse& document);
    [[nodiscard]] virtual SkinColour GetColourEntry(int id) const;
    // Whether there is a colour entry id (built in or from the scheme); GetColourEntry gives black
    // for one that is missing, which a caller with a fallback of its own cannot tell from black.
    [[nodiscard]] bool HasColourEntry(int id) const { return m_colourEntries.count(id) != 0; }
    // "red, green, blue": exactly three comma-separated numbers, each reduced to its low 8 bits.
    // False, and colour untouched, for any other number of pieces.
    virtual bool ParseColourText(std::string_view text, SkinColour& colour) const;
    // Letters b (bold), u (underline), i (italic) and o (strikeout); other characters are ignored.
    [[nodiscard]] virtual int ParseFontStyle(std::string_view text) const;
    virtual bool ParseColourEntry(persist::CXmlparse& document);
    virtual bool ParseObjStyle(persist::CXmlparse& document, int wndId, std::map<int, ObjStyle>& objects);

    // Installs the windowing layer's way of finding a toolkit window by its title.
    void SetWindowLookup(std::function<int(std::string_view title)> lookup)
    {
        m_windowLookup = std::move(lookup);
    }
    [[nodiscard]] const std::string& LoadedPath() const { return m_loadedPath; }
    [[nodiscard]] std::uint32_t SkinAlpha() const { return m_skinAlpha; }

private:
    [[nodiscard]] const WndStyle& ResolveWndStyle(int wndId) const;
    [[nodiscard]] const ObjStyle& ResolveObjStyle(int wndId, int objId) const;
    [[nodiscard]] std::uint32_t ToArgb(SkinColour colour) const;

    // Images are decoded straight from the package's bytes in memory, so no temporary files are
    // made during a load and none can be left behind at exit.
    std::string m_loadedPath;
    const std::uint32_t m_skinAlpha = 255;
    std::map<int, WndStyle> m_wndStyles;
    std::map<int, std::unique_ptr<SkinImage>> m_images;
    std::map<int, SkinColour> m_colourEntries;
    std::unique_ptr<IImageDecoder> m_decoder;
    std::function<int(std::string_view)> m_windowLookup;
};
