#pragma once

// A loaded DSP module (dsp/DspEntry.h): the shared object and its factory. The module is opened with
// RTLD_NODELETE, so that releasing it never unloads code whose objects may still be alive.

#include "control/platform/Platform.h"
#include "dsp/DspEntry.h"

#include <memory>
#include <string>

namespace sonarel::gst {

class GstDspModule final : public IDspModule {
public:
    // Looks for `name` (a plain file name) next to the Sonarel library, then next to the program;
    // nullptr when it is in neither place or exports no factory.
    [[nodiscard]] static std::unique_ptr<GstDspModule> Load(const std::string& name);

    [[nodiscard]] HResult CreateFilter(
        std::shared_ptr<IFilter>* filter, std::shared_ptr<dsp::IDspFilterControl>* control) override;

private:
    struct Closer {
        void operator()(void* handle) const;
    };
    GstDspModule(std::unique_ptr<void, Closer> handle, dsp::CreateFilterFunction create)
        : m_handle(std::move(handle))
        , m_create(create)
    {
    }

    std::unique_ptr<void, Closer> m_handle;
    dsp::CreateFilterFunction m_create = nullptr;
};

} // namespace sonarel::gst
