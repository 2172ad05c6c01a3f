// Runs the window tests inside a wxWidgets application, on the display that the test runner provides (Xvfb).
#include <gtest/gtest.h>
#include <wx/app.h>
#include <wx/evtloop.h>
#include <wx/image.h>
#include <wx/init.h>
#include <wx/log.h>

#include <cstdio>

namespace {

// A failed wxWidgets check fails the running test instead of opening a message box that nobody closes.
void FailOnAssert(const wxString& file, int line, const wxString& function, const wxString& condition,
                  const wxString& message) {
    ADD_FAILURE() << "wxWidgets assertion " << condition.utf8_str().data() << " in " << function.utf8_str().data()
                  << " (" << file.utf8_str().data() << ":" << line << "): " << message.utf8_str().data();
}

} // namespace

int main(int argc, char** argv) {
    testing::InitGoogleTest(&argc, argv);
    wxApp::SetInstance(new wxApp);
    if (!wxEntryStart(argc, argv)) {
        std::fputs("window tests: wxWidgets could not start; is there a display?\n", stderr);
        return 1;
    }
    delete wxLog::SetActiveTarget(new wxLogStderr);
    wxSetAssertHandler(&FailOnAssert);
    wxInitAllImageHandlers();
    int result = 1;
    if (wxTheApp->CallOnInit()) {
        wxEventLoop loop;
        wxEventLoopActivator active(&loop);
        result = RUN_ALL_TESTS();
    }
    wxTheApp->OnExit();
    wxEntryCleanup();
    return result;
}
