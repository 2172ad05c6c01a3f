// tarn_scene_browser: a host window drawing the demo scene's world, with the scene browser beside it.
//
//   tarn_scene_browser [--objects N] [--spatial] [--find TEXT] [--measure] [--screenshot FILE]
//
// --spatial starts the browser in the spatial view; --find types TEXT into the browser's search field, which
// selects the first node whose name or address contains it; --measure measures the selected node (the first one
// without --find) into the memory window. --screenshot saves the windows as a PNG and quits.
#include "examples/browser/WorldView.h"

#include <wx/app.h>
#include <wx/cmdline.h>
#include <wx/radiobut.h>
#include <wx/srchctrl.h>

#include <cstdio>

namespace {

class SceneBrowserDemo : public wxApp {
public:
    void OnInitCmdLine(wxCmdLineParser& parser) override {
        wxApp::OnInitCmdLine(parser);
        parser.AddOption("", "objects", "engine objects in the world (default 3000)", wxCMD_LINE_VAL_NUMBER);
        parser.AddSwitch("", "spatial", "start in the spatial view");
        parser.AddOption("", "find", "type this text into the browser's search field");
        parser.AddSwitch("", "measure", "measure the selected node into the memory window");
        parser.AddOption("", "screenshot", "save the windows as this PNG and quit");
    }

    bool OnCmdLineParsed(wxCmdLineParser& parser) override {
        if (!wxApp::OnCmdLineParsed(parser)) return false;
        parser.Found("objects", &mObjects);
        parser.Found("screenshot", &mScreenshot);
        parser.Found("find", &mFind);
        mSpatial = parser.Found("spatial");
        mMeasure = parser.Found("measure");
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
        CallAfter([this, view] { Start(view); });
        return true;
    }

private:
    using SceneBrowserDlg = Tarn::Utilities::SceneBrowserDlg;

    // What the options ask for, done as a user would: through the browser's controls.
    void Start(Tarn::Demo::WorldView* view) {
        SceneBrowserDlg* browser = view->Browser();
        if (mSpatial) {
            auto* spatial = static_cast<wxRadioButton*>(browser->FindWindow(SceneBrowserDlg::IDC_SPATIAL_RADIO));
            spatial->SetValue(true);
            wxCommandEvent click(wxEVT_RADIOBUTTON, SceneBrowserDlg::IDC_SPATIAL_RADIO);
            click.SetEventObject(spatial);
            spatial->GetEventHandler()->ProcessEvent(click);
        }
        if (!mFind.empty()) {
            auto* field = static_cast<wxSearchCtrl*>(browser->FindWindow(SceneBrowserDlg::IDC_SEARCH_FIELD));
            field->SetFocus();
            field->SetValue(mFind);  // as typed: the search runs on the text event
        } else if (mMeasure || !mScreenshot.empty()) {
            view->SelectFirstNode();
        }
        if (mMeasure) view->MeasureSelection();
        if (!mScreenshot.empty()) SaveAndQuit(view);
    }

    void SaveAndQuit(Tarn::Demo::WorldView* view) {
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
    bool mSpatial = false;
    bool mMeasure = false;
    wxString mFind;
    wxString mScreenshot;
    int mExitCode = 0;
};

} // namespace

wxIMPLEMENT_APP(SceneBrowserDemo);
