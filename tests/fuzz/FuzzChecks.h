// What every fuzz target here checks beyond "no crash": a failed check traps, which libFuzzer reports as a crash.
#pragma once

#include "tests/report/ViewChecks.h"
#include "tools/report/ReportViews.h"
#include "tools/report/Treemap.h"

#include <algorithm>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace Tarn::Utilities {

inline void Require(bool condition) {
    if (!condition) __builtin_trap();
}

// `input` cut at NUL bytes, which no report, budget file or type name holds.
inline std::vector<std::string_view> Parts(std::string_view input) {
    std::vector<std::string_view> parts;
    for (size_t start = 0;;) {
        const size_t end = input.find('\0', start);
        parts.push_back(input.substr(start, end - start));
        if (end == std::string_view::npos) return parts;
        start = end + 1;
    }
}

// A refusal names its line and quotes at most 200 bytes of it a time, escaped: short, and safe for a terminal.
inline void RequireSoundError(const MemoryReport::Error& error) {
    Require(error.mLine > 0 && error.mMessage.size() < 2048 && TerminalSafe(error.Text()));
}

// The report read from `text`, printed and read back to the same text; nothing when it is refused.
inline std::optional<MemoryReport> ReadBack(std::string_view text) {
    MemoryReport::Error error;
    std::optional<MemoryReport> report = MemoryReport::Parse(text, error);
    if (!report) {
        RequireSoundError(error);
        return std::nullopt;
    }
    const std::string printed = report->Print();
    const std::optional<MemoryReport> again = MemoryReport::Parse(printed, error);
    Require(again && again->Print() == printed);
    return report;
}

// Every view of one report valid in its format: text for a terminal, JSON that reads back, CSV of one line a record,
// well-formed XML.
inline void RequireSoundViews(const MemoryReport& report, const MemoryReport& other) {
    Require(TerminalSafe(Summary(report)) && TerminalSafe(Summary(report, 3)));
    Require(TerminalSafe(Diff(other, report)) && TerminalSafe(Diff(report, other, 2)));
    Require(!nlohmann::json::parse(Json(report), nullptr, false).is_discarded());
    const std::string csv = Csv(report);
    Require(size_t(std::count(csv.begin(), csv.end(), '\n')) == report.mRows.size() + 1 &&
            std::count(csv.begin(), csv.end(), '\r') == std::count(csv.begin(), csv.end(), '\n'));
    Require(XmlFault(Treemap(report)).empty());
}

} // namespace Tarn::Utilities
