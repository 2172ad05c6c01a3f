#include "tools/report/GraphCommands.h"

#include "tools/report/GraphViews.h"
#include "tools/report/ReportTool.h"

#include <chrono>
#include <cstdio>
#include <iterator>

namespace Tarn::Utilities {

namespace {

// Graphs this large take seconds: the command says what it is doing.
constexpr size_t kLargeGraph = 1'000'000;

double Since(std::chrono::steady_clock::time_point start) {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

// The snapshot that `read` gives, analysed; `name` for messages.
template <class ReadSnapshot>
SnapshotAnalysis Analysed(const std::string& name, ReadSnapshot read, std::ostream& err) {
    const auto start = std::chrono::steady_clock::now();
    std::string error;
    std::optional<MemorySnapshot> snapshot = read(error);
    if (!snapshot) throw Failure{name + ": " + error};
    const bool large = snapshot->NodeCount() >= kLargeGraph;
    char line[160];
    if (large) {
        std::snprintf(line, sizeof line, "tarn_report: %zu objects, %zu edges read in %.1f s; finding dominators\n",
                      snapshot->NodeCount() - 1, snapshot->EdgeCount(), Since(start));
        err << line << std::flush;
    }
    SnapshotAnalysis analysis(std::move(*snapshot));
    if (large) {
        std::snprintf(line, sizeof line, "tarn_report: dominators found in %.1f s\n", Since(start));
        err << line << std::flush;
    }
    return analysis;
}

SnapshotAnalysis AnalyseFile(const std::string& path, std::istream& in, std::ostream& err) {
    if (path != "-")
        return Analysed(path, [&](std::string& error) { return MemorySnapshot::Read(path, error); }, err);
    const std::string bytes{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    return GraphCommands::Analyse(bytes, "standard input", err);
}

void Print(const std::string& text, std::ostream& out) {
    if (!(out << text << std::flush)) throw Failure{"cannot write to standard output"};
}

} // namespace

GraphCommands::GraphCommands(CLI::App& app) {
    const std::string kSnapshot = "The snapshot's file (tarn_memory_report --snapshot), or - for standard input";
    mOwners = app.add_subcommand("owners", "The objects that retain the most memory, and what they retain");
    mOwners->add_option("SNAPSHOT", mSnapshot, kSnapshot)->required();
    mOwners->add_option("--top", mTop, "How many objects (default 10)");
    mRetained = app.add_subcommand("retained", "Per type, the bytes of its objects beside the bytes they retain");
    mRetained->add_option("SNAPSHOT", mSnapshot, kSnapshot)->required();
    mRetained->add_option("--top", mTop, "Only the N types retaining most; the rest in one line");
    mPaths = app.add_subcommand("paths", "The shortest path from the root to objects of a type or at an address");
    mPaths->add_option("SNAPSHOT", mSnapshot, kSnapshot)->required();
    CLI::Option* type = mPaths->add_option("--type", mType, "The objects of this dynamic type, as the report names it");
    CLI::Option* address = mPaths->add_option("--address", mAddress, "The object at this address (0x...)");
    type->excludes(address);
    address->excludes(type);
    mPaths->add_option("--max", mMax, "Paths to the N objects retaining most (default 10)");
    mTree = app.add_subcommand("tree", "The dominator tree, children by falling retained bytes");
    mTree->add_option("SNAPSHOT", mSnapshot, kSnapshot)->required();
    mTree->add_option("--depth", mDepth, "Levels below the root (default 4)");
    mTree->add_option("--min", mLeast, "Fold children retaining fewer bytes (default: 1% of the total)");
}

std::optional<int> GraphCommands::Run(std::istream& in, std::ostream& out, std::ostream& err) const {
    if (mOwners->parsed()) Print(Owners(AnalyseFile(mSnapshot, in, err), mTop), out);
    else if (mRetained->parsed()) Print(RetainedTypes(AnalyseFile(mSnapshot, in, err), mTop), out);
    else if (mTree->parsed()) {
        const SnapshotAnalysis analysis = AnalyseFile(mSnapshot, in, err);
        Print(Tree(analysis, mDepth, mLeast ? *mLeast : analysis.mDominators.Retained(0) / 100), out);
    } else if (mPaths->parsed()) {
        if (mType.empty() && mAddress.empty()) throw Failure{"paths: give --type NAME or --address 0x..."};
        std::optional<uint64_t> address;
        if (!mAddress.empty() && !(address = ParseAddress(mAddress)))
            throw Failure{"paths: --address " + mAddress + " is not a hexadecimal address"};
        const SnapshotAnalysis analysis = AnalyseFile(mSnapshot, in, err);
        const std::optional<std::string> type = mType.empty() ? std::nullopt : std::optional<std::string>(mType);
        const std::vector<uint32_t> found = Matching(analysis, type, address);
        if (found.empty()) {
            err << "tarn_report: no object " << (type ? "of type " + *type : "at " + mAddress) << " in " << mSnapshot
                << "\n";
            return 1;
        }
        Print(Paths(analysis, found, mMax), out);
    } else {
        return std::nullopt;
    }
    return 0;
}

SnapshotAnalysis GraphCommands::Analyse(std::string_view bytes, const std::string& name, std::ostream& err) {
    return Analysed(name, [&](std::string& error) { return MemorySnapshot::Parse(bytes, error); }, err);
}

std::string GraphCommands::OwnerTreemapOf(const std::string& path, std::istream& in, std::ostream& err) {
    return OwnerTreemap(AnalyseFile(path, in, err));
}

} // namespace Tarn::Utilities
