#include "control/gst/GstDeviceEnumerator.h"

#include "base/Utf.h"
#include "control/gst/GRef.h"
#include "control/gst/GstElementFilter.h"
#include "control/gst/GstRuntime.h"
#include "control/gst/PulseConnection.h"
#include "control/gst/PulseSink.h"

#include <optional>
#include <set>
#include <string>

namespace sonarel::gst {

namespace {

    // A server that does not answer within this is taken to have no sinks.
    constexpr auto SERVER_ANSWER_TIMEOUT = std::chrono::milliseconds(500);

    // The stable identifier that other providers publish for a device.
    std::string PropertiesIdentifier(GstDevice* device)
    {
        const StructurePtr properties(gst_device_get_properties(device));
        if (!properties) {
            return {};
        }
        for (const char* key : { "node.name", "device.name", "alsa.id" }) {
            if (const gchar* value = gst_structure_get_string(properties.get(), key)) {
                return value;
            }
        }
        return {};
    }

    std::optional<std::string> FriendlyName(GstDevice* device)
    {
        GCharPtr display(gst_device_get_display_name(device));
        const std::string description = display ? display.get() : "";
        const std::string identifier = PropertiesIdentifier(device);
        if (description.empty() && identifier.empty()) {
            return std::nullopt;
        }
        if (identifier.empty()) {
            return description;
        }
        return (description.empty() ? identifier : description) + " (" + identifier + ")";
    }

} // namespace

HResult GstDeviceEnumerator::Enumerate(std::vector<DeviceEntry>* entries)
{
    if (entries == nullptr) {
        return dsp::E_INVALIDARG_STATUS;
    }
    entries->clear();
    if (!EnsureInitialized()) {
        return E_FAIL_STATUS;
    }
    // The sound server's sinks, asked on the process's own connection: a device monitor would open a
    // connection of its own for every walk (and leave a little memory behind each time).
    std::string error;
    if (const std::shared_ptr<PulseConnection> connection = PulseConnection::Acquire(&error)) {
        std::vector<PulseSinkInfo> sinks;
        if (!connection->ListSinks(&sinks, SERVER_ANSWER_TIMEOUT)) {
            return S_OK_STATUS;
        }
        std::set<std::string> listed;
        for (const PulseSinkInfo& sink : sinks) {
            const std::string name
                = (sink.description.empty() ? sink.name : sink.description) + " (" + sink.name + ")";
            if (!listed.insert(name).second) {
                continue;
            }
            DeviceEntry entry;
            entry.friendlyName = base::Utf8ToUtf16(name);
            // A zone of the sound server gets a renderer that the server never moves elsewhere.
            entry.bindRenderer = [sinkName = sink.name](HResult* status) -> std::shared_ptr<IFilter> {
                GRef<GstElement> element = CreatePulseSink(sinkName.c_str(), false);
                if (status != nullptr) {
                    *status = element ? S_OK_STATUS : E_FAIL_STATUS;
                }
                return element ? std::make_shared<GstElementFilter>(std::move(element)) : nullptr;
            };
            entries->push_back(std::move(entry));
        }
        return S_OK_STATUS;
    }

    // No sound server: whatever other device providers list (sound cards), in their own order.
    GRef<GstDeviceMonitor> monitor = GRef<GstDeviceMonitor>::Adopt(gst_device_monitor_new());
    if (!monitor) {
        return E_FAIL_STATUS;
    }
    gst_device_monitor_add_filter(monitor.get(), "Audio/Sink", nullptr);
    const bool started = gst_device_monitor_start(monitor.get()) != FALSE;
    const ObjectListPtr devices(started ? gst_device_monitor_get_devices(monitor.get()) : nullptr);
    std::set<std::string> listed;
    for (GList* item = devices.get(); item != nullptr; item = item->next) {
        GstDevice* device = GST_DEVICE(item->data);
        const std::optional<std::string> name = FriendlyName(device);
        if (!name || !listed.insert(*name).second) {
            continue;
        }
        DeviceEntry entry;
        entry.friendlyName = base::Utf8ToUtf16(*name);
        entry.bindRenderer
            = [device = GRef<GstDevice>::Ref(device)](HResult* status) -> std::shared_ptr<IFilter> {
            GRef<GstElement> element
                = GRef<GstElement>::Adopt(gst_device_create_element(device.get(), nullptr));
            if (status != nullptr) {
                *status = element ? S_OK_STATUS : E_FAIL_STATUS;
            }
            return element ? std::make_shared<GstElementFilter>(std::move(element)) : nullptr;
        };
        entries->push_back(std::move(entry));
    }
    if (started) {
        gst_device_monitor_stop(monitor.get());
    }
    return S_OK_STATUS;
}

} // namespace sonarel::gst
