// What a history of builds tells (History.h):
//
//   ShowHistory   per build the total, a type's or a namespace's bytes, and the change from the build before
//   GrownTypes    the types whose bytes in the latest build grew beyond a threshold over the median of the builds
//                 before: what a build farm checks after each build
//   PlotHistory   an SVG line chart of the total and the largest types over the builds
#pragma once

#include "tools/report/History.h"

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace Tarn::Utilities {

// What ShowHistory shows of each build.
struct HistorySeries {
    enum class Kind { Total, Type, Namespace };
    Kind mKind = Kind::Total;
    std::string mName;  // the type or the namespace (without a trailing "::")
};

// The last `last` builds (all for 0), oldest first; the first one's change is from the build before it, if any.
std::string ShowHistory(const History& history, const HistorySeries& series, size_t last = 0);

// One line per grown type, largest growth first. `last` builds before the latest make the median, or as many as
// there are; a type they lack counts 0 bytes in them, so a new type has grown. None with fewer than two builds.
std::vector<std::string> GrownTypes(const History& history, size_t last, double thresholdPercent);

// The total and the `top` types largest in the latest build, one labelled line each, over every build.
std::string PlotHistory(const History& history, size_t top);

// Seconds since 1970 UTC as "2026-11-01 02:00", and back from "2026-11-01T02:00:00Z" or "2026-11-01"; false when
// the text is neither.
std::string TimeText(int64_t time);
bool ParseTime(std::string_view text, int64_t& time);

} // namespace Tarn::Utilities
