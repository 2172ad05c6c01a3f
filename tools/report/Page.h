// The page: one HTML file that shows a report in any current web browser, with no network. The report's rows are
// embedded as JSON in a page whose viewer (tools/report/page: page.html, page.css, page.js) is embedded in
// tarn_report at build time: a treemap by type that zooms into namespaces, the table of types, sortable and
// filtered, and, beside an earlier report, the change of every type.
#pragma once

#include "utilities/memory/MemoryReport.h"

#include <string>
#include <string_view>

namespace Tarn::Utilities {

// A report and the name the page calls it by (its file's name, say).
struct PageReport {
    const MemoryReport& mReport;
    std::string_view mName;
};

// The whole page; `before`, when given, is the earlier report that the page compares with.
std::string Page(PageReport report, const PageReport* before = nullptr);

// The viewer, with the marker "@REPORT_DATA@" where the data goes (generated from tools/report/page).
extern const std::string_view kPageTemplate;

} // namespace Tarn::Utilities
