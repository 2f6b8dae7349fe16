#pragma once

// A decoded picture of the skin, kept for the whole run and drawn by the windows. The drawing
// layer defines the concrete kind (it wraps its own image type) and creates it through its
// IImageDecoder; the skin only owns and hands out these objects.
class SkinImage {
public:
    SkinImage() = default;
    SkinImage(const SkinImage&) = delete;
    SkinImage& operator=(const SkinImage&) = delete;
    virtual ~SkinImage() = default;

    // Natural size in pixels; 0 for an image whose bytes could not be decoded.
    [[nodiscard]] virtual int Width() const = 0;
    [[nodiscard]] virtual int Height() const = 0;
    // An image that could not be decoded is still stored, but it draws nothing.
    [[nodiscard]] bool IsNull() const { return Width() <= 0 || Height() <= 0; }
};
