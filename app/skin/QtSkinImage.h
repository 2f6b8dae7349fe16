#pragma once

#include "skin/SkinImage.h"

#include <QImage>

// A skin picture decoded by Qt. Kept in 32-bit ARGB (not premultiplied), so that the colour key and
// the colour matrices can read and write the true colour of every pixel.
class QtSkinImage final : public SkinImage {
public:
    explicit QtSkinImage(const QImage& image)
        : m_image(image.isNull() ? QImage() : image.convertToFormat(QImage::Format_ARGB32))
    {
    }

    [[nodiscard]] int Width() const override { return m_image.width(); }
    [[nodiscard]] int Height() const override { return m_image.height(); }
    [[nodiscard]] const QImage& Image() const { return m_image; }

    // The picture behind a skin image, or null for none, an undecodable one or a foreign kind.
    [[nodiscard]] static const QImage* From(const SkinImage* image)
    {
        const auto* own = dynamic_cast<const QtSkinImage*>(image);
        return own != nullptr && !own->IsNull() ? &own->m_image : nullptr;
    }

private:
    QImage m_image;
};
