#include "SkinTestSupport.h"

#include "skin/SkinPackageFormat.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <sstream>

namespace skintest {

namespace {

    constexpr unsigned char kPngSignature[] = { 0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n' };

    std::uint32_t LoadBigEndian32(const std::uint8_t* bytes)
    {
        return static_cast<std::uint32_t>(bytes[0]) << 24 | static_cast<std::uint32_t>(bytes[1]) << 16
            | static_cast<std::uint32_t>(bytes[2]) << 8 | static_cast<std::uint32_t>(bytes[3]);
    }

    void AppendBigEndian32(std::string& out, std::uint32_t value)
    {
        for (int shift = 24; shift >= 0; shift -= 8)
            out += static_cast<char>((value >> shift) & 0xFF);
    }

} // namespace

std::unique_ptr<SkinImage> PngHeaderDecoder::Decode(std::span<const std::uint8_t> bytes)
{
    ++calls;
    if (bytes.size() < 24 || !std::equal(std::begin(kPngSignature), std::end(kPngSignature), bytes.begin())
        || std::string_view(reinterpret_cast<const char*>(bytes.data()) + 12, 4) != "IHDR")
        return std::make_unique<FakeImage>(0, 0);
    return std::make_unique<FakeImage>(static_cast<int>(LoadBigEndian32(bytes.data() + 16)),
        static_cast<int>(LoadBigEndian32(bytes.data() + 20)));
}

TempDir::TempDir()
{
    std::string pattern = (std::filesystem::temp_directory_path() / "skin-test-XXXXXX").string();
    if (mkdtemp(pattern.data()) == nullptr)
        ADD_FAILURE() << "cannot make a temporary directory";
    m_path = pattern;
}

TempDir::~TempDir()
{
    std::error_code ignored;
    std::filesystem::remove_all(m_path, ignored);
}

std::string PngBytes(int width, int height)
{
    std::string bytes(reinterpret_cast<const char*>(kPngSignature), sizeof kPngSignature);
    AppendBigEndian32(bytes, 13);
    bytes += "IHDR";
    AppendBigEndian32(bytes, static_cast<std::uint32_t>(width));
    AppendBigEndian32(bytes, static_cast<std::uint32_t>(height));
    bytes += std::string("\x08\x06\x00\x00\x00", 5);
    return bytes;
}

std::vector<SkinPackageEntry> CompleteEntries(std::string scheme)
{
    const auto skin = MakeSkin();
    std::vector<SkinPackageEntry> entries;
    for (int id = skin->FirstImageId(); id != -1; id = skin->NextImageId(id))
        entries.push_back({ std::string(skin->GetImageFileName(id)), PngBytes(id, id + 100) });
    entries.push_back({ "kvskin.xml", std::move(scheme) });
    return entries;
}

void WritePackage(const std::string& path, const std::vector<SkinPackageEntry>& entries)
{
    std::string package;
    std::string error;
    ASSERT_TRUE(BuildSkinPackage(entries, package, error)) << error;
    WriteBytes(path, package);
}

void WriteBytes(const std::string& path, std::string_view bytes)
{
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    ASSERT_TRUE(out.good()) << path;
}

std::string ReadBytes(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream content;
    content << in.rdbuf();
    return std::move(content).str();
}

std::string RawPackage(std::uint32_t count, const std::vector<std::uint32_t>& sizes,
    const std::vector<std::string>& names, std::string_view data, std::uint32_t magic)
{
    std::string out;
    const auto word = [&out](std::uint32_t value) {
        unsigned char bytes[4];
        StoreLittleEndian32(bytes, value);
        out.append(reinterpret_cast<const char*>(bytes), 4);
    };
    word(magic);
    word(0);
    word(count);
    word(0);
    for (const std::uint32_t size : sizes)
        word(size);
    for (const std::string& name : names) {
        std::string field = name.substr(0, SKINPACKAGE_NAME_FIELD);
        field.resize(SKINPACKAGE_NAME_FIELD, '\0');
        out += field;
    }
    out += data;
    return out;
}

} // namespace skintest
