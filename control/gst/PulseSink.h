#pragma once

// The renderer of every stream: a small audio sink of our own that plays to one sink of the sound
// server through the process's shared connection (PulseConnection).
//
// Why not the stock PulseAudio sink: a stream whose device goes away is moved by the server to the
// default device, another zone, before any client hears of it; only a stream created with
// PA_STREAM_DONT_MOVE is ended instead, and the stock sink cannot ask for that. This one does when
// "movable" is false (a named zone). It never sets a server-side volume or mute either: the server's
// stream-restore would remember them for the whole application. All levels are applied in the
// pipeline.
//
// When the server ends the stream (its device went away, or the server itself), the sink posts a
// RESOURCE/NOT_FOUND error (IsDeviceLostError) from libpulse's thread and from then on discards
// what it is given at the pace it would have played it, so that the pipeline neither stalls nor
// spins until its owner stops it.
//
// Properties: "device" (the server's sink name; empty or unset: the server's default sink),
// "movable" (default true), and the audio base sink's "buffer-time" and "latency-time", which become
// the server's target length and request size.

#include "control/gst/GRef.h"

namespace sonarel::gst {

// A new sink; nullptr when GStreamer's audio library is missing.
[[nodiscard]] GRef<GstElement> CreatePulseSink(const char* device, bool movable);

// Whether an error message reports that a sink of this kind lost its device (or server).
[[nodiscard]] bool IsDeviceLostError(GstMessage* message);

} // namespace sonarel::gst
