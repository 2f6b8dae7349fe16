#pragma once

// UTF-8 / UTF-16 helpers of the control: names are UTF-8 in memory and UTF-16 where the control
// hands them back or where the platform lists devices.

#include <cstddef>
#include <string>
#include <string_view>

namespace sonarel {

// Invalid or truncated sequences become U+FFFD, so that a bad name still converts and compares.
[[nodiscard]] std::u16string Utf8ToUtf16(std::string_view text);
// Unpaired surrogates become U+FFFD.
[[nodiscard]] std::string Utf16ToUtf8(std::u16string_view text);

// The longest prefix of text of at most maxBytes bytes that ends on a whole UTF-8 character.
[[nodiscard]] std::string TruncateUtf8(std::string_view text, std::size_t maxBytes);

// Copies text into a caller's wide buffer of `length` characters: at most `length` characters,
// the rest of the buffer zero-filled, no terminator when the text fills it. Writes nothing when
// length is not positive.
void CopyToWideBuffer(std::u16string_view text, char16_t* buffer, short length);

} // namespace sonarel
