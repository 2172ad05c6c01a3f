// MemoryReport: the text that RecordMemory::GetResults writes, read back as data and written again byte for byte.
//
//   MemoryReport::Error error;
//   if (std::optional<MemoryReport> report = MemoryReport::Parse(text, error))
//       for (const MemoryReport::Row& row : report->mRows) ...;
//   else
//       std::fprintf(stderr, "%s\n", error.Text().c_str());  // "line 7: ..."
//
// Lines may end in "\r\n", as the recorder writes them, or in "\n". Earlier builds printed the unsigned counters
// signed, so that one of 2^63 or more read "-..."; Parse takes such a number as the counter it stood for.
// Names are read back from their spelling (NameSpelling.h) to the bytes the recorder was given; what the recorder
// cannot have written is refused: a name spelled otherwise, rows out of order, more instances than references, a
// static type listed twice or under its own row, more instances through static types than the row has.
#pragma once

#include "platform/Export.h"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace Tarn::Utilities {

class TARN_API MemoryReport {
public:
    // Objects of a row's type that another static type's walker measured, and how many.
    struct StaticType {
        std::string mName;
        uint64_t mInstances = 0;
    };

    struct Row {
        std::string mName;  // the dynamic type; "Total" for the total line
        uint64_t mBytes = 0;
        uint64_t mInstances = 0;
        uint64_t mReferences = 0;
        std::vector<StaticType> mStaticTypes;  // in the report's order; none on the total line
    };

    // Why a text is not a report: the line (from 1) and what was wrong there.
    struct Error {
        size_t mLine = 0;
        std::string mMessage;
        std::string Text() const { return "line " + std::to_string(mLine) + ": " + mMessage; }
    };

    // The whole report, or nothing and `error` says why: never part of a table.
    static std::optional<MemoryReport> Parse(std::string_view text, Error& error);

    // The text as the recorder writes it: tabs, continuation lines, "\r\n" line ends, names spelled as it spells them.
    std::string Print() const;

    // A name as the report spells it: as it is when it is printable text, as every C++ type's name is, escaped
    // otherwise. Views show names so, and so never pass a control character or invalid UTF-8 on.
    static std::string EscapeName(std::string_view name);
    // The name that `spelled` spells; nothing when the recorder would not have spelled a name so.
    static std::optional<std::string> UnescapeName(std::string_view spelled);
    // `text` quoted for an error message: at most its first 200 bytes, control characters and invalid UTF-8 escaped.
    static std::string Quote(std::string_view text);

    Row mTotal{"Total", 0, 0, 0, {}};
    std::vector<Row> mRows;  // in the report's order, by falling bytes
};

} // namespace Tarn::Utilities
