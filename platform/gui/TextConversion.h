#pragma once

// The conversion moved to the core library; this keeps the widget code that
// still names it here building until it names the new place.
#include "platform/TextConversion.h"

namespace platform::gui {
using platform::bytesFromText;
using platform::textFromBytes;
} // namespace platform::gui
