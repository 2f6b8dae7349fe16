#include "control/DeviceName.h"

#include "base/Utf.h"

#include <algorithm>
#include <vector>

namespace {

using namespace sonarel;

constexpr std::u16string_view DIRECT_SOUND_MARK = u"DirectSound:";
constexpr std::size_t DIRECT_SOUND_PREFIX_LENGTH = 13; // the mark and the space after it

// One walk over the devices. The enumerator lives as long as the walk: an entry's renderer binding
// may need it.
struct DeviceWalk {
    std::unique_ptr<IDeviceEnumerator> enumerator;
    std::vector<DeviceEntry> entries;
};

// Lists the entries, or gives the status of the enumerator that could not be created.
HResult ListDevices(IPlatform& platform, DeviceWalk* walk)
{
    const HResult created = platform.CreateDeviceEnumerator(&walk->enumerator);
    if (Failed(created)) {
        return created;
    }
    if (!walk->enumerator) {
        return E_FAIL_STATUS;
    }
    const HResult listed = walk->enumerator->Enumerate(&walk->entries);
    return Failed(listed) ? listed : S_OK_STATUS;
}

// Calls visit(entry, deviceName) for every device in order until it returns false.
template <typename Visit> void ForEachDevice(DeviceWalk& walk, Visit visit)
{
    for (DeviceEntry& entry : walk.entries) {
        if (!entry.friendlyName) {
            continue;
        }
        std::optional<std::u16string> name = DeviceNameFromFriendlyName(*entry.friendlyName);
        if (!name) {
            continue;
        }
        if (!visit(entry, *name)) {
            return;
        }
    }
}

} // namespace

namespace sonarel {

std::optional<std::u16string> DeviceNameFromFriendlyName(std::u16string_view friendlyName)
{
    if (friendlyName.find(DIRECT_SOUND_MARK) != std::u16string_view::npos) {
        // A friendly name that is just the mark gives an empty name rather than reading past it.
        return std::u16string(friendlyName.substr(std::min(DIRECT_SOUND_PREFIX_LENGTH, friendlyName.size())));
    }
    if (friendlyName.find(u'(') != std::u16string_view::npos
        && friendlyName.find(u')') != std::u16string_view::npos) {
        return std::u16string(friendlyName);
    }
    return std::nullopt;
}

HResult CountAudioDevices(IPlatform& platform, int* count)
{
    *count = 0;
    DeviceWalk walk;
    const HResult status = ListDevices(platform, &walk);
    if (Failed(status)) {
        return status;
    }
    ForEachDevice(walk, [count](DeviceEntry&, const std::u16string&) {
        ++*count;
        return true;
    });
    return S_OK_STATUS;
}

HResult AudioDeviceName(IPlatform& platform, int index, std::optional<std::u16string>* name)
{
    name->reset();
    DeviceWalk walk;
    const HResult status = ListDevices(platform, &walk);
    if (Failed(status)) {
        return status;
    }
    int number = 0;
    ForEachDevice(walk, [&](DeviceEntry&, const std::u16string& deviceName) {
        if (number++ == index) {
            *name = deviceName;
        }
        return true;
    });
    return S_OK_STATUS;
}

HResult AudioDeviceExists(IPlatform& platform, std::string_view name, bool* exists)
{
    *exists = false;
    DeviceWalk walk;
    const HResult status = ListDevices(platform, &walk);
    if (Failed(status)) {
        return status;
    }
    ForEachDevice(walk, [&](DeviceEntry&, const std::u16string& deviceName) {
        *exists = base::Utf16ToUtf8(deviceName) == name;
        return !*exists;
    });
    return S_OK_STATUS;
}

HResult FindAudioRenderer(IPlatform& platform, std::string_view name, std::shared_ptr<IFilter>* renderer)
{
    renderer->reset();
    DeviceWalk walk;
    HResult status = ListDevices(platform, &walk);
    if (Failed(status)) {
        return status;
    }
    ForEachDevice(walk, [&](DeviceEntry& entry, const std::u16string& deviceName) {
        if (base::Utf16ToUtf8(deviceName) != name) {
            return true;
        }
        if (entry.bindRenderer) {
            *renderer = entry.bindRenderer(&status);
        } else {
            status = E_FAIL_STATUS;
        }
        return false;
    });
    return status;
}

} // namespace sonarel
