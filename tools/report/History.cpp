#include "tools/report/History.h"

#include <sqlite3.h>

#include <filesystem>
#include <unordered_map>

namespace Tarn::Utilities {

namespace {

// Long enough for another process's add of a large report; a build farm's adds wait in turn, never fail for it.
constexpr int kBusyTimeoutMs = 60000;

const char* const kSchema = R"sql(
CREATE TABLE builds (
    id INTEGER PRIMARY KEY,
    label TEXT NOT NULL,
    time INTEGER NOT NULL,
    bytes INTEGER NOT NULL,
    instances INTEGER NOT NULL,
    refs INTEGER NOT NULL
);
CREATE TABLE build_metadata (
    build INTEGER NOT NULL REFERENCES builds (id),
    key TEXT NOT NULL,
    value TEXT NOT NULL,
    PRIMARY KEY (build, key)
) WITHOUT ROWID;
CREATE TABLE type_names (
    id INTEGER PRIMARY KEY,
    name TEXT NOT NULL UNIQUE
);
CREATE TABLE type_rows (
    build INTEGER NOT NULL REFERENCES builds (id),
    position INTEGER NOT NULL,
    type INTEGER NOT NULL REFERENCES type_names (id),
    bytes INTEGER NOT NULL,
    instances INTEGER NOT NULL,
    refs INTEGER NOT NULL,
    PRIMARY KEY (build, position)
) WITHOUT ROWID;
CREATE INDEX type_rows_by_type ON type_rows (type, build);
CREATE TABLE reached_through (
    build INTEGER NOT NULL,
    position INTEGER NOT NULL,
    rank INTEGER NOT NULL,
    type INTEGER NOT NULL REFERENCES type_names (id),
    instances INTEGER NOT NULL,
    PRIMARY KEY (build, position, rank),
    FOREIGN KEY (build, position) REFERENCES type_rows (build, position)
) WITHOUT ROWID;
)sql";

// One prepared statement; every failure is a HistoryError that names the database.
class Statement {
public:
    Statement(sqlite3* database, const std::string& path, const char* sql) : mDatabase(database), mPath(path) {
        Check(sqlite3_prepare_v2(database, sql, -1, &mStatement, nullptr));
    }
    ~Statement() { sqlite3_finalize(mStatement); }
    Statement(const Statement&) = delete;
    Statement& operator=(const Statement&) = delete;

    Statement& Bind(int index, int64_t value) {
        Check(sqlite3_bind_int64(mStatement, index, value));
        return *this;
    }
    Statement& BindCounter(int index, uint64_t value) { return Bind(index, static_cast<int64_t>(value)); }
    Statement& Bind(int index, std::string_view text) {
        Check(sqlite3_bind_text64(mStatement, index, text.data(), text.size(), SQLITE_TRANSIENT, SQLITE_UTF8));
        return *this;
    }

    // True while there is a row to read.
    bool Step() {
        const int status = sqlite3_step(mStatement);
        if (status == SQLITE_ROW) return true;
        if (status != SQLITE_DONE) Check(status);
        return false;
    }
    // Runs a statement that returns no rows, ready to be bound and run again.
    void Run() {
        while (Step()) {}
        sqlite3_reset(mStatement);
    }

    int64_t Integer(int column) const { return sqlite3_column_int64(mStatement, column); }
    uint64_t Counter(int column) const { return static_cast<uint64_t>(Integer(column)); }
    std::string Text(int column) const {
        const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(mStatement, column));
        return text ? std::string(text, size_t(sqlite3_column_bytes(mStatement, column))) : std::string();
    }

private:
    void Check(int status) const {
        if (status != SQLITE_OK) throw HistoryError(mPath + ": " + sqlite3_errmsg(mDatabase));
    }

    sqlite3* mDatabase;
    const std::string& mPath;
    sqlite3_stmt* mStatement = nullptr;
};

// A write transaction that rolls back unless committed. BEGIN IMMEDIATE takes the write lock at once (waiting out
// another writer), so that the transaction never has to give up half-way to one.
class WriteTransaction {
public:
    explicit WriteTransaction(sqlite3* database, const std::string& path) : mDatabase(database), mPath(path) {
        Statement(database, path, "BEGIN IMMEDIATE").Run();
    }
    ~WriteTransaction() {
        if (!mCommitted) sqlite3_exec(mDatabase, "ROLLBACK", nullptr, nullptr, nullptr);
    }
    void Commit() {
        Statement(mDatabase, mPath, "COMMIT").Run();
        mCommitted = true;
    }

private:
    sqlite3* mDatabase;
    const std::string& mPath;
    bool mCommitted = false;
};

// True for a database with nothing in it yet, which Add makes a history; throws for anything but a history this
// version reads. Only reads.
bool IsEmpty(sqlite3* database, const std::string& path, History::Access access) {
    int64_t application = 0, version = 0, tables = 0;
    try {
        // One statement, so that all three come from one state of the file, whoever else is making it.
        Statement inspect(database, path,
                          "SELECT application_id, user_version, (SELECT count(*) FROM sqlite_master) "
                          "FROM pragma_application_id, pragma_user_version");
        if (inspect.Step()) {
            application = inspect.Integer(0);
            version = inspect.Integer(1);
            tables = inspect.Integer(2);
        }
    } catch (const HistoryError& error) {
        throw HistoryError(std::string(error.what()) + " (not a tarn_report history database)");
    }
    if (application == History::kApplicationId && version > History::kSchemaVersion)
        throw HistoryError(path + ": a history of schema version " + std::to_string(version) +
                           ", newer than this tarn_report reads (" + std::to_string(History::kSchemaVersion) +
                           "): use a newer tarn_report");
    if (application == History::kApplicationId && version == History::kSchemaVersion) return false;
    if (application == 0 && version == 0 && tables == 0) {
        if (access == History::Access::Read) throw HistoryError(path + ": no builds yet (an empty database)");
        return true;
    }
    throw HistoryError(path + ": not a tarn_report history database");
}

} // namespace

History::History(const std::string& path, Access access) : mPath(path), mDatabase(nullptr, sqlite3_close) {
    if (access == Access::Read && !std::filesystem::exists(path)) throw HistoryError(path + ": no such file");
    sqlite3* database = nullptr;
    const int flags = SQLITE_OPEN_READWRITE | (access == Access::Add ? SQLITE_OPEN_CREATE : 0);
    const int status = sqlite3_open_v2(path.c_str(), &database, flags, nullptr);
    mDatabase.reset(database);
    if (status != SQLITE_OK)
        throw HistoryError(path + ": cannot open: " + (database ? sqlite3_errmsg(database) : sqlite3_errstr(status)));
    sqlite3_busy_timeout(database, kBusyTimeoutMs);
    IsEmpty(database, mPath, access);
    // Write-ahead logging lets readers and one writer work at once; it stays set in the file.
    if (access == Access::Add) {
        Statement journal(database, mPath, "PRAGMA journal_mode = WAL");
        if (!journal.Step() || journal.Text(0) != "wal") throw HistoryError(path + ": cannot use write-ahead logging");
    }
}

History::~History() = default;

int64_t History::Add(const MemoryReport& report, std::string_view label, int64_t time, const Metadata& metadata) {
    sqlite3* database = mDatabase.get();
    WriteTransaction transaction(database, mPath);
    // Another process may have made the history since this one looked.
    if (IsEmpty(database, mPath, Access::Add)) {
        Check(sqlite3_exec(database, kSchema, nullptr, nullptr, nullptr), "cannot make the history's tables");
        const std::string versions = "PRAGMA application_id = " + std::to_string(kApplicationId) +
                                     "; PRAGMA user_version = " + std::to_string(kSchemaVersion);
        Check(sqlite3_exec(database, versions.c_str(), nullptr, nullptr, nullptr), "cannot mark the history");
    }

    Statement build(database, mPath, "INSERT INTO builds (label, time, bytes, instances, refs) VALUES (?, ?, ?, ?, ?)");
    build.Bind(1, label).Bind(2, time).BindCounter(3, report.mTotal.mBytes).BindCounter(4, report.mTotal.mInstances);
    build.BindCounter(5, report.mTotal.mReferences).Run();
    const int64_t id = sqlite3_last_insert_rowid(database);

    Statement meta(database, mPath, "INSERT INTO build_metadata (build, key, value) VALUES (?, ?, ?)");
    for (const auto& [key, value] : metadata) meta.Bind(1, id).Bind(2, key).Bind(3, value).Run();

    Statement intern(database, mPath, "INSERT INTO type_names (name) VALUES (?) ON CONFLICT (name) DO NOTHING");
    Statement lookup(database, mPath, "SELECT id FROM type_names WHERE name = ?");
    std::unordered_map<std::string_view, int64_t> ids;
    const auto typeId = [&](const std::string& name) {
        auto [at, added] = ids.emplace(name, 0);
        if (!added) return at->second;
        intern.Bind(1, name).Run();
        lookup.Bind(1, name);
        lookup.Step();
        at->second = lookup.Integer(0);
        lookup.Run();
        return at->second;
    };

    Statement row(database, mPath,
                  "INSERT INTO type_rows (build, position, type, bytes, instances, refs) VALUES (?, ?, ?, ?, ?, ?)");
    Statement through(database, mPath,
                      "INSERT INTO reached_through (build, position, rank, type, instances) VALUES (?, ?, ?, ?, ?)");
    for (size_t position = 0; position < report.mRows.size(); ++position) {
        const MemoryReport::Row& type = report.mRows[position];
        row.Bind(1, id).Bind(2, int64_t(position)).Bind(3, typeId(type.mName)).BindCounter(4, type.mBytes);
        row.BindCounter(5, type.mInstances).BindCounter(6, type.mReferences).Run();
        for (size_t rank = 0; rank < type.mStaticTypes.size(); ++rank) {
            const MemoryReport::StaticType& other = type.mStaticTypes[rank];
            through.Bind(1, id).Bind(2, int64_t(position)).Bind(3, int64_t(rank)).Bind(4, typeId(other.mName));
            through.BindCounter(5, other.mInstances).Run();
        }
    }
    transaction.Commit();
    return id;
}

std::vector<History::Build> History::Builds(size_t last) const {
    sqlite3* database = mDatabase.get();
    Statement select(database, mPath,
                     "SELECT id, label, time, bytes, instances, refs FROM builds ORDER BY id DESC LIMIT ?");
    select.Bind(1, last ? int64_t(last) : int64_t(-1));
    Statement meta(database, mPath, "SELECT key, value FROM build_metadata WHERE build = ? ORDER BY key");
    std::vector<Build> builds;
    while (select.Step()) {
        Build build;
        build.mId = select.Integer(0);
        build.mLabel = select.Text(1);
        build.mTime = select.Integer(2);
        build.mTotal = {"Total", select.Counter(3), select.Counter(4), select.Counter(5), {}};
        meta.Bind(1, build.mId);
        while (meta.Step()) build.mMetadata.emplace_back(meta.Text(0), meta.Text(1));
        meta.Run();
        builds.push_back(std::move(build));
    }
    return {builds.rbegin(), builds.rend()};
}

MemoryReport History::Report(int64_t build) const {
    sqlite3* database = mDatabase.get();
    MemoryReport report;
    Statement total(database, mPath, "SELECT bytes, instances, refs FROM builds WHERE id = ?");
    if (!total.Bind(1, build).Step()) throw HistoryError(mPath + ": no build " + std::to_string(build));
    report.mTotal = {"Total", total.Counter(0), total.Counter(1), total.Counter(2), {}};

    Statement rows(database, mPath,
                   "SELECT name, bytes, instances, refs FROM type_rows JOIN type_names ON type_names.id = type "
                   "WHERE build = ? ORDER BY position");
    rows.Bind(1, build);
    while (rows.Step()) report.mRows.push_back({rows.Text(0), rows.Counter(1), rows.Counter(2), rows.Counter(3), {}});

    Statement through(database, mPath,
                      "SELECT position, name, instances FROM reached_through JOIN type_names ON type_names.id = type "
                      "WHERE build = ? ORDER BY position, rank");
    through.Bind(1, build);
    while (through.Step()) {
        const auto position = size_t(through.Integer(0));
        if (position >= report.mRows.size()) throw HistoryError(mPath + ": a static type of no row");
        report.mRows[position].mStaticTypes.push_back({through.Text(1), through.Counter(2)});
    }
    return report;
}

std::vector<uint64_t> History::Bytes(const std::vector<Build>& builds, std::string_view name,
                                     bool inNamespace) const {
    std::unordered_map<int64_t, size_t> index;
    for (size_t b = 0; b < builds.size(); ++b) index[builds[b].mId] = b;
    // A namespace's types are the names from "name::" up to, not including, "name:;" (';' follows ':').
    Statement select(mDatabase.get(), mPath,
                     inNamespace ? "SELECT build, bytes FROM type_rows JOIN type_names ON type_names.id = type "
                                   "WHERE name >= ?1 AND name < ?2"
                                 : "SELECT build, bytes FROM type_rows JOIN type_names ON type_names.id = type "
                                   "WHERE name = ?1");
    const std::string prefix = std::string(name) + "::";
    if (inNamespace) select.Bind(1, prefix).Bind(2, std::string(name) + ":;");
    else select.Bind(1, name);
    std::vector<uint64_t> bytes(builds.size(), 0);
    while (select.Step()) {
        const auto at = index.find(select.Integer(0));
        if (at != index.end()) bytes[at->second] += select.Counter(1);
    }
    return bytes;
}

void History::Check(int status, const char* what) const {
    if (status != SQLITE_OK) throw HistoryError(mPath + ": " + what + ": " + sqlite3_errmsg(mDatabase.get()));
}

} // namespace Tarn::Utilities
