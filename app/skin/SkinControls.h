#pragma once

#include <QColor>
#include <QFont>
#include <QPalette>
#include <QString>

class CBaseSkin;

// The skin's colours and fonts for what the skin does not draw item by item: the platform's
// controls embedded in skinned windows (combo boxes, edit fields, date and time fields, text
// boxes), the sliders' thumbs, and the fonts that the program names itself.

// Colour entries of the scheme for those controls. A scheme without an entry gets the fallback
// that the default skin's dark theme uses.
enum ControlColourEntry : int {
    // The face of a field or combo box and the text in it.
    COLOURENTRY_FIELD_FACE = 17,
    COLOURENTRY_FIELD_TEXT = 18,
    // The frame of a field, and its frame while it has the focus.
    COLOURENTRY_FIELD_FRAME = 19,
    COLOURENTRY_FIELD_FOCUS = 20,
    // The drop button of a combo box and the buttons of date and time fields.
    COLOURENTRY_FIELD_BUTTON = 21,
    // A highlighted entry of a drop-down list and selected text, and the text on it.
    COLOURENTRY_FIELD_HIGHLIGHT = 22,
    COLOURENTRY_FIELD_HIGHLIGHT_TEXT = 23,
    COLOURENTRY_SLIDER_THUMB = 24,
};

// The entry's colour, or its fallback when the scheme has none.
[[nodiscard]] QColor ControlColour(const CBaseSkin& skin, ControlColourEntry entry);
// Text of a disabled control: the grey text of the default window style's items.
[[nodiscard]] QColor ControlGreyText(const CBaseSkin& skin);
// base with the field, button, selection and text roles in the skin's colours, so that the
// platform's controls drawn with it sit on the skinned windows.
[[nodiscard]] QPalette ControlPalette(const CBaseSkin& skin, const QPalette& base);

// The skin's font: the default window style's item font. A face that this platform lacks becomes
// the application's font face.
[[nodiscard]] QFont SkinBaseFont(const CBaseSkin& skin);
// A font the program names by face and size; when this platform lacks the face, the skin's font
// face at that size.
[[nodiscard]] QFont NamedFont(const CBaseSkin& skin, const QString& face, int pointSize);
