#pragma once

#include "skin/SkinStyle.h"

#include <QBrush>
#include <QColor>
#include <QFont>
#include <QImage>
#include <QRectF>
#include <QString>

#include <cstdint>

// Drawing helpers shared by the skinned windows: the skin's values turned into Qt's.

// An ARGB value as the skin hands it out (alpha in the top byte).
[[nodiscard]] QColor ColourFromArgb(std::uint32_t argb);

// The scheme's font realised for Qt: face, size in tenths of a point, weight 700 when bold, and the
// italic, underline and strikeout flags. A font without size takes it from fallback, and so does a
// font without face or with a face that this platform lacks: the platform would put some other
// face of its own in its place, unlike the rest of the skin.
[[nodiscard]] QFont FontFromSkin(const SkinFont& font, const QFont& fallback);

// Whether this platform has the font family itself rather than a stand-in for it. User-interface
// thread only (the answers are kept).
[[nodiscard]] bool HasFontFamily(const QString& family);

// A linear gradient over rect in one of the four GRADMODE_* directions; the brush repeats outside
// rect. An unknown direction is drawn vertically.
[[nodiscard]] QBrush GradientBrush(const QRectF& rect, const QColor& begin, const QColor& end, int gradmode);

// How a picture is toned for its item's state.
enum class ImageTone {
    Normal,
    // Disabled: every channel becomes the luminance 0.299 R + 0.587 G + 0.114 B, blue lifted by 0.05.
    Grey,
    // Hot: every channel times 1.05 plus 0.05.
    Bright,
};

// The picture ready to draw: pixels whose red, green and blue each lie between the key bounds'
// channels become transparent, then the tone's colour matrix is applied. Channels are clamped.
[[nodiscard]] QImage ToneImage(
    const QImage& source, const QColor& keyLow, const QColor& keyHigh, ImageTone tone);
