#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

// The version document on the maker's site:
//
//   <Tessaly>
//     <MajorId>512</MajorId>
//     <MinorId>258</MinorId>
//     <Desc>What the new version brings; may span lines.</Desc>
//   </Tessaly>
//
// The top-level element is named after the product. Each child is looked for after the previous
// one, so a document that names them in another order is not understood.
// Only this many bytes of the document are read.
inline constexpr std::size_t VERSION_DOCUMENT_BYTES = 4096;

struct VersionInfo {
    std::int32_t MajorId = 0;
    std::int32_t MinorId = 0;
    std::string Desc;
};

// The version named by the document, or nothing when the text is not such a document. Any bytes
// are safe to pass; the text is taken exactly as given (it may hold NUL bytes and need not end
// with one).
[[nodiscard]] std::optional<VersionInfo> ParseVersionDocument(
    std::string_view document, std::string_view productName);

// The number of a MajorId or MinorId text: decimal digits only, with white space allowed around
// them, from 0 to 65535 (two bytes of a version). Anything else, a sign, a fraction, a word or a
// number too large, gives nothing: such a document is not understood, rather than read as version 0
// and taken as a successful check.
[[nodiscard]] std::optional<std::int32_t> VersionIdFromText(std::string_view text);
