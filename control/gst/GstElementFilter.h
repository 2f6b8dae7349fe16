#pragma once

// A filter of a GstFilterGraph: one GStreamer element (or bin) of the stream's pipeline.

#include "control/gst/GRef.h"
#include "control/platform/Platform.h"

namespace sonarel::gst {

class GstElementFilter final : public IFilter {
public:
    explicit GstElementFilter(GRef<GstElement> element)
        : m_element(std::move(element))
    {
    }
    [[nodiscard]] GstElement* Element() const { return m_element.get(); }

private:
    GRef<GstElement> m_element;
};

} // namespace sonarel::gst
