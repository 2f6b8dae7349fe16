#include "control/gst/GstRuntime.h"

#include <mutex>

namespace sonarel::gst {

namespace {
    GstDebugCategory* category = nullptr;
    bool initialized = false;
    std::once_flag once;
} // namespace

bool EnsureInitialized()
{
    std::call_once(once, [] {
        initialized = gst_init_check(nullptr, nullptr, nullptr) != FALSE;
        if (initialized) {
            GST_DEBUG_CATEGORY_INIT(category, "sonarel", 0, "Sonarel audio control");
        }
    });
    return initialized;
}

GstDebugCategory* DebugCategory()
{
    return category;
}

} // namespace sonarel::gst
