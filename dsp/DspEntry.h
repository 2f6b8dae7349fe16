#pragma once

// The binary interface of the DSP module libSonarelDsp.so, which Sonarel loads by name at every stream
// open. The module exports one C function, SonarelDspCreateFilter, that creates the filter and its
// control interface. Both sides are built by the same compiler from this tree and share the process's
// GStreamer, so the interface is plain C++ objects behind a C symbol; nothing throws across it.
//
// The filter is a GStreamer bin with one sink pad and one source pad ("sink", "src") that accepts raw
// 16-bit integer or 32-bit float audio with any number of channels. Inside, in this order:
// - the amplify stage (kind STAGE_AMPLIFY): a linear gain, value / 10000 (10000 = unity, at most
//   100000 = ×10); float audio may exceed full scale, integer audio is clipped;
// - the equaliser stage (kind STAGE_EQUALIZER): ten peaking bands about one octave apart, centred on
//   30, 60, 119, 238, 475, 947, 1890, 3771, 7524 and 15012 Hz (band index 0 to 9). A band value is the
//   band's gain in whole decibels, clamped to -24..+12 when set; indices above 9 are accepted and
//   ignored (setting does nothing, reading gives 0); a negative index is invalid.
// A stage that is absent, disabled, or at its neutral value (unity gain, every band at 0 dB) passes
// the audio through untouched and costs nothing; so does the whole filter while it is not active.
//
// Stages: ResetStages removes both; AddStage(-1, kind) appends one, at most one of each kind. A new
// stage is disabled until EnableStage(1). The value calls take channel 0 (all channels) only.

#include "dsp/DspFilterControl.h"

// GStreamer's own declaration, so that this header needs none of its headers.
using GstElement = struct _GstElement; // NOLINT(bugprone-reserved-identifier)

namespace dsp {

// The module's file name; Sonarel looks for it next to its own library.
inline constexpr const char* DSP_MODULE_FILE_NAME = "libSonarelDsp.so";
// The exported entry point.
inline constexpr const char* DSP_FACTORY_SYMBOL = "SonarelDspCreateFilter";

inline constexpr long EQUALIZER_BANDS = 10;
inline constexpr long BAND_GAIN_MIN_DB = -24;
inline constexpr long BAND_GAIN_MAX_DB = 12;
inline constexpr long AMPLIFICATION_UNITY = 10000;
inline constexpr long AMPLIFICATION_MAX = 100000;

// Creates the filter. On success *element holds a full (non-floating) reference to the filter bin,
// which the caller unrefs, and *control a new control object, which the caller deletes (its virtual
// destructor runs in the module). The control keeps its own references to the elements it drives,
// so it stays usable after the bin has left its pipeline. On failure both stay null.
using CreateFilterFunction = HResult (*)(GstElement** element, IDspFilterControl** control);

} // namespace dsp

extern "C" dsp::HResult SonarelDspCreateFilter(GstElement** element, dsp::IDspFilterControl** control);
