// The treemap by owner: each object a rectangle of its retained bytes, holding the rectangles of the objects it
// dominates, so that a world's rectangle holds its cells', a cell's its nodes'. Laid out by the type treemap's
// squarified layout; one colour per namespace, lighter the deeper an object lies.
#include "tools/report/GraphViews.h"
#include "tools/report/ReportViews.h"
#include "tools/report/TextTable.h"
#include "tools/report/Treemap.h"

#include <algorithm>
#include <map>

namespace Tarn::Utilities {

namespace {

using namespace TreemapParts;

constexpr double kWidth = 1200, kMargin = 8, kMapTop = 40, kMapHeight = 720, kLegendRow = 20;
constexpr double kCharWidth = 6.5, kLineHeight = 13;
// Nesting stops this deep, or where a rectangle has no room inside it; a node shows its largest children only.
constexpr size_t kMaxDepth = 10, kMaxChildren = 200;
constexpr double kLeast = 9;  // square pixels: smaller rectangles are left to their owner's colour

struct Box {
    uint32_t mNode;
    TreemapBox mBox;
    size_t mDepth;
};

} // namespace

std::string OwnerTreemap(const SnapshotAnalysis& analysis) {
    const MemorySnapshot& snapshot = analysis.mSnapshot;
    const Dominators& dominators = analysis.mDominators;
    const uint64_t total = dominators.Retained(0);
    const TreemapBox map{kMargin, kMapTop, kWidth - 2 * kMargin, kMapHeight};

    std::map<std::string, size_t> colours;  // namespace -> palette entry, in the order met
    std::vector<std::string> legend;
    const auto colourOf = [&](const std::string& name) {
        const std::string space(NamespaceOf(name));
        const auto [at, added] = colours.emplace(space, colours.size());
        if (added) legend.push_back(space.empty() ? "(global)" : space);
        return kPalette[at->second % std::size(kPalette)];
    };

    std::string rects, labels;
    std::vector<Box> stack{{0, map, 0}};
    while (!stack.empty()) {
        const Box item = stack.back();
        stack.pop_back();
        TreemapBox inner = item.mBox;
        if (item.mNode) {
            const std::string name = MemoryReport::EscapeName(snapshot.DynamicName(item.mNode));
            const TreemapBox& box = item.mBox;
            const uint64_t retained = dominators.Retained(item.mNode);
            rects += "<rect class=\"owner\" " + Rect(box) + " fill=\"" +
                     Lighter(colourOf(name), std::min(0.85, 0.1 + 0.12 * double(item.mDepth - 1))) + "\"><title>" +
                     XmlEscaped(name) + " at " + AddressText(snapshot.mAddresses[item.mNode]) + "\nretains " +
                     HumanBytes(retained) + " (" + Percent(retained, total) + "), own " +
                     HumanBytes(snapshot.mBytes[item.mNode]) + "</title></rect>\n";
            const std::string_view space = NamespaceOf(name);
            const std::string label = (space.empty() ? name : name.substr(space.size() + 2)) + " " + HumanBytes(retained);
            const bool labelled = box.mWidth >= double(label.size()) * kCharWidth + 8 && box.mHeight >= 2 * kLineHeight;
            if (labelled)
                labels += "<text x=\"" + Number(box.mX + 3) + "\" y=\"" + Number(box.mY + kLineHeight - 2) + "\">" +
                          XmlEscaped(label) + "</text>\n";
            const double top = labelled ? kLineHeight + 1 : 2;
            inner = {box.mX + 2, box.mY + top, box.mWidth - 4, box.mHeight - top - 2};
            if (item.mDepth >= kMaxDepth || inner.mWidth < 6 || inner.mHeight < 6) continue;
        }
        // The children by falling retained bytes and the node's own bytes (with the children left out) share the
        // inside in proportion; the own part is left blank.
        std::vector<uint32_t> children = analysis.mTree.Children(item.mNode);
        std::stable_sort(children.begin(), children.end(),
                         [&](uint32_t a, uint32_t b) { return dominators.Retained(a) > dominators.Retained(b); });
        if (children.size() > kMaxChildren) children.resize(kMaxChildren);
        while (!children.empty() && !dominators.Retained(children.back())) children.pop_back();
        const uint64_t whole = dominators.Retained(item.mNode);
        if (children.empty() || !whole) continue;
        uint64_t rest = whole;
        for (uint32_t child : children) rest -= dominators.Retained(child);
        const double scale = inner.mWidth * inner.mHeight / double(whole);
        std::vector<double> areas;
        std::vector<uint32_t> order;  // the node of each area; kNone for the own part
        for (uint32_t child : children) {
            if (rest && double(rest) > double(dominators.Retained(child)) &&
                std::find(order.begin(), order.end(), Dominators::kNone) == order.end()) {
                areas.push_back(double(rest) * scale);
                order.push_back(Dominators::kNone);
            }
            areas.push_back(double(dominators.Retained(child)) * scale);
            order.push_back(child);
        }
        if (rest && std::find(order.begin(), order.end(), Dominators::kNone) == order.end()) {
            areas.push_back(double(rest) * scale);
            order.push_back(Dominators::kNone);
        }
        const std::vector<TreemapBox> boxes = Squarify(areas, inner);
        for (size_t i = boxes.size(); i-- > 0;)
            if (order[i] != Dominators::kNone && boxes[i].mWidth * boxes[i].mHeight >= kLeast)
                stack.push_back({order[i], boxes[i], item.mDepth + 1});
    }

    const double height = kMapTop + kMapHeight + 12 + double((legend.size() + 2) / 3) * kLegendRow + 8;
    const std::string heading = "Memory by owner: " + HumanBytes(total) + " retained from the root, " +
                                std::to_string(dominators.ReachableCount() - 1) + " objects";
    std::string svg = "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"" + Number(kWidth) + "\" height=\"" +
                      Number(height) + "\" viewBox=\"0 0 " + Number(kWidth) + " " + Number(height) +
                      "\" font-family=\"DejaVu Sans, Verdana, sans-serif\" font-size=\"11\">\n";
    svg += "<title>" + XmlEscaped(heading) + "</title>\n";
    svg += "<rect class=\"background\" width=\"100%\" height=\"100%\" fill=\"#ffffff\"/>\n";
    svg += "<text x=\"" + Number(kMargin) + "\" y=\"26\" font-size=\"16\" font-weight=\"bold\">" + XmlEscaped(heading) +
           "</text>\n";
    svg += "<g class=\"owners\" stroke=\"#ffffff\" stroke-width=\"0.5\">\n" + rects + "</g>\n";
    svg += "<g class=\"labels\" pointer-events=\"none\">\n" + labels + "</g>\n<g class=\"legend\">\n";
    for (size_t g = 0; g < legend.size(); ++g) {
        const double x = kMargin + double(g % 3) * (map.mWidth / 3);
        const double y = kMapTop + kMapHeight + 12 + double(g / 3) * kLegendRow;
        svg += "<rect class=\"legend\" x=\"" + Number(x) + "\" y=\"" + Number(y) + "\" width=\"12\" height=\"12\" fill=\"" +
               Lighter(kPalette[g % std::size(kPalette)], 0.2) + "\"/>\n<text x=\"" + Number(x + 18) + "\" y=\"" +
               Number(y + 10) + "\">" + XmlEscaped(legend[g]) + "</text>\n";
    }
    return svg + "</g>\n</svg>\n";
}

} // namespace Tarn::Utilities
