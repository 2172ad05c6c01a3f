#include "utilities/memory/MemoryReport.h"

#include "utilities/memory/NameSpelling.h"

#include <charconv>
#include <unordered_map>
#include <unordered_set>

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

std::string Quoted(std::string_view text) { return MemoryReport::Quote(text); }
std::string QuotedName(const std::string& name) { return MemoryReport::Quote(MemoryReport::EscapeName(name)); }

const char* const kColumnNames[] = {"type", "bytes", "instances", "references"};

// Columns 2 to 4 of a row or of the Total line into `row`; false, and why in `error`, when one is not a number.
bool ReadCounters(MemoryReport::Row& row, const std::vector<std::string_view>& columns, MemoryReport::Error& error) {
    uint64_t* counters[] = {&row.mBytes, &row.mInstances, &row.mReferences};
    for (size_t i = 1; i <= 3; ++i) {
        const std::optional<uint64_t> value = Number(columns[i]);
        if (!value) {
            error.mMessage = std::string("the ") + kColumnNames[i] + " of " + QuotedName(row.mName) +
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
    std::unordered_set<std::string_view> staticNames;       // the static types of the last row
    uint64_t staticInstances = 0;                           // and their instances
    const auto refuse = [&](std::string message) {
        error = {lineNumber, std::move(message)};
        return false;
    };
    const auto fail = [&](std::string message) {
        refuse(std::move(message));
        return std::nullopt;
    };
    // A name as the recorder spells it, or nothing and the error says so.
    const auto name = [&](std::string_view spelled, const char* what) -> std::optional<std::string> {
        std::optional<std::string> read = UnescapeName(spelled);
        if (!read)
            refuse(std::string("the ") + what + " " + Quoted(spelled) +
                   " is not spelled as the recorder spells names: \\t, \\n, \\r, \\\\ and \\xHH stand for a tab, a line "
                   "feed, a carriage return, a backslash and any other byte that is not printable UTF-8 text");
        return read;
    };
    // The static type in `columns` 4 and 5, under the last row.
    const auto addStaticType = [&](const std::vector<std::string_view>& columns) {
        Row& row = report.mRows.back();
        std::optional<std::string> staticName = name(columns[4], "static type");
        if (!staticName) return false;
        const std::optional<uint64_t> instances = Number(columns[5]);
        if (!instances)
            return refuse("the instances of static type " + Quoted(columns[4]) + " are not a number: " +
                          Quoted(columns[5]));
        if (*staticName == row.mName) return refuse(Quoted(columns[4]) + " is listed as a static type of its own row");
        if (!staticNames.insert(columns[4]).second)
            return refuse("a second static type " + Quoted(columns[4]) + " under " + QuotedName(row.mName));
        // The listed pairs' instances are among their row's.
        if (__builtin_add_overflow(staticInstances, *instances, &staticInstances) || staticInstances > row.mInstances)
            return refuse("the static types of " + QuotedName(row.mName) + " have more instances than its " +
                          std::to_string(row.mInstances));
        row.mStaticTypes.push_back({std::move(*staticName), *instances});
        return true;
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

        // A continuation line: four empty columns, a static type and its instances. A row's bytes are never empty,
        // so a row of the empty name, which begins with a tab too, is told apart by its second column.
        if (columns.size() > 1 && columns[0].empty() && columns[1].empty()) {
            if (columns.size() != 6 || !columns[2].empty() || !columns[3].empty())
                return fail("a continuation line is four tabs, a static type, a tab and its instances");
            if (report.mRows.empty()) return fail("a continuation line with no row before it");
            const Row& row = report.mRows.back();
            if (row.mStaticTypes.empty())
                return fail("a continuation line under the row of " + QuotedName(row.mName) +
                            ", which has no static type in its fifth column");
            if (!addStaticType(columns)) return std::nullopt;
            continue;
        }

        // A row: type, bytes, instances, references, and perhaps a first static type with its instances.
        const std::string_view spelled = columns[0];
        if (columns.size() < 4)
            return fail("the row of " + Quoted(spelled) + " has no " + kColumnNames[columns.size()] +
                        " column; a row has type, bytes, instances and references");
        if (columns.size() == 5)
            return fail("the static type " + Quoted(columns[4]) + " of " + Quoted(spelled) +
                        " has no instances column");
        if (columns.size() > 6)
            return fail("the row of " + Quoted(spelled) + " has " + std::to_string(columns.size()) +
                        " columns; a row has at most six");
        std::optional<std::string> rowName = name(spelled, "type name");
        if (!rowName) return std::nullopt;
        Row row{std::move(*rowName), 0, 0, 0, {}};
        if (!ReadCounters(row, columns, error)) return fail(error.mMessage);
        // The recorder makes a row for a type it booked, at least once, and each booking is a reference.
        if (row.mReferences == 0) return fail("the row of " + Quoted(spelled) + " has no references");
        if (row.mInstances > row.mReferences)
            return fail("the row of " + Quoted(spelled) + " has more instances (" + std::to_string(row.mInstances) +
                        ") than references (" + std::to_string(row.mReferences) + ")");
        if (!report.mRows.empty() && row.mBytes > report.mRows.back().mBytes)
            return fail("the row of " + Quoted(spelled) + " has more bytes (" + std::to_string(row.mBytes) +
                        ") than the row before it (" + std::to_string(report.mRows.back().mBytes) +
                        "); rows fall by bytes");
        if (const auto [first, added] = rowLines.emplace(spelled, lineNumber); !added)
            return fail("a second row of " + Quoted(spelled) + "; the first is on line " +
                        std::to_string(first->second));
        report.mRows.push_back(std::move(row));
        staticNames.clear();
        staticInstances = 0;
        if (columns.size() == 6 && !addStaticType(columns)) return std::nullopt;
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
        text += EscapeName(row.mName) + "\t" + to_string(row.mBytes) + "\t" + to_string(row.mInstances) + "\t" +
                to_string(row.mReferences);
    };
    columns(mTotal);
    text += "\r\n";
    for (const Row& row : mRows) {
        columns(row);
        const char* separator = "\t";
        for (const StaticType& type : row.mStaticTypes) {
            text += separator + EscapeName(type.mName) + "\t" + to_string(type.mInstances);
            separator = "\r\n\t\t\t\t";
        }
        text += "\r\n";
    }
    return text;
}

std::string MemoryReport::EscapeName(std::string_view name) { return SpelledName(name); }

std::optional<std::string> MemoryReport::UnescapeName(std::string_view spelled) { return ReadName(spelled); }

std::string MemoryReport::Quote(std::string_view text) {
    constexpr size_t kMostQuoted = 200;
    std::string quoted = "\"";
    SpellName(text.substr(0, kMostQuoted), [&](const char* piece, size_t length) { quoted.append(piece, length); },
              false);
    quoted += '"';
    if (text.size() > kMostQuoted) quoted += "... (" + std::to_string(text.size()) + " bytes)";
    return quoted;
}

} // namespace Tarn::Utilities
