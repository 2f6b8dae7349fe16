#pragma once

#include <cstddef>
#include <string>
#include <string_view>

// UTF-8 is the program's in-memory text encoding; UTF-16 is where the engine hands names back and
// where old files store text. One rule for bad input everywhere: every byte that does not belong to
// a well-formed UTF-8 sequence, and every unpaired UTF-16 surrogate, becomes U+FFFD. A malformed
// sequence is always taken one byte at a time, so that a scan can never skip an ASCII byte hidden
// behind a broken lead byte.

namespace base {

// Length in bytes (1 to 4) of the character that starts at pos: the length of the well-formed
// UTF-8 sequence there, or 1 for ASCII, a stray continuation byte or any malformed or truncated
// sequence. Never reaches past the end of the text; pos must be before the end.
[[nodiscard]] std::size_t Utf8SequenceLength(std::string_view text, std::size_t pos);

[[nodiscard]] bool IsValidUtf8(std::string_view text);

// The text with every byte that does not belong to a well-formed sequence replaced by U+FFFD.
[[nodiscard]] std::string RepairUtf8(std::string_view text);

// UTF-8 to UTF-16; bytes outside well-formed sequences become U+FFFD, as in RepairUtf8.
[[nodiscard]] std::u16string Utf8ToUtf16(std::string_view text);

// UTF-16 to UTF-8. Surrogate pairs are joined; an unpaired surrogate becomes U+FFFD.
[[nodiscard]] std::string Utf16ToUtf8(std::u16string_view units);

// UTF-16LE bytes to UTF-8. Surrogate pairs are joined; an unpaired surrogate and a trailing odd
// byte become U+FFFD.
[[nodiscard]] std::string Utf16LeToUtf8(std::string_view bytes);

// The longest prefix of text of at most maxBytes bytes that does not split a character.
[[nodiscard]] std::string TruncateUtf8(std::string_view text, std::size_t maxBytes);

} // namespace base
