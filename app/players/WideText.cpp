#include "players/WideText.h"

namespace {

constexpr char32_t replacement = 0xFFFD;

// Writes the character's UTF-8 bytes at out and returns the position after them.
char* PutUtf8(char* out, char32_t code)
{
    if (code < 0x80) {
        *out++ = static_cast<char>(code);
    } else if (code < 0x800) {
        *out++ = static_cast<char>(0xC0 | (code >> 6));
        *out++ = static_cast<char>(0x80 | (code & 0x3F));
    } else if (code < 0x10000) {
        *out++ = static_cast<char>(0xE0 | (code >> 12));
        *out++ = static_cast<char>(0x80 | ((code >> 6) & 0x3F));
        *out++ = static_cast<char>(0x80 | (code & 0x3F));
    } else {
        *out++ = static_cast<char>(0xF0 | (code >> 18));
        *out++ = static_cast<char>(0x80 | ((code >> 12) & 0x3F));
        *out++ = static_cast<char>(0x80 | ((code >> 6) & 0x3F));
        *out++ = static_cast<char>(0x80 | (code & 0x3F));
    }
    return out;
}

bool IsHighSurrogate(char16_t unit)
{
    return unit >= 0xD800 && unit <= 0xDBFF;
}
bool IsLowSurrogate(char16_t unit)
{
    return unit >= 0xDC00 && unit <= 0xDFFF;
}

} // namespace

std::string WideBufferToUtf8(std::u16string_view buffer)
{
    const char16_t* in = buffer.data();
    std::size_t length = 0;
    while (length < buffer.size() && in[length] != u'\0')
        ++length;

    // A UTF-16 unit never takes more than three UTF-8 bytes (a pair of two takes four).
    std::string out(length * 3, '\0');
    char* next = out.data();
    for (std::size_t i = 0; i < length; ++i) {
        const char16_t unit = in[i];
        if (unit < 0x80) {
            *next++ = static_cast<char>(unit);
        } else if (IsHighSurrogate(unit) && i + 1 < length && IsLowSurrogate(in[i + 1])) {
            const char32_t code = 0x10000 + ((static_cast<char32_t>(unit) - 0xD800) << 10)
                + (static_cast<char32_t>(in[i + 1]) - 0xDC00);
            next = PutUtf8(next, code);
            ++i;
        } else if (IsHighSurrogate(unit) || IsLowSurrogate(unit)) {
            next = PutUtf8(next, replacement);
        } else {
            next = PutUtf8(next, unit);
        }
    }
    out.resize(static_cast<std::size_t>(next - out.data()));
    return out;
}
