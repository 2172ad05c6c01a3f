// Type names of any bytes, as a hostile host may hand them to the recorder. The input is cut at NUL bytes into names
// (a C string holds no NUL), each booked as a dynamic type under itself and under another name as its static type.
// The report must read back to exactly those names, one row per dynamic type, print again to the same text, and
// show in every view.
#include "tests/fuzz/FuzzChecks.h"
#include "utilities/memory/RecordMemory.h"

#include <cstddef>
#include <cstdint>
#include <set>

using namespace Tarn::Utilities;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::vector<std::string> names;
    for (std::string_view part : Parts({reinterpret_cast<const char*>(data), size})) names.emplace_back(part);
    if (names.size() > 64) names.resize(64);

    RecordMemory recorder;
    std::set<std::string> dynamicNames;
    for (size_t i = 0; i < names.size(); ++i) {
        const std::string& name = names[i];
        recorder.RecordObject(name.c_str(), name.c_str(), name.size(), true);
        recorder.RecordObject(name.c_str(), names[(i * 7 + 3) % names.size()].c_str(), i, i % 3 != 0);
        dynamicNames.insert(name);
    }
    const std::string text(recorder.GetResults());
    MemoryReport::Error error;
    const std::optional<MemoryReport> report = MemoryReport::Parse(text, error);
    Require(report && report->Print() == text);

    std::set<std::string> rows;
    for (const MemoryReport::Row& row : report->mRows) {
        Require(rows.insert(row.mName).second);
        for (const MemoryReport::StaticType& type : row.mStaticTypes)
            Require(type.mName != row.mName && dynamicNames.count(type.mName));
    }
    Require(rows == dynamicNames);
    RequireSoundViews(*report, *report);
    return 0;
}
