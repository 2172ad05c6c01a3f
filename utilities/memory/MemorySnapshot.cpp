#include "utilities/memory/MemorySnapshot.h"

#include "utilities/memory/RecordMemory.h"

#include <zlib.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <functional>
#include <map>
#include <memory>
#include <stdexcept>
#include <unordered_map>

#include <sys/stat.h>

static_assert(__BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__, "snapshots are read and written as the machine holds them");

namespace Tarn::Utilities {

namespace {

constexpr char kMagic[8] = {'T', 'A', 'R', 'N', 'S', 'N', 'A', 'P'};

struct Header {
    char mMagic[8];
    uint32_t mVersion;
    uint32_t mReserved;
    uint64_t mReportBytes;
    uint64_t mNames;
    uint64_t mKinds;
    uint64_t mNodes;
    uint64_t mEdges;
    uint32_t mReportCrc;
    uint32_t mGraphCrc;
};
static_assert(sizeof(Header) == MemorySnapshot::kHeaderBytes);

// zlib's CRC-32 takes at most 4 GiB a call.
uint32_t Crc(uint32_t crc, const void* data, size_t bytes) {
    const auto* at = static_cast<const Bytef*>(data);
    while (bytes) {
        const uInt piece = uInt(std::min<size_t>(bytes, size_t(1) << 30));
        crc = uint32_t(crc32(crc, at, piece));
        at += piece;
        bytes -= piece;
    }
    return crc;
}

template <class T> size_t BytesOf(const std::vector<T>& column) { return column.size() * sizeof(T); }

// ---- Writing

// The graph sections in file order, as pieces of memory, for the checksum and for the writer.
template <class Put> void PutGraph(const MemorySnapshot& snapshot, Put put) {
    for (const std::string& name : snapshot.mNames) {
        const uint32_t length = uint32_t(name.size());
        put(&length, sizeof length);
        put(name.data(), name.size());
    }
    put(snapshot.mKinds.data(), BytesOf(snapshot.mKinds));
    put(snapshot.mAddresses.data(), BytesOf(snapshot.mAddresses));
    put(snapshot.mBytes.data(), BytesOf(snapshot.mBytes));
    put(snapshot.mNodeKinds.data(), BytesOf(snapshot.mNodeKinds));
    put(snapshot.mDegrees.data(), BytesOf(snapshot.mDegrees));
    put(snapshot.mTargets.data(), BytesOf(snapshot.mTargets));
}

template <class Put> void PutFile(const MemorySnapshot& snapshot, Put put) {
    for (const std::string& name : snapshot.mNames)
        if (name.size() > UINT32_MAX) throw std::length_error("MemorySnapshot: a type name of 4 GiB or more");
    Header header{};
    std::memcpy(header.mMagic, kMagic, sizeof kMagic);
    header.mVersion = MemorySnapshot::kVersion;
    header.mReportBytes = snapshot.mReport.size();
    header.mNames = snapshot.mNames.size();
    header.mKinds = snapshot.mKinds.size();
    header.mNodes = snapshot.mAddresses.size();
    header.mEdges = snapshot.mTargets.size();
    header.mReportCrc = Crc(0, snapshot.mReport.data(), snapshot.mReport.size());
    uint32_t crc = 0;
    PutGraph(snapshot, [&](const void* data, size_t bytes) { crc = Crc(crc, data, bytes); });
    header.mGraphCrc = crc;
    put(&header, sizeof header);
    put(snapshot.mReport.data(), snapshot.mReport.size());
    PutGraph(snapshot, put);
}

// ---- Reading

// What is left to read: bytes in memory, or a file of known size.
class Input {
public:
    explicit Input(std::string_view bytes) : mBytes(bytes), mLeft(bytes.size()) {}
    Input(FILE* file, uint64_t size) : mFile(file), mLeft(size) {}

    uint64_t Left() const { return mLeft; }

    bool Take(void* into, uint64_t bytes) {
        if (bytes > mLeft) return false;
        if (mFile) {
            if (bytes && std::fread(into, 1, size_t(bytes), mFile) != bytes) return false;
        } else {
            if (bytes) std::memcpy(into, mBytes.data(), size_t(bytes));
            mBytes.remove_prefix(size_t(bytes));
        }
        mLeft -= bytes;
        return true;
    }

private:
    std::string_view mBytes;
    FILE* mFile = nullptr;
    uint64_t mLeft;
};

struct Refused {
    std::string mWhy;
};

// a * b + c, or nothing when it passes 2^64.
bool MulAdd(uint64_t a, uint64_t b, uint64_t& sum) {
    uint64_t product = 0;
    return !__builtin_mul_overflow(a, b, &product) && !__builtin_add_overflow(sum, product, &sum);
}

std::string Count(uint64_t n, const char* what) { return std::to_string(n) + " " + what; }

Header ReadHeader(Input& input) {
    Header header{};
    const uint64_t size = input.Left();
    const size_t got = size_t(std::min<uint64_t>(size, sizeof header));
    if (!input.Take(&header, got) || got < sizeof kMagic || std::memcmp(header.mMagic, kMagic, sizeof kMagic) != 0)
        throw Refused{"not a snapshot: it does not begin with \"TARNSNAP\""};
    if (got < sizeof header)
        throw Refused{"truncated in the header: " + Count(size, "bytes") + " of its 64"};
    if (header.mVersion != MemorySnapshot::kVersion)
        throw Refused{"snapshot version " + std::to_string(header.mVersion) + "; this build reads version " +
                      std::to_string(MemorySnapshot::kVersion)};
    if (header.mReserved) throw Refused{"damaged header: its reserved field is not zero"};
    if (header.mNodes == 0) throw Refused{"damaged header: no nodes, not even the root"};
    if (header.mNames >= UINT32_MAX || header.mKinds >= UINT32_MAX || header.mNodes >= UINT32_MAX ||
        header.mEdges >= UINT32_MAX)
        throw Refused{"damaged header: counts past 2^32 - 1 (" + Count(header.mNames, "names, ") +
                      Count(header.mKinds, "kinds, ") + Count(header.mNodes, "nodes, ") +
                      Count(header.mEdges, "edges)")};
    // The least the sections need, before anything is allocated for them.
    uint64_t least = header.mReportBytes;
    if (!MulAdd(header.mNames, 4, least) || !MulAdd(header.mKinds, 8, least) || !MulAdd(header.mNodes, 24, least) ||
        !MulAdd(header.mEdges, 4, least) || least > input.Left())
        throw Refused{"truncated: the header promises " + Count(header.mNodes, "nodes and ") +
                      Count(header.mEdges, "edges") + ", which need more than the " + Count(input.Left(), "bytes") +
                      " after it"};
    return header;
}

template <class T> void TakeColumn(Input& input, std::vector<T>& column, uint64_t count, const char* section,
                                   uint32_t& crc) {
    column.resize(size_t(count));
    if (!input.Take(column.data(), count * sizeof(T))) throw Refused{std::string("truncated in the ") + section};
    crc = Crc(crc, column.data(), count * sizeof(T));
}

std::string ReadReport(Input& input, const Header& header) {
    std::string report(size_t(header.mReportBytes), '\0');
    if (!input.Take(report.data(), report.size())) throw Refused{"truncated in the report"};
    if (Crc(0, report.data(), report.size()) != header.mReportCrc)
        throw Refused{"the report is damaged: its checksum does not match"};
    return report;
}

MemorySnapshot ReadSnapshot(Input& input) {
    const Header header = ReadHeader(input);
    MemorySnapshot snapshot;
    snapshot.mReport = ReadReport(input, header);

    uint32_t crc = 0;
    snapshot.mNames.resize(size_t(header.mNames));
    for (std::string& name : snapshot.mNames) {
        uint32_t length = 0;
        if (!input.Take(&length, sizeof length)) throw Refused{"truncated in the names"};
        crc = Crc(crc, &length, sizeof length);
        if (length > input.Left()) throw Refused{"truncated in the names"};
        name.resize(length);
        if (!input.Take(name.data(), length)) throw Refused{"truncated in the names"};
        crc = Crc(crc, name.data(), length);
    }
    TakeColumn(input, snapshot.mKinds, header.mKinds, "kinds", crc);
    for (size_t k = 0; k < snapshot.mKinds.size(); ++k) {
        const MemorySnapshot::Kind kind = snapshot.mKinds[k];
        if (kind.mDynamic >= header.mNames || kind.mStatic >= header.mNames)
            throw Refused{"kind " + std::to_string(k) + " names name " +
                          std::to_string(std::max(kind.mDynamic, kind.mStatic)) + ", past the " +
                          Count(header.mNames, "names")};
    }
    TakeColumn(input, snapshot.mAddresses, header.mNodes, "nodes", crc);
    TakeColumn(input, snapshot.mBytes, header.mNodes, "nodes", crc);
    TakeColumn(input, snapshot.mNodeKinds, header.mNodes, "nodes", crc);
    TakeColumn(input, snapshot.mDegrees, header.mNodes, "nodes", crc);
    if (snapshot.mAddresses[0] || snapshot.mBytes[0] || snapshot.mNodeKinds[0] != MemorySnapshot::kNone)
        throw Refused{"node 0 is not the root: it has an address, bytes or a kind"};
    uint64_t edges = 0;
    for (size_t node = 0; node < snapshot.mNodeKinds.size(); ++node) {
        const uint32_t kind = snapshot.mNodeKinds[node];
        if (kind != MemorySnapshot::kNone && kind >= header.mKinds)
            throw Refused{"node " + std::to_string(node) + " is of kind " + std::to_string(kind) + ", past the " +
                          Count(header.mKinds, "kinds")};
        edges += snapshot.mDegrees[node];
    }
    if (edges != header.mEdges)
        throw Refused{"the nodes' out-degrees add up to " + std::to_string(edges) + ", not to the " +
                      Count(header.mEdges, "edges")};
    TakeColumn(input, snapshot.mTargets, header.mEdges, "edges", crc);
    for (size_t e = 0; e < snapshot.mTargets.size(); ++e)
        if (snapshot.mTargets[e] >= header.mNodes)
            throw Refused{"edge " + std::to_string(e) + " goes to node " + std::to_string(snapshot.mTargets[e]) +
                          ", past the " + Count(header.mNodes, "nodes")};
    if (crc != header.mGraphCrc) throw Refused{"the graph is damaged: its checksum does not match"};
    if (input.Left()) throw Refused{Count(input.Left(), "bytes") + " after the edges, where the file should end"};
    return snapshot;
}

} // namespace

MemorySnapshot MemorySnapshot::Of(const RecordMemory& recorder) {
    const MemoryGraph* graph = recorder.Graph();
    if (!graph) throw std::logic_error("MemorySnapshot::Of: the recorder kept no graph");
    MemorySnapshot snapshot;
    snapshot.mReport = std::string(recorder.GetResults());

    // Names once by their text, kinds once by their names.
    std::unordered_map<std::string_view, uint32_t> names;
    std::map<std::pair<uint32_t, uint32_t>, uint32_t> kinds;
    const auto name = [&](const char* text) {
        const auto [at, added] = names.emplace(text, uint32_t(snapshot.mNames.size()));
        if (added) snapshot.mNames.emplace_back(text);
        return at->second;
    };
    std::vector<uint32_t> kindOf;
    for (const MemoryGraph::Kind& kind : graph->Kinds()) {
        const std::pair<uint32_t, uint32_t> pair{name(kind.mDynamic), name(kind.mStatic)};
        const auto [at, added] = kinds.emplace(pair, uint32_t(snapshot.mKinds.size()));
        if (added) snapshot.mKinds.push_back({pair.first, pair.second});
        kindOf.push_back(at->second);
    }

    const size_t nodes = graph->NodeCount();
    snapshot.mAddresses.resize(nodes);
    snapshot.mBytes.resize(nodes);
    snapshot.mNodeKinds.resize(nodes);
    snapshot.mDegrees.assign(nodes, 0);
    for (uint32_t node = 0; node < nodes; ++node) {
        snapshot.mAddresses[node] = reinterpret_cast<uintptr_t>(graph->Address(node));
        snapshot.mBytes[node] = graph->Bytes(node);
        const uint32_t kind = graph->KindOf(node);
        snapshot.mNodeKinds[node] = kind == MemoryGraph::kNone ? kNone : kindOf[kind];
    }
    // Edges by their source, each source's in the order of the visits.
    const size_t edges = graph->EdgeCount();
    for (size_t e = 0; e < edges; ++e) ++snapshot.mDegrees[graph->EdgeAt(e).mFrom];
    std::vector<uint32_t> next(nodes);
    for (size_t node = 0, at = 0; node < nodes; at += snapshot.mDegrees[node++]) next[node] = uint32_t(at);
    snapshot.mTargets.resize(edges);
    for (size_t e = 0; e < edges; ++e) {
        const MemoryGraph::Edge& edge = graph->EdgeAt(e);
        snapshot.mTargets[next[edge.mFrom]++] = edge.mTo;
    }
    return snapshot;
}

bool MemorySnapshot::IsSnapshot(std::string_view bytes) {
    return bytes.size() >= sizeof kMagic && std::memcmp(bytes.data(), kMagic, sizeof kMagic) == 0;
}

std::optional<MemorySnapshot> MemorySnapshot::Parse(std::string_view bytes, std::string& error) {
    try {
        Input input(bytes);
        return ReadSnapshot(input);
    } catch (const Refused& refused) {
        error = refused.mWhy;
        return std::nullopt;
    }
}

std::optional<MemorySnapshot> MemorySnapshot::Read(const std::string& path, std::string& error) {
    const std::unique_ptr<FILE, int (*)(FILE*)> file(std::fopen(path.c_str(), "rb"), &std::fclose);
    struct stat status{};
    if (!file || fstat(fileno(file.get()), &status) != 0) {
        error = "cannot read " + path + ": " + std::strerror(errno);
        return std::nullopt;
    }
    try {
        Input input(file.get(), uint64_t(status.st_size));
        return ReadSnapshot(input);
    } catch (const Refused& refused) {
        error = refused.mWhy;
        return std::nullopt;
    }
}

std::optional<std::string> MemorySnapshot::ReportOf(std::string_view bytes, std::string& error) {
    try {
        Input input(bytes);
        const Header header = ReadHeader(input);
        return ReadReport(input, header);
    } catch (const Refused& refused) {
        error = refused.mWhy;
        return std::nullopt;
    }
}

bool MemorySnapshot::Write(const std::string& path, std::string& error) const {
    FILE* file = std::fopen(path.c_str(), "wb");
    if (!file) {
        error = "cannot write " + path + ": " + std::strerror(errno);
        return false;
    }
    bool written = true;
    PutFile(*this, [&](const void* data, size_t bytes) {
        written = written && std::fwrite(data, 1, bytes, file) == bytes;
    });
    written = std::fflush(file) == 0 && written && !std::ferror(file);
    const int why = errno;
    written = std::fclose(file) == 0 && written;
    if (!written) error = "cannot write " + path + ": " + std::strerror(why ? why : errno);
    return written;
}

std::string MemorySnapshot::Bytes() const {
    std::string bytes;
    PutFile(*this, [&](const void* data, size_t size) { bytes.append(static_cast<const char*>(data), size); });
    return bytes;
}

std::string_view MemorySnapshot::DynamicName(uint32_t node) const {
    if (node == 0) return "(root)";
    const uint32_t kind = mNodeKinds[node];
    return kind == kNone ? "(not booked)" : std::string_view(mNames[mKinds[kind].mDynamic]);
}

std::string_view MemorySnapshot::StaticName(uint32_t node) const {
    if (node == 0) return "(root)";
    const uint32_t kind = mNodeKinds[node];
    return kind == kNone ? "(not booked)" : std::string_view(mNames[mKinds[kind].mStatic]);
}

} // namespace Tarn::Utilities
