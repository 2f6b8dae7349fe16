#include "persist/LoudnessCache.h"

#include <sys/stat.h>

#include <cerrno>
#include <charconv>
#include <cmath>
#include <fstream>
#include <iterator>
#include <limits>
#include <sstream>

namespace persist {

namespace {

    constexpr std::string_view HEADER = "Tessaly loudness 1";

    std::string EscapedPath(std::string_view path)
    {
        std::string escaped;
        escaped.reserve(path.size());
        for (const char c : path) {
            if (c == '\\')
                escaped += "\\\\";
            else if (c == '\n')
                escaped += "\\n";
            else
                escaped += c;
        }
        return escaped;
    }

    std::optional<std::string> UnescapedPath(std::string_view text)
    {
        std::string path;
        for (std::size_t i = 0; i < text.size(); ++i) {
            if (text[i] != '\\') {
                path += text[i];
                continue;
            }
            if (++i == text.size())
                return std::nullopt;
            if (text[i] == '\\')
                path += '\\';
            else if (text[i] == 'n')
                path += '\n';
            else
                return std::nullopt;
        }
        if (path.empty())
            return std::nullopt;
        return path;
    }

    std::string Number(double value)
    {
        if (std::isinf(value) && value < 0)
            return "-inf";
        char buffer[64];
        const auto [end, error]
            = std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::fixed, 3);
        return error == std::errc() ? std::string(buffer, end) : "0";
    }

    // The next field up to a space; the rest of the line stays in text.
    std::string_view Field(std::string_view& text)
    {
        const std::size_t space = text.find(' ');
        const std::string_view field = text.substr(0, space);
        text.remove_prefix(space == std::string_view::npos ? text.size() : space + 1);
        return field;
    }

    template <typename T> bool Read(std::string_view field, T& value)
    {
        if (field == "-inf" && std::numeric_limits<T>::has_infinity) {
            value = -std::numeric_limits<T>::infinity();
            return true;
        }
        const auto [end, error] = std::from_chars(field.data(), field.data() + field.size(), value);
        return error == std::errc() && end == field.data() + field.size() && !field.empty();
    }

} // namespace

std::optional<FileStamp> StampOf(const std::string& path)
{
    struct stat info { };
    if (::stat(path.c_str(), &info) != 0 || !S_ISREG(info.st_mode))
        return std::nullopt;
    return FileStamp { static_cast<std::uint64_t>(info.st_size),
        static_cast<std::int64_t>(info.st_mtim.tv_sec) * 1'000'000'000 + info.st_mtim.tv_nsec };
}

std::optional<LoudnessEntry> LoudnessCache::Find(const std::string& path, const FileStamp& stamp) const
{
    const auto found = m_entries.find(path);
    if (found == m_entries.end() || !(found->second.Stamp == stamp))
        return std::nullopt;
    return found->second;
}

void LoudnessCache::Put(const std::string& path, const LoudnessEntry& entry)
{
    m_entries[path] = entry;
}

bool LoudnessCache::Parse(std::string_view text)
{
    const std::size_t firstBreak = text.find('\n');
    if (text.substr(0, firstBreak) != HEADER)
        return false;
    text.remove_prefix(firstBreak == std::string_view::npos ? text.size() : firstBreak + 1);
    while (!text.empty()) {
        const std::size_t lineBreak = text.find('\n');
        std::string_view line = text.substr(0, lineBreak);
        text.remove_prefix(lineBreak == std::string_view::npos ? text.size() : lineBreak + 1);
        LoudnessEntry entry;
        const bool numbers = Read(Field(line), entry.Stamp.Size) && Read(Field(line), entry.Stamp.ModifiedNs)
            && Read(Field(line), entry.IntegratedLufs) && Read(Field(line), entry.TruePeakDbtp);
        // A measurement lies within a few hundred dB of full scale, or is minus infinity for silence.
        const auto measured = [](double value) {
            return (std::isfinite(value) && std::abs(value) < 1000.0) || (std::isinf(value) && value < 0);
        };
        if (!numbers || !measured(entry.IntegratedLufs) || !measured(entry.TruePeakDbtp))
            continue;
        if (std::optional<std::string> path = UnescapedPath(line))
            m_entries[std::move(*path)] = entry;
    }
    return true;
}

std::string LoudnessCache::Text() const
{
    std::string text(HEADER);
    text += '\n';
    for (const auto& [path, entry] : m_entries) {
        text += std::to_string(entry.Stamp.Size) + ' ' + std::to_string(entry.Stamp.ModifiedNs) + ' '
            + Number(entry.IntegratedLufs) + ' ' + Number(entry.TruePeakDbtp) + ' ' + EscapedPath(path)
            + '\n';
    }
    return text;
}

bool LoudnessCache::Load(const std::string& file)
{
    std::ifstream in(file, std::ios::binary);
    if (!in)
        return errno == ENOENT;
    const std::string text { std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>() };
    return Parse(text);
}

} // namespace persist
