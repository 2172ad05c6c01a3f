// The report's reader and every view of tarn_report. The input is up to three texts cut at NUL bytes: a report, a
// second report for the diff (the first again when there is none) and a budget file. What reads prints and reads
// back to the same text, and every view of it is valid in its format; what does not read is refused with a short,
// printable message.
#include "tests/fuzz/FuzzChecks.h"
#include "tools/report/Budgets.h"

#include <cstddef>
#include <cstdint>

using namespace Tarn::Utilities;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::vector<std::string_view> parts = Parts({reinterpret_cast<const char*>(data), size});
    const std::optional<MemoryReport> report = ReadBack(parts[0]);
    const std::optional<MemoryReport> other = parts.size() > 1 ? ReadBack(parts[1]) : report;

    MemoryReport::Error error;
    const std::optional<std::vector<Budget>> budgets = ParseBudgets(parts.back(), error);
    if (!budgets) RequireSoundError(error);
    if (!report) return 0;

    RequireSoundViews(*report, other ? *other : *report);
    if (budgets)
        for (const std::string& line : BrokenBudgets(*report, *budgets, "budgets.txt")) Require(TerminalSafe(line));
    return 0;
}
