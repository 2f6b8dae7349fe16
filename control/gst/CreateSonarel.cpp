#include "control/Sonarel.h"

#include "control/gst/GstPlatform.h"

namespace sonarel {

// The control on GStreamer: its platform captures the calling thread's main context.
std::unique_ptr<ISonarel> CreateSonarel(ISonarelEvents* events)
{
    std::unique_ptr<gst::GstPlatform> platform = gst::GstPlatform::Create();
    if (!platform) {
        return nullptr;
    }
    return CreateSonarelWithPlatform(std::move(platform), events);
}

} // namespace sonarel
