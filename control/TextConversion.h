#pragma once

// Text of the control: names are UTF-8 in memory and UTF-16 where the control hands them back or
// where the platform lists devices. The conversions are the program's one UTF module (base/Utf.h).

#include "base/Utf.h"

#include <string_view>

namespace sonarel {

using base::TruncateUtf8;
using base::Utf16ToUtf8;
using base::Utf8ToUtf16;

// Copies text into a caller's wide buffer of `length` characters: at most `length` characters,
// the rest of the buffer zero-filled, no terminator when the text fills it. Writes nothing when
// length is not positive.
void CopyToWideBuffer(std::u16string_view text, char16_t* buffer, short length);

} // namespace sonarel
