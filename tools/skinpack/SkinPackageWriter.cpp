#include "SkinPackageWriter.h"

#include "skin/SkinPackageFormat.h"

#include <algorithm>
#include <cstdint>
#include <limits>
#include <new>

namespace {

std::string FoldCase(std::string name)
{
    std::transform(name.begin(), name.end(), name.begin(),
        [](char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; });
    return name;
}

void AppendWord(std::string& out, std::uint32_t value)
{
    unsigned char word[4];
    StoreLittleEndian32(word, value);
    out.append(reinterpret_cast<const char*>(word), sizeof word);
}

bool CheckEntries(const std::vector<SkinPackageEntry>& entries, std::string& error)
{
    if (entries.size() > static_cast<std::size_t>(std::numeric_limits<std::int32_t>::max())) {
        error = "too many entries";
        return false;
    }
    std::vector<std::string> folded;
    for (const SkinPackageEntry& entry : entries) {
        if (entry.name.empty()) {
            error = "an entry has no name";
            return false;
        }
        if (entry.name.size() > SKINPACKAGE_MAX_NAME_LENGTH) {
            error = "entry name longer than " + std::to_string(SKINPACKAGE_MAX_NAME_LENGTH)
                + " bytes: " + entry.name;
            return false;
        }
        if (entry.name.find('\0') != std::string::npos) {
            error = "entry name holds a NUL byte";
            return false;
        }
        if (entry.bytes.size() > std::numeric_limits<std::uint32_t>::max()) {
            error = "entry larger than 4 GiB: " + entry.name;
            return false;
        }
        std::string key = FoldCase(entry.name);
        if (std::find(folded.begin(), folded.end(), key) != folded.end()) {
            error = "duplicate entry name: " + entry.name;
            return false;
        }
        folded.push_back(std::move(key));
    }
    return true;
}

} // namespace

bool BuildSkinPackage(const std::vector<SkinPackageEntry>& entries, std::string& package, std::string& error)
{
    if (!CheckEntries(entries, error))
        return false;
    std::string out;
    try {
        std::size_t total = SkinPackageDataOffset(entries.size());
        for (const SkinPackageEntry& entry : entries)
            total += entry.bytes.size();
        out.reserve(total);

        AppendWord(out, SKINPACKAGE_MAGIC);
        AppendWord(out, 0);
        AppendWord(out, static_cast<std::uint32_t>(entries.size()));
        AppendWord(out, 0);
        for (const SkinPackageEntry& entry : entries)
            AppendWord(out, static_cast<std::uint32_t>(entry.bytes.size()));
        for (const SkinPackageEntry& entry : entries) {
            out += entry.name;
            out.append(SKINPACKAGE_NAME_FIELD - entry.name.size(), '\0');
        }
        for (const SkinPackageEntry& entry : entries)
            out += entry.bytes;
    } catch (const std::bad_alloc&) {
        error = "out of memory";
        return false;
    }
    package = std::move(out);
    return true;
}
