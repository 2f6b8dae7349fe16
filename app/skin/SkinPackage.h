#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// Reads entries out of a skin package (layout in SkinPackageFormat.h).
//
// The reader holds nothing but the open file: every lookup reads the header and the directory
// afresh and scans it from the first entry, so the first entry whose name matches (ASCII letters
// compared without case) wins. A package is read only if its directory is consistent with the
// file: the magic is right, the directory and all entries' bytes lie inside the file, and every
// name field holds its terminating NUL. Anything else, a truncated or forged file included, makes
// every lookup fail; nothing is ever read outside the file. One thread at a time.
class SkinPackage {
public:
    SkinPackage() = default;
    SkinPackage(const SkinPackage&) = delete;
    SkinPackage& operator=(const SkinPackage&) = delete;
    ~SkinPackage() = default;

    // Opens the file for reading, closing any file opened before.
    [[nodiscard]] bool Open(const std::string& path);
    void Close() { m_file.Reset(); }
    [[nodiscard]] bool IsOpen() const { return m_file.fd >= 0; }

    // True when the file starts with a complete header that carries the package magic.
    [[nodiscard]] bool HasValidHeader();

    [[nodiscard]] bool HasEntry(std::string_view name);
    // Writes the entry's bytes to path (created or truncated). False when the entry is missing or
    // empty, or the bytes cannot be read or written.
    [[nodiscard]] bool ExtractToFile(std::string_view name, const std::string& path);
    // The entry's bytes in memory, for decoding. bytes may be null to test extraction only.
    // False when the entry is missing or empty or memory runs out; bytes is then left unchanged.
    [[nodiscard]] bool ExtractToStream(std::string_view name, std::vector<std::uint8_t>* bytes);
    // The entry as text; std::string keeps a NUL after the bytes, so the text may be handed on as
    // a C string as well. Either out parameter may be null. False as for ExtractToStream.
    [[nodiscard]] bool ExtractToBuffer(std::string_view name, std::string* text, std::size_t* length);

private:
    struct Entry {
        std::uint64_t offset = 0;
        std::uint32_t size = 0;
    };
    // The descriptor is read with pread only: there is no buffer that could hold an old
    // directory, and no file position to keep track of.
    struct FileDescriptor {
        FileDescriptor() = default;
        FileDescriptor(const FileDescriptor&) = delete;
        FileDescriptor& operator=(const FileDescriptor&) = delete;
        ~FileDescriptor() { Reset(); }
        void Reset(int replacement = -1);
        int fd = -1;
    };

    [[nodiscard]] std::optional<Entry> FindEntry(std::string_view name);
    [[nodiscard]] bool ReadAt(std::uint64_t offset, void* buffer, std::size_t size);
    // Reads an existing, non-empty entry into out (a byte container), resized to fit.
    template <typename Container> [[nodiscard]] bool ReadEntry(std::string_view name, Container& out);

    FileDescriptor m_file;
};
