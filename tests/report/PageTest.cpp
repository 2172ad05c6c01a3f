// The page as a file: the report's rows embedded as JSON that no name can break out of, read back by nlohmann-json;
// for a snapshot, the part of its graph that the page embeds, exact on a small graph and bounded on large ones. How
// it shows in a browser is tested in Chromium (page/page.test.mjs).
#include "tests/report/ReportTesting.h"
#include "tools/report/GraphViews.h"
#include "tools/report/Page.h"
#include "utilities/analysis/Paths.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <functional>
#include <map>
#include <tuple>

namespace {

using namespace Tarn::Utilities;

// The text of the data element, which is the page's only JSON.
std::string DataOf(const std::string& page) {
    const std::string open = "<script type=\"application/json\" id=\"report-data\">";
    const size_t begin = page.find(open);
    if (begin == std::string::npos) return "";
    return page.substr(begin + open.size(), page.find("</script>", begin) - begin - open.size());
}

TEST(Page, EmbedsEveryRowAsJsonThatNoNameEndsOrComments) {
    const std::string hostile = "A</script><script>alert(1)</script><!--\"&'";
    const MemoryReport report = Read("Total\t30\t3\t4\r\n"
                                     "Tarn::Devices::Texture\t16\t1\t2\tTarn::Devices::" + hostile + "\t1\r\n" +
                                     hostile + "\t8\t1\t1\r\n" +
                                     MemoryReport::EscapeName("Bad\xff" "Byte") + "\t6\t1\t1\r\n");
    const MemoryReport earlier = Read("Total\t5\t1\t1\r\nGone\t5\t1\t1\r\n");
    const PageReport later{report, "after.tsv"}, before{earlier, "before.tsv"};
    const std::string page = Page(later, &before);

    const std::string data = DataOf(page);
    EXPECT_EQ(data.find_first_of("<>&"), std::string::npos) << data;
    const nlohmann::json json = nlohmann::json::parse(data);
    EXPECT_EQ(json["kind"], "report");
    EXPECT_EQ(json["report"]["name"], "after.tsv");
    EXPECT_EQ(json["before"]["name"], "before.tsv");
    EXPECT_EQ(json["before"]["types"][0]["type"], "Gone");
    const nlohmann::json& types = json["report"]["types"];
    ASSERT_EQ(types.size(), 3u);
    const std::pair<std::string, std::string> cases[] = {
        {"Tarn::Devices::Texture", "Tarn::Devices"}, {hostile, ""}, {MemoryReport::EscapeName("Bad\xff" "Byte"), ""}};
    for (size_t t = 0; t < types.size(); ++t) {
        EXPECT_EQ(types[t]["type"], cases[t].first);
        EXPECT_EQ(types[t]["namespace"], cases[t].second);
    }
    EXPECT_EQ(types[0]["reached_through"][0]["type"], "Tarn::Devices::" + hostile);
    EXPECT_EQ(json["report"]["total"]["bytes"], 30);

    // The viewer's two script elements and nothing else end one.
    size_t ends = 0;
    for (size_t at = page.find("</script>"); at != std::string::npos; at = page.find("</script>", at + 1)) ++ends;
    EXPECT_EQ(ends, 2u);
    EXPECT_EQ(page.find("@REPORT_DATA@"), std::string::npos);
}

TEST(Page, TheCommandWritesAFileOrStandardOutputAndRefusesBadInput) {
    const std::string text = "Total\t8\t1\t1\r\nunsigned char*\t8\t1\t1\r\n";
    const std::string report = TempFile("page.tsv", text);
    const std::string output = ::testing::TempDir() + "tarn_report_page.html";
    EXPECT_EQ(Tool({"html", report, "-o", output}).mCode, 0);
    EXPECT_EQ(FileText(output), Page({Read(text), report}));
    const Outcome fromInput = Tool({"html", "-", "--before", report, "-o", "-"}, text);
    EXPECT_EQ(fromInput.mCode, 0);
    EXPECT_EQ(nlohmann::json::parse(DataOf(fromInput.mOut))["report"]["name"], "standard input");

    EXPECT_EQ(Tool({"html", report}).mCode, 2);
    const Outcome malformed = Tool({"html", "-", "-o", output}, "Total\t1\r\n");
    EXPECT_EQ(malformed.mCode, 2);
    EXPECT_NE(malformed.mErr.find("standard input: line 1"), std::string::npos) << malformed.mErr;
    EXPECT_EQ(Tool({"html", report, "--before", "/nonexistent.tsv", "-o", output}).mCode, 2);
}

//  root -> World -> Cell 0x2000 -> Node 0x4000, Effect
//                -> Cell 0x3000 -> Effect, Node 0x6000 -> Mesh; char*
//  The Effect, shared by the cells, is the World's; the path to it passes the first cell. The cells retain as much.
//  A Node at 0x9000 points at the Effect but the root does not reach it.
MemorySnapshot SmallWorld() {
    MemorySnapshot snapshot;
    snapshot.mReport = "Total\t1294\t9\t9\r\n"
                       "Tarn::Graphics::Node\t582\t3\t3\r\n"
                       "Tarn::Effect\t500\t1\t1\r\n"
                       "Tarn::Graphics::Mesh\t150\t1\t1\r\n"
                       "char*\t30\t1\t1\r\n"
                       "Tarn::World\t16\t1\t1\r\n"
                       "Tarn::Cell\t16\t2\t2\r\n";
    snapshot.mNames = {"Tarn::World", "Tarn::Cell", "Tarn::Graphics::Node", "Tarn::Effect", "Tarn::Graphics::Mesh",
                       "char*"};
    snapshot.mKinds = {{0, 0}, {1, 1}, {2, 2}, {3, 3}, {4, 4}, {5, 5}};
    snapshot.mAddresses = {0, 0x1000, 0x2000, 0x3000, 0x4000, 0x5000, 0x6000, 0x7000, 0x8000, 0x9000};
    snapshot.mBytes = {0, 16, 8, 8, 380, 500, 200, 30, 150, 2};
    snapshot.mNodeKinds = {MemorySnapshot::kNone, 0, 1, 1, 2, 3, 2, 5, 4, 2};
    snapshot.mDegrees = {1, 2, 2, 3, 0, 0, 1, 0, 0, 1};
    snapshot.mTargets = {1, 2, 3, 4, 5, 5, 6, 7, 8, 5};
    return snapshot;
}

TEST(PageOfASnapshot, EmbedsTheOwnersTreeItsFoldsAndThePathsExactly) {
    SnapshotAnalysis made(SmallWorld());
    const SnapshotAnalysis analysis(std::move(made));  // moved, as a function returning one may: the tree moves along
    const nlohmann::ordered_json unreachable = {{"objects", 1}, {"bytes", 2}};
    const std::vector<std::string> types = {"(root)", "Tarn::World", "Tarn::Effect", "Tarn::Cell",
                                            "Tarn::Graphics::Node", "Tarn::Graphics::Mesh", "char*"};
    const std::vector<std::string> namespaces = {"", "Tarn", "Tarn", "Tarn", "Tarn::Graphics", "Tarn::Graphics", ""};
    struct Case {
        const char* mWhat;
        PageLimits mLimits;
        uint64_t mLeast;
        size_t mTypes;
        nlohmann::ordered_json mNodes;
    };
    // Retained: World 1292, Effect 500, the cells 388 each, Node 0x4000 380, Node 0x6000 350, Mesh 150, char* 30.
    const Case cases[] = {
        {"every object, in the order the tree lists them", {}, 0, 7,
         {{"type", {0, 1, 2, 3, 4, 3, 4, 5, 6}},
          {"address", {"0x0", "0x1000", "0x5000", "0x2000", "0x4000", "0x3000", "0x6000", "0x8000", "0x7000"}},
          {"own", {0, 16, 500, 8, 380, 8, 200, 150, 30}},
          {"retained", {1292, 1292, 500, 388, 380, 388, 350, 150, 30}},
          {"dominator", {-1, 0, 1, 1, 3, 1, 5, 6, 5}},
          {"via", {-1, 0, 3, 1, 3, 1, 5, 6, 5}},
          {"more", {0, 0, 0, 0, 0, 0, 0, 0, 0}},
          {"more_bytes", {0, 0, 0, 0, 0, 0, 0, 0, 0}}}},
        {"four opened, down to the cells; of each the largest child, whose own children are folded", {4, 1, 10}, 388, 5,
         {{"type", {0, 1, 2, 3, 4, 3, 4}},
          {"address", {"0x0", "0x1000", "0x5000", "0x2000", "0x4000", "0x3000", "0x6000"}},
          {"own", {0, 16, 500, 8, 380, 8, 200}},
          {"retained", {1292, 1292, 500, 388, 380, 388, 350}},
          {"dominator", {-1, 0, 1, 1, 3, 1, 5}},
          {"via", {-1, 0, 3, 1, 3, 1, 5}},
          {"more", {0, 0, 0, 0, 0, 1, 1}},
          {"more_bytes", {0, 0, 0, 0, 0, 30, 150}}}},
        {"three: the cells retain as much, and the first reached is opened; the other is folded", {3, 1, 10}, 388, 5,
         {{"type", {0, 1, 2, 3, 4}},
          {"address", {"0x0", "0x1000", "0x5000", "0x2000", "0x4000"}},
          {"own", {0, 16, 500, 8, 380}},
          {"retained", {1292, 1292, 500, 388, 380}},
          {"dominator", {-1, 0, 1, 1, 3}},
          {"via", {-1, 0, 3, 1, 3}},
          {"more", {0, 1, 0, 0, 0}},
          {"more_bytes", {0, 388, 0, 0, 0}}}},
        {"two, no child beyond them: the path to the Effect steps through a cell that the tree folds", {2, 0, 10}, 500, 4,
         {{"type", {0, 1, 2, 3}},
          {"address", {"0x0", "0x1000", "0x5000", "0x2000"}},
          {"own", {0, 16, 500, 8}},
          {"retained", {1292, 1292, 500, 388}},
          {"dominator", {-1, 0, 1, -1}},
          {"via", {-1, 0, 3, 1}},
          {"more", {0, 2, 0, 0}},
          {"more_bytes", {0, 776, 0, 0}}}},
        {"no path that needs more objects than the budget", {2, 0, 0}, 500, 3,
         {{"type", {0, 1, 2}},
          {"address", {"0x0", "0x1000", "0x5000"}},
          {"own", {0, 16, 500}},
          {"retained", {1292, 1292, 500}},
          {"dominator", {-1, 0, 1}},
          {"via", {-1, 0, -1}},
          {"more", {0, 2, 0}},
          {"more_bytes", {0, 776, 0}}}},
    };
    for (const Case& c : cases) {
        const nlohmann::ordered_json data = GraphData(analysis, c.mLimits);
        EXPECT_EQ(data["total"], 1292) << c.mWhat;
        EXPECT_EQ(data["objects"], 8) << c.mWhat;
        EXPECT_EQ(data["unreachable"], unreachable) << c.mWhat;
        EXPECT_EQ(data["owners"], c.mLimits.mOwners) << c.mWhat;
        EXPECT_EQ(data["least"], c.mLeast) << c.mWhat;
        EXPECT_EQ(data["top"], c.mLimits.mTopChildren) << c.mWhat;
        EXPECT_EQ(data["types"], std::vector<std::string>(types.begin(), types.begin() + ptrdiff_t(c.mTypes))) << c.mWhat;
        EXPECT_EQ(data["namespaces"],
                  std::vector<std::string>(namespaces.begin(), namespaces.begin() + ptrdiff_t(c.mTypes)))
            << c.mWhat;
        EXPECT_EQ(data["nodes"], c.mNodes) << c.mWhat << "\n" << data["nodes"].dump();
    }
}

TEST(PageOfASnapshot, TheCommandEmbedsTheGraphBesideTheReportItCarries) {
    const MemorySnapshot snapshot = SmallWorld();
    const std::string path = TempFile("page.snap", snapshot.Bytes());
    const SnapshotAnalysis analysis(SmallWorld());
    for (const Outcome& outcome : {Tool({"html", path, "-o", "-"}), Tool({"html", "-", "-o", "-"}, snapshot.Bytes()),
                                   Tool({"html", path, "--before", path, "-o", "-"})}) {
        ASSERT_EQ(outcome.mCode, 0) << outcome.mErr;
        const nlohmann::json data = nlohmann::json::parse(DataOf(outcome.mOut));
        EXPECT_EQ(data["kind"], "snapshot");
        EXPECT_EQ(data["report"]["types"][0]["type"], "Tarn::Graphics::Node");
        EXPECT_EQ(data["report"]["total"]["bytes"], 1294);
        EXPECT_EQ(data["graph"], nlohmann::json(GraphData(analysis)));
    }
    const std::string cut = TempFile("page_cut.snap", snapshot.Bytes().substr(0, 100));
    const Outcome refused = Tool({"html", cut, "-o", "-"});
    EXPECT_EQ(refused.mCode, 2);
    EXPECT_EQ(refused.mErr.rfind("tarn_report: " + cut + ": truncated", 0), 0u) << refused.mErr;
}

// Graphs of many objects, in the shapes that could make the page grow with them: wide, deep, and with paths far longer
// than the dominator tree is deep. The page embeds a bounded part of each, and what it embeds holds together: every
// object's bytes are its own, its children's and its folded children's; every path is a shortest one, along edges.
TEST(PageOfASnapshot, StaysUnderAMegabyteOnLargeGraphsAndHoldsTogether) {
    const auto graph = [](size_t nodes, const std::function<void(uint32_t, std::vector<uint32_t>&)>& edges) {
        MemorySnapshot snapshot;
        snapshot.mNames = {"Tarn::Graphics::Group", "Tarn::Objects::Block<float>"};
        snapshot.mKinds = {{0, 0}, {1, 1}};
        std::vector<uint32_t> to;
        MemoryReport report;  // a row per kind, of its bytes and objects
        report.mRows = {{snapshot.mNames[0], 0, 0, 0, {}}, {snapshot.mNames[1], 0, 0, 0, {}}};
        for (uint32_t node = 0; node < nodes; ++node) {
            snapshot.mAddresses.push_back(node ? 0x7f0000000000 + 16 * uint64_t(node) : 0);
            snapshot.mBytes.push_back(node ? 8 + node % 97 : 0);
            snapshot.mNodeKinds.push_back(node ? node % 2 : MemorySnapshot::kNone);
            if (node) {
                MemoryReport::Row& row = report.mRows[node % 2];
                row.mBytes += snapshot.mBytes.back();
                row.mInstances = row.mReferences = row.mInstances + 1;
                report.mTotal.mBytes += snapshot.mBytes.back();
                report.mTotal.mInstances = report.mTotal.mReferences = report.mTotal.mInstances + 1;
            }
            to.clear();
            edges(node, to);
            snapshot.mDegrees.push_back(uint32_t(to.size()));
            snapshot.mTargets.insert(snapshot.mTargets.end(), to.begin(), to.end());
        }
        if (report.mRows[0].mBytes < report.mRows[1].mBytes) std::swap(report.mRows[0], report.mRows[1]);
        snapshot.mReport = report.Print();
        return snapshot;
    };
    constexpr uint32_t kWide = 1'000'000, kDeep = 100'000, kGroups = 1000;
    // Each with how many objects' paths the page has: in the last, those to the meeting node and to what it retains
    // need more steps than the page keeps, and only the heads of the two chains have theirs.
    const std::tuple<const char*, MemorySnapshot, size_t> cases[] = {
        // A thousand groups of a thousand blocks, each block also reached from a block of another group.
        {"wide", graph(kWide, [](uint32_t node, std::vector<uint32_t>& to) {
             if (node == 0)
                 for (uint32_t group = 1; group <= kGroups; ++group) to.push_back(group);
             else if (node <= kGroups)
                 for (uint32_t block = kGroups + node; block < kWide; block += kGroups) to.push_back(block);
             else if (node % 3 == 0)
                 to.push_back(uint32_t(kGroups + 1 + uint64_t(node) * 7919 % (kWide - kGroups - 1)));
         }), SIZE_MAX},
        {"a chain", graph(kDeep, [](uint32_t node, std::vector<uint32_t>& to) {
             if (node + 1 < kDeep) to.push_back(node + 1);
         }), SIZE_MAX},
        // Two chains from the root that meet at the last node, which retains a chain of its own.
        {"two chains that meet", graph(kDeep, [](uint32_t node, std::vector<uint32_t>& to) {
             constexpr uint32_t kMeet = kDeep / 2;
             if (node == 0) to = {1, 2};
             else if (node + 2 < kMeet) to.push_back(node + 2);
             else if (node < kMeet) to.push_back(kMeet);
             else if (node + 1 < kDeep) to.push_back(node + 1);
         }), 2},
    };
    for (const auto& [what, snapshot, pathsShown] : cases) {
        const SnapshotAnalysis analysis(snapshot);
        const MemoryReport report = Read(snapshot.mReport);
        const std::string page = Page({report, what, &analysis});
        EXPECT_LT(page.size(), 1'000'000u) << what;
        const nlohmann::json nodes = nlohmann::json::parse(DataOf(page))["graph"]["nodes"];
        const size_t count = nodes["type"].size();
        EXPECT_LE(count, 1 + 2000 + 2001 * 3 + 4000) << what;

        std::map<std::string, uint32_t> nodeAt;
        for (uint32_t node = 0; node < snapshot.NodeCount(); ++node) nodeAt[AddressText(snapshot.mAddresses[node])] = node;
        const ShortestPaths paths(GraphOf(snapshot));
        std::vector<uint64_t> inside(count, 0);
        size_t withPaths = 0;
        for (size_t i = 0; i < count; ++i) {
            const uint32_t node = nodeAt.at(nodes["address"][i]);
            const int64_t dominator = nodes["dominator"][i];
            EXPECT_EQ(nodes["retained"][i], analysis.mDominators.Retained(node)) << what;
            if (dominator >= 0) {
                EXPECT_LT(dominator, int64_t(i)) << what;
                EXPECT_EQ(nodeAt.at(nodes["address"][size_t(dominator)]), analysis.mDominators.Idom(node)) << what;
                inside[size_t(dominator)] += nodes["retained"][i].get<uint64_t>();
            }
            size_t steps = 0;
            for (int64_t at = int64_t(i); at > 0; at = nodes["via"][size_t(at)], ++steps) {
                const int64_t via = nodes["via"][size_t(at)];
                if (via < 0) {
                    steps = 0;
                    break;
                }
                EXPECT_EQ(paths.Before(nodeAt.at(nodes["address"][size_t(at)])), nodeAt.at(nodes["address"][size_t(via)]));
            }
            if (steps) {
                ++withPaths;
                EXPECT_EQ(steps + 1, paths.To(node).size()) << what;
            }
        }
        for (size_t i = 0; i < count; ++i) {
            if (i != 0 && nodes["dominator"][i] < 0) continue;  // only on a path
            EXPECT_EQ(nodes["own"][i].get<uint64_t>() + inside[i] + nodes["more_bytes"][i].get<uint64_t>(),
                      nodes["retained"][i]) << what << " " << i;
        }
        EXPECT_EQ(withPaths, pathsShown == SIZE_MAX ? count - 1 : pathsShown) << what;
    }
}

} // namespace
