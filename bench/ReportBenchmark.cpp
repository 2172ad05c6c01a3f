// The recorder's name tables and report at many distinct type names, as a host with generated types (templates
// over many arguments, one class per asset kind) brings them: booking each name once, then writing the report.
//
//   tarn_report_bench [benchmark options]
#include "utilities/memory/RecordMemory.h"

#include <benchmark/benchmark.h>

#include <string>
#include <vector>

namespace {

using Tarn::Utilities::RecordMemory;

std::vector<std::string> Names(int64_t count) {
    std::vector<std::string> names;
    for (int64_t i = 0; i < count; ++i) names.push_back("Host::Generated<" + std::to_string(i) + ">");
    return names;
}

void BookDistinctNames(benchmark::State& state) {
    const std::vector<std::string> names = Names(state.range(0));
    for (auto _ : state) {
        RecordMemory recorder;
        for (const std::string& name : names) recorder.RecordObject(name.c_str(), name.c_str(), 8, true);
        benchmark::DoNotOptimize(&recorder);
    }
    state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BookDistinctNames)->RangeMultiplier(8)->Range(1 << 10, 160000)->Unit(benchmark::kMillisecond);

void WriteReport(benchmark::State& state) {
    const std::vector<std::string> names = Names(state.range(0));
    RecordMemory recorder;
    for (size_t i = 0; i < names.size(); ++i) recorder.RecordObject(names[i].c_str(), names[i].c_str(), i % 64, true);
    for (auto _ : state) benchmark::DoNotOptimize(recorder.GetResults());
    state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(WriteReport)->RangeMultiplier(8)->Range(1 << 10, 160000)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
