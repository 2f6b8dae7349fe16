// Fuzz target for the colour scheme: any bytes are parsed as a skin's kvskin.xml, then the tables
// are queried as the toolkit does. The package fuzzer reaches the scheme only through a valid
// package, so this one drives the scheme parser directly.

#include "SchemeQueries.h"
#include "skin/ImageDecoder.h"
#include "skin/KVSkin.h"

#include <cstdint>
#include <memory>
#include <span>
#include <string_view>

namespace {

class NoDecoder final : public IImageDecoder {
public:
    [[nodiscard]] std::unique_ptr<SkinImage> Decode(std::span<const std::uint8_t>) override
    {
        return nullptr;
    }
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    CKVSkin skin(std::make_unique<NoDecoder>());
    (void)skin.ParseScheme(std::string_view(reinterpret_cast<const char*>(data), size));
    QueryScheme(skin);
    return 0;
}
