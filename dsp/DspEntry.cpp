#include "dsp/DspEntry.h"

#include "dsp/DspChain.h"
#include "dsp/DspFilter.h"

#include <new>

extern "C" __attribute__((visibility("default"))) dsp::HResult SonarelDspCreateFilter(
    GstElement** element, dsp::IDspFilterControl** control)
{
    if (element == nullptr || control == nullptr) {
        return dsp::E_INVALIDARG_STATUS;
    }
    *element = nullptr;
    *control = nullptr;
    // The host has initialised GStreamer already; this only guards a host that has not.
    if (!gst_is_initialized() && !gst_init_check(nullptr, nullptr, nullptr)) {
        return dsp::E_FAIL_STATUS;
    }
    std::shared_ptr<dsp::DspChain> chain = dsp::DspChain::Create();
    if (!chain) {
        return dsp::E_FAIL_STATUS;
    }
    auto filter = std::unique_ptr<dsp::DspFilter>(new (std::nothrow) dsp::DspFilter(chain));
    if (!filter) {
        return dsp::E_OUTOFMEMORY_STATUS;
    }
    *element = GST_ELEMENT(gst_object_ref(chain->Bin()));
    *control = filter.release();
    return dsp::S_OK_STATUS;
}
