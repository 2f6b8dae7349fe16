#pragma once

#include "skin/ImageDecoder.h"

// Decodes the skin's pictures (PNG, or any other format Qt reads) from memory with QImage.
class QtImageDecoder final : public IImageDecoder {
public:
    [[nodiscard]] std::unique_ptr<SkinImage> Decode(std::span<const std::uint8_t> bytes) override;
};
