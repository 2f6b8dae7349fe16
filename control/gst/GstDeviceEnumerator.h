#pragma once

// The audio output devices, from a fresh GstDeviceMonitor walk at every call.
//
// Friendly names: "Description (sink-name)". PulseAudio's description is what people read but need
// not be unique; the sink name (the pulse device's `internal-name`) is unique and stays the same
// across restarts and replugging, and with both parentheses the name passes the control's device-name
// rule unchanged. Sinks of the PulseAudio provider come first, in the server's order; a sink that
// another provider (PipeWire) lists as well is listed once. Devices of other providers are named
// "Display name (node or device name)" where they carry one, else by their display name alone.
//
// Each entry's renderer plays on exactly that device (a pulsesink with `device` set).
// With no sound server reachable the list is empty.

#include "control/platform/Platform.h"

namespace sonarel::gst {

class GstDeviceEnumerator final : public IDeviceEnumerator {
public:
    [[nodiscard]] HResult Enumerate(std::vector<DeviceEntry>* entries) override;
};

} // namespace sonarel::gst
