// The history of builds: reports added and read back as they were, what show, check and plot make of them, files
// that are no history refused and left as they were, and processes adding at once.
#include "examples/DemoScene.h"
#include "tests/report/HostileNames.h"
#include "tests/report/ReportTesting.h"
#include "tests/report/ViewChecks.h"
#include "tools/report/History.h"

#include <gtest/gtest.h>
#include <pugixml.hpp>
#include <sqlite3.h>
#include <spawn.h>
#include <sys/wait.h>

#include <algorithm>
#include <filesystem>
#include <map>
#include <set>

extern char** environ;

namespace {

using namespace Tarn::Utilities;
namespace fs = std::filesystem;

// A report of types with these bytes, one instance and one reference each.
std::string ReportOf(std::vector<std::pair<std::string, uint64_t>> types) {
    std::stable_sort(types.begin(), types.end(), [](const auto& a, const auto& b) { return a.second > b.second; });
    uint64_t total = 0;
    std::string rows;
    for (const auto& [name, bytes] : types) {
        total += bytes;
        rows += name + "\t" + std::to_string(bytes) + "\t1\t1\r\n";
    }
    return "Total\t" + std::to_string(total) + "\t" + std::to_string(types.size()) + "\t" +
           std::to_string(types.size()) + "\r\n" + rows;
}

class HistoryTest : public ::testing::Test {
protected:
    void SetUp() override {
        mDirectory = fs::path(::testing::TempDir()) /
                     ("tarn_history_" + std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()));
        fs::remove_all(mDirectory);
        fs::create_directories(mDirectory);
        mDatabase = (mDirectory / "history.db").string();
    }

    std::string Write(const std::string& name, const std::string& text) const {
        const std::string path = (mDirectory / name).string();
        std::ofstream(path, std::ios::binary) << text;
        return path;
    }

    // Adds each report as build "b1", "b2", ... on 1, 2, ... November 2026.
    void AddBuilds(const std::vector<std::string>& reports) {
        for (size_t b = 0; b < reports.size(); ++b) {
            const std::string label = "b" + std::to_string(b + 1);
            const std::string time = "2026-11-0" + std::to_string(b + 1);
            const Outcome added =
                Tool({"history", "add", mDatabase, "-", "--label", label, "--time", time}, reports[b]);
            ASSERT_EQ(added.mCode, 0) << added.mErr;
        }
    }

    std::set<std::string> Files() const {
        std::set<std::string> names;
        for (const fs::directory_entry& entry : fs::directory_iterator(mDirectory))
            names.insert(entry.path().filename().string());
        return names;
    }

    fs::path mDirectory;
    std::string mDatabase;
};

TEST_F(HistoryTest, ReadsBackEveryReportAsItWasAdded) {
    Tarn::Demo::DemoScene scene(300);
    RecordMemory recorder;
    scene.Measure(recorder);
    const std::string cases[] = {
        std::string(recorder.GetResults()),
        "Total\t0\t0\t0\r\n",
        // An earlier build printed counters of 2^63 and more signed.
        "Total\t-2\t1\t9223372036854775808\r\nHuge\t-2\t1\t-9223372036854775808\tTarn::Base\t1\r\n",
        // Line feeds only; static types in their order.
        "Total\t30\t3\t5\nA</script>\"'\t20\t2\t4\tZ::Second\t1\n\t\t\t\tA::First\t0\nB &amp;\t10\t1\t1\n",
        HostileReport().Print()};
    int64_t id = 0;
    for (const std::string& text : cases) {
        const Outcome added = Tool({"history", "add", mDatabase, Write("report.tsv", text), "--label", "old",
                                    "--meta", "commit=1a2b", "--meta", "branch=main"});
        ASSERT_EQ(added.mCode, 0) << added.mErr;
        MemoryReport::Error error;
        const std::string expected = MemoryReport::Parse(text, error)->Print();
        const History history(mDatabase, History::Access::Read);
        EXPECT_EQ(history.Report(++id).Print(), expected);
        const History::Build build = history.Builds(1).at(0);
        EXPECT_EQ(build.mId, id);
        EXPECT_EQ(build.mMetadata, (History::Metadata{{"branch", "main"}, {"commit", "1a2b"}}));
    }
}

TEST_F(HistoryTest, ShowsTheTotalATypeOrANamespacePerBuildWithItsChange) {
    AddBuilds({ReportOf({{"A", 1000}, {"B", 200}}), ReportOf({{"A", 1100}, {"B", 200}, {"Tarn::X::C", 4096}}),
               ReportOf({{"Tarn::X::C", 8192}, {"A", 900}, {"Tarn::X::D", 1}, {"Tarn::XY", 5}})});
    const std::pair<std::vector<std::string>, std::string> cases[] = {
        {{},
         "Total\n"
         "Build  Time (UTC)          Bytes    Change  Metadata\n"
         "b1     2026-11-01 00:00  1.2 KiB\n"
         "b2     2026-11-02 00:00  5.3 KiB  +4.1 KiB\n"
         "b3     2026-11-03 00:00  8.9 KiB  +3.6 KiB\n"},
        {{"--type", "A", "--last", "2"},
         "Type A\n"
         "Build  Time (UTC)          Bytes  Change  Metadata\n"
         "b2     2026-11-02 00:00  1.1 KiB  +100 B\n"
         "b3     2026-11-03 00:00    900 B  -200 B\n"},
        {{"--namespace", "Tarn::X::"},
         "Namespace Tarn::X\n"
         "Build  Time (UTC)          Bytes    Change  Metadata\n"
         "b1     2026-11-01 00:00      0 B\n"
         "b2     2026-11-02 00:00  4.0 KiB  +4.0 KiB\n"
         "b3     2026-11-03 00:00  8.0 KiB  +4.0 KiB\n"}};
    for (const auto& [options, expected] : cases) {
        std::vector<std::string> arguments = {"history", "show", mDatabase};
        arguments.insert(arguments.end(), options.begin(), options.end());
        const Outcome shown = Tool(arguments);
        EXPECT_EQ(shown.mCode, 0) << shown.mErr;
        EXPECT_EQ(shown.mOut, expected);
    }
    EXPECT_EQ(Tool({"history", "show", mDatabase, "--type", "A", "--namespace", "Tarn"}).mCode, 2);
}

struct CheckCase {
    const char* mWhat;
    std::vector<std::vector<std::pair<std::string, uint64_t>>> mBuilds;
    std::vector<std::string> mOptions;
    int mCode;
    std::string mOut;
};

TEST_F(HistoryTest, CheckFlagsTypesGrownBeyondTheThresholdOverTheMedianOfTheBuildsBefore) {
    const std::string holds = "no type grew more than 10% over the median of the last 5 builds\n";
    const CheckCase cases[] = {
        {"grows", {{{"A", 1000}}, {{"A", 1000}}, {{"A", 1000}}, {{"A", 1300}}}, {}, 1,
         "A: 1.3 KiB (1300 bytes), 30.0% over the median of the 3 builds before, 1000 B (1000 bytes)\n"},
        {"holds", {{{"A", 1000}}, {{"A", 1000}}, {{"A", 1100}}}, {}, 0, holds},
        {"median, not mean", {{{"A", 1000}}, {{"A", 9000}}, {{"A", 1000}}, {{"A", 1150}}}, {}, 1,
         "A: 1.1 KiB (1150 bytes), 15.0% over the median of the 3 builds before, 1000 B (1000 bytes)\n"},
        {"even count", {{{"A", 1000}}, {{"A", 1000}}, {{"A", 2000}}, {{"A", 2000}}, {{"A", 2100}}}, {}, 1,
         "A: 2.1 KiB (2100 bytes), 40.0% over the median of the 4 builds before, 1.5 KiB (1500 bytes)\n"},
        {"last 2", {{{"A", 1000}}, {{"A", 1000}}, {{"A", 2000}}, {{"A", 2000}}, {{"A", 2100}}}, {"--last", "2"}, 0,
         "no type grew more than 10% over the median of the last 2 builds\n"},
        {"new type, largest growth first, threshold",
         {{{"A", 1000}, {"B", 100}}, {{"A", 2000}, {"B", 1000}, {"C", 10}}}, {"--threshold", "50"}, 1,
         "A: 2.0 KiB (2000 bytes), 100.0% over the median of the build before, 1000 B (1000 bytes)\n"
         "B: 1000 B (1000 bytes), 900.0% over the median of the build before, 100 B (100 bytes)\n"
         "C: 10 B (10 bytes), up from none in the build before\n"},
        {"threshold 0", {{{"A", 1000}}, {{"A", 1001}}}, {"--threshold", "0"}, 1,
         "A: 1001 B (1001 bytes), 0.1% over the median of the build before, 1000 B (1000 bytes)\n"},
        {"one build", {{{"A", 1000}}}, {}, 0, "nothing to compare: the history holds one build\n"}};
    for (const CheckCase& check : cases) {
        fs::remove(mDatabase);
        std::vector<std::string> reports;
        for (const auto& build : check.mBuilds) reports.push_back(ReportOf(build));
        AddBuilds(reports);
        std::vector<std::string> arguments = {"history", "check", mDatabase};
        arguments.insert(arguments.end(), check.mOptions.begin(), check.mOptions.end());
        const Outcome checked = Tool(arguments);
        EXPECT_EQ(checked.mCode, check.mCode) << check.mWhat << ": " << checked.mErr;
        EXPECT_EQ(checked.mOut, check.mOut) << check.mWhat;
    }
}

TEST_F(HistoryTest, BadInputExitsTwoAndAddsNothing) {
    const std::string report = Write("report.tsv", ReportOf({{"A", 1}}));
    const std::vector<std::vector<std::string>> cases = {
        {"check", mDatabase},  // no database yet
        {"show", mDatabase, "--last", "0"},
        {"add", mDatabase, Write("bad.tsv", "Total\t1\r\n"), "--label", "x"},
        {"add", mDatabase, report, "--label", ""},
        {"add", mDatabase, report, "--label", "x", "--meta", "commit"},
        {"add", mDatabase, report, "--label", "x", "--meta", "a=1", "--meta", "a=2"},
        {"add", mDatabase, report, "--label", "x", "--time", "yesterday"},
        {"check", mDatabase, "--last", "0"},
        {"check", mDatabase, "--threshold", "-1"},
        {"check", mDatabase, "--threshold", "much"},
        {"plot", mDatabase}};
    for (std::vector<std::string> arguments : cases) {
        arguments.insert(arguments.begin(), "history");
        const Outcome outcome = Tool(arguments);
        EXPECT_EQ(outcome.mCode, 2) << arguments[1] << " " << arguments.back();
        EXPECT_FALSE(outcome.mErr.empty());
        EXPECT_EQ(Files(), (std::set<std::string>{"bad.tsv", "report.tsv"})) << arguments.back();
    }
}

TEST_F(HistoryTest, PlotsTheTotalAndTheLargestTypesOneLabelledLineEach) {
    AddBuilds({ReportOf({{"A", 3000}, {"B", 2000}, {"C", 1000}}), ReportOf({{"A", 3500}, {"C", 2500}, {"B", 2000}}),
               ReportOf({{"C", 5000}, {"A", 4000}, {"B", 10}})});
    const std::string svg = (mDirectory / "plot.svg").string();
    ASSERT_EQ(Tool({"history", "plot", mDatabase, "-o", svg, "--top", "2"}).mCode, 0);
    pugi::xml_document document;
    const pugi::xml_parse_result parsed = document.load_file(svg.c_str());
    ASSERT_TRUE(parsed) << parsed.description();

    std::map<std::string, std::vector<double>> heights;  // y of each line's points, per name
    for (const pugi::xpath_node line : document.select_nodes("//g[@class='line']")) {
        std::istringstream points(line.node().child("polyline").attribute("points").value());
        std::vector<double>& ys = heights[line.node().attribute("data-name").value()];
        for (std::string point; points >> point;) ys.push_back(std::stod(point.substr(point.find(',') + 1)));
    }
    ASSERT_EQ(heights.size(), 3u);
    for (const char* name : {"Total", "C", "A"}) ASSERT_EQ(heights[name].size(), 3u) << name;
    for (size_t b = 0; b < 3; ++b) {  // higher bytes draw higher, so nearer the top
        EXPECT_LT(heights["Total"][b], std::min(heights["A"][b], heights["C"][b])) << b;
        EXPECT_EQ(heights["A"][b] < heights["C"][b], b < 2) << b;
    }
    std::set<std::string> labels;
    for (const pugi::xpath_node label : document.select_nodes("//g[@class='labels']/text"))
        labels.insert(label.node().child_value());
    EXPECT_EQ(labels, (std::set<std::string>{"Total  8.8 KiB", "C  4.9 KiB", "A  3.9 KiB"}));
    EXPECT_EQ(document.select_nodes("//g[@class='builds']/text").size(), 3u);
}

TEST_F(HistoryTest, EveryViewIsSafeForAnyNameOrLabel) {
    const std::string hostile = HostileNames()[1];
    for (const char* label : {"one", "two"}) {
        const Outcome added = Tool({"history", "add", mDatabase, "-", "--label", hostile + label, "--meta",
                                    "k=" + HostileNames()[3]}, HostileReport().Print());
        ASSERT_EQ(added.mCode, 0) << added.mErr;
    }
    const std::string spelled = MemoryReport::EscapeName(HostileNames()[0]);
    for (const std::vector<std::string>& arguments : std::vector<std::vector<std::string>>{
             {"show", mDatabase}, {"show", mDatabase, "--type", spelled}, {"check", mDatabase, "--threshold", "0"}}) {
        std::vector<std::string> command = {"history"};
        command.insert(command.end(), arguments.begin(), arguments.end());
        const Outcome outcome = Tool(command);
        EXPECT_TRUE(outcome.mCode == 0 || outcome.mCode == 1) << outcome.mErr;
        EXPECT_TRUE(TerminalSafe(outcome.mOut)) << outcome.mOut;
    }
    EXPECT_NE(Tool({"history", "show", mDatabase, "--type", spelled}).mOut.find("8.8 KiB"), std::string::npos);
    const std::string svg = (mDirectory / "plot.svg").string();
    ASSERT_EQ(Tool({"history", "plot", mDatabase, "-o", svg, "--top", "20"}).mCode, 0);
    EXPECT_EQ(XmlFault(FileText(svg)), "");
}

// The bytes of a file, and whether SQLite left a journal or log beside it.
std::string Snapshot(const std::string& path) {
    std::string sidecars;
    for (const char* suffix : {"-wal", "-shm", "-journal"})
        if (fs::exists(path + suffix)) sidecars += suffix;
    return FileText(path) + sidecars;
}

void Execute(const std::string& path, const char* sql) {
    sqlite3* database = nullptr;
    ASSERT_EQ(sqlite3_open(path.c_str(), &database), SQLITE_OK);
    EXPECT_EQ(sqlite3_exec(database, sql, nullptr, nullptr, nullptr), SQLITE_OK) << sqlite3_errmsg(database);
    sqlite3_close(database);
}

TEST_F(HistoryTest, RefusesWhatIsNotAHistoryAndLeavesItAsItWas) {
    std::string binary;
    for (int b = 0; b < 4096; ++b) binary += char(b * 7);
    const std::string foreign = (mDirectory / "foreign.db").string();
    Execute(foreign, "CREATE TABLE notes (text TEXT); INSERT INTO notes VALUES ('keep me')");
    AddBuilds({ReportOf({{"A", 1}})});
    Execute(mDatabase, "PRAGMA user_version = 2");
    const std::string report = Write("report.tsv", ReportOf({{"A", 1}}));

    const std::pair<std::string, std::string> cases[] = {
        {Write("text.db", "hello, world\n"), "file is not a database (not a tarn_report history database)"},
        {Write("binary.db", binary), "file is not a database (not a tarn_report history database)"},
        {Write("header.db", "SQLite format 3" + std::string(1, '\0') + binary), "(not a tarn_report history"},
        {foreign, "not a tarn_report history database"},
        {mDatabase, "a history of schema version 2, newer than this tarn_report reads (1): use a newer tarn_report"}};
    for (const auto& [path, message] : cases) {
        const std::string before = Snapshot(path);
        for (const std::vector<std::string>& arguments :
             std::vector<std::vector<std::string>>{{"history", "add", path, report, "--label", "x"},
                                                   {"history", "show", path},
                                                   {"history", "check", path}}) {
            const Outcome outcome = Tool(arguments);
            EXPECT_EQ(outcome.mCode, 2) << path << " " << arguments[1];
            EXPECT_NE(outcome.mErr.find(path + ": "), std::string::npos) << outcome.mErr;
            EXPECT_NE(outcome.mErr.find(message), std::string::npos) << outcome.mErr;
            EXPECT_EQ(Snapshot(path), before) << path << " " << arguments[1];
        }
    }
}

TEST_F(HistoryTest, ProcessesAddingAtOnceAllSucceed) {
    constexpr int kProcesses = 8;
    std::vector<pid_t> processes;
    for (int p = 0; p < kProcesses; ++p) {
        const std::string report =
            Write("r" + std::to_string(p) + ".tsv", ReportOf({{"T" + std::to_string(p), 8u + p}}));
        const std::string label = "build-" + std::to_string(p);
        const char* argv[] = {TARN_REPORT_TOOL, "history", "add", mDatabase.c_str(), report.c_str(), "--label",
                              label.c_str(), nullptr};
        pid_t process = 0;
        ASSERT_EQ(posix_spawn(&process, TARN_REPORT_TOOL, nullptr, nullptr, const_cast<char**>(argv), environ), 0);
        processes.push_back(process);
    }
    for (pid_t process : processes) {
        int status = 0;
        ASSERT_EQ(waitpid(process, &status, 0), process);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
    }
    const History history(mDatabase, History::Access::Read);
    std::set<std::string> labels;
    for (const History::Build& build : history.Builds()) {
        labels.insert(build.mLabel);
        const std::string p = build.mLabel.substr(6);
        EXPECT_EQ(history.Report(build.mId).Print(), ReportOf({{"T" + p, 8u + std::stoul(p)}}));
    }
    EXPECT_EQ(labels.size(), size_t(kProcesses));
}

} // namespace
