// The cost of the heap check to every allocation: malloc and free of one small block, and operator new and delete,
// through the check (this program is linked against the library, so the check interposes its allocator) beside the
// same through glibc's allocator directly. With heaps of many live blocks, to show the tables at that size; with the
// allocating stacks recorded, which cost an unwinding each.
//
//   tarn_heapcheck_bench [benchmark options]
#include "utilities/heapcheck/HeapCheck.h"

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <thread>
#include <vector>

extern "C" void* __libc_malloc(size_t);
extern "C" void __libc_free(void*);

namespace {

using Tarn::Utilities::HeapCheck;

// Live blocks that stay through the measurement, as a host's heap holds them.
std::vector<void*> Live(int64_t count) {
    std::vector<void*> live(size_t(count), nullptr);
    for (void*& block : live) block = std::malloc(48);
    return live;
}
void Free(std::vector<void*>& live) {
    for (void* block : live) std::free(block);
}

void MallocFree(benchmark::State& state) {
    if (!HeapCheck::Loaded()) state.SkipWithError("the heap check is not loaded");
    std::vector<void*> live = Live(state.range(0));
    for (auto _ : state) {
        void* p = std::malloc(64);
        benchmark::DoNotOptimize(p);
        std::free(p);
    }
    Free(live);
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(MallocFree)->Arg(0)->Arg(100'000)->Arg(1'000'000);

void MallocFreeUnchecked(benchmark::State& state) {
    std::vector<void*> live = Live(state.range(0));
    for (auto _ : state) {
        void* p = __libc_malloc(64);
        benchmark::DoNotOptimize(p);
        __libc_free(p);
    }
    Free(live);
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(MallocFreeUnchecked)->Arg(0)->Arg(100'000)->Arg(1'000'000);

void NewDelete(benchmark::State& state) {
    for (auto _ : state) {
        auto* p = new long[4];
        benchmark::DoNotOptimize(p);
        delete[] p;
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(NewDelete);

// Blocks allocated in bursts and freed later, from two threads at once: the shards' locks shared.
void BurstsOnThreads(benchmark::State& state) {
    std::vector<void*> blocks(1000);
    for (auto _ : state) {
        for (void*& block : blocks) block = std::malloc(32);
        for (void* block : blocks) std::free(block);
    }
    state.SetItemsProcessed(state.iterations() * int64_t(blocks.size()));
}
BENCHMARK(BurstsOnThreads)->Threads(1)->Threads(2);

void MallocFreeWithStacks(benchmark::State& state) {
    HeapCheck::RecordStacks(true);
    for (auto _ : state) {
        void* p = std::malloc(64);
        benchmark::DoNotOptimize(p);
        std::free(p);
    }
    HeapCheck::RecordStacks(false);
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(MallocFreeWithStacks);

} // namespace

BENCHMARK_MAIN();
