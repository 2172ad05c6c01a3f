// The treemap: an SVG picture of a report's memory, one rectangle per type with bytes, its area in proportion to
// them. Types are grouped by namespace: each namespace gets a rectangle of its own share, outlined, in a colour of
// its own, that its types fill. Both levels are squarified (Bruls, Huizing and van Wijk), so that rectangles stay
// near square. Each rectangle has a tooltip with the type's name and numbers and a label where the label fits; the
// legend below names the namespaces. Names are shown as the report spells them, so the SVG is well-formed for any name.
#pragma once

#include "utilities/memory/MemoryReport.h"

#include <string>
#include <string_view>
#include <vector>

namespace Tarn::Utilities {

struct TreemapBox {
    double mX, mY, mWidth, mHeight;
};

// Boxes for `areas` (positive, largest first, adding up to the area of `box`) that tile `box`, in their order.
std::vector<TreemapBox> Squarify(const std::vector<double>& areas, TreemapBox box);

std::string Treemap(const MemoryReport& report);

// Text for XML content and attribute values: & < > " escaped. Names go through MemoryReport::EscapeName first.
std::string XmlEscaped(std::string_view text);

} // namespace Tarn::Utilities
