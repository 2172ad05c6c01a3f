// Snapshots: the file's round trip and every way a damaged one is refused; tarn_report's commands on a small graph
// whose answers are known, and on the demo world's snapshot in place of its report.
#include "tests/report/HostileNames.h"
#include "tests/report/ViewChecks.h"
#include "examples/DemoScene.h"
#include "tools/report/ReportTool.h"
#include "utilities/memory/MemorySnapshot.h"

#include <gtest/gtest.h>
#include <pugixml.hpp>

#include <fstream>
#include <functional>
#include <map>
#include <sstream>
#include <string>
#include <tuple>
#include <vector>

namespace {

using namespace Tarn::Utilities;

//  root -> World -> Cell 0x2000 -> Effect, char* block
//                -> Cell 0x3000 -> Effect, Node
//  and a Node at 0x7000 that only points at the Effect, which the root does not reach.
MemorySnapshot SmallWorld() {
    MemorySnapshot snapshot;
    snapshot.mReport = "Total\t188\t7\t9\r\n";
    snapshot.mNames = {"World", "Cell", "Effect", "char*", "Node"};
    snapshot.mKinds = {{0, 0}, {1, 1}, {2, 2}, {3, 3}, {4, 4}};
    snapshot.mAddresses = {0, 0x1000, 0x2000, 0x3000, 0x5000, 0x4000, 0x6000, 0x7000};
    snapshot.mBytes = {0, 16, 8, 8, 100, 50, 4, 2};
    snapshot.mNodeKinds = {MemorySnapshot::kNone, 0, 1, 1, 2, 3, 4, 4};
    snapshot.mDegrees = {1, 2, 2, 2, 0, 0, 0, 1};
    snapshot.mTargets = {1, 2, 3, 4, 5, 4, 6, 4};
    return snapshot;
}

std::string Refusal(const std::string& bytes) {
    std::string error;
    EXPECT_FALSE(MemorySnapshot::Parse(bytes, error)) << "accepted";
    EXPECT_FALSE(error.empty());
    return error;
}

TEST(SnapshotFile, ReadsBackWhatWasWrittenThroughAFileAndInMemory) {
    Tarn::Demo::DemoScene scene(300);
    RecordMemory recorder;
    recorder.KeepGraph();
    scene.Measure(recorder);
    const MemorySnapshot written = MemorySnapshot::Of(recorder);
    const std::string path = ::testing::TempDir() + "tarn_snapshot_round_trip.snap";
    std::string error;
    ASSERT_TRUE(written.Write(path, error)) << error;
    const std::optional<MemorySnapshot> read = MemorySnapshot::Read(path, error);
    ASSERT_TRUE(read) << error;
    EXPECT_EQ(read->mReport, std::string(recorder.GetResults()));
    EXPECT_EQ(read->mNames, written.mNames);
    EXPECT_EQ(read->mAddresses, written.mAddresses);
    EXPECT_EQ(read->mBytes, written.mBytes);
    EXPECT_EQ(read->mNodeKinds, written.mNodeKinds);
    EXPECT_EQ(read->mDegrees, written.mDegrees);
    EXPECT_EQ(read->mTargets, written.mTargets);
    EXPECT_EQ(read->Bytes(), written.Bytes());
    EXPECT_FALSE(MemorySnapshot::Read(path + ".missing", error));
    EXPECT_NE(error.find("cannot read"), std::string::npos);
}

TEST(SnapshotFile, RefusesEveryTruncationAndEveryFlippedBit) {
    const std::string bytes = SmallWorld().Bytes();
    std::string error;
    ASSERT_TRUE(MemorySnapshot::Parse(bytes, error)) << error;
    for (size_t length = 0; length < bytes.size(); ++length) {
        const std::string why = Refusal(bytes.substr(0, length));
        const char* expected = length < 8 ? "not a snapshot" : length < 64 ? "truncated in the header" : "truncated";
        EXPECT_EQ(why.rfind(expected, 0), 0u) << length << ": " << why;
    }
    for (size_t at = 0; at < bytes.size(); ++at)
        for (int bit = 0; bit < 8; ++bit) {
            std::string flipped = bytes;
            flipped[at] = char(flipped[at] ^ (1 << bit));
            Refusal(flipped);
        }
}

TEST(SnapshotFile, NamesWhatIsWrong) {
    using OnBytes = std::function<void(std::string&)>;
    using OnSnapshot = std::function<void(MemorySnapshot&)>;
    const std::pair<OnBytes, std::string> inBytes[] = {
        {[](std::string& b) { b[0] = 'X'; }, "not a snapshot: it does not begin with \"TARNSNAP\""},
        {[](std::string& b) { b[8] = 2; }, "snapshot version 2; this build reads version 1"},
        {[](std::string& b) { b[12] = 1; }, "damaged header: its reserved field is not zero"},
        {[](std::string& b) { b[64] = 'X'; }, "the report is damaged: its checksum does not match"},
        // Node 1's address: after the header, the report (16), the names (44), the kinds (40) and the root's.
        {[](std::string& b) { b[172] ^= 1; }, "the graph is damaged: its checksum does not match"},
        {[](std::string& b) { b += '\0'; }, "1 bytes after the edges, where the file should end"},
    };
    for (const auto& [damage, error] : inBytes) {
        std::string bytes = SmallWorld().Bytes();
        damage(bytes);
        EXPECT_EQ(Refusal(bytes), error);
    }
    // Written whole, checksums and all: only the reader's checks of what the sections say can refuse them.
    const std::pair<OnSnapshot, std::string> inSnapshot[] = {
        {[](MemorySnapshot& s) { s.mKinds[1].mStatic = 5; }, "kind 1 names name 5, past the 5 names"},
        {[](MemorySnapshot& s) { s.mNodeKinds[3] = 9; }, "node 3 is of kind 9, past the 5 kinds"},
        {[](MemorySnapshot& s) { s.mBytes[0] = 1; }, "node 0 is not the root: it has an address, bytes or a kind"},
        {[](MemorySnapshot& s) { ++s.mDegrees[2]; }, "the nodes' out-degrees add up to 9, not to the 8 edges"},
        {[](MemorySnapshot& s) { s.mTargets[5] = 8; }, "edge 5 goes to node 8, past the 8 nodes"},
        {[](MemorySnapshot& s) { s = MemorySnapshot(); }, "damaged header: no nodes, not even the root"},
    };
    for (const auto& [damage, error] : inSnapshot) {
        MemorySnapshot snapshot = SmallWorld();
        damage(snapshot);
        EXPECT_EQ(Refusal(snapshot.Bytes()), error);
    }
}

// ---- The commands

struct Outcome {
    int mCode;
    std::string mOut, mErr;
};

Outcome Tool(std::vector<std::string> arguments) {
    std::vector<const char*> argv{"tarn_report"};
    for (const std::string& argument : arguments) argv.push_back(argument.c_str());
    std::istringstream in;
    std::ostringstream out, err;
    const int code = RunReportTool(int(argv.size()), argv.data(), in, out, err);
    return {code, out.str(), err.str()};
}

std::string SnapshotFile(const std::string& name, const MemorySnapshot& snapshot) {
    const std::string path = ::testing::TempDir() + "tarn_report_" + name + ".snap";
    std::string error;
    EXPECT_TRUE(snapshot.Write(path, error)) << error;
    return path;
}

TEST(GraphCommands, OwnersRetainedPathsAndTreeOfASmallWorld) {
    const std::string path = SnapshotFile("small", SmallWorld());
    const std::pair<std::vector<std::string>, std::string> cases[] = {
        {{"owners", path, "--top", "3"},
         "The objects that retain the most of the 186 B that the root reaches\n"
         "Type    Address    Own  Retained   Share  Retains most\n"
         "World   0x1000    16 B     186 B  100.0%  Effect 100 B, char* 50 B, Cell 16 B\n"
         "Effect  0x5000   100 B     100 B   53.8%\n"
         "Cell    0x2000     8 B      58 B   31.2%  char* 50 B\n"
         "(1 object of 2 B not reachable from the root)\n"},
        {{"retained", path},
         "Type    Instances  Bytes  Retained   Share\n"
         "Total           6  186 B     186 B  100.0%\n"
         "World           1   16 B     186 B  100.0%\n"
         "Effect          1  100 B     100 B   53.8%\n"
         "Cell            2   16 B      70 B   37.6%\n"
         "char*           1   50 B      50 B   26.9%\n"
         "Node            1    4 B       4 B    2.2%\n"
         "(1 object of 2 B not reachable from the root)\n"},
        {{"paths", path, "--type", "Node"},
         "Node at 0x6000, retaining 4 B: 3 steps from the root\n"
         "  World  0x1000  16 B\n"
         "  Cell   0x3000   8 B\n"
         "  Node   0x6000   4 B\n"
         "\n"
         "Node at 0x7000, retaining 2 B: not reachable from the root\n"},
        {{"paths", path, "--address", "0x5000"},
         "Effect at 0x5000, retaining 100 B: 3 steps from the root\n"
         "  World   0x1000   16 B\n"
         "  Cell    0x2000    8 B\n"
         "  Effect  0x5000  100 B\n"},
        {{"tree", path, "--min", "20"},
         "Retained    Own   Share  Object\n"
         "   186 B    0 B  100.0%  (root)\n"
         "   186 B   16 B  100.0%    World 0x1000\n"
         "   100 B  100 B   53.8%      Effect 0x5000\n"
         "    58 B    8 B   31.2%      Cell 0x2000\n"
         "    50 B   50 B   26.9%        char* 0x4000\n"
         "                             (1 more, 12 bytes)\n"
         "(1 object of 2 B not reachable from the root)\n"},
        {{"tree", path, "--depth", "1"},
         "Retained   Own   Share  Object\n"
         "   186 B   0 B  100.0%  (root)\n"
         "   186 B  16 B  100.0%    World 0x1000\n"
         "(1 object of 2 B not reachable from the root)\n"},
    };
    for (const auto& [arguments, expected] : cases) {
        const Outcome outcome = Tool(arguments);
        EXPECT_EQ(outcome.mCode, 0) << arguments[0] << ": " << outcome.mErr;
        EXPECT_EQ(outcome.mOut, expected) << arguments[0];
    }
}

// Every view of a snapshot spells its type names as reports do: a hostile name sends nothing raw to a terminal and
// leaves the owner treemap well-formed.
TEST(GraphCommands, HostileNamesAreSpelledAsReportsSpellThem) {
    MemorySnapshot snapshot = SmallWorld();
    for (size_t i = 0; i < snapshot.mNames.size(); ++i) snapshot.mNames[i] = HostileNames()[i + 1];
    const std::string path = SnapshotFile("hostile", snapshot);
    const std::string effect = MemoryReport::EscapeName(snapshot.mNames[2]), node = MemoryReport::EscapeName(snapshot.mNames[4]);
    const std::pair<std::vector<std::string>, std::string> cases[] = {
        {{"owners", path}, effect}, {{"retained", path}, effect}, {{"tree", path}, effect},
        {{"paths", path, "--address", "0x6000"}, node}};
    for (const auto& [arguments, spelled] : cases) {
        const Outcome outcome = Tool(arguments);
        EXPECT_TRUE(TerminalSafe(outcome.mOut)) << arguments[0] << ":\n" << outcome.mOut;
        EXPECT_NE(outcome.mOut.find(spelled), std::string::npos) << arguments[0] << ":\n" << outcome.mOut;
    }
    const Outcome treemap = Tool({"treemap", path, "--by", "owner", "-o", "-"});
    EXPECT_EQ(XmlFault(treemap.mOut), "");
}

TEST(GraphCommands, ExitTwoOnBadInputAndOneWhenNothingMatches) {
    const std::string path = SnapshotFile("bad", SmallWorld());
    const std::string cut = ::testing::TempDir() + "tarn_report_cut.snap";
    std::ofstream(cut, std::ios::binary) << SmallWorld().Bytes().substr(0, 100);
    const std::tuple<std::vector<std::string>, int, std::string> cases[] = {
        {{"owners", cut}, 2, "tarn_report: " + cut + ": truncated: the header promises 8 nodes and 8 edges, which need "
                                                     "more than the 36 bytes after it\n"},
        {{"summary", cut}, 2, "tarn_report: " + cut + ": truncated: the header promises 8 nodes and 8 edges, which "
                                                      "need more than the 36 bytes after it\n"},
        {{"paths", path, "--address", "0xzz"}, 2, "tarn_report: paths: --address 0xzz is not a hexadecimal address\n"},
        {{"paths", path}, 2, "tarn_report: paths: give --type NAME or --address 0x...\n"},
        {{"paths", path, "--type", "Texture"}, 1, "tarn_report: no object of type Texture in " + path + "\n"},
        {{"treemap", path, "--by", "owner", "-o", "/nonexistent/owners.svg"}, 2,
         "tarn_report: cannot write /nonexistent/owners.svg: No such file or directory\n"},
    };
    for (const auto& [arguments, code, message] : cases) {
        const Outcome outcome = Tool(arguments);
        EXPECT_EQ(outcome.mCode, code) << arguments[0];
        EXPECT_EQ(outcome.mErr, message);
    }
}

TEST(GraphCommands, EveryReportCommandReadsTheReportASnapshotCarries) {
    Tarn::Demo::DemoScene scene(300);
    RecordMemory recorder;
    recorder.KeepGraph();
    scene.Measure(recorder);
    const std::string snapshot = SnapshotFile("demo", MemorySnapshot::Of(recorder));
    const std::string report = ::testing::TempDir() + "tarn_report_demo.tsv";
    std::ofstream(report, std::ios::binary) << std::string(recorder.GetResults());
    for (const std::string command : {"summary", "json", "csv"}) {
        const Outcome fromSnapshot = Tool({command, snapshot}), fromReport = Tool({command, report});
        EXPECT_EQ(fromSnapshot.mCode, 0) << fromSnapshot.mErr;
        EXPECT_EQ(fromSnapshot.mOut, fromReport.mOut) << command;
    }
    EXPECT_EQ(Tool({"diff", report, snapshot}).mOut, Tool({"diff", report, report}).mOut);
}

TEST(GraphCommands, TheOwnerTreemapNestsEachObjectInsideItsDominator) {
    const std::string path = SnapshotFile("treemap", SmallWorld());
    const Outcome outcome = Tool({"treemap", path, "--by", "owner", "-o", "-"});
    ASSERT_EQ(outcome.mCode, 0) << outcome.mErr;
    pugi::xml_document svg;
    ASSERT_TRUE(svg.load_string(outcome.mOut.c_str()));
    struct Box {
        double mX, mY, mWidth, mHeight;
    };
    std::map<std::string, Box> boxes;  // by the first line of the tooltip
    for (const pugi::xpath_node& rect : svg.select_nodes("//rect[@class='owner']")) {
        const std::string title = rect.node().child_value("title");
        boxes[title.substr(0, title.find('\n'))] = {rect.node().attribute("x").as_double(),
                                                    rect.node().attribute("y").as_double(),
                                                    rect.node().attribute("width").as_double(),
                                                    rect.node().attribute("height").as_double()};
    }
    const auto inside = [&](const std::string& inner, const std::string& outer) {
        const Box& a = boxes.at(inner);
        const Box& b = boxes.at(outer);
        return a.mX >= b.mX && a.mY >= b.mY && a.mX + a.mWidth <= b.mX + b.mWidth &&
               a.mY + a.mHeight <= b.mY + b.mHeight;
    };
    ASSERT_EQ(boxes.size(), 6u);  // every reachable object
    EXPECT_TRUE(inside("Cell at 0x2000", "World at 0x1000"));
    EXPECT_TRUE(inside("Effect at 0x5000", "World at 0x1000"));
    EXPECT_TRUE(inside("char* at 0x4000", "Cell at 0x2000"));
    EXPECT_TRUE(inside("Node at 0x6000", "Cell at 0x3000"));
    EXPECT_FALSE(inside("Effect at 0x5000", "Cell at 0x2000"));
    const Box& world = boxes.at("World at 0x1000");
    const Box& effect = boxes.at("Effect at 0x5000");
    EXPECT_NEAR(effect.mWidth * effect.mHeight / (world.mWidth * world.mHeight), 100.0 / 186, 0.1);
}

} // namespace
