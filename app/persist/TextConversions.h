#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

namespace persist {

// Conversions between texts of the configuration and list files and the values they hold.

// Removes white space (space, tab, line feed, vertical tab, form feed, carriage return) from both ends.
[[nodiscard]] std::string_view TrimWhiteSpace(std::string_view text);

// The integer at the start of the text: an optional sign followed by decimal digits, stopping at the
// first other character; 0 when there are no digits. Values beyond the 32-bit range saturate rather
// than wrap, so an overlong number can never turn into a small, plausible one.
[[nodiscard]] std::int32_t IntegerFromText(std::string_view text);

// Splits "a<sep>b<sep>c" into its three numbers, each piece trimmed of white space and read with
// IntegerFromText (a negative number becomes a very large unsigned value). False when the text does
// not have exactly three pieces or begins with the separator; numbers is then left unchanged.
[[nodiscard]] bool SplitNumberTriple(
    std::string_view text, char separator, std::array<std::uint32_t, 3>& numbers);

// "%02d:%02d:%02d" of the whole seconds of a millisecond count, hours taken modulo 24.
// Negative counts read as 0.
[[nodiscard]] std::string DurationText(std::int64_t milliseconds);

// The number an attribute text stands for: 0 for "" and "auto", 1 for "original", otherwise the
// leading decimal number of the text (after leading white space), rounded to float precision;
// 0 when the text does not start with one. The decimal point is always '.', whatever the locale.
[[nodiscard]] double NumberFromText(std::string_view text);

// The text after the last '.' of the file name part of the path; empty when the name has no '.' or
// starts with its only one.
[[nodiscard]] std::string FileExtension(std::string_view path);

} // namespace persist
