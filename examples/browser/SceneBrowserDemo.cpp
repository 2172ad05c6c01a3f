// tarn_scene_browser: a host window drawing a small world, with the scene browser beside it.
//
//   tarn_scene_browser [--depth N] [--nodes N] [--screenshot FILE]
//
// --screenshot selects the first node, saves the window and the browser as a PNG and quits.
#include "examples/browser/WorldView.h"

#include <wx/app.h>
#include <wx/cmdline.h>

#include <cstdio>

namespace {

class SceneBrowserDemo : public wxApp {
public:
    void OnInitCmdLine(wxCmdLineParser& parser) override {
        wxApp::OnInitCmdLine(parser);
        parser.AddOption("", "depth", "levels of cells (default 3)", wxCMD_LINE_VAL_NUMBER);
        parser.AddOption("", "nodes", "render nodes in each leaf cell (default 4)", wxCMD_LINE_VAL_NUMBER);
        parser.AddOption("", "screenshot", "select the first node, save the screen as this PNG and quit");
    }

    bool OnCmdLineParsed(wxCmdLineParser& parser) override {
        if (!wxApp::OnCmdLineParsed(parser)) return false;
        parser.Found("depth", &mDepth);
        parser.Found("nodes", &mNodes);
        parser.Found("screenshot", &mScreenshot);
        if (mDepth < 1 || mDepth > 6 || mNodes < 0 || mNodes > 100) {
            std::fputs("tarn_scene_browser: --depth takes 1 to 6, --nodes 0 to 100\n", stderr);
            return false;
        }
        return true;
    }

    bool OnInit() override {
        if (!wxApp::OnInit()) return false;
        auto* view = new Tarn::Demo::WorldView(static_cast<int>(mDepth), static_cast<int>(mNodes));
        view->Show();
        view->OpenBrowser();
        if (!mScreenshot.empty()) CallAfter([this, view] { SaveAndQuit(view); });
        return true;
    }

private:
    void SaveAndQuit(Tarn::Demo::WorldView* view) {
        view->SelectFirstNode();
        const bool shown = view->PaintBoth() && Tarn::Demo::SaveScreenshot(view->ScreenArea(), mScreenshot);
        if (!shown) std::fprintf(stderr, "tarn_scene_browser: could not save %s\n", mScreenshot.utf8_str().data());
        mExitCode = shown ? 0 : 1;
        view->Close();
    }

    int OnExit() override {
        wxApp::OnExit();
        return mExitCode;
    }

    long mDepth = 3;
    long mNodes = 4;
    wxString mScreenshot;
    int mExitCode = 0;
};

} // namespace

wxIMPLEMENT_APP(SceneBrowserDemo);
