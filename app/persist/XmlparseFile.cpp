// Reading a document from a file and writing it back: the file's encoding is decoded to UTF-8 on
// the way in, and a write replaces the file only once the new content is complete.

#include "base/Utf.h"
#include "persist/AtomicFile.h"
#include "persist/Xmlparse.h"

#include <fstream>

namespace persist {

namespace {

    constexpr std::string_view kHeader = "<?xml version=\"1.0\" encoding=\"UTF-8\" ?>\n";

} // namespace

bool CXmlparse::Load(const std::string& path)
{
    std::ifstream file(path, std::ios::binary);
    if (!file)
        return false;
    file.seekg(0, std::ios::end);
    const std::streamoff size = file.tellg();
    file.seekg(0, std::ios::beg);
    // UTF-16 shrinks by at most a half when decoded, so a longer file can never fit.
    if (size < 0 || static_cast<std::uint64_t>(size) > 2 * std::uint64_t { kMaxTextLength } + 2) {
        if (size >= 0)
            m_strLastError = kTooLarge;
        return false;
    }
    std::string bytes(static_cast<std::size_t>(size), '\0');
    if (!file.read(bytes.data(), size))
        return false;

    // The text ends at the first NUL character, as a file's text always has here.
    std::string text;
    const std::string_view data = bytes;
    if (data.size() >= 2 && data[0] == '\xFF' && data[1] == '\xFE') {
        std::string_view units = data.substr(2);
        for (std::size_t i = 0; i + 1 < units.size(); i += 2) {
            if (units[i] == '\0' && units[i + 1] == '\0') {
                units = units.substr(0, i);
                break;
            }
        }
        text = base::Utf16LeToUtf8(units);
    } else {
        std::string_view utf8 = data.substr(0, data.find('\0'));
        if (utf8.substr(0, 3) == "\xEF\xBB\xBF")
            utf8.remove_prefix(3);
        text = base::RepairUtf8(utf8);
    }
    if (text.empty())
        return false;
    // A file that lost most of its content in decoding (cut short by a NUL, as with UTF-16 that
    // lacks its byte-order mark, or a binary file) is refused. Length is counted in bytes of the
    // decoded UTF-8 text: that never falls below half the file's size for intact text, in either
    // encoding and whatever the script, whereas counting characters would refuse ordinary text
    // in scripts that take three bytes per character.
    const auto minimum = static_cast<std::int64_t>(bytes.size() / 2) - 20;
    if (static_cast<std::int64_t>(text.size()) < minimum)
        return false;
    return SetText(text);
}

bool CXmlparse::Save(const std::string& path) const
{
    std::string output;
    if (base::IsValidUtf8(m_strText)) {
        output.reserve(kHeader.size() + m_strText.size());
        output.append(kHeader).append(m_strText);
    } else {
        output.append(kHeader).append(base::RepairUtf8(m_strText));
    }
    return WriteFileAtomically(path, output);
}

} // namespace persist
