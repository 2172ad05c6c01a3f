// tarn_report's views on small hand-made reports: the summary's shares, a diff, budgets, JSON and CSV read back by
// libraries of their own, and the command line's exit codes.
#include "tests/report/HostileNames.h"
#include "tests/report/ReportTesting.h"
#include "tests/report/ViewChecks.h"
#include "tools/report/Budgets.h"
#include "tools/report/ReportViews.h"
#include "tools/report/Treemap.h"

#include <csv.h>
#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace {

using namespace Tarn::Utilities;

// Shares of 60, 30 and 10 percent, a type reached through two other static types, one with no bytes or instances.
const std::string kReport =
    "Total\t1000000\t26\t48\r\n"
    "Tarn::Devices::Texture\t600000\t2\t2\r\n"
    "Tarn::Objects::Image<float>\t300000\t4\t10\tTarn::Objects::ARefCounted\t1\r\n"
    "\t\t\t\tTarn::Objects::IClone\t2\r\n"
    "unsigned char*\t100000\t20\t28\r\n"
    "Tarn::Graphics::GroupNode\t0\t0\t8\tTarn::Graphics::ARenderNode\t0\r\n";

TEST(HumanBytes, OneDecimalFromKibibytesOn) {
    const std::pair<uint64_t, const char*> cases[] = {
        {0, "0 B"},           {1023, "1023 B"},         {1024, "1.0 KiB"},           {1536, "1.5 KiB"},
        {1048524, "1023.9 KiB"}, {1048575, "1.0 MiB"}, {130089016, "124.1 MiB"}, {uint64_t(5) << 40, "5.0 TiB"},
        {~uint64_t(0), "16.0 EiB"}};
    for (const auto& [bytes, text] : cases) EXPECT_EQ(HumanBytes(bytes), text) << bytes;
}

TEST(NamespaceOf, StopsAtTheLastNamespaceOutsideTemplates) {
    const std::pair<const char*, const char*> cases[] = {
        {"Tarn::Graphics::GeometryNode", "Tarn::Graphics"},
        {"Tarn::Objects::Point<float>*", "Tarn::Objects"},
        {"Tarn::Devices::SamplePoint<Tarn::vec3<float> >*", "Tarn::Devices"},
        {"Tarn::Objects::_HashTable<Tarn::Objects::_KeyValue<A::B*, C::D*>, C::D*>::ValueList*", "Tarn::Objects"},
        {"Tarn::vec4<float>*", "Tarn"},
        {"unsigned char*", ""},
        {"Dx10 VertexBuffer", ""},
        {"void (*)(Tarn::Objects::Image<float>*)", ""}};
    for (const auto& [type, space] : cases) EXPECT_EQ(NamespaceOf(type), space) << type;
}

TEST(Summary, SharesCumulativeSharesAndAveragesLargestFirst) {
    EXPECT_EQ(Summary(Read(kReport)),
              "Type                             Bytes   Share  Cumulative  Instances  References    Average  "
              "Reached through\n"
              "Total                        976.6 KiB  100.0%                     26          48   37.6 KiB\n"
              "Tarn::Devices::Texture       585.9 KiB   60.0%       60.0%          2           2  293.0 KiB\n"
              "Tarn::Objects::Image<float>  293.0 KiB   30.0%       90.0%          4          10   73.2 KiB  "
              "Tarn::Objects::ARefCounted (1); Tarn::Objects::IClone (2)\n"
              "unsigned char*                97.7 KiB   10.0%      100.0%         20          28    4.9 KiB\n"
              "Tarn::Graphics::GroupNode          0 B    0.0%      100.0%          0           8          -  "
              "Tarn::Graphics::ARenderNode (0)\n");
}

TEST(Summary, TopRowsAndTheRestInOneLine) {
    EXPECT_EQ(Summary(Read(kReport), 1),
              "Type                        Bytes   Share  Cumulative  Instances  References    Average  "
              "Reached through\n"
              "Total                   976.6 KiB  100.0%                     26          48   37.6 KiB\n"
              "Tarn::Devices::Texture  585.9 KiB   60.0%       60.0%          2           2  293.0 KiB\n"
              "(3 more types)          390.6 KiB   40.0%      100.0%         24          46   16.3 KiB\n");
}

TEST(Summary, ATypeNameTooLongForTheColumnStandsOnItsOwnLine) {
    const std::string name = "Tarn::Objects::_ArrayList<Tarn::Objects::ARefCounted*, "
                             "Tarn::Objects::RefCountedLifetime<Tarn::Objects::ARefCounted*> >**";
    EXPECT_EQ(Summary(Read("Total\t24\t2\t2\r\n" + name + "\t16\t1\t1\r\nShort\t8\t1\t1\r\n")),
              "Type   Bytes   Share  Cumulative  Instances  References  Average  Reached through\n"
              "Total   24 B  100.0%                      2           2     12 B\n" +
                  name + "\n"
                         "        16 B   66.7%       66.7%          1           1     16 B\n"
                         "Short    8 B   33.3%      100.0%          1           1      8 B\n");
}

TEST(Summary, EmptyReportHasNoShares) {
    EXPECT_EQ(Summary(Read("Total\t0\t0\t0\r\n")),
              "Type   Bytes  Share  Cumulative  Instances  References  Average  Reached through\n"
              "Total    0 B      -                      0           0        -\n");
}

TEST(Diff, GrownShrunkNewAndGoneByLargestChange) {
    const MemoryReport before = Read("Total\t1800\t18\t18\r\nA\t1000\t10\t10\r\nB\t500\t5\t5\r\nC\t200\t2\t2\r\n"
                                     "D\t100\t1\t1\r\n");
    const MemoryReport after = Read("Total\t3700\t37\t38\r\nA\t3000\t30\t31\r\nE\t400\t4\t4\r\nB\t200\t2\t2\r\n"
                                    "D\t100\t1\t1\r\n");
    EXPECT_EQ(Diff(before, after),
              "           Bytes  Instances  References\n"
              "Before   1.8 KiB         18          18\n"
              "After    3.6 KiB         37          38\n"
              "Change  +1.9 KiB        +19         +20\n"
              "\n"
              "Type  Bytes +/-  Instances +/-  References +/-  Bytes before  Bytes after\n"
              "A      +2.0 KiB            +20             +21        1000 B      2.9 KiB\n"
              "E        +400 B             +4              +4                      400 B  new\n"
              "B        -300 B             -3              -3         500 B        200 B\n"
              "C        -200 B             -2              -2         200 B               gone\n"
              "(1 unchanged type)\n");
    const std::string top = Diff(before, after, 1);
    EXPECT_EQ(top.substr(top.find("\nType")),
              "\nType  Bytes +/-  Instances +/-  References +/-  Bytes before  Bytes after\n"
              "A      +2.0 KiB            +20             +21        1000 B      2.9 KiB\n"
              "(3 more changed types)\n"
              "(1 unchanged type)\n");
}

const char* const kBudgets =
    "# The fixture's budgets\n"
    "total 1 MiB\n"
    "namespace Tarn::Objects   250000   # over\n"
    "type unsigned char* 97.5 KiB\n"
    "type Tarn::Devices::Texture 600000\n"
    "namespace Tarn:: 1 MiB\n"
    "type Tarn::Objects::Missing 0\n";

TEST(Budgets, EachBrokenBudgetIsOneLineInTheFilesOrder) {
    MemoryReport::Error error;
    const std::optional<std::vector<Budget>> budgets = ParseBudgets(kBudgets, error);
    ASSERT_TRUE(budgets) << error.Text();
    EXPECT_EQ(BrokenBudgets(Read(kReport), *budgets, "budgets.txt"),
              (std::vector<std::string>{
                  "budgets.txt:3: namespace Tarn::Objects uses 293.0 KiB (300000 bytes), over its budget of 244.1 KiB "
                  "by 48.8 KiB",
                  "budgets.txt:4: type unsigned char* uses 97.7 KiB (100000 bytes), over its budget of 97.5 KiB by "
                  "160 B"}));
}

TEST(Budgets, NamesAreSpelledAsTheReportSpellsThemAndMayHoldAHash) {
    const MemoryReport report = Read("Total\t60\t3\t3\r\nHost::Run()::{lambda()#1}\t30\t1\t1\r\n"
                                     "Evil\\t0\t20\t1\t1\r\nHost::#Tag\t10\t1\t1\r\n");
    MemoryReport::Error error;
    const std::optional<std::vector<Budget>> budgets = ParseBudgets("#limits\n"
                                                                    "type Host::Run()::{lambda()#1} 29 # a comment\n"
                                                                    "type Evil\\t0 19\t#another\n"
                                                                    "type Host::#Tag 9\n",
                                                                    error);
    ASSERT_TRUE(budgets) << error.Text();
    EXPECT_EQ(BrokenBudgets(report, *budgets, "b"),
              (std::vector<std::string>{
                  "b:2: type Host::Run()::{lambda()#1} uses 30 B (30 bytes), over its budget of 29 B by 1 B",
                  "b:3: type Evil\\t0 uses 20 B (20 bytes), over its budget of 19 B by 1 B",
                  "b:4: type Host::#Tag uses 10 B (10 bytes), over its budget of 9 B by 1 B"}));
}

TEST(Budgets, RefusesBadLinesWithTheLineAndWhy) {
    const std::string notBytes = " is not a number of bytes; it may be followed by B, KiB, MiB, GiB or TiB";
    const std::pair<std::string, std::string> cases[] = {
        {"limit 5", "line 1: \"limit\" is not a budget; a line is \"total LIMIT\", \"type NAME LIMIT\" or "
                    "\"namespace NAME LIMIT\""},
        {"total 1 MiB\ntotal", "line 2: the total budget has no limit"},
        {"total 5 MB", "line 1: the limit \"MB\"" + notBytes},
        {"type A -1", "line 1: the limit \"-1\"" + notBytes},
        {"type A 1e30 TiB", "line 1: the limit \"1e30\"" + notBytes},
        {"total Tarn 5", "line 1: a total budget has a limit and nothing else"},
        {"type 5 KiB", "line 1: the type budget names no type"},
        {"\r\nnamespace 12\r\n", "line 2: the namespace budget names no namespace"},
        {"namespace Host 39#B\n", "line 1: the limit \"39#B\"" + notBytes},
        {"type Evil\\q 5", "line 1: the name \"Evil\\q\" is not spelled as the report spells names"},
        {"total 5 " + std::string(300, 'X'),
         "line 1: the limit \"" + std::string(200, 'X') + "\"... (300 bytes)" + notBytes},
        {"\x1b[2J 5", "line 1: \"\\x1B[2J\" is not a budget; a line is \"total LIMIT\", \"type NAME LIMIT\" or "
                      "\"namespace NAME LIMIT\""},
        {"# nothing but a comment\n\n",
         "line 1: no budgets: the file has no line of \"total\", \"type\" or \"namespace\""},
    };
    for (const auto& [text, message] : cases) {
        MemoryReport::Error error;
        EXPECT_FALSE(ParseBudgets(text, error)) << text;
        EXPECT_EQ(error.Text(), message) << text;
    }
}

TEST(Json, ReadsBackAsTheReportsRows) {
    EXPECT_EQ(nlohmann::json::parse(Json(Read(kReport))), nlohmann::json::parse(R"({
        "total": {"bytes": 1000000, "instances": 26, "references": 48},
        "types": [
            {"type": "Tarn::Devices::Texture", "bytes": 600000, "instances": 2, "references": 2, "reached_through": []},
            {"type": "Tarn::Objects::Image<float>", "bytes": 300000, "instances": 4, "references": 10,
             "reached_through": [{"type": "Tarn::Objects::ARefCounted", "instances": 1},
                                 {"type": "Tarn::Objects::IClone", "instances": 2}]},
            {"type": "unsigned char*", "bytes": 100000, "instances": 20, "references": 28, "reached_through": []},
            {"type": "Tarn::Graphics::GroupNode", "bytes": 0, "instances": 0, "references": 8,
             "reached_through": [{"type": "Tarn::Graphics::ARenderNode", "instances": 0}]}]})"));
    // Counters beyond the signed range stay exact.
    const std::string huge = "Total\t18446744073709551615\t1\t1\r\nX\t18446744073709551615\t1\t1\r\n";
    EXPECT_EQ(nlohmann::json::parse(Json(Read(huge)))["types"][0]["bytes"].get<uint64_t>(), ~uint64_t(0));
}

// CSV records as libcsv reads them, strictly by RFC 4180.
std::vector<std::vector<std::string>> ReadCsv(const std::string& text) {
    struct Reader {
        std::vector<std::vector<std::string>> mRecords{{}};
        static void Field(void* data, size_t size, void* reader) {
            static_cast<Reader*>(reader)->mRecords.back().emplace_back(static_cast<const char*>(data), size);
        }
        static void End(int, void* reader) { static_cast<Reader*>(reader)->mRecords.emplace_back(); }
    } reader;
    csv_parser parser;
    csv_init(&parser, CSV_STRICT | CSV_STRICT_FINI);
    const size_t read = csv_parse(&parser, text.data(), text.size(), Reader::Field, Reader::End, &reader);
    EXPECT_EQ(read, text.size()) << csv_strerror(csv_error(&parser));
    EXPECT_EQ(csv_fini(&parser, Reader::Field, Reader::End, &reader), 0);
    csv_free(&parser);
    reader.mRecords.pop_back();  // the record the last line end began
    return reader.mRecords;
}

TEST(Csv, QuotesCommasAndQuotesInTypeNames) {
    const MemoryReport report = Read("Total\t30\t3\t4\r\n"
                                     "std::map<int, float>\t16\t1\t2\tstd::pair<int, int>\t1\r\n"
                                     "\t\t\t\tBase\t0\r\n"
                                     "Odd\"Name\t8\t1\t1\r\n"
                                     "wchar_t const*\t6\t1\t1\r\n");
    const std::string csv = Csv(report);
    EXPECT_EQ(ReadCsv(csv), (std::vector<std::vector<std::string>>{
                                {"type", "bytes", "instances", "references", "reached_through"},
                                {"std::map<int, float>", "16", "1", "2", "std::pair<int, int>=1; Base=0"},
                                {"Odd\"Name", "8", "1", "1", ""},
                                {"wchar_t const*", "6", "1", "1", ""}}));
    EXPECT_NE(csv.find("\"Odd\"\"Name\""), std::string::npos) << csv;
}

// ---- The command line, run in-process.

TEST(ReportTool, CheckExitsZeroWhenBudgetsHoldOneWhenBrokenTwoOnBadInput) {
    const std::string report = TempFile("report.tsv", kReport);
    const std::string holding = TempFile("holding.txt", "total 1 MiB\nnamespace Tarn::Devices 600000\n");
    const std::string broken = TempFile("broken.txt", kBudgets);
    const std::string bad = TempFile("bad.txt", "total lots\n");

    const Outcome holds = Tool({"check", report, "--budget", holding});
    EXPECT_EQ(holds.mCode, 0);
    EXPECT_EQ(holds.mOut, "all 2 budgets hold\n");
    const Outcome fromInput = Tool({"check", "-", "--budget", holding}, kReport);
    EXPECT_EQ(fromInput.mCode, 0);

    const Outcome breaks = Tool({"check", report, "--budget", broken});
    EXPECT_EQ(breaks.mCode, 1);
    EXPECT_EQ(breaks.mOut, broken + ":3: namespace Tarn::Objects uses 293.0 KiB (300000 bytes), over its budget of "
                                    "244.1 KiB by 48.8 KiB\n" +
                               broken + ":4: type unsigned char* uses 97.7 KiB (100000 bytes), over its budget of "
                                        "97.5 KiB by 160 B\n");

    const Outcome badBudget = Tool({"check", report, "--budget", bad});
    EXPECT_EQ(badBudget.mCode, 2);
    EXPECT_EQ(badBudget.mErr, "tarn_report: " + bad +
                                  ": line 1: the limit \"lots\" is not a number of bytes; it may be followed by B, "
                                  "KiB, MiB, GiB or TiB\n");
    const Outcome badReport = Tool({"check", "-", "--budget", holding}, "Total\t1\t1\t1\r\n");
    EXPECT_EQ(badReport.mCode, 2);
    EXPECT_EQ(badReport.mErr, "tarn_report: standard input: line 1: the Total (bytes 1, instances 1, references 1) is "
                              "not the sum of the rows (bytes 0, instances 0, references 0)\n");
}

TEST(ReportTool, BadCommandLinesAndMissingFilesExitTwo) {
    const std::vector<std::vector<std::string>> cases = {
        {}, {"frobnicate"}, {"summary"}, {"summary", "-", "--top", "many"}, {"summary", "-", "--top", "0"},
        {"summary", "-", "--top", "-3"}, {"diff", "-", "-", "--top", "0"}, {"diff", "-"},
        {"check", "-"}, {"treemap", "-"}, {"summary", "/nonexistent/report.tsv"}};
    for (const std::vector<std::string>& arguments : cases) {
        const Outcome outcome = Tool(arguments, kReport);
        EXPECT_EQ(outcome.mCode, 2) << (arguments.empty() ? "" : arguments[0]);
        EXPECT_FALSE(outcome.mErr.empty());
        EXPECT_EQ(outcome.mOut, "");
    }
    EXPECT_EQ(Tool({"summary", "/nonexistent/report.tsv"}).mErr,
              "tarn_report: cannot read /nonexistent/report.tsv: No such file or directory\n");
    const Outcome help = Tool({"--help"});
    EXPECT_EQ(help.mCode, 0);
    EXPECT_NE(help.mOut.find("treemap"), std::string::npos);
}

TEST(ReportTool, EachViewReadsAFileOrStandardInput) {
    const MemoryReport report = Read(kReport);
    const std::string file = TempFile("view.tsv", kReport);
    EXPECT_EQ(Tool({"summary", "-", "--top", "2"}, kReport).mOut, Summary(report, 2));
    EXPECT_EQ(Tool({"summary", file}).mOut, Summary(report));
    EXPECT_EQ(Tool({"diff", file, "-"}, "Total\t0\t0\t0\r\n").mOut, Diff(report, Read("Total\t0\t0\t0\r\n")));
    EXPECT_EQ(Tool({"json", file}).mOut, Json(report));
    EXPECT_EQ(Tool({"csv", "-"}, kReport).mOut, Csv(report));
    const std::string svg = ::testing::TempDir() + "tarn_report_view.svg";
    EXPECT_EQ(Tool({"treemap", file, "-o", svg}).mCode, 0);
    std::ostringstream written;
    written << std::ifstream(svg, std::ios::binary).rdbuf();
    EXPECT_EQ(written.str(), Treemap(report));
}

// ---- Names of any bytes: every view is valid in its format and shows each name as the report spells it.

TEST(HostileNames, JsonIsValidAndNamesTypesAsTheReportSpellsThem) {
    const MemoryReport report = HostileReport();
    const nlohmann::json document = nlohmann::json::parse(Json(report));
    ASSERT_EQ(document["types"].size(), report.mRows.size());
    for (size_t i = 0; i < report.mRows.size(); ++i) {
        const MemoryReport::Row& row = report.mRows[i];
        EXPECT_EQ(document["types"][i]["type"], MemoryReport::EscapeName(row.mName)) << i;
        EXPECT_EQ(document["types"][i]["reached_through"][0]["type"],
                  MemoryReport::EscapeName(row.mStaticTypes[0].mName)) << i;
    }
}

TEST(HostileNames, CsvHasOneRecordPerType) {
    const MemoryReport report = HostileReport();
    const std::vector<std::vector<std::string>> records = ReadCsv(Csv(report));
    ASSERT_EQ(records.size(), report.mRows.size() + 1);
    for (size_t i = 0; i < report.mRows.size(); ++i) {
        const MemoryReport::Row& row = report.mRows[i];
        EXPECT_EQ(records[i + 1][0], MemoryReport::EscapeName(row.mName)) << i;
        EXPECT_EQ(records[i + 1][4], MemoryReport::EscapeName(row.mStaticTypes[0].mName) + "=1") << i;
    }
}

TEST(HostileNames, TerminalViewsAndMessagesPassNoControlCharacterOn) {
    const MemoryReport report = HostileReport();
    std::string budgetFile;
    for (const std::string& name : HostileNames())
        if (!name.empty()) budgetFile += "type " + MemoryReport::EscapeName(name) + " 1\n";
    MemoryReport::Error error;
    const std::optional<std::vector<Budget>> budgets = ParseBudgets(budgetFile, error);
    ASSERT_TRUE(budgets) << error.Text();
    std::string broken;
    for (const std::string& line : BrokenBudgets(report, *budgets, "budgets.txt")) broken += line + "\n";
    const std::string views[] = {Summary(report), Diff(report, MemoryReport{}), Diff(MemoryReport{}, report), broken,
                                 Tool({"summary", "-"}, report.Print()).mOut};
    for (const std::string& text : views) {
        EXPECT_TRUE(TerminalSafe(text)) << text;
        for (const std::string& name : HostileNames())
            EXPECT_TRUE(name.empty() || text.find(MemoryReport::EscapeName(name)) != std::string::npos) << name;
    }
    // A report file with raw control characters is refused, and the message shows them escaped.
    const Outcome refused = Tool({"summary", "-"}, "Total\t1\t1\t1\r\nA\x1b[2J\t1\t1\t1\r\n");
    EXPECT_EQ(refused.mCode, 2);
    EXPECT_TRUE(TerminalSafe(refused.mErr)) << refused.mErr;
    EXPECT_NE(refused.mErr.find("\"A\\x1B[2J\""), std::string::npos) << refused.mErr;
}

} // namespace
