#pragma once

// A filter of a GstFilterGraph: one GStreamer element (or bin) of the stream's pipeline.

#include "control/gst/GRef.h"
#include "control/platform/Platform.h"

namespace sonarel::gst {

class GstElementFilter final : public IFilter {
public:
    explicit GstElementFilter(GRef<GstElement> element)
        : element_(std::move(element))
    {
    }
    [[nodiscard]] GstElement* Element() const { return element_.get(); }

private:
    GRef<GstElement> element_;
};

} // namespace sonarel::gst
