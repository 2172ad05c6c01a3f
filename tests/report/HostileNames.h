// A report whose type names hold every kind of byte a hostile host or report file may bring, for the views to show.
#pragma once

#include "utilities/memory/MemoryReport.h"

#include <string>
#include <vector>

namespace Tarn::Utilities {

inline const std::vector<std::string>& HostileNames() {
    static const std::vector<std::string> names = {
        "Evil\t0\t0\t0\r\nTarn::Forged",                 // would forge a row
        "Tarn::Graphics::\x1b[2J\x1b]0;pwned\x07",       // would clear a terminal and set its title
        std::string("Tarn::nul\0byte", 14),              // no XML may hold it, even as a reference
        "bad\xff\xfe utf8",                              // no JSON may hold it
        "csi\xC2\x9B" "31m",                             // U+009B, a control character to some terminals
        "Tarn::Text::no\xEF\xBF\xBE",                    // U+FFFE, no XML character
        "",                                              // the empty name
        "\tLeading, \"quoted\" <b>&amp;</b> \\",         // a leading tab, CSV and XML quoting, a backslash
        "Host::Gr\xC3\xB6\xC3\x9F" "e",                  // valid UTF-8 stays as it is
    };
    return names;
}

// One row per hostile name, by falling bytes, each reached through the next name.
inline MemoryReport HostileReport() {
    MemoryReport report;
    const std::vector<std::string>& names = HostileNames();
    for (size_t i = 0; i < names.size(); ++i) {
        const uint64_t bytes = 1000 * (names.size() - i);
        report.mRows.push_back({names[i], bytes, 2, 3, {{names[(i + 1) % names.size()], 1}}});
        report.mTotal.mBytes += bytes;
        report.mTotal.mInstances += 2;
        report.mTotal.mReferences += 3;
    }
    return report;
}

} // namespace Tarn::Utilities
