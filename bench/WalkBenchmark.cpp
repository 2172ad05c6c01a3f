// The accountant against a minimal hand-written walk, over one scene, in one run.
//
// The scene is BenchScene.h's: images of six objects or blocks each, in shuffled order. The baseline knows the scene's
// shape, marks each address in an open-addressing set and books it by its type_info pointer: the floor of any walk
// that visits and books every object once.
//
// The floor is the machine's: pointer chains chased through as many 64-byte nodes as the scene has objects, linked
// in one random cycle. One chain waits for each miss in turn; many chains in lockstep keep as many misses in flight
// as the core can, and their cost per hop is the least a walk that misses once per object can pay. Each scene size
// prints accountant_ns/obj, baseline_ns/obj, floor_1chain_ns (a hop of one chain), floor_8chains_ns, floor_ns (a hop
// of many chains: the best of 8, 16, 32 and 64) and floor_ratio (accountant per object over floor_ns), measured in
// the same run.
//
// WalkMixedTypes times the accountant alone where one walker meets six dynamic types in turn.
//
// WalkSceneKeepingGraph times the accountant keeping the walked graph beside the one keeping none, in one run;
// SnapshotAndDominators times what follows on that graph: the snapshot made and written to a file, and the
// dominators, retained bytes and retained bytes per type computed from it.
//
//   tarn_walk_bench [--huge] [benchmark options]     --huge adds a scene of ten million objects
#include "bench/BenchScene.h"
#include "engine/objects/Objects.h"
#include "utilities/analysis/Dominators.h"
#include "utilities/memory/MemorySnapshot.h"
#include "utilities/memory/RecordMemory.h"
#include "utilities/walk/IWalkObject.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <memory>
#include <optional>
#include <string>
#include <random>
#include <typeinfo>
#include <utility>
#include <vector>

namespace {

using namespace Tarn::Objects;
using Tarn::vec3;
using Clock = std::chrono::steady_clock;

using Tarn::Bench::BenchScene;
using Tarn::Bench::kObjectsPerImage;
using Tarn::Bench::RootList;

// ---- The baseline: a hand-written depth-first walk

class Baseline {
public:
    void Walk(RootList& root) {
        Book(&typeid(root), sizeof root, Mark(&root));
        Book(&typeid(ARefCounted**), size_t(root.mCapacity) * 8, Mark(root.mData));
        for (int i = root.mCount - 1; i >= 0; --i) WalkImage(static_cast<Image<float>*>(root.mData[i]));
    }
    uint64_t Bytes() const { return mBytes; }

private:
    void WalkImage(Image<float>* image) {
        const bool first = Mark(image);
        if (first) {
            auto* curve = static_cast<Polyline<float>*>(image->mCurve);
            if (Mark(curve)) {
                Leaf(curve->mRelated);
                Book(&typeid(vec3<float>*), size_t(curve->mVertices.mCapacity) * sizeof(vec3<float>),
                     Mark(curve->mVertices.mData));
            }
            Book(&typeid(*curve), sizeof(*curve), true);
            Leaf(image->mSurface);
            Leaf(image->mAttribute);
        }
        Book(&typeid(*image), sizeof(*image), first);
    }
    template <class T> void Leaf(T* object) { Book(&typeid(*object), sizeof(T), Mark(object)); }

    bool Mark(const void* address) {
        size_t i = Slot(address);
        for (;; i = (i + 1) & (mSlots.size() - 1)) {
            if (mSlots[i] == address) return false;
            if (!mSlots[i]) break;
        }
        mSlots[i] = address;
        if (++mCount * 2 > mSlots.size()) Grow();
        return true;
    }
    size_t Slot(const void* address) const {
        return (reinterpret_cast<uintptr_t>(address) * 0x9E3779B97F4A7C15ull) >> (64 - mBits);
    }
    void Grow() {
        std::vector<const void*> old(mSlots.size() * 2, nullptr);
        old.swap(mSlots);
        ++mBits;
        for (const void* address : old) {
            if (!address) continue;
            size_t i = Slot(address);
            while (mSlots[i]) i = (i + 1) & (mSlots.size() - 1);
            mSlots[i] = address;
        }
    }

    // Booked by type_info pointer in a small direct-mapped table.
    struct Booking {
        const std::type_info* mType;
        uint64_t mBytes, mInstances, mReferences;
    };
    void Book(const std::type_info* type, size_t bytes, bool first) {
        Booking* booking = &mBooked[(reinterpret_cast<uintptr_t>(type) >> 4) & 63];
        while (booking->mType && booking->mType != type) booking = &mBooked[(booking - mBooked + 1) & 63];
        booking->mType = type;
        if (first) {
            booking->mBytes += bytes;
            ++booking->mInstances;
            mBytes += bytes;
        }
        ++booking->mReferences;
    }

    unsigned mBits = 16;
    std::vector<const void*> mSlots = std::vector<const void*>(size_t(1) << 16, nullptr);
    size_t mCount = 0;
    Booking mBooked[64] = {};
    uint64_t mBytes = 0;
};

double Seconds(Clock::duration duration) { return std::chrono::duration<double>(duration).count(); }

// ---- The floor: what a cache miss costs on this machine, alone and overlapped

class Chase {
public:
    static constexpr int kMaxChains = 64;

    // `count` nodes in one random cycle; the chains start at even shares of it, so that they never meet.
    explicit Chase(size_t count) : mNodes(count) {
        std::vector<uint32_t> order(count);
        for (size_t i = 0; i < count; ++i) order[i] = uint32_t(i);
        std::shuffle(order.begin(), order.end(), std::mt19937_64(7));
        for (size_t i = 0; i < count; ++i) mNodes[order[i]].mNext = &mNodes[order[(i + 1) % count]];
        for (int c = 0; c < kMaxChains; ++c) mStarts[c] = &mNodes[order[size_t(c) * count / kMaxChains]];
    }

    // Nanoseconds a hop with `kChains` chains followed in lockstep, over at least `hops` hops in all.
    template <int kChains> double NsPerHop(size_t hops) const {
        static_assert(kChains <= kMaxChains && kMaxChains % kChains == 0);
        Node* at[kChains];
        for (int c = 0; c < kChains; ++c) at[c] = mStarts[c * (kMaxChains / kChains)];
        const size_t rounds = (hops + kChains - 1) / kChains;
        const auto start = Clock::now();
        for (size_t r = 0; r < rounds; ++r)
            for (int c = 0; c < kChains; ++c) at[c] = at[c]->mNext;
        const double spent = Seconds(Clock::now() - start);
        for (Node* node : at) benchmark::DoNotOptimize(node);
        return spent / double(rounds * kChains) * 1e9;
    }

private:
    struct alignas(64) Node {
        Node* mNext;
    };
    std::vector<Node> mNodes;
    Node* mStarts[kMaxChains] = {};
};

struct Floor {
    double mOneChain;    // ns a hop, one miss at a time
    double mEightChains;
    double mManyChains;  // ns a hop, as many misses in flight as the core keeps
};

// The floor over a working set of one node per object: every node once, and enough hops to time a small set well.
Floor MeasureFloor(int64_t objects) {
    const Chase chase{size_t(objects)};
    const size_t lap = size_t(objects), hops = std::max<size_t>(lap, size_t(1) << 22);
    chase.NsPerHop<16>(lap);  // brings the set into whatever cache holds it, as the walks' rounds do
    const double eight = chase.NsPerHop<8>(hops);
    const double many = std::min({eight, chase.NsPerHop<16>(hops), chase.NsPerHop<32>(hops), chase.NsPerHop<64>(hops)});
    return {chase.NsPerHop<1>(std::min<size_t>(hops, size_t(1) << 21)), eight, many};
}

double TimeAccountant(BenchScene& scene, bool keepGraph = false) {
    const auto start = Clock::now();
    Tarn::Utilities::RecordMemory recorder;
    if (keepGraph) recorder.KeepGraph();
    Tarn::Utilities::WalkObjectImpl<RootList>::Instance().Walk(&scene.Root(), &recorder);
    benchmark::DoNotOptimize(recorder);
    return Seconds(Clock::now() - start);
}

double TimeBaseline(BenchScene& scene) {
    const auto start = Clock::now();
    Baseline hand;
    hand.Walk(scene.Root());
    benchmark::DoNotOptimize(hand.Bytes());
    return Seconds(Clock::now() - start);
}

// Times two walks of one scene in turn, each round starting with the other, so that neither always finds the other's
// leftovers; the iteration is charged to the first. Counters: nanoseconds an object of each, and their ratio.
template <class First, class Second>
void Alternate(benchmark::State& state, const BenchScene& scene, First first, Second second, const char* firstName,
               const char* secondName, const char* ratioName) {
    double firstSpent = 0, secondSpent = 0;
    bool firstFirst = true;
    for (auto _ : state) {
        double a = 0, b = 0;
        if (firstFirst) {
            a = first();
            b = second();
        } else {
            b = second();
            a = first();
        }
        state.SetIterationTime(a);
        firstSpent += a;
        secondSpent += b;
        firstFirst = !firstFirst;
    }
    const double rounds = double(state.iterations()), objects = double(scene.Objects());
    state.counters["objects"] = objects;
    state.counters[firstName] = firstSpent / rounds / objects * 1e9;
    state.counters[secondName] = secondSpent / rounds / objects * 1e9;
    state.counters[ratioName] = firstSpent / secondSpent;
}

void WalkScene(benchmark::State& state) {
    BenchScene scene(state.range(0));
    Alternate(
        state, scene, [&] { return TimeAccountant(scene); }, [&] { return TimeBaseline(scene); },
        "accountant_ns/obj", "baseline_ns/obj", "ratio");
    const Floor floor = MeasureFloor(scene.Objects());
    state.counters["floor_1chain_ns"] = floor.mOneChain;
    state.counters["floor_8chains_ns"] = floor.mEightChains;
    state.counters["floor_ns"] = floor.mManyChains;
    state.counters["floor_ratio"] = state.counters["accountant_ns/obj"] / floor.mManyChains;
}

// ---- Keeping the graph

void WalkSceneKeepingGraph(benchmark::State& state) {
    BenchScene scene(state.range(0));
    // The first walks of a process pay for the kernel's first huge pages (compaction): neither mode is charged them.
    TimeAccountant(scene, true);
    TimeAccountant(scene);
    Alternate(
        state, scene, [&] { return TimeAccountant(scene, true); }, [&] { return TimeAccountant(scene); },
        "graph_ns/obj", "plain_ns/obj", "graph_ratio");
}

void SnapshotAndDominators(benchmark::State& state) {
    using namespace Tarn::Utilities;
    BenchScene scene(state.range(0));
    RecordMemory recorder;
    recorder.KeepGraph();
    WalkObjectImpl<RootList>::Instance().Walk(&scene.Root(), &recorder);
    const std::string path = "/tmp/tarn_walk_bench_" + std::to_string(state.range(0)) + ".snap";
    double writing = 0, analysing = 0;
    uint64_t retained = 0;
    for (auto _ : state) {
        auto start = Clock::now();
        {
            std::string error;
            if (!MemorySnapshot::Of(recorder).Write(path, error)) state.SkipWithError(error.c_str());
        }
        writing += Seconds(Clock::now() - start);
        std::string error;
        const std::optional<MemorySnapshot> snapshot = MemorySnapshot::Read(path, error);
        if (!snapshot) state.SkipWithError(error.c_str());
        start = Clock::now();
        const Dominators dominators(GraphOf(*snapshot));
        const DominatorTree tree(dominators);
        std::vector<uint32_t> typeOf(snapshot->NodeCount());
        for (size_t node = 0; node < typeOf.size(); ++node) {
            const uint32_t kind = snapshot->mNodeKinds[node];
            typeOf[node] = kind == MemorySnapshot::kNone ? Dominators::kNone : snapshot->mKinds[kind].mDynamic;
        }
        retained += RetainedByGroup(dominators, tree, typeOf, snapshot->mNames.size()).at(0);
        const double spent = Seconds(Clock::now() - start);
        analysing += spent;
        state.SetIterationTime(spent);
    }
    std::remove(path.c_str());
    benchmark::DoNotOptimize(retained);
    const double rounds = double(state.iterations());
    state.counters["nodes"] = double(recorder.Graph()->NodeCount());
    state.counters["edges"] = double(recorder.Graph()->EdgeCount());
    state.counters["snapshot_write_s"] = writing / rounds;
    state.counters["dominators_retained_s"] = analysing / rounds;
}

// ---- One walker meeting several dynamic types in turn: classes that no walker of their own is registered for,
// walked by the walker of their base. Each visit changes the type the walker last met.

template <int N> struct Unregistered : ARefCounted {
    char mPayload[8 * N] = {};
};

template <int... N> void AddUnregistered(RootList& list, std::integer_sequence<int, N...>) {
    (list.Add(new Unregistered<N>), ...);
}

void WalkMixedTypes(benchmark::State& state) {
    RootList root;
    for (int64_t i = 0; i < state.range(0) / 6; ++i) AddUnregistered(root, std::make_integer_sequence<int, 6>());
    for (auto _ : state) {
        Tarn::Utilities::RecordMemory recorder;
        Tarn::Utilities::WalkObjectImpl<RootList>::Instance().Walk(&root, &recorder);
        benchmark::DoNotOptimize(recorder);
    }
    state.counters["ns/obj"] = benchmark::Counter(double(root.Count()), benchmark::Counter::kIsIterationInvariantRate |
                                                                          benchmark::Counter::kInvert);
    for (int i = 0; i < root.Count(); ++i) delete root[i];
}

} // namespace

int main(int argc, char** argv) {
    bool huge = false;
    std::vector<char*> args;
    for (int i = 0; i < argc; ++i) {
        if (std::strcmp(argv[i], "--huge") == 0) huge = true;
        else args.push_back(argv[i]);
    }
    benchmark::RegisterBenchmark("WalkScene", WalkScene)
        ->UseManualTime()->Unit(benchmark::kMillisecond)->Arg(10'000)->Arg(100'000)->Arg(1'000'000);
    benchmark::RegisterBenchmark("WalkMixedTypes", WalkMixedTypes)->Unit(benchmark::kMillisecond)->Arg(100'000);
    benchmark::RegisterBenchmark("WalkSceneKeepingGraph", WalkSceneKeepingGraph)
        ->UseManualTime()->Unit(benchmark::kMillisecond)->Arg(1'000'000);
    benchmark::RegisterBenchmark("SnapshotAndDominators", SnapshotAndDominators)
        ->UseManualTime()->Unit(benchmark::kMillisecond)->Arg(1'000'000)->Iterations(3);
    if (huge) {  // a few rounds are plenty at this size, and each costs seconds
        benchmark::RegisterBenchmark("WalkScene", WalkScene)
            ->UseManualTime()->Unit(benchmark::kMillisecond)->Arg(10'000'000)->Iterations(3);
        benchmark::RegisterBenchmark("WalkSceneKeepingGraph", WalkSceneKeepingGraph)
            ->UseManualTime()->Unit(benchmark::kMillisecond)->Arg(10'000'000)->Iterations(4);
        benchmark::RegisterBenchmark("SnapshotAndDominators", SnapshotAndDominators)
            ->UseManualTime()->Unit(benchmark::kMillisecond)->Arg(10'000'000)->Iterations(2);
    }
    int count = int(args.size());
    benchmark::Initialize(&count, args.data());
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
