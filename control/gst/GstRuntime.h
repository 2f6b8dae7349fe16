#pragma once

// Process-wide set-up of GStreamer, shared by everything in control/gst/.

#include <gst/gst.h>

namespace sonarel::gst {

// Initialises GStreamer the first time it is called (later calls only report the outcome); false when
// GStreamer cannot be initialised. Never deinitialised: GStreamer cannot be started a second time.
[[nodiscard]] bool EnsureInitialized();

// The debug category of the Sonarel platform ("sonarel", shown with GST_DEBUG=sonarel:5).
GstDebugCategory* DebugCategory();

} // namespace sonarel::gst
