#pragma once

// The platform of the Sonarel control on GStreamer and GLib. Created on the control's thread, whose
// thread-default main context it captures (the global default context when the thread has none set):
// timers, graph events and every other callback into the control are delivered there.

#include "control/gst/DecodedDepthCache.h"
#include "control/gst/GLibEventLoop.h"
#include "control/gst/GRef.h"
#include "control/platform/Platform.h"

#include <memory>

namespace sonarel::gst {

class GstPlatform final : public IPlatform {
public:
    // nullptr when GStreamer cannot be initialised.
    [[nodiscard]] static std::unique_ptr<GstPlatform> Create();

    [[nodiscard]] HResult CreateGraph(std::unique_ptr<IFilterGraph>* graph) override;
    [[nodiscard]] HResult CreateDeviceEnumerator(std::unique_ptr<IDeviceEnumerator>* enumerator) override;
    [[nodiscard]] std::unique_ptr<IMediaDetector> CreateMediaDetector() override;
    [[nodiscard]] std::unique_ptr<IDspModule> LoadDspModule(const std::string& name) override;
    [[nodiscard]] IEventLoop& EventLoop() override { return m_eventLoop; }

    [[nodiscard]] GMainContext* Context() const { return m_context.get(); }

private:
    explicit GstPlatform(GRef<GMainContext> context);

    GRef<GMainContext> m_context;
    GLibEventLoop m_eventLoop;
    std::shared_ptr<DecodedDepthCache> m_depths = std::make_shared<DecodedDepthCache>();
};

} // namespace sonarel::gst
