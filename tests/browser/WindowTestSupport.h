// What the window tests share: the event loop run until something has happened (never for a time), real keys and
// clicks through the X test extension, and the clipboard read back.
#pragma once

#include <wx/app.h>
#include <wx/clipbrd.h>
#include <wx/evtloop.h>
#include <wx/toplevel.h>
#include <wx/uiaction.h>
#include <wx/window.h>

#include <cctype>
#include <functional>
#include <map>

namespace Tarn::Testing {

// Runs the event loop until `done` holds; false when it stays idle for `idleSeconds` in a row first.
inline bool PumpUntil(const std::function<bool()>& done, int idleSeconds = 5) {
    wxEventLoopBase* loop = wxEventLoopBase::GetActive();
    for (int idle = 0; !done();) {
        if (!loop || (loop->DispatchTimeout(1000) < 0 && ++idle >= idleSeconds)) return false;
        wxTheApp->ProcessPendingEvents();
        wxTheApp->ProcessIdle();
    }
    return true;
}

// Keys and clicks as a user's, into one top-level window. A key is waited for until the window's key hook has
// seen it, by which time its work is done.
class RealInput {
public:
    explicit RealInput(wxWindow* topLevel) : mTopLevel(topLevel) {
        mTopLevel->Bind(wxEVT_CHAR_HOOK, &RealInput::OnKey, this);
        mTopLevel->Bind(wxEVT_DESTROY, &RealInput::OnDestroy, this);
    }
    ~RealInput() {
        if (!mTopLevel) return;  // a key closed it
        mTopLevel->Unbind(wxEVT_CHAR_HOOK, &RealInput::OnKey, this);
        mTopLevel->Unbind(wxEVT_DESTROY, &RealInput::OnDestroy, this);
    }

    // The window manager gives the keys to the active top-level window: `window`'s is activated first, as a
    // user's click on it would.
    bool Focus(wxWindow* window) {
        auto* top = wxDynamicCast(wxGetTopLevelParent(window), wxTopLevelWindow);
        if (top && !top->IsActive()) top->Raise();
        window->SetFocus();
        return PumpUntil([=] { return (!top || top->IsActive()) && wxWindow::FindFocus() == window; });
    }
    bool Press(int key, int modifiers = wxMOD_NONE) {
        const int code = key < 128 ? std::toupper(key) : key, before = mSeen[code];
        mSimulator.Char(key, modifiers);
        return PumpUntil([&] { return mSeen[code] > before; });
    }
    bool Type(const char* text) {
        for (; *text; ++text)
            if (!Press(*text)) return false;
        return true;
    }
    bool Click(const wxPoint& at, const std::function<bool()>& arrived, int button = wxMOUSE_BTN_LEFT) {
        mSimulator.MouseMove(at);
        mSimulator.MouseClick(button);
        return PumpUntil(arrived);
    }
    wxUIActionSimulator& Simulator() { return mSimulator; }

private:
    void OnKey(wxKeyEvent& event) {
        ++mSeen[event.GetKeyCode()];
        event.Skip();
    }
    void OnDestroy(wxWindowDestroyEvent& event) {
        if (event.GetEventObject() == mTopLevel) mTopLevel = nullptr;
        event.Skip();
    }

    wxWindow* mTopLevel;
    wxUIActionSimulator mSimulator;
    std::map<int, int> mSeen;
};

inline wxString ClipboardText() {
    wxClipboardLocker open;
    wxTextDataObject text;
    return !!open && wxTheClipboard->GetData(text) ? text.GetText() : wxString("(nothing)");
}

inline void ClearClipboard() {
    wxClipboardLocker open;
    if (!!open) wxTheClipboard->SetData(new wxTextDataObject("(cleared)"));
}

} // namespace Tarn::Testing
