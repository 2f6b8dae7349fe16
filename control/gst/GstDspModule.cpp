#include "control/gst/GstDspModule.h"

#include "control/gst/GstElementFilter.h"
#include "control/gst/GstRuntime.h"

#include <dlfcn.h>
#include <unistd.h>

#include <array>
#include <vector>

namespace sonarel::gst {

namespace {

    std::string Folder(const std::string& path)
    {
        const auto slash = path.find_last_of('/');
        return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
    }

    // The folder of the shared object that holds this code (the Sonarel library).
    std::string LibraryFolder()
    {
        Dl_info info {};
        if (dladdr(reinterpret_cast<const void*>(&Folder), &info) == 0 || info.dli_fname == nullptr) {
            return {};
        }
        return Folder(info.dli_fname);
    }

    std::string ProgramFolder()
    {
        std::array<char, 4096> path {};
        const ssize_t length = readlink("/proc/self/exe", path.data(), path.size() - 1);
        return length > 0 ? Folder(std::string(path.data(), static_cast<std::size_t>(length)))
                          : std::string();
    }

} // namespace

void GstDspModule::Closer::operator()(void* handle) const
{
    dlclose(handle);
}

std::unique_ptr<GstDspModule> GstDspModule::Load(const std::string& name)
{
    if (name.empty() || name.find('/') != std::string::npos) {
        return nullptr;
    }
    for (const std::string& folder : { LibraryFolder(), ProgramFolder() }) {
        if (folder.empty()) {
            continue;
        }
        const std::string path = folder + name;
        std::unique_ptr<void, Closer> handle(dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL | RTLD_NODELETE));
        if (!handle) {
            continue;
        }
        void* symbol = dlsym(handle.get(), dsp::DSP_FACTORY_SYMBOL);
        if (symbol == nullptr) {
            return nullptr;
        }
        auto create = reinterpret_cast<dsp::CreateFilterFunction>(symbol);
        return std::unique_ptr<GstDspModule>(new GstDspModule(std::move(handle), create));
    }
    return nullptr;
}

HResult GstDspModule::CreateFilter(
    std::shared_ptr<IFilter>* filter, std::shared_ptr<dsp::IDspFilterControl>* control)
{
    if (filter == nullptr || control == nullptr) {
        return dsp::E_INVALIDARG_STATUS;
    }
    filter->reset();
    control->reset();
    if (!EnsureInitialized()) {
        return E_FAIL_STATUS;
    }
    GstElement* element = nullptr;
    dsp::IDspFilterControl* created = nullptr;
    const HResult status = m_create(&element, &created);
    // Whatever the module handed over is owned here from now on, whatever its status says.
    GRef<GstElement> ownedElement = GRef<GstElement>::Adopt(element);
    std::shared_ptr<dsp::IDspFilterControl> ownedControl(created);
    if (Failed(status)) {
        return status;
    }
    if (!ownedElement || !ownedControl) {
        return E_FAIL_STATUS;
    }
    *filter = std::make_shared<GstElementFilter>(std::move(ownedElement));
    *control = std::move(ownedControl);
    return S_OK_STATUS;
}

} // namespace sonarel::gst
