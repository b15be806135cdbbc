// Test main of the GUI test binaries: initialises the toolkit with the
// program's style, turns wx asserts and GTK warnings into test failures and
// fails any modal dialog no test expected.
#include "app/gtk_style.h"
#include "tests/support/gui_test.h"

#include <atomic>
#include <cstdlib>
#include <filesystem>
#include <glib.h>
#include <gtest/gtest.h>
#include <set>
#include <string>
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

// A GTK warning or critical means a control the toolkit cannot lay out (or a
// misuse of it): it fails the running test, or the run when no test runs.
std::atomic<int> g_toolkitWarnings{0};

GLogWriterOutput FailOnToolkitWarning(GLogLevelFlags level, const GLogField *fields, gsize count, gpointer)
{
    if ((level & (G_LOG_LEVEL_WARNING | G_LOG_LEVEL_CRITICAL)) != 0) {
        std::string domain;
        std::string message;
        for (gsize i = 0; i < count; ++i) {
            const std::string key = fields[i].key;
            if (fields[i].length >= 0)
                continue; // binary fields carry nothing this report needs
            if (key == "GLIB_DOMAIN")
                domain = static_cast<const char *>(fields[i].value);
            else if (key == "MESSAGE")
                message = static_cast<const char *>(fields[i].value);
        }
        // The accessibility bridge's complaints about a missing bus are the
        // test machine's, not the program's.
        static const std::set<std::string> toolkit = {"Gtk", "Gdk", "GLib", "GLib-GObject", "Pango", "GdkPixbuf"};
        if (toolkit.count(domain) != 0) {
            ++g_toolkitWarnings;
            ADD_FAILURE() << domain << ((level & G_LOG_LEVEL_CRITICAL) != 0 ? "-CRITICAL: " : "-WARNING: ") << message;
        }
    }
    return g_log_writer_default(level, fields, count, nullptr);
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
    // A settings folder of this run's own: no test reads what a user or an
    // earlier run saved, nor writes over it.
    char configHome[] = "/tmp/orv-test-config-XXXXXX";
    if (mkdtemp(configHome) == nullptr || setenv("XDG_CONFIG_HOME", configHome, 1) != 0)
        return 4;
    wxSetAssertHandler(FailOnAssert);
    // Before the toolkit starts, so its first words are heard too.
    g_log_set_writer_func(FailOnToolkitWarning, nullptr, nullptr);
    if (!wxEntryStart(argc, argv))
        return 2;
    // The program's own metrics, before the first window as in the program.
    gtk_style::Install();
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
    std::filesystem::remove_all(configHome);
    return rc != 0 || g_toolkitWarnings > 0 ? 1 : 0;
}
