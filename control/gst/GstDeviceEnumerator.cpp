#include "control/gst/GstDeviceEnumerator.h"

#include "control/gst/GRef.h"
#include "control/gst/GstElementFilter.h"
#include "control/gst/GstRuntime.h"
#include "control/gst/PulseSink.h"

#include <optional>
#include <set>
#include <string>

namespace sonarel::gst {

namespace {

    struct ListedDevice {
        GRef<GstDevice> device;
        std::string friendlyName;
        std::string sinkName; // the sound server's name of the sink; empty for other providers
    };

    std::string StringProperty(GstDevice* device, const char* property)
    {
        if (g_object_class_find_property(G_OBJECT_GET_CLASS(device), property) == nullptr) {
            return {};
        }
        gchar* value = nullptr;
        g_object_get(device, property, &value, nullptr);
        const GCharPtr owned(value);
        return owned ? std::string(owned.get()) : std::string();
    }

    // The stable identifier that other providers publish for a device.
    std::string PropertiesIdentifier(GstDevice* device)
    {
        GstStructure* properties = gst_device_get_properties(device);
        if (properties == nullptr) {
            return {};
        }
        std::string identifier;
        for (const char* key : { "node.name", "device.name", "alsa.id" }) {
            if (const gchar* value = gst_structure_get_string(properties, key)) {
                identifier = value;
                break;
            }
        }
        gst_structure_free(properties);
        return identifier;
    }

    std::optional<std::string> FriendlyName(GstDevice* device, const std::string& sinkName)
    {
        GCharPtr display(gst_device_get_display_name(device));
        const std::string description = display ? display.get() : "";
        const std::string identifier = !sinkName.empty() ? sinkName : PropertiesIdentifier(device);
        if (description.empty() && identifier.empty()) {
            return std::nullopt;
        }
        if (identifier.empty()) {
            return description;
        }
        return (description.empty() ? identifier : description) + " (" + identifier + ")";
    }

    std::u16string Utf16(const std::string& text)
    {
        glong written = 0;
        gunichar2* converted = g_utf8_to_utf16(text.c_str(), -1, nullptr, &written, nullptr);
        if (converted == nullptr) {
            return {};
        }
        std::u16string result(
            reinterpret_cast<const char16_t*>(converted), static_cast<std::size_t>(written));
        g_free(converted);
        return result;
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
    GRef<GstDeviceMonitor> monitor = GRef<GstDeviceMonitor>::Adopt(gst_device_monitor_new());
    if (!monitor) {
        return E_FAIL_STATUS;
    }
    gst_device_monitor_add_filter(monitor.get(), "Audio/Sink", nullptr);

    // A started monitor lists the devices in the providers' own order (PulseAudio's sink order); a
    // probe without starting lists them in reverse. Starting connects to the server and lists its
    // sinks before it returns; with no server there is nothing to list.
    const bool started = gst_device_monitor_start(monitor.get()) != FALSE;
    std::vector<ListedDevice> pulse;
    std::vector<ListedDevice> others;
    GList* devices = started ? gst_device_monitor_get_devices(monitor.get()) : nullptr;
    for (GList* item = devices; item != nullptr; item = item->next) {
        GstDevice* device = GST_DEVICE(item->data);
        std::string sinkName = StringProperty(device, "internal-name");
        std::optional<std::string> name = FriendlyName(device, sinkName);
        if (!name) {
            continue;
        }
        (sinkName.empty() ? others : pulse)
            .push_back({ GRef<GstDevice>::Ref(device), *name, std::move(sinkName) });
    }
    g_list_free_full(devices, gst_object_unref);
    if (started) {
        gst_device_monitor_stop(monitor.get());
    }

    std::set<std::string> listed;
    for (std::vector<ListedDevice>* group : { &pulse, &others }) {
        for (ListedDevice& listedDevice : *group) {
            if (!listed.insert(listedDevice.friendlyName).second) {
                continue;
            }
            DeviceEntry entry;
            entry.friendlyName = Utf16(listedDevice.friendlyName);
            entry.bindRenderer = [device = std::move(listedDevice.device), sinkName = listedDevice.sinkName](
                                     HResult* status) -> std::shared_ptr<IFilter> {
                // A zone of the sound server gets a renderer that the server never moves elsewhere.
                GRef<GstElement> element = !sinkName.empty()
                    ? CreatePulseSink(sinkName.c_str(), false)
                    : GRef<GstElement>::Adopt(gst_device_create_element(device.get(), nullptr));
                if (status != nullptr) {
                    *status = element ? S_OK_STATUS : E_FAIL_STATUS;
                }
                if (!element) {
                    return nullptr;
                }
                return std::make_shared<GstElementFilter>(std::move(element));
            };
            entries->push_back(std::move(entry));
        }
    }
    return S_OK_STATUS;
}

} // namespace sonarel::gst
