// Several threads measuring at once, and classes that only their type_info tells apart.
#include "examples/DemoScene.h"

#include <gtest/gtest.h>

#include <atomic>
#include <string>
#include <thread>
#include <vector>

namespace Tarn::Testing {
size_t WalkTwinFirst(Utilities::RecordMemory& recorder);
size_t WalkTwinSecond(Utilities::RecordMemory& recorder);
} // namespace Tarn::Testing

namespace {

using Tarn::Demo::DemoScene;
using Tarn::Utilities::RecordMemory;

std::string Measure(DemoScene& scene) {
    RecordMemory recorder;
    scene.Measure(recorder);
    return std::string(recorder.GetResults());
}

TEST(ConcurrentWalks, EachThreadGetsTheReportItWouldGetAlone) {
    // Two scenes, so that the threads meet new types and fill the registry's caches at the same time.
    DemoScene first(3000), second(1000);
    const std::string alone[2] = {Measure(first), Measure(second)};
    constexpr int kThreads = 4, kRounds = 3;
    for (int round = 0; round < kRounds; ++round) {
        std::vector<std::string> reports(kThreads);
        std::atomic<int> ready{0};
        std::vector<std::thread> threads;
        for (int t = 0; t < kThreads; ++t)
            threads.emplace_back([&, t] {
                ++ready;
                while (ready.load() < kThreads) std::this_thread::yield();  // start together
                reports[size_t(t)] = Measure(t % 2 ? second : first);
            });
        for (std::thread& thread : threads) thread.join();
        for (int t = 0; t < kThreads; ++t) EXPECT_EQ(reports[size_t(t)], alone[t % 2]) << "thread " << t;
    }
}

TEST(ConcurrentWalks, EquallyNamedClassesOfTwoFilesKeepTheirOwnWalkers) {
    RecordMemory recorder;
    const size_t first = Tarn::Testing::WalkTwinFirst(recorder);
    const size_t second = Tarn::Testing::WalkTwinSecond(recorder);
    const std::string report(recorder.GetResults());
    // Both are "(anonymous namespace)::Twin" in a report, each booked at its own size with what it owns.
    EXPECT_NE(report.find("(anonymous namespace)::Twin\t" + std::to_string(first + second) + "\t2\t2\r\n"),
              std::string::npos) << report;
    EXPECT_NE(report.find("\nTarn::vec3<float>*\t24\t1\t1\r\n"), std::string::npos) << report;
    EXPECT_NE(report.find("\nchar*\t"), std::string::npos) << report;
}

} // namespace
