// tarn_scene_browser: a host window drawing the demo scene's world, with the scene browser beside it.
//
//   tarn_scene_browser [--objects N] [--spatial] [--find TEXT] [--measure] [--screenshot FILE] [--help]
//
// --spatial starts the browser in the spatial view; --find types TEXT into the browser's search field, which
// selects the first node whose name or address contains it; --measure measures the selected node (the first one
// without --find) into the memory window. --screenshot saves the windows as a PNG and quits. Exit 0, or 1 when the
// screenshot could not be saved, or 2 on a wrong command line (with the usage on standard error); --help prints
// the usage on standard output.
#include "examples/browser/WorldView.h"

#include <wx/app.h>
#include <wx/cmdline.h>
#include <wx/radiobut.h>
#include <wx/srchctrl.h>

#include <cstdio>
#include <cstring>

namespace {

// The largest world the demo builds, ten million objects.
constexpr long kMostObjects = 10'000'000;

class SceneBrowserDemo : public wxApp {
public:
    static void AddOptions(wxCmdLineParser& parser) {
        parser.AddOption("", "objects", "engine objects in the world, 1 to 10000000 (default 3000)",
                         wxCMD_LINE_VAL_NUMBER);
        parser.AddSwitch("", "spatial", "start in the spatial view");
        parser.AddOption("", "find", "type this text into the browser's search field");
        parser.AddSwitch("", "measure", "measure the selected node into the memory window");
        parser.AddOption("", "screenshot", "save the windows as this PNG and quit");
    }

    void OnInitCmdLine(wxCmdLineParser& parser) override {
        wxApp::OnInitCmdLine(parser);
        AddOptions(parser);
    }

    bool OnCmdLineHelp(wxCmdLineParser& parser) override {
        std::fputs(parser.GetUsageString().utf8_str(), stdout);
        return Quit(0);
    }

    bool OnCmdLineError(wxCmdLineParser& parser) override {
        std::fputs(parser.GetUsageString().utf8_str(), stderr);
        return Quit(2);
    }

    bool OnCmdLineParsed(wxCmdLineParser& parser) override {
        if (!wxApp::OnCmdLineParsed(parser)) return false;
        parser.Found("objects", &mObjects);
        parser.Found("screenshot", &mScreenshot);
        parser.Found("find", &mFind);
        mSpatial = parser.Found("spatial");
        mMeasure = parser.Found("measure");
        if (mObjects < 1 || mObjects > kMostObjects) {
            std::fprintf(stderr, "tarn_scene_browser: --objects takes 1 to %ld\n", kMostObjects);
            return Quit(2);
        }
        return true;
    }

    bool OnInit() override {
        if (!wxApp::OnInit()) return false;
        if (mQuit) return true;
        auto* view = new Tarn::Demo::WorldView(static_cast<int>(mObjects));
        view->Show();
        view->OpenBrowser();
        CallAfter([this, view] { Start(view); });
        return true;
    }

    // The exit code is ours: the one of the screenshot, the command line or help.
    int OnRun() override {
        if (mQuit) return mExitCode;
        const int loop = wxApp::OnRun();
        return mExitCode ? mExitCode : loop;
    }

private:
    using SceneBrowserDlg = Tarn::Utilities::SceneBrowserDlg;

    // Ends the program before any window opens: OnInit goes on, and OnRun returns `code`.
    bool Quit(int code) {
        mQuit = true;
        mExitCode = code;
        return true;
    }

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
        Tarn::Demo::PumpUntil([view] { return view->Placed(); });  // taken as they are if they never get there
        const bool shown = view->PaintBoth() && !Tarn::Demo::SaveScreenshot(view->ScreenArea(), mScreenshot).IsEmpty();
        if (!shown) std::fprintf(stderr, "tarn_scene_browser: could not save %s\n", mScreenshot.utf8_str().data());
        mExitCode = shown ? 0 : 1;
        view->Close();
    }

    long mObjects = 3000;
    bool mSpatial = false;
    bool mMeasure = false;
    bool mQuit = false;
    wxString mFind;
    wxString mScreenshot;
    int mExitCode = 0;
};

} // namespace

wxIMPLEMENT_APP_NO_MAIN(SceneBrowserDemo);

// Help is answered before the toolkit starts, since the toolkit needs a display and help does not.
int main(int argc, char** argv) {
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--help") != 0 && std::strcmp(argv[i], "-h") != 0) continue;
        wxCmdLineParser parser(argc, argv);
        parser.AddSwitch("h", "help", "show this help message", wxCMD_LINE_OPTION_HELP);
        SceneBrowserDemo::AddOptions(parser);
        std::fputs(parser.GetUsageString().utf8_str(), stdout);
        return 0;
    }
    return wxEntry(argc, argv);
}
