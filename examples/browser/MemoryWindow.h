// The demo host's memory window: the accountant's report on one engine object, read back with the library's
// MemoryReport and shown one row per type, with the static types through which objects were measured.
#pragma once

#include "engine/objects/Strings.h"

#include <wx/frame.h>

class wxListCtrl;
class wxStaticText;

namespace Tarn::Demo {

class MemoryWindow : public wxFrame {
public:
    explicit MemoryWindow(wxWindow* parent);

    // Shows `report`, the recorder's text, as the memory of `what`.
    void ShowReport(const wxString& what, const Objects::KStringA& report);

    const wxString& Report() const { return mReport; }
    const wxString& What() const { return mWhat; }
    wxListCtrl* Table() const { return mTable; }
    wxStaticText* Summary() const { return mSummary; }

private:
    wxStaticText* mSummary;
    wxListCtrl* mTable;
    wxString mWhat;
    wxString mReport;
};

} // namespace Tarn::Demo
