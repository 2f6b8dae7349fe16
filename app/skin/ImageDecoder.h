#pragma once

#include "skin/SkinImage.h"

#include <cstdint>
#include <memory>
#include <span>

// Turns the bytes of an image entry (PNG at least) into an image object. Supplied to the skin by
// the drawing layer, so that the skin itself needs no graphics library.
class IImageDecoder {
public:
    IImageDecoder() = default;
    IImageDecoder(const IImageDecoder&) = delete;
    IImageDecoder& operator=(const IImageDecoder&) = delete;
    virtual ~IImageDecoder() = default;

    // Bytes that cannot be decoded give a null image (or no object at all, which the skin replaces
    // by a null image): a broken picture must not stop the program from starting.
    [[nodiscard]] virtual std::unique_ptr<SkinImage> Decode(std::span<const std::uint8_t> bytes) = 0;
};
