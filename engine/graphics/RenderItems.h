// Render items of the graphics layer.
#pragma once

#include "engine/devices/Geometry.h"

#pragma GCC visibility push(default)

namespace Tarn::Graphics {

// The item that draws a consolidated batch in place of the items it merged.
class ConsolidationItem : public Devices::RenderItem {};

} // namespace Tarn::Graphics

#pragma GCC visibility pop
