#pragma once

#include <string>
#include <string_view>

namespace players {

// The text of a UTF-16 buffer that the audio control filled, as UTF-8: everything before the first
// zero character, or the whole buffer when it holds none. Surrogate pairs are joined; an unpaired
// surrogate becomes U+FFFD.
[[nodiscard]] std::string WideBufferToUtf8(std::u16string_view buffer);

} // namespace players
