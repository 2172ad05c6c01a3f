// The rows of a report as a JSON document, the one `tarn_report json` prints and the page embeds:
//   {"total": {"bytes", "instances", "references"},
//    "types": [{"type", "bytes", "instances", "references", "reached_through": [{"type", "instances"}]}]}
#pragma once

#include "utilities/memory/MemoryReport.h"

#include <nlohmann/json.hpp>

namespace Tarn::Utilities {

nlohmann::ordered_json JsonRows(const MemoryReport& report);

} // namespace Tarn::Utilities
