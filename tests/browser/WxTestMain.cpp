// Runs the window tests inside a wxWidgets application, on the display that the test runner provides (Xvfb).
//
// --window-manager=PROGRAM first starts that window manager on the display, as a user's desktop has one, and waits
// until it has announced itself on the root window (_NET_SUPPORTING_WM_CHECK): windows are then placed, decorated
// and focused by it. It is ended with the tests.
#include <gtest/gtest.h>
#include <wx/app.h>
#include <wx/evtloop.h>
#include <wx/image.h>
#include <wx/init.h>
#include <wx/log.h>

#include <X11/Xatom.h>
#include <X11/Xlib.h>

#include <csignal>
#include <cstdio>
#include <cstring>
#include <string>

#include <poll.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace {

// A failed wxWidgets check fails the running test instead of opening a message box that nobody closes.
void FailOnAssert(const wxString& file, int line, const wxString& function, const wxString& condition,
                  const wxString& message) {
    ADD_FAILURE() << "wxWidgets assertion " << condition.utf8_str().data() << " in " << function.utf8_str().data()
                  << " (" << file.utf8_str().data() << ":" << line << "): " << message.utf8_str().data();
}

// The window that a running EWMH window manager names on the root window, checked both ways: the window names
// itself too, so that a property left behind by a manager that has gone is not taken for one.
bool ManagerAnnounced(Display* display, Atom check) {
    const auto named = [&](Window on, Window& found) {
        Atom type = None;
        int format = 0;
        unsigned long items = 0, after = 0;
        unsigned char* data = nullptr;
        const bool read = XGetWindowProperty(display, on, check, 0, 1, False, XA_WINDOW, &type, &format, &items,
                                             &after, &data) == Success &&
                          type == XA_WINDOW && format == 32 && items == 1;
        if (read) found = *reinterpret_cast<Window*>(data);
        if (data) XFree(data);
        return read;
    };
    // The check window may be gone between the two reads: its BadWindow must not end the process.
    const auto previous = XSetErrorHandler([](Display*, XErrorEvent*) { return 0; });
    Window manager = None, itself = None;
    const bool announced = named(DefaultRootWindow(display), manager) && named(manager, itself) && itself == manager;
    XSync(display, False);
    XSetErrorHandler(previous);
    return announced;
}

// A window manager of the tests' own, on the display the tests use.
class WindowManager {
public:
    // Starts `program` and waits until it runs; false (and a message) when it does not come up.
    bool Start(const std::string& program) {
        Display* display = XOpenDisplay(nullptr);
        if (!display) return Fail("no display");
        const Atom check = XInternAtom(display, "_NET_SUPPORTING_WM_CHECK", False);
        XSelectInput(display, DefaultRootWindow(display), PropertyChangeMask);
        XSync(display, False);
        bool running = ManagerAnnounced(display, check);
        if (running) std::fputs("window tests: a window manager runs already; it is used\n", stderr);
        char* const argv[] = {const_cast<char*>(program.c_str()), nullptr};
        if (!running && posix_spawnp(&mPid, program.c_str(), nullptr, nullptr, argv, environ) != 0) mPid = 0;
        // Every change of a root window property wakes the wait; the manager's announcement is one of them.
        for (int quiet = 0; !running && mPid > 0 && quiet < 30;) {
            int status = 0;
            if (waitpid(mPid, &status, WNOHANG) == mPid) {
                mPid = 0;
                break;
            }
            pollfd connection{ConnectionNumber(display), POLLIN, 0};
            if (XPending(display) == 0 && poll(&connection, 1, 1000) == 0) ++quiet;
            while (XPending(display) > 0) {
                XEvent event;
                XNextEvent(display, &event);
            }
            running = ManagerAnnounced(display, check);
        }
        XCloseDisplay(display);
        return running || Fail(program + (mPid > 0 ? " did not announce itself" : " did not start"));
    }

    ~WindowManager() {
        if (mPid <= 0) return;
        kill(mPid, SIGTERM);
        int status = 0;
        waitpid(mPid, &status, 0);
    }

private:
    static bool Fail(const std::string& why) {
        std::fprintf(stderr, "window tests: window manager: %s\n", why.c_str());
        return false;
    }

    pid_t mPid = 0;
};

} // namespace

int main(int argc, char** argv) {
    testing::InitGoogleTest(&argc, argv);
    // Our own option goes before wxWidgets sees the command line, which would refuse it.
    WindowManager manager;
    const char* const kManagerOption = "--window-manager=";
    for (int i = 1; i < argc; ++i) {
        if (std::strncmp(argv[i], kManagerOption, std::strlen(kManagerOption)) != 0) continue;
        if (!manager.Start(argv[i] + std::strlen(kManagerOption))) return 1;
        std::copy(argv + i + 1, argv + argc + 1, argv + i);
        --argc;
        break;
    }
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
