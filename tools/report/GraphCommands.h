// tarn_report's commands on a snapshot (MemorySnapshot.h): who holds the memory.
//
//   tarn_report owners SNAPSHOT [--top N]
//   tarn_report retained SNAPSHOT [--top N]
//   tarn_report paths SNAPSHOT (--type NAME | --address 0x...) [--max N]     exit 1 when nothing matches
//   tarn_report tree SNAPSHOT [--depth D] [--min BYTES]
//   tarn_report treemap SNAPSHOT --by owner -o FILE.svg                     (the treemap command's option)
#pragma once

#include <CLI/CLI.hpp>

#include <cstddef>
#include <cstdint>
#include <istream>
#include <optional>
#include <ostream>
#include <string>
#include <string_view>

namespace Tarn::Utilities {

struct SnapshotAnalysis;

class GraphCommands {
public:
    explicit GraphCommands(CLI::App& app);

    // The exit code of the command that was parsed, when it is one of these. Bad input throws Failure.
    std::optional<int> Run(std::istream& in, std::ostream& out, std::ostream& err) const;

    // The snapshot in `bytes` (a file's, named `name` in messages) analysed; bad input throws Failure.
    static SnapshotAnalysis Analyse(std::string_view bytes, const std::string& name, std::ostream& err);
    // The treemap by owner of the snapshot at `path` ("-": `in`).
    static std::string OwnerTreemapOf(const std::string& path, std::istream& in, std::ostream& err);

private:
    CLI::App* mOwners;
    CLI::App* mRetained;
    CLI::App* mPaths;
    CLI::App* mTree;
    std::string mSnapshot;
    size_t mTop = 10;
    std::string mType;
    std::string mAddress;
    size_t mMax = 10;
    size_t mDepth = 4;
    std::optional<uint64_t> mLeast;
};

} // namespace Tarn::Utilities
