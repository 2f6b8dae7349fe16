#include "control/TextConversion.h"

#include <algorithm>

namespace sonarel {

void CopyToWideBuffer(std::u16string_view text, char16_t* buffer, short length)
{
    if (buffer == nullptr || length <= 0) {
        return;
    }
    const auto capacity = static_cast<std::size_t>(length);
    const std::size_t copied = std::min(text.size(), capacity);
    std::copy_n(text.data(), copied, buffer);
    std::fill(buffer + copied, buffer + capacity, u'\0');
}

} // namespace sonarel
