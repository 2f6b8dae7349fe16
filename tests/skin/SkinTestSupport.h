#pragma once

#include "SkinPackageWriter.h"
#include "skin/ImageDecoder.h"
#include "skin/KVSkin.h"

#include <cstdint>
#include <filesystem>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace skintest {

// An image that knows only its size.
class FakeImage final : public SkinImage {
public:
    FakeImage(int width, int height)
        : m_width(width)
        , m_height(height)
    {
    }
    [[nodiscard]] int Width() const override { return m_width; }
    [[nodiscard]] int Height() const override { return m_height; }

private:
    int m_width;
    int m_height;
};

// Reads the size out of a PNG header and gives a null image for anything else, so tests can
// tell real pictures from broken ones without a graphics library. Counts its calls.
class PngHeaderDecoder final : public IImageDecoder {
public:
    [[nodiscard]] std::unique_ptr<SkinImage> Decode(std::span<const std::uint8_t> bytes) override;
    int calls = 0;
};

// A fresh directory under the system's temporary folder, removed with everything in it.
class TempDir {
public:
    TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    ~TempDir();
    [[nodiscard]] const std::filesystem::path& Path() const { return m_path; }
    [[nodiscard]] std::string File(std::string_view name) const { return (m_path / name).string(); }

private:
    std::filesystem::path m_path;
};

// The bytes of a minimal valid PNG header (signature and IHDR) of the given size.
[[nodiscard]] std::string PngBytes(int width, int height);

// One entry per catalogue image (a PNG header of its id's size) followed by the scheme.
[[nodiscard]] std::vector<SkinPackageEntry> CompleteEntries(std::string scheme = "<kvskin/>");

// Packs the entries with the packer's writer and writes them to path; fails the test on error.
void WritePackage(const std::string& path, const std::vector<SkinPackageEntry>& entries);
void WriteBytes(const std::string& path, std::string_view bytes);
[[nodiscard]] std::string ReadBytes(const std::string& path);

// A package laid out by hand: header with count, then the given sizes, names (each a full
// 64-byte field; shorter ones are NUL-padded) and data, without any checking.
[[nodiscard]] std::string RawPackage(std::uint32_t count, const std::vector<std::uint32_t>& sizes,
    const std::vector<std::string>& names, std::string_view data, std::uint32_t magic = 0x9876);

[[nodiscard]] inline std::unique_ptr<CKVSkin> MakeSkin(PngHeaderDecoder** decoder = nullptr)
{
    auto owned = std::make_unique<PngHeaderDecoder>();
    if (decoder)
        *decoder = owned.get();
    return std::make_unique<CKVSkin>(std::move(owned));
}

} // namespace skintest
