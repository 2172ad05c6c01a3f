#include "tools/report/HistoryViews.h"

#include "tools/report/ReportViews.h"
#include "tools/report/TextTable.h"
#include "tools/report/Treemap.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <ctime>
#include <unordered_map>

namespace Tarn::Utilities {

namespace {

int64_t Change(uint64_t before, uint64_t after) { return static_cast<int64_t>(after - before); }

double Median(std::vector<uint64_t> values) {
    std::sort(values.begin(), values.end());
    const size_t middle = values.size() / 2;
    return values.size() % 2 ? double(values[middle]) : (double(values[middle - 1]) + double(values[middle])) / 2;
}

std::string Exactly(uint64_t bytes) { return HumanBytes(bytes) + " (" + std::to_string(bytes) + " bytes)"; }

// Names, labels and metadata as a report spells names: printable text stays, anything else is escaped, so that no
// view passes a control character or invalid UTF-8 on.
std::string Spelled(std::string_view text) { return MemoryReport::EscapeName(text); }

} // namespace

std::string TimeText(int64_t time) {
    const std::time_t seconds = static_cast<std::time_t>(time);
    std::tm utc{};
    char text[32] = "?";
    if (gmtime_r(&seconds, &utc)) std::strftime(text, sizeof text, "%Y-%m-%d %H:%M", &utc);
    return text;
}

bool ParseTime(std::string_view text, int64_t& time) {
    std::tm utc{};
    const std::string copy(text);
    for (const char* format : {"%Y-%m-%dT%H:%M:%SZ", "%Y-%m-%d"}) {
        utc = {};
        const char* end = strptime(copy.c_str(), format, &utc);
        if (end && *end == '\0') {
            time = timegm(&utc);
            return true;
        }
    }
    return false;
}

std::string ShowHistory(const History& history, const HistorySeries& series, size_t last) {
    const std::vector<History::Build> builds = history.Builds(last ? last + 1 : 0);
    const size_t first = last && builds.size() > last ? 1 : 0;  // the build before the first shown, for its change
    std::vector<uint64_t> bytes;
    if (series.mKind == HistorySeries::Kind::Total)
        for (const History::Build& build : builds) bytes.push_back(build.mTotal.mBytes);
    else
        bytes = history.Bytes(builds, series.mName, series.mKind == HistorySeries::Kind::Namespace);

    Table table("llrrl");
    table.Add({"Build", "Time (UTC)", "Bytes", "Change", "Metadata"});
    for (size_t b = first; b < builds.size(); ++b) {
        std::string metadata;
        for (const auto& [key, value] : builds[b].mMetadata)
            metadata += (metadata.empty() ? "" : " ") + Spelled(key + "=" + value);
        table.Add({Spelled(builds[b].mLabel), TimeText(builds[b].mTime), HumanBytes(bytes[b]),
                   b ? SignedBytes(Change(bytes[b - 1], bytes[b])) : "", metadata});
    }
    const char* const kWhat[] = {"Total", "Type ", "Namespace "};
    return kWhat[int(series.mKind)] + Spelled(series.mName) + "\n" + table.Text();
}

std::vector<std::string> GrownTypes(const History& history, size_t last, double thresholdPercent) {
    const std::vector<History::Build> builds = history.Builds(last + 1);
    if (builds.size() < 2) return {};
    const size_t earlier = builds.size() - 1;
    std::unordered_map<std::string, std::vector<uint64_t>> bytesBefore;  // per type, per earlier build
    for (size_t b = 0; b < earlier; ++b) {
        for (const MemoryReport::Row& row : history.Report(builds[b].mId).mRows) {
            std::vector<uint64_t>& bytes = bytesBefore[row.mName];
            bytes.resize(earlier, 0);
            bytes[b] = row.mBytes;
        }
    }
    const std::string before = earlier == 1 ? "the build before" : "the " + std::to_string(earlier) + " builds before";

    std::vector<std::pair<double, std::string>> grown;  // by growth over the median
    for (const MemoryReport::Row& row : history.Report(builds.back().mId).mRows) {
        const auto found = bytesBefore.find(row.mName);
        const double median = found == bytesBefore.end() ? 0 : Median(found->second);
        if (double(row.mBytes) <= median * (1 + thresholdPercent / 100)) continue;
        char percent[32];
        std::snprintf(percent, sizeof percent, "%.1f%%", 100 * (double(row.mBytes) - median) / median);
        grown.emplace_back(double(row.mBytes) - median,
                           Spelled(row.mName) + ": " + Exactly(row.mBytes) + ", " +
                               (median == 0 ? "up from none in " + before
                                            : std::string(percent) + " over the median of " + before + ", " +
                                                  Exactly(uint64_t(std::llround(median)))));
    }
    std::stable_sort(grown.begin(), grown.end(), [](const auto& a, const auto& b) { return a.first > b.first; });
    std::vector<std::string> lines;
    for (auto& [growth, line] : grown) lines.push_back(std::move(line));
    return lines;
}

// ---- The plot ---------------------------------------------------------------------------------------------------

namespace {

constexpr double kWidth = 1100, kHeight = 560, kLeft = 80, kTop = 44, kPlotWidth = 700, kPlotHeight = 380;
constexpr double kLabelGap = 14;  // between the labels at the lines' ends
const char* const kPalette[] = {"#4e79a7", "#f28e2b", "#e15759", "#76b7b2", "#59a14f",
                                "#edc948", "#b07aa1", "#ff9da7", "#9c755f", "#bab0ac"};

std::string Number(double value) {
    char text[32];
    return std::string(text, std::to_chars(text, text + sizeof text, std::round(value * 100) / 100).ptr);
}

// A step for about five ticks up to `top` bytes: 1, 2 or 5 times a power of ten of the unit that `top` is shown in.
double TickStep(double top, double& unit, const char*& unitName) {
    static const char* const kUnits[] = {"B", "KiB", "MiB", "GiB", "TiB", "PiB", "EiB"};
    unit = 1;
    size_t u = 0;
    while (top / unit >= 1024 && u + 1 < std::size(kUnits)) {
        unit *= 1024;
        ++u;
    }
    unitName = kUnits[u];
    const double rough = std::max(top / unit / 5, 1e-9);
    const double power = std::pow(10, std::floor(std::log10(rough)));
    for (double factor : {1.0, 2.0, 5.0, 10.0})
        if (factor * power >= rough) return factor * power * unit;
    return 10 * power * unit;
}

struct Line {
    std::string mName;             // as the report spells it
    std::vector<uint64_t> mBytes;  // per build
    const char* mColour;
};

} // namespace

std::string PlotHistory(const History& history, size_t top) {
    const std::vector<History::Build> builds = history.Builds();
    std::vector<std::string> labels;
    for (const History::Build& build : builds) labels.push_back(Spelled(build.mLabel));
    std::vector<Line> lines;
    lines.push_back({"Total", {}, "#303030"});
    for (const History::Build& build : builds) lines[0].mBytes.push_back(build.mTotal.mBytes);
    if (!builds.empty()) {
        std::vector<MemoryReport::Row> rows = history.Report(builds.back().mId).mRows;
        std::stable_sort(rows.begin(), rows.end(), [](const auto& a, const auto& b) { return a.mBytes > b.mBytes; });
        for (size_t t = 0; t < std::min(top, rows.size()); ++t)
            lines.push_back({Spelled(rows[t].mName), history.Bytes(builds, rows[t].mName, false),
                             kPalette[t % std::size(kPalette)]});
    }

    uint64_t most = 1;
    for (const Line& line : lines)
        for (uint64_t bytes : line.mBytes) most = std::max(most, bytes);
    double unit = 1;
    const char* unitName = "B";
    const double step = TickStep(double(most), unit, unitName);
    const double ceiling = std::ceil(double(most) / step) * step;
    const auto x = [&](size_t b) {
        return builds.size() < 2 ? kLeft + kPlotWidth / 2 : kLeft + kPlotWidth * double(b) / double(builds.size() - 1);
    };
    const auto y = [&](uint64_t bytes) { return kTop + kPlotHeight * (1 - double(bytes) / ceiling); };

    std::string svg = "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"" + Number(kWidth) + "\" height=\"" +
                      Number(kHeight) + "\" viewBox=\"0 0 " + Number(kWidth) + " " + Number(kHeight) +
                      "\" font-family=\"DejaVu Sans, Verdana, sans-serif\" font-size=\"11\">\n";
    const std::string heading = "Memory over " + std::to_string(builds.size()) +
                                (builds.size() == 1 ? " build" : " builds") + ": the total and the " +
                                std::to_string(lines.size() - 1) + " largest types of the latest build";
    svg += "<title>" + XmlEscaped(heading) + "</title>\n";
    svg += "<rect width=\"100%\" height=\"100%\" fill=\"#ffffff\"/>\n";
    svg += "<text x=\"" + Number(kLeft) + "\" y=\"24\" font-size=\"15\" font-weight=\"bold\">" + XmlEscaped(heading) +
           "</text>\n";

    svg += "<g class=\"axis\" stroke=\"#d0d4da\">\n";
    std::string tickLabels;
    for (double tick = 0; tick <= ceiling + step / 2; tick += step) {
        const double at = y(uint64_t(tick));
        svg += "<line x1=\"" + Number(kLeft) + "\" x2=\"" + Number(kLeft + kPlotWidth) + "\" y1=\"" + Number(at) +
               "\" y2=\"" + Number(at) + "\"/>\n";
        char label[48];
        std::snprintf(label, sizeof label, "%g %s", tick / unit, unitName);
        tickLabels += "<text x=\"" + Number(kLeft - 6) + "\" y=\"" + Number(at + 4) + "\" text-anchor=\"end\">" +
                      label + "</text>\n";
    }
    svg += "</g>\n<g class=\"ticks\">\n" + tickLabels + "</g>\n";

    // Build labels under the axis, slanted; with many builds, every few so that they stay apart.
    const size_t every = std::max<size_t>(1, (builds.size() + 29) / 30);
    svg += "<g class=\"builds\">\n";
    for (size_t b = 0; b < builds.size(); b += every) {
        const std::string at = Number(x(b)) + "," + Number(kTop + kPlotHeight + 14);
        svg += "<text transform=\"translate(" + at + ") rotate(-35)\" text-anchor=\"end\">" +
               XmlEscaped(labels[b]) + "</text>\n";
    }
    svg += "</g>\n";

    // Each line, its points with their numbers, and its label at its end, the labels pushed apart so as not to
    // overlap.
    std::vector<std::pair<double, size_t>> ends;  // label height, line
    for (size_t l = 0; l < lines.size(); ++l) {
        const Line& line = lines[l];
        std::string points, dots;
        for (size_t b = 0; b < builds.size(); ++b) {
            points += (b ? " " : "") + Number(x(b)) + "," + Number(y(line.mBytes[b]));
            dots += "<circle cx=\"" + Number(x(b)) + "\" cy=\"" + Number(y(line.mBytes[b])) + "\" r=\"2.5\"><title>" +
                    XmlEscaped(labels[b] + ": " + line.mName + " " + Exactly(line.mBytes[b])) +
                    "</title></circle>\n";
        }
        svg += "<g class=\"line\" data-name=\"" + XmlEscaped(line.mName) + "\" stroke=\"" + line.mColour +
               "\" fill=\"" + line.mColour + "\">\n<title>" + XmlEscaped(line.mName) + "</title>\n" +
               "<polyline fill=\"none\" stroke-width=\"" + (l ? "1.8" : "2.6") + "\" points=\"" + points + "\"/>\n" +
               dots + "</g>\n";
        if (!builds.empty()) ends.emplace_back(y(line.mBytes.back()), l);
    }
    std::sort(ends.begin(), ends.end());
    for (size_t e = 1; e < ends.size(); ++e) ends[e].first = std::max(ends[e].first, ends[e - 1].first + kLabelGap);
    const double overrun = ends.empty() ? 0 : ends.back().first - (kTop + kPlotHeight);
    svg += "<g class=\"labels\">\n";
    for (auto& [at, l] : ends) {
        const double labelY = at - std::max(0.0, overrun) + 4;
        const Line& line = lines[l];
        svg += "<text x=\"" + Number(kLeft + kPlotWidth + 12) + "\" y=\"" + Number(labelY) + "\" fill=\"" +
               line.mColour + "\">" + XmlEscaped(line.mName + "  " + HumanBytes(line.mBytes.back())) + "</text>\n";
    }
    return svg + "</g>\n</svg>\n";
}

} // namespace Tarn::Utilities
