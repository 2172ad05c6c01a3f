// The main job's world: measured from the host's object manager, it reaches a walker of every concrete engine
// class, and the library's registrations are all in place.
#include "examples/DemoScene.h"
#include "utilities/walk/ClassHierarchy.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <fstream>
#include <regex>
#include <set>
#include <sstream>
#include <string>

namespace {

using Tarn::Demo::DemoScene;
using Tarn::Utilities::RecordMemory;

// The dynamic types that have a row of their own.
std::set<std::string> RowNames(const std::string& report) {
    std::set<std::string> names;
    std::istringstream lines(report);
    for (std::string line; std::getline(lines, line);)
        if (!line.empty() && line[0] != '\t') names.insert(line.substr(0, line.find('\t')));
    return names;
}

std::set<std::string> ExportedWalkers() {
    std::set<std::string> types;
    std::ifstream list(TARN_EXPORTED_WALKERS);
    for (std::string line; std::getline(list, line);)
        if (!line.empty() && line[0] != '#') types.insert(line);
    return types;
}

// Walked types that no object of a world is booked as, and why.
bool NeverBookedAsItself(const std::string& type) {
    // Abstract classes and interfaces by the engine's naming; containers, booked as their blocks.
    static const std::regex abstractOrContainer(R"((^|::)[AI][A-Z]\w*(<.*>)?$|^Tarn::Objects::_|^tbb::)");
    static const std::set<std::string> others = {
        // Named lists and hash maps, held by value inside their owners.
        "Tarn::Objects::ListOfInts", "Tarn::Objects::ListOfPoints3D<double>", "Tarn::Objects::ListOfPoints3D<float>",
        "Tarn::Objects::SegmentIndexDescList", "Tarn::Devices::CBInstanceList", "Tarn::Devices::FragmentList",
        "Tarn::Devices::ImplementationList", "Tarn::Devices::InParameterList", "Tarn::Devices::ListOfRenderables",
        "Tarn::Graphics::ConsolidationBins", "Tarn::Graphics::ConsolidationBuckets",
        "Tarn::Graphics::ConsolidationLodBuckets", "Tarn::Graphics::ConsolidationSources",
        "Tarn::Graphics::ListOfConsolidationBins", "Tarn::Graphics::ListOfItems", "Tarn::Graphics::ListOfNodes",
        "Tarn::Graphics::ListOfNotifiers", "Tarn::Graphics::RenderNodeList", "Tarn::Graphics::UnorderedListOfNodes",
        "Tarn::Devices::OverrideDeviceState::StateBundle<Tarn::Devices::ABlendState>",
        "Tarn::Devices::OverrideDeviceState::StateBundle<Tarn::Devices::ADepthStencilState>",
        "Tarn::Devices::OverrideDeviceState::StateBundle<Tarn::Devices::ARasterizerState>",
        // Values stored in lists, booked as their arrays.
        "Tarn::Devices::CBInstance", "Tarn::Devices::SSubGeom", "Tarn::Devices::SourceImplementation::Declaration",
        "Tarn::Graphics::ConsolidationSource", "Tarn::Graphics::PolylineDesc",
        // Bases of families that only their subclasses instantiate.
        "Tarn::Objects::Curve<double>", "Tarn::Objects::Curve<float>", "Tarn::Objects::Surface<double>",
        "Tarn::Objects::Surface<float>", "Tarn::Devices::EffectInstance", "Tarn::Graphics::StandardObjectManager",
        // Nothing in the engine holds one through a pointer of its own type.
        "Tarn::Objects::HeapOperators", "Tarn::Objects::KString const", "Tarn::Graphics::AttributeLODList",
        "Tarn::Graphics::ScriptInterpreter", "Tarn::Graphics::CellIterator", "Tarn::Graphics::BSPCellIterator",
        "ID3DXBuffer"};
    return std::regex_search(type, abstractOrContainer) || others.count(type);
}

// The dynamic types whose rows name a static type besides their own: objects the registry found no walker of their
// own for.
std::set<std::string> ReachedThroughAnother(const std::string& report) {
    std::set<std::string> names;
    std::istringstream lines(report);
    for (std::string line; std::getline(lines, line);)
        if (!line.empty() && line[0] != '\t' && std::count(line.begin(), line.end(), '\t') > 3)
            names.insert(line.substr(0, line.find('\t')));
    return names;
}

TEST(DemoWorld, HasARowForEveryConcreteEngineClassEachBookedByItsOwnWalker) {
    DemoScene scene(1000);
    RecordMemory recorder;
    scene.Measure(recorder);
    const std::string report(recorder.GetResults());
    // A registration missing from the table would book its class through a base: a fifth column.
    EXPECT_EQ(ReachedThroughAnother(report), std::set<std::string>{"Tarn::Demo::Terrain"});
    const std::set<std::string> rows = RowNames(report);
    const std::set<std::string> exported = ExportedWalkers();
    ASSERT_EQ(exported.size(), 381u);
    for (const std::string& type : exported) {
        if (!NeverBookedAsItself(type)) {
            EXPECT_TRUE(rows.count(type)) << type << " has no row";
        }
    }
}

// Bytes, instances and references of the Total line.
std::array<unsigned long long, 3> Totals(const std::string& report) {
    std::array<unsigned long long, 3> totals{};
    std::istringstream line(report.substr(report.find('\t') + 1));
    for (unsigned long long& total : totals) line >> total;
    return totals;
}

// The scene grows by groups; its three windows, one a graphics API, stay three double-buffered swap chains.
TEST(DemoWorld, ScalesWithTheObjectsAskedFor) {
    for (int objects : {1000, 20000}) {
        DemoScene scene(objects);
        RecordMemory recorder;
        scene.Measure(recorder);
        const std::string report(recorder.GetResults());
        const unsigned long long instances = Totals(report)[1];
        EXPECT_GT(instances, objects * 7 / 10u);
        EXPECT_LT(instances, objects * 13 / 10u);
        for (const char* chain : {"IDirect3DSwapChain9", "IDXGISwapChain", "Tarn::Devices::GLFrameBuffer"}) {
            EXPECT_NE(report.find(std::string("\n") + chain + "\t16588800\t1\t1\r\n"), std::string::npos) << chain;
        }
    }
}

TEST(DemoWorld, WalkingTheRootAgainAddsOneReferenceOnly) {
    DemoScene scene(1000);
    RecordMemory recorder;
    scene.Measure(recorder);
    const auto first = Totals(std::string(recorder.GetResults()));
    scene.Measure(recorder);
    const auto second = Totals(std::string(recorder.GetResults()));
    EXPECT_EQ(second[0], first[0]);
    EXPECT_EQ(second[1], first[1]);
    EXPECT_EQ(second[2], first[2] + 1);
}

TEST(LibraryRegistrations, AllButTheQueueLineAreMadeAtLoad) {
    // 394 in the table; the change-packet queue has no run-time type information to down-cast from.
    EXPECT_EQ(Tarn::Utilities::LibraryRegistrations(), 393);
}

} // namespace
