#include "tools/report/Treemap.h"

#include "tools/report/ReportViews.h"

#include <algorithm>
#include <charconv>
#include <cstdio>
#include <map>

namespace Tarn::Utilities {

namespace TreemapParts {

// The picture: a title band, the map, the legend of namespaces below it.
constexpr double kWidth = 1200, kMargin = 8, kMapTop = 40, kMapHeight = 720;
constexpr double kLegendRow = 20, kLegendColumns = 3;
// Labels are 11-pixel DejaVu Sans; a character is taken as 6.5 pixels wide, a little more than most are.
constexpr double kFontSize = 11, kCharWidth = 6.5, kLineHeight = 13;

// The shortest text that reads back as the same double: areas stay proportional however small a rectangle is.
std::string Number(double value) {
    char text[32];
    return std::string(text, std::to_chars(text, text + sizeof text, value).ptr);
}

// `colour` ("#rrggbb") mixed with white: 0 leaves it, 1 is white.
std::string Lighter(const char* colour, double white) {
    unsigned rgb = 0;
    std::from_chars(colour + 1, colour + 7, rgb, 16);
    char text[8];
    const auto channel = [&](int shift) {
        const double c = (rgb >> shift) & 0xff;
        return unsigned(c + (255 - c) * white + 0.5);
    };
    std::snprintf(text, sizeof text, "#%02x%02x%02x", channel(16), channel(8), channel(0));
    return text;
}

std::string Share(uint64_t part, uint64_t whole) {
    char text[32];
    std::snprintf(text, sizeof text, "%.1f%%", whole ? 100.0 * double(part) / double(whole) : 0.0);
    return text;
}

// The worst aspect ratio of a row of `sum` area laid along `side`, whose largest and smallest members are given.
double Worst(double largest, double smallest, double sum, double side) {
    const double sum2 = sum * sum, side2 = side * side;
    return std::max(side2 * largest / sum2, sum2 / (side2 * smallest));
}

std::string Rect(const TreemapBox& box) {
    return "x=\"" + Number(box.mX) + "\" y=\"" + Number(box.mY) + "\" width=\"" + Number(box.mWidth) +
           "\" height=\"" + Number(box.mHeight) + "\"";
}

struct Group {
    std::string_view mName;
    uint64_t mBytes = 0;
    std::vector<const MemoryReport::Row*> mTypes;
};

} // namespace TreemapParts

using namespace TreemapParts;

std::string XmlEscaped(std::string_view text) {
    std::string escaped;
    for (char c : text) {
        switch (c) {
        case '&': escaped += "&amp;"; break;
        case '<': escaped += "&lt;"; break;
        case '>': escaped += "&gt;"; break;
        case '"': escaped += "&quot;"; break;
        default: escaped += c;
        }
    }
    return escaped;
}

std::vector<TreemapBox> Squarify(const std::vector<double>& areas, TreemapBox box) {
    std::vector<TreemapBox> boxes;
    boxes.reserve(areas.size());
    for (size_t first = 0; first < areas.size();) {
        // A row runs along the shorter side and grows while that makes its worst rectangle squarer.
        const bool column = box.mWidth >= box.mHeight;
        const double side = column ? box.mHeight : box.mWidth;
        size_t end = first + 1;
        double sum = areas[first];
        for (double worst = Worst(areas[first], areas[first], sum, side); end < areas.size(); ++end) {
            const double next = Worst(areas[first], areas[end], sum + areas[end], side);
            if (next > worst) break;
            worst = next;
            sum += areas[end];
        }
        // The last row, and the last box of each row, take what is left: rounding never leaves a gap or overruns.
        const double rest = column ? box.mWidth : box.mHeight;
        const double thickness = end == areas.size() ? rest : std::min(rest, sum / side);
        double along = 0;
        for (size_t i = first; i < end; ++i) {
            const double length = i + 1 == end ? std::max(0.0, side - along) : areas[i] / thickness;
            boxes.push_back(column ? TreemapBox{box.mX, box.mY + along, thickness, length}
                                   : TreemapBox{box.mX + along, box.mY, length, thickness});
            along += length;
        }
        if (column) {
            box.mX += thickness;
            box.mWidth = std::max(0.0, box.mWidth - thickness);
        } else {
            box.mY += thickness;
            box.mHeight = std::max(0.0, box.mHeight - thickness);
        }
        first = end;
    }
    return boxes;
}

std::string Treemap(const MemoryReport& report) {
    // Namespaces by falling bytes, types within each by falling bytes; types of no bytes have no area to show.
    std::map<std::string_view, Group> byName;
    uint64_t total = 0;
    for (const MemoryReport::Row& row : report.mRows) {
        if (!row.mBytes) continue;
        Group& group = byName[NamespaceOf(row.mName)];
        group.mName = NamespaceOf(row.mName);
        group.mBytes += row.mBytes;
        group.mTypes.push_back(&row);
        total += row.mBytes;
    }
    std::vector<Group> groups;
    for (auto& [name, group] : byName) groups.push_back(std::move(group));
    std::stable_sort(groups.begin(), groups.end(), [](const Group& a, const Group& b) { return a.mBytes > b.mBytes; });
    for (Group& group : groups) {
        std::stable_sort(group.mTypes.begin(), group.mTypes.end(),
                         [](auto* a, auto* b) { return a->mBytes > b->mBytes; });
    }

    const size_t legendRows = (groups.size() + size_t(kLegendColumns) - 1) / size_t(kLegendColumns);
    const double height = kMapTop + kMapHeight + 12 + double(legendRows) * kLegendRow + 8;
    const TreemapBox map{kMargin, kMapTop, kWidth - 2 * kMargin, kMapHeight};
    const double scale = total ? map.mWidth * map.mHeight / double(total) : 0;

    std::string svg = "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"" + Number(kWidth) + "\" height=\"" +
                      Number(height) + "\" viewBox=\"0 0 " + Number(kWidth) + " " + Number(height) +
                      "\" font-family=\"DejaVu Sans, Verdana, sans-serif\" font-size=\"" + Number(kFontSize) + "\">\n";
    const std::string heading = "Memory by type: " + HumanBytes(report.mTotal.mBytes) + ", " +
                                std::to_string(report.mTotal.mInstances) + " instances of " +
                                std::to_string(report.mRows.size()) + " types";
    svg += "<title>" + XmlEscaped(heading) + "</title>\n";
    svg += "<rect class=\"background\" width=\"100%\" height=\"100%\" fill=\"#ffffff\"/>\n";
    svg += "<text x=\"" + Number(kMargin) + "\" y=\"26\" font-size=\"16\" font-weight=\"bold\">" + XmlEscaped(heading) +
           "</text>\n";
    if (!total)
        svg += "<text x=\"" + Number(kMargin) + "\" y=\"" + Number(kMapTop + 20) + "\">No bytes booked.</text>\n";

    std::vector<double> groupAreas;
    for (const Group& group : groups) groupAreas.push_back(double(group.mBytes) * scale);
    const std::vector<TreemapBox> groupBoxes = Squarify(groupAreas, map);

    std::string labels, outlines, legend;
    for (size_t g = 0; g < groups.size(); ++g) {
        const Group& group = groups[g];
        const char* colour = kPalette[g % std::size(kPalette)];
        const std::string name = group.mName.empty() ? "(global)" : MemoryReport::EscapeName(group.mName);
        std::vector<double> areas;
        for (const MemoryReport::Row* row : group.mTypes) areas.push_back(double(row->mBytes) * scale);
        const std::vector<TreemapBox> boxes = Squarify(areas, groupBoxes[g]);

        svg += "<g class=\"namespace\" data-namespace=\"" + XmlEscaped(name) +
               "\" stroke=\"#ffffff\" stroke-width=\"0.5\">\n";
        for (size_t t = 0; t < boxes.size(); ++t) {
            const MemoryReport::Row& row = *group.mTypes[t];
            const std::string type = MemoryReport::EscapeName(row.mName);
            const TreemapBox& box = boxes[t];
            // Shades of the namespace's colour in turn, so that neighbours stand apart.
            static const double kShades[] = {0.15, 0.4, 0.27, 0.52};
            const double white = kShades[t % std::size(kShades)];
            svg += "<rect class=\"type\" " + Rect(box) + " fill=\"" + Lighter(colour, white) + "\"><title>" +
                   XmlEscaped(type) + "\n" + HumanBytes(row.mBytes) + " (" + Share(row.mBytes, total) + "), " +
                   std::to_string(row.mInstances) + " instances, " + std::to_string(row.mReferences) +
                   " references</title></rect>\n";

            const std::string_view space = NamespaceOf(type);
            const std::string label(space.empty() ? type : type.substr(space.size() + 2));
            const std::string bytes = HumanBytes(row.mBytes);
            if (box.mWidth < double(label.size()) * kCharWidth + 8 || box.mHeight < kLineHeight + 4) continue;
            const double x = box.mX + 4, y = box.mY + kLineHeight;
            labels += "<text x=\"" + Number(x) + "\" y=\"" + Number(y) + "\">" + XmlEscaped(label) + "</text>\n";
            if (box.mHeight >= 2 * kLineHeight + 4 && box.mWidth >= double(bytes.size()) * kCharWidth + 8)
                labels += "<text x=\"" + Number(x) + "\" y=\"" + Number(y + kLineHeight) + "\" fill=\"#333333\">" +
                          bytes + "</text>\n";
        }
        svg += "</g>\n";

        const std::string summary = name + ": " + HumanBytes(group.mBytes) + " (" + Share(group.mBytes, total) +
                                    "), " + std::to_string(group.mTypes.size()) + " types";
        outlines += "<rect class=\"namespace\" " + Rect(groupBoxes[g]) + "><title>" + XmlEscaped(summary) +
                    "</title></rect>\n";
        // The namespace's name in its bottom right corner, where its smallest types lie, unlabelled.
        const TreemapBox& area = groupBoxes[g];
        if (area.mWidth >= double(name.size()) * kCharWidth * 1.15 + 12 && area.mHeight >= 3 * kLineHeight)
            labels += "<text class=\"namespace\" x=\"" + Number(area.mX + area.mWidth - 6) + "\" y=\"" +
                      Number(area.mY + area.mHeight - 6) + "\" text-anchor=\"end\" font-weight=\"bold\" "
                      "stroke=\"#ffffff\" stroke-width=\"3\" paint-order=\"stroke\">" + XmlEscaped(name) + "</text>\n";
        const double legendX = kMargin + double(g % size_t(kLegendColumns)) * (map.mWidth / kLegendColumns);
        const double legendY = kMapTop + kMapHeight + 12 + double(g / size_t(kLegendColumns)) * kLegendRow;
        legend += "<rect class=\"legend\" x=\"" + Number(legendX) + "\" y=\"" + Number(legendY) +
                  "\" width=\"12\" height=\"12\" fill=\"" + Lighter(colour, 0.2) + "\"/>\n";
        legend += "<text x=\"" + Number(legendX + 18) + "\" y=\"" + Number(legendY + 10) + "\">" + XmlEscaped(summary) +
                  "</text>\n";
    }
    svg += "<g class=\"outlines\" fill=\"none\" stroke=\"#303030\" stroke-width=\"1.5\">\n" + outlines + "</g>\n";
    svg += "<g class=\"labels\" pointer-events=\"none\">\n" + labels + "</g>\n";
    svg += "<g class=\"legend\">\n" + legend + "</g>\n";
    return svg + "</svg>\n";
}

} // namespace Tarn::Utilities
