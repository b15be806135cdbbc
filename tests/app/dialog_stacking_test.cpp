// Under a window manager (the openbox run of these tests) a connection dialog
// shown before its frame is on screen, as at start-up, ends up above the
// frame and stays there when the frame is brought to the front. Skipped
// where no window manager runs: bare X stacks nothing.
#include "app/new_dialog.h"
#include "tests/support/gui_test.h"

#include <gtest/gtest.h>
#include <wx/frame.h>
#include <wx/uiaction.h>

#include <algorithm>
#include <vector>
// After the others: X11's macros clash with their names.
#include <gdk/gdkx.h>
#include <gtk/gtk.h>

namespace {

using namespace testing_support;

// The windows a property of the root window names.
std::vector<unsigned long> RootWindows(const char *property)
{
    GdkAtom type = nullptr;
    gint format = 0;
    gint length = 0;
    guchar *data = nullptr;
    std::vector<unsigned long> windows;
    if (gdk_property_get(gdk_get_default_root_window(), gdk_atom_intern(property, FALSE),
                         gdk_atom_intern_static_string("WINDOW"), 0, 4096, FALSE, &type, &format, &length, &data)) {
        // Items of format 32 come as longs.
        const auto *ids = reinterpret_cast<const unsigned long *>(data);
        windows.assign(ids, ids + length / sizeof(unsigned long));
        g_free(data);
    }
    return windows;
}

unsigned long XidOf(wxWindow *window)
{
    return gdk_x11_window_get_xid(gtk_widget_get_window(static_cast<GtkWidget *>(window->GetHandle())));
}

// Where `window` lies in the stacking order, -1 while it is not managed.
long Level(wxWindow *window)
{
    // The managed windows, bottom to top.
    const std::vector<unsigned long> order = RootWindows("_NET_CLIENT_LIST_STACKING");
    const auto found = std::find(order.begin(), order.end(), XidOf(window));
    return found == order.end() ? -1 : found - order.begin();
}

bool IsActive(wxWindow *window)
{
    return RootWindows("_NET_ACTIVE_WINDOW") == std::vector<unsigned long>{XidOf(window)};
}

TEST(DialogStacking, DialogShownBeforeItsFrameStaysAboveIt)
{
    if (!gdk_x11_screen_supports_net_wm_hint(gdk_screen_get_default(),
                                             gdk_atom_intern_static_string("_NET_CLIENT_LIST_STACKING")))
        GTEST_SKIP() << "no window manager runs";
    auto *frame = new wxFrame(nullptr, wxID_ANY, "stacking frame", wxDefaultPosition, wxSize(500, 400));
    // Ready but not on screen yet, as a frame waiting for the size of its
    // decorations.
    gtk_widget_realize(static_cast<GtkWidget *>(frame->GetHandle()));
    auto *dialog = new NewDialog(frame, wxID_ANY, "UART Conf", wxDefaultPosition, wxSize(380, 250),
                                 wxDEFAULT_DIALOG_STYLE);
    ASSERT_TRUE(WaitUntil([&] { return Level(dialog) >= 0; })) << "the dialog on screen";
    frame->Show();
    EXPECT_TRUE(WaitUntil([&] { return Level(frame) >= 0 && Level(dialog) > Level(frame); }))
        << "the dialog above the frame that came up after it";

    // A click on the frame, beside the dialog, brings the frame to the
    // front, and its dialog with it.
    wxUIActionSimulator mouse;
    mouse.MouseMove(frame->ClientToScreen(wxPoint(5, 5)));
    mouse.MouseClick();
    ASSERT_TRUE(WaitUntil([&] { return IsActive(frame); })) << "the frame active";
    EXPECT_GT(Level(dialog), Level(frame));

    dialog->Destroy();
    frame->Destroy();
    PumpEvents();
}

} // namespace
