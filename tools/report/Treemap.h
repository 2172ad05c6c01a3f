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

// Pieces of SVG that the treemaps share.
namespace TreemapParts {
// Tableau 10: distinct hues that stay apart for readers with weak colour vision.
inline const char* const kPalette[] = {"#4e79a7", "#f28e2b", "#e15759", "#76b7b2", "#59a14f",
                                       "#edc948", "#b07aa1", "#ff9da7", "#9c755f", "#bab0ac"};
std::string Number(double value);  // the shortest text that reads back as the same double
std::string Lighter(const char* colour, double white);  // "#rrggbb" mixed with white: 0 leaves it, 1 is white
std::string Rect(const TreemapBox& box);                // its x, y, width and height attributes
} // namespace TreemapParts
// Text for XML content and attribute values: & < > " escaped. Names go through MemoryReport::EscapeName first.
std::string XmlEscaped(std::string_view text);

} // namespace Tarn::Utilities
