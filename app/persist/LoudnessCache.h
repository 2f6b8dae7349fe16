#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <string_view>

namespace persist {

// What a file's loudness was measured as, kept so that every file is measured once: by its path,
// and valid only while its size and modification time are those it was measured at.
//
// The cache file is text, one file per line after a header, written atomically:
//
//   Tessaly loudness 1
//   <size> <modification time, ns> <integrated LUFS> <true peak dBTP> <path>
//
// Numbers are plain decimals with '.' (minus infinity as "-inf"); in the path, '\' is written "\\"
// and a line break "\n". A line that does not read back is skipped on its own.

// The identity of a file's content, as far as the file system tells.
struct FileStamp {
    std::uint64_t Size = 0;
    std::int64_t ModifiedNs = 0;

    friend bool operator==(const FileStamp&, const FileStamp&) = default;
};

// The stamp of the file at path; nothing when it cannot be looked at.
[[nodiscard]] std::optional<FileStamp> StampOf(const std::string& path);

struct LoudnessEntry {
    FileStamp Stamp;
    double IntegratedLufs = 0.0;
    double TruePeakDbtp = 0.0;
};

class LoudnessCache {
public:
    // The entry of the path, when it was measured at this stamp.
    [[nodiscard]] std::optional<LoudnessEntry> Find(const std::string& path, const FileStamp& stamp) const;
    void Put(const std::string& path, const LoudnessEntry& entry);
    [[nodiscard]] std::size_t Size() const { return m_entries.size(); }

    // Adds the entries of a cache file's text; false when it is not a cache file at all.
    bool Parse(std::string_view text);
    [[nodiscard]] std::string Text() const;

    // Reads the file; false on failure (a missing file reads as an empty cache). The worker that
    // fills the cache writes Text() itself, outside its lock.
    bool Load(const std::string& file);

private:
    std::map<std::string, LoudnessEntry, std::less<>> m_entries;
};

} // namespace persist
