#include "tools/report/Budgets.h"

#include "tools/report/ReportViews.h"

#include <charconv>
#include <cmath>

namespace Tarn::Utilities {

namespace {

struct Unit {
    std::string_view mName;
    double mBytes;
};
constexpr Unit kUnits[] = {
    {"B", 1}, {"KiB", 1024.0}, {"MiB", 1048576.0}, {"GiB", 1073741824.0}, {"TiB", 1099511627776.0}};

// The words of a line with where they stand, so that a name keeps the spaces inside it ("wchar_t const*").
std::vector<std::string_view> Words(std::string_view line) {
    std::vector<std::string_view> words;
    for (size_t start = line.find_first_not_of(" \t"); start != std::string_view::npos;) {
        const size_t end = std::min(line.find_first_of(" \t", start), line.size());
        words.push_back(line.substr(start, end - start));
        start = line.find_first_not_of(" \t", end);
    }
    return words;
}

// A line without its comment: "#" starts one at the line's start or after a space or a tab, not inside a name
// ("{lambda()#1}").
std::string_view WithoutComment(std::string_view line) {
    for (size_t hash = line.find('#'); hash != std::string_view::npos; hash = line.find('#', hash + 1))
        if (hash == 0 || line[hash - 1] == ' ' || line[hash - 1] == '\t') return line.substr(0, hash);
    return line;
}

std::optional<uint64_t> Bytes(std::string_view number, double unit) {
    double value = 0;
    const auto [stop, failure] = std::from_chars(number.data(), number.data() + number.size(), value);
    if (failure != std::errc() || stop != number.data() + number.size() || !(value >= 0)) return std::nullopt;
    const double bytes = std::round(value * unit);
    if (!(bytes < 18446744073709551616.0)) return std::nullopt;  // 2^64
    return uint64_t(bytes);
}

} // namespace

std::optional<std::vector<Budget>> ParseBudgets(std::string_view text, MemoryReport::Error& error) {
    std::vector<Budget> budgets;
    size_t lineNumber = 0;
    auto fail = [&](std::string message) {
        error = {lineNumber, std::move(message)};
        return std::nullopt;
    };
    while (!text.empty()) {
        ++lineNumber;
        const size_t end = text.find('\n');
        std::string_view line = text.substr(0, end);
        text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);
        line = WithoutComment(line);
        if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
        std::vector<std::string_view> words = Words(line);
        if (words.empty()) continue;

        Budget budget;
        budget.mLine = lineNumber;
        const std::string_view kind = words[0];
        if (kind == "total") budget.mKind = Budget::Kind::Total;
        else if (kind == "type") budget.mKind = Budget::Kind::Type;
        else if (kind == "namespace") budget.mKind = Budget::Kind::Namespace;
        else
            return fail(MemoryReport::Quote(kind) + " is not a budget; a line is \"total LIMIT\", " +
                        "\"type NAME LIMIT\" or \"namespace NAME LIMIT\"");

        double unit = 1;
        for (const Unit& known : kUnits)
            if (words.size() > 2 && words.back() == known.mName) {
                unit = known.mBytes;
                words.pop_back();
                break;
            }
        if (words.size() < 2) return fail("the " + std::string(kind) + " budget has no limit");
        const std::optional<uint64_t> limit = Bytes(words.back(), unit);
        if (!limit)
            return fail("the limit " + MemoryReport::Quote(words.back()) +
                        " is not a number of bytes; it may be followed by B, KiB, MiB, GiB or TiB");
        budget.mLimit = *limit;
        words.pop_back();
        if (words.size() > 1) {  // the name runs from its first word to its last, spaces inside kept
            const std::string_view first = words[1], last = words.back();
            const std::string_view spelled(first.data(), size_t(last.data() + last.size() - first.data()));
            std::optional<std::string> name = MemoryReport::UnescapeName(spelled);
            if (!name)
                return fail("the name " + MemoryReport::Quote(spelled) + " is not spelled as the report spells names");
            budget.mName = std::move(*name);
        }
        if (budget.mKind == Budget::Kind::Total && !budget.mName.empty())
            return fail("a total budget has a limit and nothing else");
        if (budget.mKind != Budget::Kind::Total && budget.mName.empty())
            return fail("the " + std::string(kind) + " budget names no " + std::string(kind));
        if (budget.mKind == Budget::Kind::Namespace && budget.mName.size() > 2 &&
            budget.mName.compare(budget.mName.size() - 2, 2, "::") == 0)
            budget.mName.resize(budget.mName.size() - 2);
        budgets.push_back(std::move(budget));
    }
    if (budgets.empty()) {
        lineNumber = 1;
        return fail("no budgets: the file has no line of \"total\", \"type\" or \"namespace\"");
    }
    return budgets;
}

std::vector<std::string> BrokenBudgets(const MemoryReport& report, const std::vector<Budget>& budgets,
                                       std::string_view budgetFile) {
    std::vector<std::string> broken;
    for (const Budget& budget : budgets) {
        uint64_t used = 0;
        std::string what;
        switch (budget.mKind) {
        case Budget::Kind::Total:
            used = report.mTotal.mBytes;
            what = "total";
            break;
        case Budget::Kind::Type:
            for (const MemoryReport::Row& row : report.mRows)
                if (row.mName == budget.mName) used = row.mBytes;
            what = "type " + MemoryReport::EscapeName(budget.mName);
            break;
        case Budget::Kind::Namespace:
            for (const MemoryReport::Row& row : report.mRows)
                if (row.mName.compare(0, budget.mName.size() + 2, budget.mName + "::") == 0) used += row.mBytes;
            what = "namespace " + MemoryReport::EscapeName(budget.mName);
            break;
        }
        if (used <= budget.mLimit) continue;
        broken.push_back(std::string(budgetFile) + ":" + std::to_string(budget.mLine) + ": " + what + " uses " +
                         HumanBytes(used) + " (" + std::to_string(used) + " bytes), over its budget of " +
                         HumanBytes(budget.mLimit) + " by " + HumanBytes(used - budget.mLimit));
    }
    return broken;
}

} // namespace Tarn::Utilities
