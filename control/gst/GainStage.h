#pragma once

// The volume and balance stage at the end of every stream's chain, just before the renderer: one
// in-place element of our own that applies the graph's volume and balance as per-channel gains on
// 16-bit integer or 32-bit float interleaved audio, a trim (a file's loudness correction, which may
// raise the level; samples saturate rather than wrap) and a duck (an attenuation that glides to its
// new value sample by sample, so that it never clicks). At unity it is passthrough and costs
// nothing. The levels may be changed from the control's thread while audio flows.

#include "control/gst/GRef.h"

namespace sonarel::gst {

// A new stage at volume 0 dB, balance 0.
[[nodiscard]] GRef<GstElement> CreateGainStage();

// Volume in hundredths of a decibel (-10000 mutes); balance -10000..10000, positive attenuating
// the left-hand channels by balance / 100 dB, negative the right-hand ones (-10000 and 10000 mute
// that side). Channels that are on neither side (centre, LFE, mono) follow the volume only.
void SetGainStageLevels(GstElement* stage, long level, long balance);

// A gain in dB on top of the volume, -40 to +30.
void SetGainStageTrim(GstElement* stage, double gainDb);

// An attenuation in dB (0 to 60) reached over glideMs milliseconds of audio from wherever the duck
// stands now; 0 ms jumps.
void SetGainStageDuck(GstElement* stage, double attenuationDb, unsigned glideMs);

} // namespace sonarel::gst
