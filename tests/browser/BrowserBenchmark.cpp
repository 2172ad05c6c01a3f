// The scene browser on a world of 102,400 render nodes: a grid of 1024 leaf cells, five levels of cells above
// them, 100 render nodes a leaf; the search also on 1,024,000 (1000 a leaf). Needs a display
// (xvfb-run -a tarn_browser_bench); not part of the tests.
//
//   Search/...     a search that matches nothing, so walks the whole world: the search alone, and through the
//                  dialog's field; the logical scene (every node a child of the root) and the spatial view; at
//                  100 and 1000 render nodes a leaf; a text no type holds, and one shaped like an address
//   FindLast/...   the dialog finding the last node by its address and opening the path to it, from a fresh tree:
//                  in the logical scene this opens the root's 102,400 children
//   Open100k       opening the root of the logical scene, 102,400 children, until the tree has painted
#include "engine/graphics/WorldBuilder.h"
#include "utilities/browser/SceneBrowserDlg.h"
#include "utilities/browser/SceneSearch.h"

#include <benchmark/benchmark.h>
#include <wx/app.h>
#include <wx/evtloop.h>
#include <wx/frame.h>
#include <wx/init.h>
#include <wx/log.h>
#include <wx/radiobut.h>
#include <wx/srchctrl.h>
#include <wx/treectrl.h>

#include <cstdint>
#include <cstdio>
#include <functional>
#include <map>
#include <memory>
#include <string>

namespace {

using Tarn::Utilities::SceneBrowserDlg;
using Tarn::Utilities::SceneNode;
using Tarn::Utilities::ScenePath;
using Tarn::Utilities::SceneSearch;

bool PumpUntil(const std::function<bool()>& done) {
    wxEventLoopBase* loop = wxEventLoopBase::GetActive();
    for (int idle = 0; !done();) {
        if (loop->DispatchTimeout(1000) < 0 && ++idle >= 10) return false;
        wxTheApp->ProcessPendingEvents();
        wxTheApp->ProcessIdle();
    }
    return true;
}

// The world, and the browser on it over a host window, made once per size for all benchmarks.
class BrowserOnGrid {
public:
    static BrowserOnGrid& Get(int nodesPerLeaf = 100) {
        static std::map<int, std::unique_ptr<BrowserOnGrid>> grids;
        std::unique_ptr<BrowserOnGrid>& grid = grids[nodesPerLeaf];
        if (!grid) grid.reset(new BrowserOnGrid(nodesPerLeaf));
        return *grid;
    }

    int RenderNodes() const { return static_cast<int>(mWorld.RenderNodes().size()); }
    Tarn::Graphics::SimpleRenderNode* Last() const { return mWorld.RenderNodes().back(); }
    SceneNode* Root() const { return mRoot; }
    SceneBrowserDlg* Browser() const { return mBrowser; }
    wxTreeCtrl* Tree() const { return mTree; }
    int Paints() const { return mPaints; }

    // A fresh tree in the given view, as a click on the view's radio button gives.
    void Reset(bool logical) {
        const int id = logical ? SceneBrowserDlg::IDC_LOGICAL_SCENE_RADIO : SceneBrowserDlg::IDC_SPATIAL_RADIO;
        auto* radio = static_cast<wxRadioButton*>(mBrowser->FindWindow(id));
        radio->SetValue(true);
        wxCommandEvent click(wxEVT_RADIOBUTTON, id);
        click.SetEventObject(radio);
        radio->GetEventHandler()->ProcessEvent(click);
        mTree->SelectItem(mTree->GetRootItem());
    }

private:
    explicit BrowserOnGrid(int nodesPerLeaf) {
        mWorld.AddGrid(6, nodesPerLeaf, 1000);
        mHost = new wxFrame(nullptr, wxID_ANY, "host");
        mRoot = new SceneNode(nullptr);
        mRoot->Name(Tarn::Objects::Intern(L"World"));
        mRoot->WorldIterator(mWorld.TopLevelIterator());
        mBrowser = new SceneBrowserDlg(mRoot, mHost);
        mTree = static_cast<wxTreeCtrl*>(mBrowser->FindWindow(SceneBrowserDlg::IDC_BROWSER_TREE));
        mTree->Bind(wxEVT_PAINT, [this](wxPaintEvent& event) {
            ++mPaints;
            event.Skip();
        });
        PumpUntil([this] { return mBrowser->IsShownOnScreen(); });
    }

    Tarn::Graphics::WorldBuilder mWorld;
    wxFrame* mHost;
    SceneNode* mRoot;
    SceneBrowserDlg* mBrowser;
    wxTreeCtrl* mTree;
    int mPaints = 0;
};

// A text that no name holds, or one that might be in every address and is in none, so that each node's address
// is looked at too.
void SearchAlone(benchmark::State& state) {
    BrowserOnGrid& grid = BrowserOnGrid::Get(static_cast<int>(state.range(1)));
    const bool logical = state.range(0) != 0, addressLike = state.range(2) != 0;
    size_t visited = 0;
    for (auto _ : state) {
        SceneSearch search(grid.Root(), logical);
        ScenePath found;
        if (search.Find(addressLike ? L"x0x" : L"no such node", {}, SceneSearch::From::Next, found))
            state.SkipWithError("found");
        visited = search.Visited();
    }
    state.counters["nodes"] = static_cast<double>(visited);
    state.SetLabel(std::string(logical ? "logical scene" : "spatial view") + (addressLike ? ", \"x0x\"" : ""));
}

void SearchThroughTheField(benchmark::State& state) {
    BrowserOnGrid& grid = BrowserOnGrid::Get(static_cast<int>(state.range(1)));
    const bool logical = state.range(0) != 0;
    grid.Reset(logical);
    auto* field = static_cast<wxSearchCtrl*>(grid.Browser()->FindWindow(SceneBrowserDlg::IDC_SEARCH_FIELD));
    for (auto _ : state) {
        field->SetValue("no such node");  // the text event runs the search, which says "not found"
        state.PauseTiming();
        field->ChangeValue(wxEmptyString);
        state.ResumeTiming();
    }
    state.SetLabel(logical ? "logical scene" : "spatial view");
}

void FindLast(benchmark::State& state) {
    BrowserOnGrid& grid = BrowserOnGrid::Get();
    const bool logical = state.range(0) != 0;
    wxString address;
    address.Printf("0x%llx", static_cast<unsigned long long>(reinterpret_cast<uintptr_t>(grid.Last())));
    for (auto _ : state) {
        state.PauseTiming();
        grid.Reset(logical);
        state.ResumeTiming();
        if (!grid.Browser()->Find(address, SceneSearch::From::Here)) state.SkipWithError("not found");
    }
    state.SetLabel(logical ? "logical scene: opens 102,400 children" : "spatial view: opens six cells");
}

void Open100k(benchmark::State& state) {
    BrowserOnGrid& grid = BrowserOnGrid::Get();
    for (auto _ : state) {
        state.PauseTiming();
        grid.Reset(true);
        PumpUntil([] { return !wxTheApp->Pending(); });
        const int paints = grid.Paints();
        state.ResumeTiming();
        grid.Tree()->Expand(grid.Tree()->GetRootItem());
        grid.Tree()->Refresh();
        if (!PumpUntil([&] { return grid.Paints() > paints; })) state.SkipWithError("the tree did not paint");
    }
    state.counters["children"] = grid.Root()->ChildCount();
}

// {logical scene, render nodes a leaf, address-like text}
BENCHMARK(SearchAlone)->ArgsProduct({{1, 0}, {100, 1000}, {0, 1}})->Unit(benchmark::kMillisecond);
BENCHMARK(SearchThroughTheField)->ArgsProduct({{1, 0}, {100, 1000}})->Unit(benchmark::kMillisecond);
BENCHMARK(FindLast)->Arg(1)->Arg(0)->Unit(benchmark::kMillisecond);
BENCHMARK(Open100k)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    wxApp::SetInstance(new wxApp);
    if (!wxEntryStart(argc, argv)) {
        std::fputs("tarn_browser_bench: wxWidgets could not start; is there a display? (xvfb-run -a)\n", stderr);
        return 1;
    }
    delete wxLog::SetActiveTarget(new wxLogStderr);
    if (wxTheApp->CallOnInit()) {
        wxEventLoop loop;
        wxEventLoopActivator active(&loop);
        benchmark::RunSpecifiedBenchmarks();
    }
    wxTheApp->OnExit();
    wxEntryCleanup();
    return 0;
}
