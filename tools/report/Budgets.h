// Memory budgets for continuous integration: limits on a report's bytes, one a line.
//
//   # The demo scene's budgets; "#" starts a comment.
//   total 160 MiB
//   namespace Tarn::Devices 140 MiB       every type whose name begins "Tarn::Devices::"
//   type Tarn::Graphics::GeometryNode 1 KiB
//   type Dx10 VertexBuffer 4096            a limit without a unit is in bytes
//
// Units are B, KiB, MiB, GiB and TiB; a limit may have decimals (1.5 MiB). A type or namespace that the report
// does not have uses no bytes, so its budget holds. "#" starts a comment at the start of a line or after a space or a
// tab, so that names such as "Host::{lambda()#1}" can be named; names are spelled as the report spells them.
#pragma once

#include "utilities/memory/MemoryReport.h"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace Tarn::Utilities {

struct Budget {
    enum class Kind { Total, Type, Namespace };
    Kind mKind = Kind::Total;
    std::string mName;  // the type or the namespace (without a trailing "::"); empty for the total
    uint64_t mLimit = 0;
    size_t mLine = 0;   // in the budget file
};

// Every budget of a file, or nothing and `error` says which line is wrong and why.
std::optional<std::vector<Budget>> ParseBudgets(std::string_view text, MemoryReport::Error& error);

// One line per broken budget, "FILE:LINE: what, how much, over by how much", in the file's order; none when all hold.
std::vector<std::string> BrokenBudgets(const MemoryReport& report, const std::vector<Budget>& budgets,
                                       std::string_view budgetFile);

} // namespace Tarn::Utilities
