// MemorySnapshot: a kept graph (MemoryGraph.h) with its report, in memory and as a file.
//
//   RecordMemory recorder;
//   recorder.KeepGraph();
//   WalkPointer(root, &recorder);
//   std::string error;
//   if (!MemorySnapshot::Of(recorder).Write("world.snap", error)) std::fprintf(stderr, "%s\n", error.c_str());
//   ...
//   std::optional<MemorySnapshot> snapshot = MemorySnapshot::Read("world.snap", error);
//
// The file, version 1. Numbers are little-endian, unsigned; "u32", "u64" are 4 and 8 bytes.
//
//   header, 64 bytes   "TARNSNAP"; u32 version (1); u32 0; u64 report bytes R; u64 names; u64 kinds; u64 nodes N
//                      (with the root); u64 edges E; u32 CRC-32 of the report; u32 CRC-32 of the names to the edges
//   report             R bytes: the recorder's report, as GetResults wrote it
//   names              per name: u32 length, then its bytes; each type name once
//   kinds              per kind: u32 dynamic name, u32 static name (indices into the names)
//   nodes              N u64 addresses, N u64 bytes, N u32 kinds (0xffffffff: none), N u32 out-degrees
//   edges              E u32 targets, node by node: node 0's out-degree first targets, then node 1's, ...
//
// Node 0 is the root (address 0, 0 bytes, no kind). Read and Parse check everything they use and name what is wrong
// ("truncated in the nodes", "edge 17 goes to node 90, past the 12 nodes", a checksum that does not match): a
// damaged file is refused, never half read.
#pragma once

#include "platform/Export.h"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace Tarn::Utilities {

class RecordMemory;

class TARN_API MemorySnapshot {
public:
    static constexpr uint32_t kVersion = 1;
    static constexpr uint32_t kNone = ~uint32_t(0);
    static constexpr size_t kHeaderBytes = 64;

    struct Kind {
        uint32_t mDynamic;  // index into mNames
        uint32_t mStatic;
    };

    // The graph that `recorder` kept and its report (std::logic_error when it kept none).
    static MemorySnapshot Of(const RecordMemory& recorder);

    // True when `bytes` begin as a snapshot file does.
    static bool IsSnapshot(std::string_view bytes);
    // The whole file, or nothing and `error` says why.
    static std::optional<MemorySnapshot> Parse(std::string_view bytes, std::string& error);
    static std::optional<MemorySnapshot> Read(const std::string& path, std::string& error);
    // Only the report that a snapshot file carries, checked against its checksum.
    static std::optional<std::string> ReportOf(std::string_view bytes, std::string& error);

    bool Write(const std::string& path, std::string& error) const;
    // The file's bytes, for a caller that sends them elsewhere.
    std::string Bytes() const;

    size_t NodeCount() const { return mAddresses.size(); }
    size_t EdgeCount() const { return mTargets.size(); }
    // "(root)" for the root, "(not booked)" for a node of no kind.
    std::string_view DynamicName(uint32_t node) const;
    std::string_view StaticName(uint32_t node) const;

    std::string mReport;
    std::vector<std::string> mNames;
    std::vector<Kind> mKinds;
    std::vector<uint64_t> mAddresses;
    std::vector<uint64_t> mBytes;
    std::vector<uint32_t> mNodeKinds;
    std::vector<uint32_t> mDegrees;
    std::vector<uint32_t> mTargets;
};

} // namespace Tarn::Utilities
