// The memory of every build: one SQLite database to which a build farm adds each build's report, and which tells
// what grew. Schema version 1 (PRAGMA user_version; PRAGMA application_id 0x54524E48, "TRNH"):
//
//   builds          (id INTEGER PRIMARY KEY, label TEXT, time INTEGER, bytes, instances, refs INTEGER)
//                   one row a build, id in the order they were added; time in seconds since 1970 UTC;
//                   bytes, instances and refs the report's total line
//   build_metadata  (build, key TEXT, value TEXT)                          free-form, such as commit=1a2b3c
//   type_names      (id INTEGER PRIMARY KEY, name TEXT UNIQUE)              every type name, once
//   type_rows       (build, position, type, bytes, instances, refs)        the report's rows, in its order
//   reached_through (build, position, rank, type, instances)                a row's static types, in its order
//
// Counters are stored as SQLite's signed 64-bit integers: one of 2^63 or more reads as negative in SQL and back as
// the counter here. A database is written in transactions, in write-ahead-log mode with a busy timeout, so that
// several processes may add at once. A file that is not such a database, or of a newer schema version, is refused
// with a clear error and never written.
//
//   History history("memory.db", History::Access::Add);   // throws HistoryError
//   history.Add(report, "nightly-1042", std::time(nullptr), {{"commit", "1a2b3c"}});
//   for (const History::Build& build : history.Builds(10)) ...
#pragma once

#include "utilities/memory/MemoryReport.h"

#include <cstdint>
#include <memory>
#include <stdexcept>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

struct sqlite3;

namespace Tarn::Utilities {

class HistoryError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

class History {
public:
    static constexpr int kSchemaVersion = 1;
    static constexpr int kApplicationId = 0x54524E48;

    // Read needs an existing history; Add makes one in a new or empty file.
    enum class Access { Read, Add };

    using Metadata = std::vector<std::pair<std::string, std::string>>;

    struct Build {
        int64_t mId = 0;
        std::string mLabel;
        int64_t mTime = 0;   // seconds since 1970 UTC
        Metadata mMetadata;  // by key
        MemoryReport::Row mTotal;
    };

    History(const std::string& path, Access access);
    ~History();
    History(const History&) = delete;
    History& operator=(const History&) = delete;

    // Adds a build and its report in one transaction; its id.
    int64_t Add(const MemoryReport& report, std::string_view label, int64_t time, const Metadata& metadata);

    // The last `last` builds (all for 0), oldest first.
    std::vector<Build> Builds(size_t last = 0) const;

    // A build's report, as it was added.
    MemoryReport Report(int64_t build) const;

    // Per build of `builds`, the bytes of the type `name`, or with `inNamespace` of every type whose name begins
    // "name::"; 0 where a build has none.
    std::vector<uint64_t> Bytes(const std::vector<Build>& builds, std::string_view name, bool inNamespace) const;

private:
    void Check(int status, const char* what) const;

    std::string mPath;
    std::unique_ptr<sqlite3, int (*)(sqlite3*)> mDatabase;
};

} // namespace Tarn::Utilities
