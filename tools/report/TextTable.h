// A table of text for a terminal: cells in columns, each as wide as its widest cell, two spaces apart; numbers align
// right. A first-column cell longer than kNameWidth (a long type name) stands on a line of its own, its row on the
// next, so that one template does not push every row aside.
#pragma once

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <string>
#include <string_view>
#include <vector>

namespace Tarn::Utilities {

class Table {
public:
    static constexpr size_t kNameWidth = 64;
    explicit Table(std::string_view alignment) : mRight(alignment) {}  // 'l' or 'r' per column
    void Add(std::vector<std::string> cells) { mRows.push_back(std::move(cells)); }
    void Gap() { mRows.emplace_back(); }

    std::string Text() const {
        std::vector<size_t> widths(mRight.size(), 0);
        for (const auto& row : mRows)
            for (size_t c = 0; c < row.size(); ++c)
                if (c || row[c].size() <= kNameWidth) widths[c] = std::max(widths[c], row[c].size());
        std::string text;
        for (const auto& row : mRows) {
            std::string line;
            for (size_t c = 0; c < row.size(); ++c) {
                if (row[c].size() > widths[c]) {  // only a long name
                    text += row[c] + "\n";
                    line += std::string(widths[c], ' ');
                    continue;
                }
                const std::string padding(widths[c] - row[c].size(), ' ');
                line += (c ? "  " : "") + (mRight[c] == 'r' ? padding + row[c] : row[c] + padding);
            }
            line.erase(line.find_last_not_of(' ') + 1);
            text += line + "\n";
        }
        return text;
    }

private:
    std::string_view mRight;
    std::vector<std::vector<std::string>> mRows;
};

inline std::string Percent(uint64_t part, uint64_t whole) {
    if (whole == 0) return "-";
    char text[32];
    std::snprintf(text, sizeof text, "%.1f%%", 100.0 * double(part) / double(whole));
    return text;
}

} // namespace Tarn::Utilities
