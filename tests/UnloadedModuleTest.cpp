// A plug-in that registers nothing, whose objects were measured, then closed: the library keeps its names and types
// in its caches, so it keeps the module loaded, and every later measurement runs as if it were still open.
#include "WalkerTest.h"

#include <gtest/gtest.h>

#include <dlfcn.h>

#include <functional>
#include <memory>
#include <ostream>
#include <string>
#include <utility>
#include <vector>

namespace {

using namespace Tarn::Objects;
using namespace Tarn::Testing;
using namespace Tarn::Testing::Reports;
using Tarn::Utilities::RecordMemory;
using Tarn::Utilities::WalkObjectImpl;

// Kinds of image that the library meets only after the plug-in is closed: new keys for the caches it filled.
template <int N> class Pebble : public Image<float> {
    char mGrains[N] = {};
};

template <int... N> std::vector<std::unique_ptr<Image<float>>> Pebbles(std::integer_sequence<int, N...>) {
    std::vector<std::unique_ptr<Image<float>>> pebbles;
    (pebbles.push_back(std::make_unique<Pebble<N + 1>>()), ...);
    return pebbles;
}

struct Way {
    const char* mName;
    const char* mModule;  // a plug-in of its own: a module once met stays loaded
    const char* mBoulder;
    std::function<void(Image<float>*, RecordMemory&)> mWalk;
};

const Way kWays[] = {
    {"ThroughTheRegistry", TARN_TEST_PLUGIN_FIRST, "Tarn::Testing::First::Boulder",
     [](Image<float>* image, RecordMemory& recorder) {
         Tarn::Utilities::WalkPointer(static_cast<ARefCounted*>(image), &recorder);
     }},
    {"ByTheEngineClassWalker", TARN_TEST_PLUGIN_SECOND, "Tarn::Testing::Second::Boulder",
     [](Image<float>* image, RecordMemory& recorder) { WalkObjectImpl<Image<float>>::Instance().Walk(image, &recorder); }},
};

void PrintTo(const Way& param, std::ostream* out) { *out << param.mName; }

class UnloadedModule : public ::testing::TestWithParam<Way> {};

TEST_P(UnloadedModule, StaysLoadedOnceItsTypesAreMetAndLaterMeasurementsRunOn) {
    const Way& way = GetParam();
    void* module = dlopen(way.mModule, RTLD_NOW | RTLD_LOCAL);
    ASSERT_NE(module, nullptr) << dlerror();
    auto* make = reinterpret_cast<Image<float>* (*)()>(dlsym(module, "MakeBoulder"));
    auto* destroy = reinterpret_cast<void (*)(Image<float>*)>(dlsym(module, "DestroyBoulder"));
    ASSERT_TRUE(make && destroy);
    Image<float>* boulder = make();
    RecordMemory recorder;
    way.mWalk(boulder, recorder);
    destroy(boulder);
    const std::string report(recorder.GetResults());
    const std::string row = std::string(way.mBoulder) + "\t" + std::to_string(sizeof(Image<float>)) +
                            "\t1\t1\tTarn::Objects::Image<float>\t1\r\n";
    EXPECT_EQ(report, Total(sizeof(Image<float>), 1, 1) + row);

    EXPECT_EQ(dlclose(module), 0);
    void* kept = dlopen(way.mModule, RTLD_NOW | RTLD_NOLOAD);
    EXPECT_NE(kept, nullptr) << "the module was unloaded while the library holds its types";
    if (kept) dlclose(kept);

    // Types the caches have not met, through the hierarchies the plug-in's type went through.
    RecordMemory later;
    const auto pebbles = Pebbles(std::make_integer_sequence<int, 48>());
    for (const auto& pebble : pebbles) Tarn::Utilities::WalkPointer(static_cast<ARefCounted*>(pebble.get()), &later);
    EXPECT_EQ(Rows(std::string(later.GetResults())).size(), pebbles.size());
    EXPECT_EQ(std::string(recorder.GetResults()), report);
}

INSTANTIATE_TEST_SUITE_P(Plugins, UnloadedModule, ::testing::ValuesIn(kWays),
                         [](const auto& info) { return std::string(info.param.mName); });

} // namespace
