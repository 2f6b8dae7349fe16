#include "control/TextConversion.h"

#include <algorithm>
#include <cstdint>

namespace {

using namespace sonarel;

constexpr char32_t REPLACEMENT_CHARACTER = 0xFFFD;

bool IsContinuation(unsigned char byte)
{
    return (byte & 0xC0) == 0x80;
}

// Decodes one character at text[*at] and advances past it; malformed input yields U+FFFD and
// advances by one byte so that decoding resynchronises on the next lead byte.
char32_t DecodeUtf8(std::string_view text, std::size_t* at)
{
    const auto lead = static_cast<unsigned char>(text[*at]);
    std::size_t length = 0;
    char32_t value = 0;
    char32_t minimum = 0;
    if (lead < 0x80) {
        ++*at;
        return lead;
    }
    if ((lead & 0xE0) == 0xC0) {
        length = 2;
        value = lead & 0x1F;
        minimum = 0x80;
    } else if ((lead & 0xF0) == 0xE0) {
        length = 3;
        value = lead & 0x0F;
        minimum = 0x800;
    } else if ((lead & 0xF8) == 0xF0) {
        length = 4;
        value = lead & 0x07;
        minimum = 0x10000;
    } else {
        ++*at;
        return REPLACEMENT_CHARACTER;
    }
    if (text.size() - *at < length) {
        ++*at;
        return REPLACEMENT_CHARACTER;
    }
    for (std::size_t i = 1; i < length; ++i) {
        const auto byte = static_cast<unsigned char>(text[*at + i]);
        if (!IsContinuation(byte)) {
            ++*at;
            return REPLACEMENT_CHARACTER;
        }
        value = (value << 6) | (byte & 0x3F);
    }
    if (value < minimum || value > 0x10FFFF || (value >= 0xD800 && value <= 0xDFFF)) {
        ++*at;
        return REPLACEMENT_CHARACTER;
    }
    *at += length;
    return value;
}

void AppendUtf8(std::string* out, char32_t value)
{
    if (value < 0x80) {
        out->push_back(static_cast<char>(value));
    } else if (value < 0x800) {
        out->push_back(static_cast<char>(0xC0 | (value >> 6)));
        out->push_back(static_cast<char>(0x80 | (value & 0x3F)));
    } else if (value < 0x10000) {
        out->push_back(static_cast<char>(0xE0 | (value >> 12)));
        out->push_back(static_cast<char>(0x80 | ((value >> 6) & 0x3F)));
        out->push_back(static_cast<char>(0x80 | (value & 0x3F)));
    } else {
        out->push_back(static_cast<char>(0xF0 | (value >> 18)));
        out->push_back(static_cast<char>(0x80 | ((value >> 12) & 0x3F)));
        out->push_back(static_cast<char>(0x80 | ((value >> 6) & 0x3F)));
        out->push_back(static_cast<char>(0x80 | (value & 0x3F)));
    }
}

} // namespace

namespace sonarel {

std::u16string Utf8ToUtf16(std::string_view text)
{
    std::u16string out;
    out.reserve(text.size());
    std::size_t at = 0;
    while (at < text.size()) {
        const char32_t value = DecodeUtf8(text, &at);
        if (value >= 0x10000) {
            const char32_t offset = value - 0x10000;
            out.push_back(static_cast<char16_t>(0xD800 + (offset >> 10)));
            out.push_back(static_cast<char16_t>(0xDC00 + (offset & 0x3FF)));
        } else {
            out.push_back(static_cast<char16_t>(value));
        }
    }
    return out;
}

std::string Utf16ToUtf8(std::u16string_view text)
{
    std::string out;
    out.reserve(text.size());
    for (std::size_t at = 0; at < text.size(); ++at) {
        const char16_t unit = text[at];
        if (unit >= 0xD800 && unit <= 0xDBFF && at + 1 < text.size() && text[at + 1] >= 0xDC00
            && text[at + 1] <= 0xDFFF) {
            const char32_t value = 0x10000 + ((static_cast<char32_t>(unit) - 0xD800) << 10)
                + (static_cast<char32_t>(text[at + 1]) - 0xDC00);
            AppendUtf8(&out, value);
            ++at;
        } else if (unit >= 0xD800 && unit <= 0xDFFF) {
            AppendUtf8(&out, REPLACEMENT_CHARACTER);
        } else {
            AppendUtf8(&out, unit);
        }
    }
    return out;
}

std::string TruncateUtf8(std::string_view text, std::size_t maxBytes)
{
    if (text.size() <= maxBytes) {
        return std::string(text);
    }
    std::size_t cut = maxBytes;
    // Back up to the lead byte of the character that the cut would split.
    while (cut > 0 && IsContinuation(static_cast<unsigned char>(text[cut]))) {
        --cut;
    }
    return std::string(text.substr(0, cut));
}

void CopyToWideBuffer(std::u16string_view text, char16_t* buffer, short length)
{
    if (buffer == nullptr || length <= 0) {
        return;
    }
    const auto capacity = static_cast<std::size_t>(length);
    const std::size_t copied = std::min(text.size(), capacity);
    std::copy_n(text.data(), copied, buffer);
    std::fill(buffer + copied, buffer + capacity, u'\0');
}

} // namespace sonarel
