#include "players/WideText.h"

#include "base/Utf.h"

namespace players {

std::string WideBufferToUtf8(std::u16string_view buffer)
{
    const std::size_t end = buffer.find(u'\0');
    return base::Utf16ToUtf8(buffer.substr(0, end));
}

} // namespace players
