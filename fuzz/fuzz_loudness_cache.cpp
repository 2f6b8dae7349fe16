// Fuzz target for the loudness cache file: any bytes are parsed; what was read is written again and
// must read back into the same text, so that a damaged cache never grows or changes on each start.

#include "persist/LoudnessCache.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    persist::LoudnessCache cache;
    if (!cache.Parse(std::string_view(reinterpret_cast<const char*>(data), size)))
        return 0;
    const std::string text = cache.Text();
    persist::LoudnessCache again;
    if (!again.Parse(text) || again.Text() != text || again.Size() != cache.Size()) {
        std::fprintf(stderr, "the cache's own text does not read back the same\n");
        std::abort();
    }
    return 0;
}
