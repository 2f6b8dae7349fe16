#pragma once

#include <cstddef>
#include <cstdint>

// The layout of a skin package, shared by the reader (SkinPackage) and the packer tool so that
// the two can never disagree about it.
//
//   offset 0        magic SKINPACKAGE_MAGIC
//   offset 4        unused, written as 0
//   offset 8        entry count N (signed; N <= 0 means no entries)
//   offset 12       unused, written as 0
//   offset 16       N sizes, one 32-bit word per entry
//   16 + 4N         N names, one 64-byte field per entry, NUL-terminated and NUL-padded
//   16 + 68N        the entries' bytes in directory order, back to back
//
// Every integer is a little-endian 32-bit word. No offsets are stored: an entry starts where the
// one before it ends.

inline constexpr std::uint32_t SKINPACKAGE_MAGIC = 0x00009876;
inline constexpr std::size_t SKINPACKAGE_HEADER_SIZE = 16;
inline constexpr std::size_t SKINPACKAGE_MAGIC_OFFSET = 0;
inline constexpr std::size_t SKINPACKAGE_COUNT_OFFSET = 8;
inline constexpr std::size_t SKINPACKAGE_SIZE_FIELD = 4;
inline constexpr std::size_t SKINPACKAGE_NAME_FIELD = 64;
// A name must leave room for its terminating NUL inside the field.
inline constexpr std::size_t SKINPACKAGE_MAX_NAME_LENGTH = SKINPACKAGE_NAME_FIELD - 1;
inline constexpr std::size_t SKINPACKAGE_DIRECTORY_ENTRY = SKINPACKAGE_SIZE_FIELD + SKINPACKAGE_NAME_FIELD;

// Where the size table, the name table and the data area of a package with count entries begin.
[[nodiscard]] constexpr std::uint64_t SkinPackageSizeTableOffset()
{
    return SKINPACKAGE_HEADER_SIZE;
}
[[nodiscard]] constexpr std::uint64_t SkinPackageNameTableOffset(std::uint64_t count)
{
    return SKINPACKAGE_HEADER_SIZE + SKINPACKAGE_SIZE_FIELD * count;
}
[[nodiscard]] constexpr std::uint64_t SkinPackageDataOffset(std::uint64_t count)
{
    return SKINPACKAGE_HEADER_SIZE + SKINPACKAGE_DIRECTORY_ENTRY * count;
}

[[nodiscard]] constexpr std::uint32_t LoadLittleEndian32(const unsigned char* bytes)
{
    return static_cast<std::uint32_t>(bytes[0]) | static_cast<std::uint32_t>(bytes[1]) << 8
        | static_cast<std::uint32_t>(bytes[2]) << 16 | static_cast<std::uint32_t>(bytes[3]) << 24;
}

constexpr void StoreLittleEndian32(unsigned char* bytes, std::uint32_t value)
{
    bytes[0] = static_cast<unsigned char>(value);
    bytes[1] = static_cast<unsigned char>(value >> 8);
    bytes[2] = static_cast<unsigned char>(value >> 16);
    bytes[3] = static_cast<unsigned char>(value >> 24);
}
