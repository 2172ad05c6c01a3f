// tarn_scene_browser: a host window drawing the demo scene's world, with the scene browser beside it.
//
//   tarn_scene_browser [--objects N] [--screenshot FILE]
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
        parser.AddOption("", "objects", "engine objects in the world (default 3000)", wxCMD_LINE_VAL_NUMBER);
        parser.AddOption("", "screenshot", "select the first node, save the screen as this PNG and quit");
    }

    bool OnCmdLineParsed(wxCmdLineParser& parser) override {
        if (!wxApp::OnCmdLineParsed(parser)) return false;
        parser.Found("objects", &mObjects);
        parser.Found("screenshot", &mScreenshot);
        if (mObjects < 1 || mObjects > 1'000'000) {
            std::fputs("tarn_scene_browser: --objects takes 1 to 1000000\n", stderr);
            return false;
        }
        return true;
    }

    bool OnInit() override {
        if (!wxApp::OnInit()) return false;
        auto* view = new Tarn::Demo::WorldView(static_cast<int>(mObjects));
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

    long mObjects = 3000;
    wxString mScreenshot;
    int mExitCode = 0;
};

} // namespace

wxIMPLEMENT_APP(SceneBrowserDemo);
