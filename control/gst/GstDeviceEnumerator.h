#pragma once

// The audio output devices, from a fresh walk at every call.
//
// With a sound server (PulseAudio, or PipeWire's PulseAudio service): its sinks, in the server's
// order, asked on the process's one connection (PulseConnection). Friendly names are
// "Description (sink-name)": the description is what people read but need not be unique; the sink
// name is unique and stays the same across restarts and replugging, and with both parentheses the
// name passes the control's device-name rule unchanged. Each entry's renderer is a PulseSink on
// exactly that sink, which the server never moves to another.
//
// Without a server: the devices of GStreamer's other providers (sound cards), named
// "Display name (node or device name)" where they carry one, else by their display name alone.

#include "control/platform/Platform.h"

namespace sonarel::gst {

class GstDeviceEnumerator final : public IDeviceEnumerator {
public:
    [[nodiscard]] HResult Enumerate(std::vector<DeviceEntry>* entries) override;
};

} // namespace sonarel::gst
