#include "skin/QtImageDecoder.h"

#include "skin/QtSkinImage.h"

#include <QImage>

#include <limits>

std::unique_ptr<SkinImage> QtImageDecoder::Decode(std::span<const std::uint8_t> bytes)
{
    // QImage takes an int length; an entry too large for it cannot be a picture the windows draw.
    if (bytes.empty() || bytes.size() > static_cast<std::size_t>(std::numeric_limits<int>::max()))
        return std::make_unique<QtSkinImage>(QImage());
    QImage image;
    (void)image.loadFromData(bytes.data(), static_cast<int>(bytes.size()));
    return std::make_unique<QtSkinImage>(std::move(image));
}
