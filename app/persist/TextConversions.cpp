#include "persist/TextConversions.h"

#include <algorithm>
#include <cfloat>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <limits>
#include <locale.h> // NOLINT(modernize-deprecated-headers): newlocale() and locale_t are POSIX, not in <clocale>

namespace persist {

namespace {

    bool IsWhiteSpace(char c)
    {
        return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
    }

    bool IsDigit(char c)
    {
        return c >= '0' && c <= '9';
    }

    // Length of the decimal number at the start of text: [sign] digits [. digits] [(e|E) [sign] digits],
    // with at least one digit in the mantissa. 0 when there is none. Hexadecimal forms, "inf" and "nan"
    // are not numbers here: an attribute such as Amplify="nan" must read as 0, not as a value that
    // passes every range check.
    std::size_t DecimalNumberLength(std::string_view text)
    {
        std::size_t i = 0;
        if (i < text.size() && (text[i] == '+' || text[i] == '-'))
            ++i;
        std::size_t digits = 0;
        while (i < text.size() && IsDigit(text[i])) {
            ++i;
            ++digits;
        }
        if (i < text.size() && text[i] == '.') {
            ++i;
            while (i < text.size() && IsDigit(text[i])) {
                ++i;
                ++digits;
            }
        }
        if (digits == 0)
            return 0;
        if (i < text.size() && (text[i] == 'e' || text[i] == 'E')) {
            std::size_t j = i + 1;
            if (j < text.size() && (text[j] == '+' || text[j] == '-'))
                ++j;
            if (j < text.size() && IsDigit(text[j])) {
                while (j < text.size() && IsDigit(text[j]))
                    ++j;
                i = j;
            }
        }
        return i;
    }

    // The "C" locale, so that "2.5" reads as two and a half under a comma-decimal user locale too.
    locale_t CLocale()
    {
        static const locale_t locale = newlocale(LC_ALL_MASK, "C", static_cast<locale_t>(nullptr));
        return locale;
    }

} // namespace

std::string_view TrimWhiteSpace(std::string_view text)
{
    while (!text.empty() && IsWhiteSpace(text.front()))
        text.remove_prefix(1);
    while (!text.empty() && IsWhiteSpace(text.back()))
        text.remove_suffix(1);
    return text;
}

std::int32_t IntegerFromText(std::string_view text)
{
    bool negative = false;
    std::size_t i = 0;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
        negative = text[i] == '-';
        ++i;
    }
    constexpr std::int64_t limit = std::int64_t { std::numeric_limits<std::int32_t>::max() } + 1;
    std::int64_t value = 0;
    for (; i < text.size() && IsDigit(text[i]); ++i) {
        value = value * 10 + (text[i] - '0');
        if (value > limit)
            value = limit;
    }
    if (negative)
        return static_cast<std::int32_t>(-value);
    return static_cast<std::int32_t>(std::min(value, limit - 1));
}

bool SplitNumberTriple(std::string_view text, char separator, std::array<std::uint32_t, 3>& numbers)
{
    if (text.empty() || text.front() == separator)
        return false;
    // The text behaves as if a separator were appended: every piece is ended by a separator, and a
    // trailing separator in the text itself yields an extra, empty piece.
    std::array<std::uint32_t, 3> found {};
    std::size_t count = 0;
    std::size_t start = 0;
    while (start <= text.size()) {
        std::size_t end = text.find(separator, start);
        if (end == std::string_view::npos)
            end = text.size();
        if (count == found.size())
            return false;
        found[count++]
            = static_cast<std::uint32_t>(IntegerFromText(TrimWhiteSpace(text.substr(start, end - start))));
        start = end + 1;
    }
    if (count != found.size())
        return false;
    numbers = found;
    return true;
}

std::string DurationText(std::int64_t milliseconds)
{
    const std::int64_t seconds = milliseconds > 0 ? milliseconds / 1000 : 0;
    const auto hours = static_cast<int>((seconds / 3600) % 24);
    const auto minutes = static_cast<int>((seconds % 3600) / 60);
    const auto secs = static_cast<int>(seconds % 60);
    char buffer[16];
    std::snprintf(buffer, sizeof buffer, "%02d:%02d:%02d", hours, minutes, secs);
    return buffer;
}

double NumberFromText(std::string_view text)
{
    if (text.empty() || text == "auto")
        return 0.0;
    if (text == "original")
        return 1.0;
    while (!text.empty() && IsWhiteSpace(text.front()))
        text.remove_prefix(1);
    const std::size_t length = DecimalNumberLength(text);
    if (length == 0)
        return 0.0;
    const std::string number(text.substr(0, length));
    const locale_t locale = CLocale();
    if (locale == static_cast<locale_t>(nullptr))
        return 0.0;
    const double value = strtod_l(number.c_str(), nullptr, locale);
    // Out of float range the result is an infinity rather than an undefined conversion.
    if (value > FLT_MAX)
        return std::numeric_limits<double>::infinity();
    if (value < -FLT_MAX)
        return -std::numeric_limits<double>::infinity();
    return static_cast<double>(static_cast<float>(value));
}

std::string FileExtension(std::string_view path)
{
    const std::size_t slash = path.rfind('/');
    const std::string_view name = slash == std::string_view::npos ? path : path.substr(slash + 1);
    const std::size_t dot = name.rfind('.');
    if (dot == std::string_view::npos || dot == 0)
        return {};
    return std::string(name.substr(dot + 1));
}

} // namespace persist
