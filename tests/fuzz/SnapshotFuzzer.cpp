// The snapshot's reader and every view of a snapshot. The input's two checksums are made right before it is read, so
// that mutations reach the checks behind them rather than stopping at the first; what reads is analysed and shown in
// every view, each valid in its format; what does not read is refused with a short, printable message.
#include "tests/fuzz/FuzzChecks.h"
#include "tools/report/GraphViews.h"

#include <zlib.h>

#include <cstddef>
#include <cstdint>
#include <cstring>

using namespace Tarn::Utilities;

namespace {

// The header's report size, then the checksums of the report and of everything after it, at their places.
void MakeChecksumsRight(std::string& bytes) {
    if (bytes.size() < MemorySnapshot::kHeaderBytes) return;
    uint64_t reportBytes = 0;
    std::memcpy(&reportBytes, bytes.data() + 16, sizeof reportBytes);
    const size_t body = bytes.size() - MemorySnapshot::kHeaderBytes;
    if (reportBytes > body) return;
    const auto* report = reinterpret_cast<const Bytef*>(bytes.data() + MemorySnapshot::kHeaderBytes);
    const uint32_t crcs[2] = {uint32_t(crc32(0, report, uInt(reportBytes))),
                              uint32_t(crc32(0, report + reportBytes, uInt(body - reportBytes)))};
    std::memcpy(&bytes[56], crcs, sizeof crcs);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::string bytes(reinterpret_cast<const char*>(data), size);
    MakeChecksumsRight(bytes);
    std::string error;
    std::optional<MemorySnapshot> snapshot = MemorySnapshot::Parse(bytes, error);
    if (!snapshot) {
        Require(!error.empty() && error.size() < 2048 && TerminalSafe(error));
        return 0;
    }
    const SnapshotAnalysis analysis(std::move(*snapshot));
    Require(TerminalSafe(Owners(analysis, 5)) && TerminalSafe(RetainedTypes(analysis, 5)));
    Require(TerminalSafe(Tree(analysis, 4, 0)) && TerminalSafe(Tree(analysis, 2, 64)));
    Require(TerminalSafe(Paths(analysis, Matching(analysis, std::nullopt, std::nullopt), 3)));
    Require(XmlFault(OwnerTreemap(analysis)).empty());
    return 0;
}
