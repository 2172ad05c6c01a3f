// An engine host outside the library's tree: it measures its own Terrain with its own walker, and its Quarry first
// as the engine image it derives from, then, once the plug-in with the quarry's walker is loaded, by that walker.
// Its surveys, kept in standard-library types, are measured against what the allocator handed out for them.
//
//   host PLUGIN    prints the reports; exits 1 if a row is not what the walkers must give
#include "Allocations.h"
#include "HostWalks.h"

#include <dlfcn.h>

#include <cstdio>
#include <cwchar>
#include <string>

namespace Host {
namespace {

const Tarn::Utilities::Registrations<Tarn::Utilities::SubClasses<Tarn::Objects::Image<float>, Terrain>,
                                     Tarn::Utilities::SubClasses<Tarn::Objects::ARefCounted, Survey>>
    kWalkers;

std::string Measure(Tarn::Objects::ARefCounted* terrain, Tarn::Objects::ARefCounted* quarry) {
    Tarn::Utilities::RecordMemory recorder;
    Tarn::Utilities::WalkPointer(terrain, &recorder);
    Tarn::Utilities::WalkPointer(quarry, &recorder);
    return std::string(recorder.GetResults());
}

bool Expect(const std::string& report, const std::string& row) {
    if (report.find("\n" + row + "\r\n") != std::string::npos) return true;
    std::fprintf(stderr, "host: missing row: %s\n", row.c_str());
    return false;
}

std::string Row(const char* name, size_t bytes, int count) {
    return std::string(name) + "\t" + std::to_string(bytes) + "\t" + std::to_string(count) + "\t" + std::to_string(count);
}

// Two surveys sharing a legend, built while the allocator is counted: their report books every byte it handed out,
// the surveys themselves included, once each.
bool MeasureSurveys() {
    StartCounting();
    auto legend = std::make_shared<Tarn::Objects::ImageAttribute>();
    std::unique_ptr<Survey> surveys[2] = {std::make_unique<Survey>(), std::make_unique<Survey>()};
    for (auto& survey : surveys) {
        survey->mTitle = "Survey of the northern terrain, its rivers, roads and quarries";
        survey->mSites = {Tarn::Objects::KString(L"North ridge, above the river"), Tarn::Objects::KString(L"Ford")};
        survey->mLegend = legend;
        for (int site = 0; site < 12; ++site) survey->mDepthsBySite[site].assign(size_t(site), 1.5);
    }
    surveys[0]->mFrame = std::make_unique<Tarn::Objects::SharedMatrix>();
    legend.reset();
    const Allocated allocated = StopCounting();

    Tarn::Utilities::RecordMemory recorder;
    for (auto& survey : surveys) Tarn::Utilities::WalkPointer<Tarn::Objects::ARefCounted>(survey.get(), &recorder);
    const std::string report(recorder.GetResults());
    std::fputs("--\r\n", stdout);
    std::fputs(report.c_str(), stdout);
    const std::string total = "Total\t" + std::to_string(allocated.mBytes) + "\t" + std::to_string(allocated.mBlocks) + "\t";
    if (report.compare(0, total.size(), total) == 0) return true;
    std::fprintf(stderr, "host: the allocator handed out %zu bytes in %zu blocks for the surveys\n", allocated.mBytes,
                 allocated.mBlocks);
    return false;
}

} // namespace
} // namespace Host

int main(int argc, char** argv) {
    using namespace Host;
    if (argc != 2) {
        std::fputs("usage: host PLUGIN\n", stderr);
        return 2;
    }
    Tarn::Objects::SharedMatrix placement;
    Tarn::Objects::ImageAttribute feature;
    Terrain terrain;
    terrain.mName = Tarn::Objects::KString(L"The northern terrain, with its rivers and roads");
    terrain.mFeatures.Add(&feature);
    terrain.mPlacement = &placement;
    terrain.mAttribute = &feature;  // shared with the feature list: booked once
    Quarry quarry;
    quarry.mOwner = Tarn::Objects::KStringA("Quarry company of the northern terrain");

    const std::string before = Measure(&terrain, &quarry);
    std::fputs(before.c_str(), stdout);
    void* plugin = dlopen(argv[1], RTLD_NOW);
    if (!plugin) {
        std::fprintf(stderr, "host: %s\n", dlerror());
        return 1;
    }
    using Count = int (*)();
    auto made = reinterpret_cast<Count>(dlsym(plugin, "QuarryWalkersRegistered"));
    const std::string after = Measure(&terrain, &quarry);
    std::fputs("--\r\n", stdout);
    std::fputs(after.c_str(), stdout);

    const size_t name = (wcslen(L"The northern terrain, with its rivers and roads") + 1) * sizeof(wchar_t);
    bool good = Expect(before, Row("Host::Terrain", sizeof(Terrain), 1)) &&
                Expect(before, Row("Host::Quarry", sizeof(Tarn::Objects::Image<float>), 1) +
                                   "\tTarn::Objects::Image<float>\t1") &&
                Expect(before, Row("wchar_t const*", name, 1)) && Expect(before, Row("Tarn::Objects::ARefCounted**", 16, 1)) &&
                Expect(before, "Tarn::Objects::ImageAttribute\t" + std::to_string(sizeof(feature)) + "\t1\t2") &&
                Expect(after, Row("Host::Terrain", sizeof(Terrain), 1)) &&
                Expect(after, Row("Host::Quarry", sizeof(Quarry), 1)) &&
                Expect(after, Row("char*", std::char_traits<char>::length("Quarry company of the northern terrain") + 1, 1));
    // The plug-in registered its quarry; its registration of the terrain, which the host made first, was refused.
    if (!made || made() != 1) {
        std::fprintf(stderr, "host: the plug-in made %d registrations, not 1\n", made ? made() : -1);
        good = false;
    }
    return good && MeasureSurveys() ? 0 : 1;
}
