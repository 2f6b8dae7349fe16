#include "skin/SkinPackage.h"

#include "skin/SkinPackageFormat.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <limits>
#include <new>
#include <sys/stat.h>
#include <unistd.h>

namespace {

char FoldCase(char c)
{
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

bool SameNameIgnoringCase(std::string_view a, std::string_view b)
{
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
        return FoldCase(x) == FoldCase(y);
    });
}

} // namespace

void SkinPackage::FileDescriptor::Reset(int replacement)
{
    if (fd >= 0)
        ::close(fd);
    fd = replacement;
}

bool SkinPackage::Open(const std::string& path)
{
    m_file.Reset(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
    return IsOpen();
}

bool SkinPackage::ReadAt(std::uint64_t offset, void* buffer, std::size_t size)
{
    if (!IsOpen())
        return false;
    auto* bytes = static_cast<unsigned char*>(buffer);
    while (size > 0) {
        if (offset > static_cast<std::uint64_t>(std::numeric_limits<off_t>::max()))
            return false;
        const ssize_t count = ::pread(m_file.fd, bytes, size, static_cast<off_t>(offset));
        if (count < 0 && errno == EINTR)
            continue;
        // An error, or the end of the file before all bytes came.
        if (count <= 0)
            return false;
        bytes += count;
        size -= static_cast<std::size_t>(count);
        offset += static_cast<std::uint64_t>(count);
    }
    return true;
}

bool SkinPackage::HasValidHeader()
{
    std::array<unsigned char, SKINPACKAGE_HEADER_SIZE> header {};
    return ReadAt(0, header.data(), header.size())
        && LoadLittleEndian32(header.data() + SKINPACKAGE_MAGIC_OFFSET) == SKINPACKAGE_MAGIC;
}

std::optional<SkinPackage::Entry> SkinPackage::FindEntry(std::string_view name)
{
    struct stat info { };
    if (!IsOpen() || ::fstat(m_file.fd, &info) != 0 || info.st_size < 0)
        return std::nullopt;
    const auto fileSize = static_cast<std::uint64_t>(info.st_size);

    std::array<unsigned char, SKINPACKAGE_HEADER_SIZE> header {};
    if (!ReadAt(0, header.data(), header.size())
        || LoadLittleEndian32(header.data() + SKINPACKAGE_MAGIC_OFFSET) != SKINPACKAGE_MAGIC)
        return std::nullopt;
    const auto count
        = static_cast<std::int32_t>(LoadLittleEndian32(header.data() + SKINPACKAGE_COUNT_OFFSET));
    if (count <= 0)
        return std::nullopt;
    // The directory must fit in the file before anything is allocated for it, so a forged count
    // can never ask for more memory than the file's own size.
    const auto entries = static_cast<std::uint64_t>(count);
    if (SkinPackageDataOffset(entries) > fileSize)
        return std::nullopt;

    std::vector<unsigned char> directory;
    try {
        directory.resize(static_cast<std::size_t>(SKINPACKAGE_DIRECTORY_ENTRY * entries));
    } catch (const std::bad_alloc&) {
        return std::nullopt;
    }
    if (!ReadAt(SkinPackageSizeTableOffset(), directory.data(), directory.size()))
        return std::nullopt;
    const unsigned char* sizes = directory.data();
    const unsigned char* names = directory.data() + SKINPACKAGE_SIZE_FIELD * entries;

    // At most 2^31 sizes below 2^32 each: the total cannot overflow 64 bits.
    std::uint64_t total = 0;
    std::optional<Entry> found;
    for (std::uint64_t i = 0; i < entries; ++i) {
        const auto* field = reinterpret_cast<const char*>(names + SKINPACKAGE_NAME_FIELD * i);
        const void* nul = std::memchr(field, '\0', SKINPACKAGE_NAME_FIELD);
        if (nul == nullptr)
            return std::nullopt;
        const std::string_view entryName(
            field, static_cast<std::size_t>(static_cast<const char*>(nul) - field));
        const std::uint32_t size = LoadLittleEndian32(sizes + SKINPACKAGE_SIZE_FIELD * i);
        if (!found && SameNameIgnoringCase(entryName, name))
            found = Entry { SkinPackageDataOffset(entries) + total, size };
        total += size;
    }
    if (SkinPackageDataOffset(entries) + total > fileSize)
        return std::nullopt;
    return found;
}

template <typename Container> bool SkinPackage::ReadEntry(std::string_view name, Container& out)
{
    const std::optional<Entry> entry = FindEntry(name);
    if (!entry || entry->size == 0)
        return false;
    try {
        out.resize(entry->size);
    } catch (const std::bad_alloc&) {
        return false;
    }
    return ReadAt(entry->offset, out.data(), entry->size);
}

bool SkinPackage::HasEntry(std::string_view name)
{
    return FindEntry(name).has_value();
}

bool SkinPackage::ExtractToFile(std::string_view name, const std::string& path)
{
    std::vector<std::uint8_t> bytes;
    if (!ReadEntry(name, bytes))
        return false;
    std::FILE* out = std::fopen(path.c_str(), "wb");
    if (out == nullptr)
        return false;
    const bool written = std::fwrite(bytes.data(), 1, bytes.size(), out) == bytes.size();
    return std::fclose(out) == 0 && written;
}

bool SkinPackage::ExtractToStream(std::string_view name, std::vector<std::uint8_t>* bytes)
{
    std::vector<std::uint8_t> read;
    if (!ReadEntry(name, read))
        return false;
    if (bytes)
        *bytes = std::move(read);
    return true;
}

bool SkinPackage::ExtractToBuffer(std::string_view name, std::string* text, std::size_t* length)
{
    std::string read;
    if (!ReadEntry(name, read))
        return false;
    if (length)
        *length = read.size();
    if (text)
        *text = std::move(read);
    return true;
}
