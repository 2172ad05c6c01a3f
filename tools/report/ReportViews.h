// Views of a memory report for the people and programs that read it:
//
//   Summary   an aligned table for a terminal: shares, cumulative shares, average bytes per instance
//   Diff      per type the change between two reports, largest first, for finding what grew
//   Json, Csv the same rows for programs
//   Treemap   an SVG picture of memory by type, grouped by namespace (Treemap.h)
//
// Budgets (Budgets.h) check a report against limits; RunReportTool (ReportTool.h) is the command line over all of it.
#pragma once

#include "utilities/memory/MemoryReport.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace Tarn::Utilities {

// Bytes for a reader: "512 B", "1.5 KiB", "31.6 MiB", with one decimal from KiB on.
std::string HumanBytes(uint64_t bytes);
// A change of bytes: "+1.5 KiB", "-512 B", "0 B".
std::string SignedBytes(int64_t change);

// The namespace of a type name: what comes before its last "::", stopping at a class template, whose members are no
// namespace's. "Tarn::Objects" for "Tarn::Objects::Point<float>*" and for "Tarn::Objects::_HashTable<...>::ValueList*";
// empty at global scope ("unsigned char*", "Dx10 VertexBuffer").
std::string_view NamespaceOf(std::string_view type);

// `top` rows at most, the rest in one line; 0 shows every row.
std::string Summary(const MemoryReport& report, size_t top = 0);
std::string Diff(const MemoryReport& before, const MemoryReport& after, size_t top = 0);

std::string Json(const MemoryReport& report);
std::string Csv(const MemoryReport& report);

} // namespace Tarn::Utilities
