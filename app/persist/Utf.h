#pragma once

// The XML reader's names for the program's one UTF module (base/Utf.h).

#include "base/Utf.h"

using base::IsValidUtf8;
using base::RepairUtf8;
using base::Utf16LeToUtf8;
using base::Utf8SequenceLength;
