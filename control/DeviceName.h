#pragma once

// Audio output devices by name. The platform lists its outputs with friendly names; the device-name
// rule turns a friendly name into the name the control and its host use, or says it is not a device.
// Devices are numbered from 0 in the platform's order; every query makes a fresh walk, so a device
// plugged in or removed is seen at the next call.

#include "control/platform/Platform.h"

#include <memory>
#include <optional>
#include <string>
#include <string_view>

namespace sonarel {

// "DirectSound:" anywhere: the name without its first 13 characters (that prefix and the space
// after it). Otherwise a name holding both "(" and ")" is a device of that name. Anything else
// (the platform's "Default DirectSound Device", for one) is not a device.
[[nodiscard]] std::optional<std::u16string> DeviceNameFromFriendlyName(std::u16string_view friendlyName);

// The walks. Each returns the enumerator's failure status when the platform cannot list its
// devices, and S_OK_STATUS otherwise. Entries whose friendly name cannot be read are skipped; names
// are compared exactly, case included, after conversion to UTF-8. Two entries that give the same
// device name are two devices.

// Number of devices.
[[nodiscard]] HResult CountAudioDevices(IPlatform& platform, int* count);
// The index-th device's name; nullopt when the index is outside the list.
[[nodiscard]] HResult AudioDeviceName(IPlatform& platform, int index, std::optional<std::u16string>* name);
// Whether a device has that name; stops at the first match.
[[nodiscard]] HResult AudioDeviceExists(IPlatform& platform, std::string_view name, bool* exists);
// Binds the first device of that name to a renderer and returns the binding's status; a name that
// matches no device gives S_OK_STATUS and no renderer.
[[nodiscard]] HResult FindAudioRenderer(
    IPlatform& platform, std::string_view name, std::shared_ptr<IFilter>* renderer);

} // namespace sonarel
