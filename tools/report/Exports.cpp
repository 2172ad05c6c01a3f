// The report's rows for programs: JSON and CSV. Both carry the exact counters; shares are a division away. Names are
// spelled as the report spells them, so JSON is always valid UTF-8 and no CSV field holds a line break.
#include "tools/report/JsonRows.h"
#include "tools/report/ReportViews.h"

namespace Tarn::Utilities {

nlohmann::ordered_json JsonRows(const MemoryReport& report) {
    const auto counters = [](const MemoryReport::Row& row) {
        return nlohmann::ordered_json{
            {"bytes", row.mBytes}, {"instances", row.mInstances}, {"references", row.mReferences}};
    };
    nlohmann::ordered_json types = nlohmann::ordered_json::array();
    for (const MemoryReport::Row& row : report.mRows) {
        nlohmann::ordered_json type = {{"type", MemoryReport::EscapeName(row.mName)}};
        type.update(counters(row));
        nlohmann::ordered_json& through = type["reached_through"] = nlohmann::ordered_json::array();
        for (const MemoryReport::StaticType& other : row.mStaticTypes)
            through.push_back({{"type", MemoryReport::EscapeName(other.mName)}, {"instances", other.mInstances}});
        types.push_back(std::move(type));
    }
    return {{"total", counters(report.mTotal)}, {"types", std::move(types)}};
}

std::string Json(const MemoryReport& report) { return JsonRows(report).dump(2) + "\n"; }

namespace {

// A field as RFC 4180 has it: quoted when it holds a comma, a quote or a line break, quotes doubled inside.
std::string CsvField(const std::string& text) {
    if (text.find_first_of(",\"\r\n") == std::string::npos) return text;
    std::string quoted = "\"";
    for (char c : text) quoted += c == '"' ? std::string("\"\"") : std::string(1, c);
    return quoted + "\"";
}

} // namespace

// One record a type; the static types it was reached through as "name=instances", separated by "; ".
std::string Csv(const MemoryReport& report) {
    std::string text = "type,bytes,instances,references,reached_through\r\n";
    for (const MemoryReport::Row& row : report.mRows) {
        std::string through;
        for (const MemoryReport::StaticType& other : row.mStaticTypes)
            through += (through.empty() ? "" : "; ") + MemoryReport::EscapeName(other.mName) + "=" +
                       std::to_string(other.mInstances);
        text += CsvField(MemoryReport::EscapeName(row.mName)) + "," + std::to_string(row.mBytes) + "," + std::to_string(row.mInstances) + "," +
                std::to_string(row.mReferences) + "," + CsvField(through) + "\r\n";
    }
    return text;
}

} // namespace Tarn::Utilities
