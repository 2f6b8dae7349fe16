#include "update/VersionDocument.h"

#include "persist/TextConversions.h"
#include "persist/Xmlparse.h"

#include <charconv>

std::optional<std::int32_t> VersionIdFromText(std::string_view text)
{
    const std::string_view digits = persist::TrimWhiteSpace(text);
    if (digits.empty())
        return std::nullopt;
    for (const char c : digits) {
        if (c < '0' || c > '9')
            return std::nullopt;
    }
    std::int32_t value = 0;
    const auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), value);
    if (error != std::errc() || end != digits.data() + digits.size() || value > 0xFFFF)
        return std::nullopt;
    return value;
}

std::optional<VersionInfo> ParseVersionDocument(std::string_view document, std::string_view productName)
{
    persist::CXmlparse xml;
    if (productName.empty() || !xml.SetText(document) || !xml.FindElement(productName) || !xml.EnterElement())
        return std::nullopt;

    VersionInfo info;
    if (!xml.FindElement("MajorId"))
        return std::nullopt;
    const std::optional<std::int32_t> major = VersionIdFromText(xml.GetElementText());
    if (!xml.FindElement("MinorId"))
        return std::nullopt;
    const std::optional<std::int32_t> minor = VersionIdFromText(xml.GetElementText());
    if (!xml.FindElement("Desc") || !major || !minor)
        return std::nullopt;
    info.MajorId = *major;
    info.MinorId = *minor;
    info.Desc = xml.GetElementText();
    return info;
}
