// Test main of the GUI test binaries: initialises the toolkit, turns wx
// asserts into test failures and fails any modal dialog no test expected.
#include "tests/support/gui_test.h"

#include <gtest/gtest.h>
#include <wx/app.h>
#include <wx/image.h>
#include <wx/init.h>
#include <wx/log.h>
#include <wx/modalhook.h>

namespace {

class TestApp : public wxApp {
public:
    bool OnInit() override { return true; }
};

void FailOnAssert(const wxString &file, int line, const wxString &func, const wxString &cond, const wxString &msg)
{
    ADD_FAILURE_AT(file.utf8_str(), line) << "wxASSERT " << cond << " in " << func << ": " << msg;
}

// Registered first, so every expectation registered later is asked before it.
class FailOnUnexpectedModal : public wxModalDialogHook {
protected:
    int Enter(wxDialog *dialog) override
    {
        ADD_FAILURE() << "unexpected modal dialog \"" << dialog->GetTitle() << "\"";
        return wxID_CANCEL;
    }
    void Exit(wxDialog *) override {}
};

} // namespace

wxIMPLEMENT_APP_NO_MAIN(TestApp);

int main(int argc, char **argv)
{
    ::testing::InitGoogleTest(&argc, argv);
    if (::testing::GTEST_FLAG(list_tests))
        return RUN_ALL_TESTS();
    wxSetAssertHandler(FailOnAssert);
    if (!wxEntryStart(argc, argv))
        return 2;
    if (!wxTheApp->CallOnInit()) {
        wxEntryCleanup();
        return 3;
    }
    delete wxLog::SetActiveTarget(new wxLogStderr);
    FailOnUnexpectedModal fallback;
    fallback.Register();
    const int rc = RUN_ALL_TESTS();
    fallback.Unregister();
    wxTheApp->OnExit();
    wxEntryCleanup();
    return rc;
}
