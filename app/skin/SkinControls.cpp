#include "skin/SkinControls.h"

#include "skin/BaseSkin.h"
#include "skin/SkinDrawing.h"

#include <QApplication>

namespace {

QColor Fallback(ControlColourEntry entry)
{
    switch (entry) {
    case COLOURENTRY_FIELD_FACE:
        return { 22, 24, 28 };
    case COLOURENTRY_FIELD_TEXT:
        return { 230, 233, 237 };
    case COLOURENTRY_FIELD_FRAME:
        return { 67, 74, 84 };
    case COLOURENTRY_FIELD_FOCUS:
        return { 46, 191, 175 };
    case COLOURENTRY_FIELD_BUTTON:
        return { 45, 50, 57 };
    case COLOURENTRY_FIELD_HIGHLIGHT:
        return { 28, 84, 78 };
    case COLOURENTRY_FIELD_HIGHLIGHT_TEXT:
        return { 255, 255, 255 };
    case COLOURENTRY_SLIDER_THUMB:
        return { 46, 191, 175 };
    }
    return Qt::black;
}

} // namespace

QColor ControlColour(const CBaseSkin& skin, ControlColourEntry entry)
{
    if (!skin.HasColourEntry(entry))
        return Fallback(entry);
    return ColourFromArgb(skin.GetSkinColour(0, 0, entry));
}

QColor ControlGreyText(const CBaseSkin& skin)
{
    return ColourFromArgb(skin.GetSkinColour(0, 0, SKINCOLOUR_OBJ_TEXTGRAY));
}

QPalette ControlPalette(const CBaseSkin& skin, const QPalette& base)
{
    QPalette colours = base;
    const QColor face = ControlColour(skin, COLOURENTRY_FIELD_FACE);
    const QColor text = ControlColour(skin, COLOURENTRY_FIELD_TEXT);
    const QColor frame = ControlColour(skin, COLOURENTRY_FIELD_FRAME);
    const QColor button = ControlColour(skin, COLOURENTRY_FIELD_BUTTON);
    const QColor grey = ControlGreyText(skin);
    const QColor window = ColourFromArgb(skin.GetSkinColour(0, 0, SKINCOLOUR_WND_BKBEGIN));
    for (const QPalette::ColorGroup group : { QPalette::Active, QPalette::Inactive, QPalette::Disabled }) {
        const bool disabled = group == QPalette::Disabled;
        colours.setColor(group, QPalette::Window, window);
        colours.setColor(group, QPalette::WindowText, disabled ? grey : text);
        colours.setColor(group, QPalette::Base, face);
        colours.setColor(group, QPalette::AlternateBase, face);
        colours.setColor(group, QPalette::Text, disabled ? grey : text);
        colours.setColor(group, QPalette::PlaceholderText, grey);
        colours.setColor(group, QPalette::Button, button);
        colours.setColor(group, QPalette::ButtonText, disabled ? grey : text);
        colours.setColor(group, QPalette::BrightText, text);
        colours.setColor(group, QPalette::Highlight, ControlColour(skin, COLOURENTRY_FIELD_HIGHLIGHT));
        colours.setColor(
            group, QPalette::HighlightedText, ControlColour(skin, COLOURENTRY_FIELD_HIGHLIGHT_TEXT));
        colours.setColor(group, QPalette::Light, button.lighter(115));
        colours.setColor(group, QPalette::Midlight, button);
        colours.setColor(group, QPalette::Mid, frame);
        colours.setColor(group, QPalette::Dark, frame);
        colours.setColor(group, QPalette::Shadow, face.darker(150));
        colours.setColor(group, QPalette::Link, ControlColour(skin, COLOURENTRY_FIELD_FOCUS));
    }
    return colours;
}

QFont SkinBaseFont(const CBaseSkin& skin)
{
    return FontFromSkin(skin.GetSkinFont(0, 0), QApplication::font());
}

QFont NamedFont(const CBaseSkin& skin, const QString& face, int pointSize)
{
    QFont font = SkinBaseFont(skin);
    if (HasFontFamily(face))
        font.setFamily(face);
    font.setPointSize(pointSize);
    font.setBold(false);
    font.setItalic(false);
    font.setUnderline(false);
    font.setStrikeOut(false);
    return font;
}
