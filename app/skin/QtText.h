#pragma once

#include <QString>

#include <string_view>

// Text of the program's own layers (UTF-8 in memory) for Qt.
[[nodiscard]] inline QString ToQString(std::string_view text)
{
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}
