#include "control/gst/GstPlatform.h"

#include "control/gst/GstDeviceEnumerator.h"
#include "control/gst/GstDspModule.h"
#include "control/gst/GstFilterGraph.h"
#include "control/gst/GstMediaDetector.h"
#include "control/gst/GstRuntime.h"

namespace sonarel::gst {

std::unique_ptr<GstPlatform> GstPlatform::Create()
{
    if (!EnsureInitialized()) {
        return nullptr;
    }
    return std::unique_ptr<GstPlatform>(
        new GstPlatform(GRef<GMainContext>::Adopt(g_main_context_ref_thread_default())));
}

GstPlatform::GstPlatform(GRef<GMainContext> context)
    : m_context(std::move(context))
    , m_eventLoop(m_context.get())
{
}

HResult GstPlatform::CreateGraph(std::unique_ptr<IFilterGraph>* graph)
{
    if (graph == nullptr) {
        return dsp::E_INVALIDARG_STATUS;
    }
    *graph = GstFilterGraph::Create(m_context.get());
    return *graph ? S_OK_STATUS : E_FAIL_STATUS;
}

HResult GstPlatform::CreateDeviceEnumerator(std::unique_ptr<IDeviceEnumerator>* enumerator)
{
    if (enumerator == nullptr) {
        return dsp::E_INVALIDARG_STATUS;
    }
    *enumerator = std::make_unique<GstDeviceEnumerator>();
    return S_OK_STATUS;
}

std::unique_ptr<IMediaDetector> GstPlatform::CreateMediaDetector()
{
    return std::make_unique<GstMediaDetector>(m_depths);
}

std::unique_ptr<IDspModule> GstPlatform::LoadDspModule(const std::string& name)
{
    return GstDspModule::Load(name);
}

} // namespace sonarel::gst
