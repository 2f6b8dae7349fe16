#pragma once

// The volume and balance stage at the end of every stream's chain, just before the renderer: one
// in-place element of our own that applies the graph's volume and balance as per-channel gains on
// 16-bit integer or 32-bit float interleaved audio. At volume 0 dB and balance 0 it is passthrough
// and costs nothing. The levels may be changed from the control's thread while audio flows.

#include "control/gst/GRef.h"

namespace sonarel::gst {

// A new stage at volume 0 dB, balance 0.
[[nodiscard]] GRef<GstElement> CreateGainStage();

// Volume in hundredths of a decibel (-10000 mutes); balance -10000..10000, positive attenuating
// the left-hand channels by balance / 100 dB, negative the right-hand ones (-10000 and 10000 mute
// that side). Channels that are on neither side (centre, LFE, mono) follow the volume only.
void SetGainStageLevels(GstElement* stage, long level, long balance);

} // namespace sonarel::gst
