#include "control/gst/GstRuntime.h"

#include "control/gst/GRef.h"

#include <mutex>

namespace sonarel::gst {

namespace {
    GstDebugCategory* category = nullptr;
    bool initialized = false;
    std::once_flag once;

    // libmpg123 decodes MPEG audio at about a third of the cost of libav's decoder, which decodebin
    // would otherwise take (same rank, earlier name). In this process only, and only if installed.
    void PreferDecoder(const char* name)
    {
        if (const GRef<GstElementFactory> factory
            = GRef<GstElementFactory>::Adopt(gst_element_factory_find(name))) {
            gst_plugin_feature_set_rank(GST_PLUGIN_FEATURE(factory.get()), GST_RANK_PRIMARY);
        }
    }
} // namespace

bool EnsureInitialized()
{
    std::call_once(once, [] {
        initialized = gst_init_check(nullptr, nullptr, nullptr) != FALSE;
        if (initialized) {
            GST_DEBUG_CATEGORY_INIT(category, "sonarel", 0, "Sonarel audio control");
            PreferDecoder("mpg123audiodec");
        }
    });
    return initialized;
}

GstDebugCategory* DebugCategory()
{
    return category;
}

} // namespace sonarel::gst
