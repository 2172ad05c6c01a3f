#include "utilities/memory/MemoryReport.h"

#include <charconv>
#include <unordered_map>

namespace Tarn::Utilities {

namespace {

std::vector<std::string_view> Columns(std::string_view line) {
    std::vector<std::string_view> columns;
    for (size_t start = 0;;) {
        const size_t tab = line.find('\t', start);
        columns.push_back(line.substr(start, tab - start));
        if (tab == std::string_view::npos) return columns;
        start = tab + 1;
    }
}

// A counter in decimal. Reports of earlier builds printed counters signed, so one of 2^63 or more reads negative.
std::optional<uint64_t> Number(std::string_view text) {
    const bool negative = !text.empty() && text[0] == '-';
    if (negative) text.remove_prefix(1);
    uint64_t value = 0;
    const char* end = text.data() + text.size();
    const auto [stop, failure] = std::from_chars(text.data(), end, value);
    if (text.empty() || failure != std::errc() || stop != end) return std::nullopt;
    if (!negative) return value;
    if (value > uint64_t(1) << 63) return std::nullopt;  // below the least signed 64-bit number
    return ~value + 1;
}

std::string Quoted(std::string_view name) { return "\"" + std::string(name) + "\""; }

const char* const kColumnNames[] = {"type", "bytes", "instances", "references"};

// Columns 2 to 4 of a row or of the Total line into `row`; false, and why in `error`, when one is not a number.
bool ReadCounters(MemoryReport::Row& row, const std::vector<std::string_view>& columns, MemoryReport::Error& error) {
    uint64_t* counters[] = {&row.mBytes, &row.mInstances, &row.mReferences};
    for (size_t i = 1; i <= 3; ++i) {
        const std::optional<uint64_t> value = Number(columns[i]);
        if (!value) {
            error.mMessage = std::string("the ") + kColumnNames[i] + " of " + Quoted(row.mName) +
                             " are not a number: " + Quoted(columns[i]);
            return false;
        }
        *counters[i - 1] = *value;
    }
    return true;
}

std::string Counts(uint64_t bytes, uint64_t instances, uint64_t references) {
    return "bytes " + std::to_string(bytes) + ", instances " + std::to_string(instances) + ", references " +
           std::to_string(references);
}

} // namespace

std::optional<MemoryReport> MemoryReport::Parse(std::string_view text, Error& error) {
    MemoryReport report;
    size_t lineNumber = 0;
    std::unordered_map<std::string_view, size_t> rowLines;  // each type's row, to refuse a second one
    auto fail = [&](std::string message) {
        error = {lineNumber, std::move(message)};
        return std::nullopt;
    };

    if (text.empty()) {
        lineNumber = 1;
        return fail("empty: not a memory report");
    }
    while (!text.empty()) {
        ++lineNumber;
        const size_t end = text.find('\n');
        std::string_view line = text.substr(0, end);
        text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);
        if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
        const std::vector<std::string_view> columns = Columns(line);

        if (lineNumber == 1) {
            if (columns[0] != "Total")
                return fail("not a memory report: it begins with \"Total\", bytes, instances and references");
            if (columns.size() != 4)
                return fail("the Total line has " + std::to_string(columns.size()) +
                            " columns; it has \"Total\", bytes, instances and references");
            if (!ReadCounters(report.mTotal, columns, error)) return fail(error.mMessage);
            continue;
        }
        if (line.empty()) return fail("an empty line where a row or a continuation line belongs");

        if (line[0] == '\t') {  // a continuation line: four tabs, a static type and its instances
            if (columns.size() != 6 || !columns[0].empty() || !columns[1].empty() || !columns[2].empty() ||
                !columns[3].empty() || columns[4].empty())
                return fail("a continuation line is four tabs, a static type, a tab and its instances");
            if (report.mRows.empty()) return fail("a continuation line with no row before it");
            Row& row = report.mRows.back();
            if (row.mStaticTypes.empty())
                return fail("a continuation line under the row of " + Quoted(row.mName) +
                            ", which has no static type in its fifth column");
            const std::optional<uint64_t> instances = Number(columns[5]);
            if (!instances)
                return fail("the instances of static type " + Quoted(columns[4]) + " are not a number: " +
                            Quoted(columns[5]));
            row.mStaticTypes.push_back({std::string(columns[4]), *instances});
            continue;
        }

        // A row: type, bytes, instances, references, and perhaps a first static type with its instances.
        const std::string_view name = columns[0];
        if (columns.size() < 4)
            return fail("the row of " + Quoted(name) + " has no " + kColumnNames[columns.size()] +
                        " column; a row has type, bytes, instances and references");
        if (columns.size() == 5)
            return fail("the static type " + Quoted(columns[4]) + " of " + Quoted(name) + " has no instances column");
        if (columns.size() > 6)
            return fail("the row of " + Quoted(name) + " has " + std::to_string(columns.size()) +
                        " columns; a row has at most six");
        Row row{std::string(name), 0, 0, 0, {}};
        if (!ReadCounters(row, columns, error)) return fail(error.mMessage);
        if (columns.size() == 6) {
            if (columns[4].empty()) return fail("the row of " + Quoted(name) + " has an empty fifth column");
            const std::optional<uint64_t> instances = Number(columns[5]);
            if (!instances)
                return fail("the instances of static type " + Quoted(columns[4]) + " are not a number: " +
                            Quoted(columns[5]));
            row.mStaticTypes.push_back({std::string(columns[4]), *instances});
        }
        if (const auto [first, added] = rowLines.emplace(name, lineNumber); !added)
            return fail("a second row of " + Quoted(name) + "; the first is on line " + std::to_string(first->second));
        report.mRows.push_back(std::move(row));
    }

    // The recorder adds the rows up into the Total (modulo 2^64, as its counters wrap); a line lost on the way, or
    // a number changed, shows here.
    uint64_t bytes = 0, instances = 0, references = 0;
    for (const Row& row : report.mRows) {
        bytes += row.mBytes;
        instances += row.mInstances;
        references += row.mReferences;
    }
    const Row& total = report.mTotal;
    if (bytes != total.mBytes || instances != total.mInstances || references != total.mReferences) {
        lineNumber = 1;
        return fail("the Total (" + Counts(total.mBytes, total.mInstances, total.mReferences) +
                    ") is not the sum of the rows (" + Counts(bytes, instances, references) + ")");
    }
    return report;
}

std::string MemoryReport::Print() const {
    using std::to_string;
    std::string text;
    const auto columns = [&](const Row& row) {
        text += row.mName + "\t" + to_string(row.mBytes) + "\t" + to_string(row.mInstances) + "\t" +
                to_string(row.mReferences);
    };
    columns(mTotal);
    text += "\r\n";
    for (const Row& row : mRows) {
        columns(row);
        const char* separator = "\t";
        for (const StaticType& type : row.mStaticTypes) {
            text += separator + type.mName + "\t" + to_string(type.mInstances);
            separator = "\r\n\t\t\t\t";
        }
        text += "\r\n";
    }
    return text;
}

} // namespace Tarn::Utilities
