#pragma once

// The engine's names for the owners of GLib and GStreamer objects, which it shares with the DSP
// module (gstsupport/GRef.h).

#include "gstsupport/GRef.h"

namespace sonarel::gst {

using gstsupport::AttachedSource;
using gstsupport::GCharPtr;
using gstsupport::GErrorOut;
using gstsupport::GErrorPtr;
using gstsupport::GRef;
using gstsupport::MakeElement;
using gstsupport::ObjectListPtr;
using gstsupport::PadProbe;
using gstsupport::SignalConnection;
using gstsupport::StructurePtr;

} // namespace sonarel::gst
