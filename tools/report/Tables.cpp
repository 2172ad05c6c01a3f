// The terminal views: the summary of one report and the difference of two.
#include "tools/report/ReportViews.h"
#include "tools/report/TextTable.h"

#include <algorithm>
#include <cstdio>
#include <map>
#include <tuple>
#include <vector>

namespace Tarn::Utilities {

namespace {

std::string Average(uint64_t bytes, uint64_t instances) {
    return instances ? HumanBytes((bytes + instances / 2) / instances) : "-";
}

std::string ReachedThrough(const MemoryReport::Row& row) {
    std::string text;
    for (const MemoryReport::StaticType& type : row.mStaticTypes)
        text += (text.empty() ? "" : "; ") + MemoryReport::EscapeName(type.mName) + " (" +
                std::to_string(type.mInstances) + ")";
    return text;
}

// Rows by falling bytes; rows of equal bytes keep the report's order.
std::vector<const MemoryReport::Row*> ByBytes(const MemoryReport& report) {
    std::vector<const MemoryReport::Row*> rows;
    for (const MemoryReport::Row& row : report.mRows) rows.push_back(&row);
    std::stable_sort(rows.begin(), rows.end(), [](auto* a, auto* b) { return a->mBytes > b->mBytes; });
    return rows;
}

std::string Types(size_t count, const char* what) {
    return "(" + std::to_string(count) + " " + what + (count == 1 ? " type" : " types") + ")";
}

// Counters stay far below 2^63 in any real process, so their differences fit a signed 64-bit number.
int64_t Change(uint64_t before, uint64_t after) { return static_cast<int64_t>(after - before); }

std::string Signed(int64_t change) { return (change > 0 ? "+" : "") + std::to_string(change); }

} // namespace

std::string SignedBytes(int64_t change) {
    if (change == 0) return "0 B";
    const uint64_t magnitude = change < 0 ? 0 - uint64_t(change) : uint64_t(change);
    return (change < 0 ? "-" : "+") + HumanBytes(magnitude);
}

std::string HumanBytes(uint64_t bytes) {
    if (bytes < 1024) return std::to_string(bytes) + " B";
    static const char* const kUnits[] = {"KiB", "MiB", "GiB", "TiB", "PiB", "EiB"};
    double value = double(bytes) / 1024;
    size_t unit = 0;
    while (value >= 1024 - 0.05 && unit + 1 < std::size(kUnits)) {  // 1023.97 KiB prints as 1.0 MiB
        value /= 1024;
        ++unit;
    }
    char text[32];
    std::snprintf(text, sizeof text, "%.1f %s", value, kUnits[unit]);
    return text;
}

std::string_view NamespaceOf(std::string_view type) {
    int depth = 0;
    bool inTemplate = false;  // a component with template arguments is a class: what follows it is no namespace
    size_t last = std::string_view::npos;
    for (size_t i = 0; i + 1 < type.size(); ++i) {
        const char c = type[i];
        if (c == '<' || c == '(') {
            inTemplate = inTemplate || depth == 0;
            ++depth;
        } else if ((c == '>' || c == ')') && depth > 0) {
            --depth;
        } else if (c == ':' && type[i + 1] == ':' && depth == 0) {
            if (inTemplate) break;
            last = i++;
        }
    }
    return last == std::string_view::npos ? std::string_view() : type.substr(0, last);
}

std::string Summary(const MemoryReport& report, size_t top) {
    const MemoryReport::Row& total = report.mTotal;
    Table table("lrrrrrrl");
    table.Add({"Type", "Bytes", "Share", "Cumulative", "Instances", "References", "Average", "Reached through"});
    table.Add({"Total", HumanBytes(total.mBytes), Percent(total.mBytes, total.mBytes), "",
               std::to_string(total.mInstances), std::to_string(total.mReferences),
               Average(total.mBytes, total.mInstances), ""});
    const std::vector<const MemoryReport::Row*> rows = ByBytes(report);
    const size_t shown = top ? std::min(top, rows.size()) : rows.size();
    uint64_t cumulative = 0;
    for (size_t r = 0; r < shown; ++r) {
        const MemoryReport::Row& row = *rows[r];
        cumulative += row.mBytes;
        table.Add({MemoryReport::EscapeName(row.mName), HumanBytes(row.mBytes), Percent(row.mBytes, total.mBytes),
                   Percent(cumulative, total.mBytes), std::to_string(row.mInstances),
                   std::to_string(row.mReferences), Average(row.mBytes, row.mInstances), ReachedThrough(row)});
    }
    if (shown < rows.size()) {
        MemoryReport::Row rest;
        for (size_t r = shown; r < rows.size(); ++r) {
            rest.mBytes += rows[r]->mBytes;
            rest.mInstances += rows[r]->mInstances;
            rest.mReferences += rows[r]->mReferences;
        }
        table.Add({Types(rows.size() - shown, "more"), HumanBytes(rest.mBytes),
                   Percent(rest.mBytes, total.mBytes), Percent(cumulative + rest.mBytes, total.mBytes),
                   std::to_string(rest.mInstances), std::to_string(rest.mReferences),
                   Average(rest.mBytes, rest.mInstances), ""});
    }
    return table.Text();
}

std::string Diff(const MemoryReport& before, const MemoryReport& after, size_t top) {
    struct Changed {
        const std::string* mName;
        const MemoryReport::Row* mBefore;  // null: new in the later report
        const MemoryReport::Row* mAfter;   // null: gone from it
        int64_t mBytes, mInstances, mReferences;
    };
    std::map<std::string_view, Changed> byName;
    static const MemoryReport::Row kNone;
    for (const MemoryReport::Row& row : before.mRows) byName[row.mName] = {&row.mName, &row, nullptr, 0, 0, 0};
    for (const MemoryReport::Row& row : after.mRows) {
        Changed& entry = byName[row.mName];
        entry.mName = &row.mName;
        entry.mAfter = &row;
    }
    std::vector<Changed> changes;
    size_t unchanged = 0;
    for (auto& [name, entry] : byName) {
        const MemoryReport::Row& was = entry.mBefore ? *entry.mBefore : kNone;
        const MemoryReport::Row& is = entry.mAfter ? *entry.mAfter : kNone;
        entry.mBytes = Change(was.mBytes, is.mBytes);
        entry.mInstances = Change(was.mInstances, is.mInstances);
        entry.mReferences = Change(was.mReferences, is.mReferences);
        const bool same = entry.mBefore && entry.mAfter && !entry.mBytes && !entry.mInstances && !entry.mReferences;
        if (same) ++unchanged;
        else changes.push_back(entry);
    }
    // Largest absolute change first: of bytes, then of instances, then of references; then by name.
    const auto magnitude = [](int64_t n) { return n < 0 ? 0 - uint64_t(n) : uint64_t(n); };
    std::stable_sort(changes.begin(), changes.end(), [&](const Changed& a, const Changed& b) {
        const auto key = [&](const Changed& c) {
            return std::tuple(magnitude(c.mBytes), magnitude(c.mInstances), magnitude(c.mReferences));
        };
        return key(a) > key(b);
    });

    Table totals("lrrr");
    totals.Add({"", "Bytes", "Instances", "References"});
    for (const auto& [label, row] : {std::pair{"Before", &before.mTotal}, std::pair{"After", &after.mTotal}})
        totals.Add({label, HumanBytes(row->mBytes), std::to_string(row->mInstances), std::to_string(row->mReferences)});
    totals.Add({"Change", SignedBytes(Change(before.mTotal.mBytes, after.mTotal.mBytes)),
                Signed(Change(before.mTotal.mInstances, after.mTotal.mInstances)),
                Signed(Change(before.mTotal.mReferences, after.mTotal.mReferences))});

    Table table("lrrrrrl");
    table.Add({"Type", "Bytes +/-", "Instances +/-", "References +/-", "Bytes before", "Bytes after", ""});
    const size_t shown = top ? std::min(top, changes.size()) : changes.size();
    for (size_t c = 0; c < shown; ++c) {
        const Changed& change = changes[c];
        table.Add({MemoryReport::EscapeName(*change.mName), SignedBytes(change.mBytes), Signed(change.mInstances), Signed(change.mReferences),
                   change.mBefore ? HumanBytes(change.mBefore->mBytes) : "",
                   change.mAfter ? HumanBytes(change.mAfter->mBytes) : "",
                   !change.mBefore ? "new" : !change.mAfter ? "gone" : ""});
    }
    std::string text = totals.Text() + "\n" + table.Text();
    if (shown < changes.size()) text += Types(changes.size() - shown, "more changed") + "\n";
    text += Types(unchanged, "unchanged") + "\n";
    return text;
}

} // namespace Tarn::Utilities
