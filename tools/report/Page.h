// The page: one HTML file that shows a report in any current web browser, with no network. The report's rows are
// embedded as JSON in a page whose viewer (tools/report/page: page.html, page.css, page.js) is embedded in
// tarn_report at build time: a treemap by type that zooms into namespaces, the table of types, sortable and
// filtered, and, beside an earlier report, the change of every type. The page of a snapshot shows its graph too:
// a treemap by owner, the dominator tree and the path from the root to any object of them.
#pragma once

#include "utilities/memory/MemoryReport.h"

#include <nlohmann/json.hpp>

#include <cstddef>
#include <string>
#include <string_view>

namespace Tarn::Utilities {

struct SnapshotAnalysis;

// A report and the name the page calls it by (its file's name, say); and the snapshot it came from, if any.
struct PageReport {
    const MemoryReport& mReport;
    std::string_view mName;
    const SnapshotAnalysis* mGraph = nullptr;
};

// How much of a snapshot's graph the page embeds, so that it stays a few hundred kilobytes whatever the graph's size.
struct PageLimits {
    size_t mOwners = 2000;      // the objects retaining most are opened: shown with their children that are opened
    size_t mTopChildren = 3;    // and this many largest children, whatever they retain, the rest folded
    size_t mPathObjects = 4000; // objects embedded only as steps of the paths to those
};

// The whole page; `before`, when given, is the earlier report that the page compares with (its graph unused).
std::string Page(PageReport report, const PageReport* before = nullptr);

// The part of a snapshot's graph that the page embeds:
//   {"total": bytes the root retains, "objects": objects it reaches, "unreachable": {"objects", "bytes"},
//    "owners", "top": the limits, "least": what the last object opened retains (0 when all are),
//    "types": [names, spelled as reports spell them], "namespaces": [each type's namespace],
//    "nodes": {"type", "address", "own", "retained", "dominator", "via", "more", "more_bytes"}}
// Nodes are columns of one array each, node 0 the root. The dominator tree's nodes come first, in the order the tree
// lists them: "dominator" is the index of the node's immediate dominator, "more" and "more_bytes" its children not
// embedded. Nodes only on paths follow, with "dominator" -1. "via" is the node before it on the shortest path from
// the root, -1 for the root and where the path is not embedded; addresses are "0x..." text.
nlohmann::ordered_json GraphData(const SnapshotAnalysis& analysis, const PageLimits& limits = {});

// The viewer, with the marker "@REPORT_DATA@" where the data goes (generated from tools/report/page).
extern const std::string_view kPageTemplate;

} // namespace Tarn::Utilities
