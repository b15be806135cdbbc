// Test main of the UART link's tests: the toolkit's base alone, with no
// display and no window; wx asserts fail the running test.
#include <gtest/gtest.h>
#include <wx/app.h>
#include <wx/init.h>

namespace {

class LinkTestApp : public wxAppConsole {
public:
    bool OnInit() override { return true; }
};

void FailOnAssert(const wxString &file, int line, const wxString &func, const wxString &cond, const wxString &msg)
{
    ADD_FAILURE_AT(file.utf8_str(), line) << "wxASSERT " << cond << " in " << func << ": " << msg;
}

} // namespace

wxIMPLEMENT_APP_NO_MAIN(LinkTestApp);

int main(int argc, char **argv)
{
    ::testing::InitGoogleTest(&argc, argv);
    if (::testing::GTEST_FLAG(list_tests))
        return RUN_ALL_TESTS();
    wxSetAssertHandler(FailOnAssert);
    if (!wxEntryStart(argc, argv))
        return 2;
    // wxTheApp names a GUI application; this one is a console one.
    wxAppConsole *app = wxAppConsole::GetInstance();
    if (!app->CallOnInit()) {
        wxEntryCleanup();
        return 3;
    }
    const int rc = RUN_ALL_TESTS();
    app->OnExit();
    wxEntryCleanup();
    return rc;
}
