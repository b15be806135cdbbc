// Tab walks the Modbus panel in reading order: the top row, the function
// buttons and the traffic box down the left, then the open form beside them
// from top to bottom and left to right.
#include "app/main_window.h"
#include "tests/modbus_gui/modbus_peers.h"
#include "tests/modbus_gui/panel_driver.h"

#include <algorithm>
#include <gtest/gtest.h>
#include <gtk/gtk.h>
#include <wx/frame.h>
#include <wx/grid.h>

namespace {

using namespace modbus_gui_test;
using testing_support::WaitUntil;

std::string Describe(const wxWindow *window)
{
    const wxPoint at = window->GetPosition();
    return std::string(wxString(window->GetClassInfo()->GetClassName()).utf8_str()) + " \"" +
           window->GetLabel().utf8_string() + "\" at " + std::to_string(at.x) + "," + std::to_string(at.y);
}

// The controls of `container` that Tab stops at, in reading order.
std::vector<wxWindow *> ReadingOrder(wxWindow *container)
{
    std::vector<wxWindow *> controls;
    for (wxWindow *child : container->GetChildren())
        if (child->IsShown() && child->IsEnabled() && dynamic_cast<wxPanel *>(child) == nullptr &&
            child->CanAcceptFocusFromKeyboard())
            controls.push_back(child);
    std::stable_sort(controls.begin(), controls.end(), [](const wxWindow *a, const wxWindow *b) {
        const wxPoint pa = a->GetPosition();
        const wxPoint pb = b->GetPosition();
        return pa.y != pb.y ? pa.y < pb.y : pa.x < pb.x;
    });
    return controls;
}

// The control of the panel or the form that holds the keyboard focus: GTK's
// focus may be in a part of it (a combo box's entry or its button, a grid's
// cell window).
wxWindow *FocusedControl()
{
    auto *window = GTK_WINDOW(MainWindow::GetInstance()->m_frame->GetHandle());
    GtkWidget *focus = gtk_window_get_focus(window);
    if (focus == nullptr)
        return nullptr;
    for (wxWindow *container : {static_cast<wxWindow *>(Panel()), static_cast<wxWindow *>(ShownForm())})
        for (wxWindow *child : container->GetChildren()) {
            auto *widget = static_cast<GtkWidget *>(child->GetHandle());
            if (dynamic_cast<wxPanel *>(child) == nullptr && widget != nullptr &&
                (focus == widget || gtk_widget_is_ancestor(focus, widget)))
                return child;
        }
    return nullptr;
}

// Presses Tab: a grid takes the key itself (and passes the focus on); for
// any other control GTK's Tab binding moves the focus along the window's
// focus chain.
void Tab()
{
    wxWindow *from = FocusedControl();
    ASSERT_NE(from, nullptr);
    if (auto *grid = dynamic_cast<wxGrid *>(from)) {
        wxKeyEvent tab(wxEVT_KEY_DOWN);
        tab.m_keyCode = WXK_TAB;
        tab.SetEventObject(grid->GetGridWindow());
        grid->GetGridWindow()->GetEventHandler()->ProcessEvent(tab);
    } else {
        auto *window = static_cast<GtkWidget *>(MainWindow::GetInstance()->m_frame->GetHandle());
        g_signal_emit_by_name(window, "move-focus", GTK_DIR_TAB_FORWARD);
    }
    testing_support::PumpEvents(testing_support::Millis(10));
}

// The controls Tab reaches from `first` until it comes back to it; a
// control with two stops of its own (a combo box's entry and its button)
// counts once.
std::vector<std::string> Walk(wxWindow *first, size_t limit)
{
    first->SetFocus();
    if (!WaitUntil([first] { return FocusedControl() == first; }))
        return {"no focus on " + Describe(first)};
    std::vector<std::string> reached{Describe(first)};
    wxWindow *last = first;
    for (size_t step = 0; step < limit; ++step) {
        Tab();
        wxWindow *now = FocusedControl();
        if (now == last)
            continue;
        reached.push_back(now != nullptr ? Describe(now) : "(focus left the panel)");
        if (now == first || now == nullptr)
            break;
        last = now;
    }
    return reached;
}

std::vector<std::string> Described(const std::vector<wxWindow *> &controls)
{
    std::vector<std::string> texts;
    for (const wxWindow *control : controls)
        texts.push_back(Describe(control));
    return texts;
}

TEST(TabOrder, FollowsTheReadingOrderOfThePanelAndEveryForm)
{
    ModbusTerminalPanel *panel = Panel();
    ModbusPortGateway gateway;
    MainWindow::GetInstance()->ApplyConnection(gateway.Ip(), std::to_string(MODBUS_PORT), 1);
    MainWindow::GetInstance()->m_frame->Raise();
    ASSERT_TRUE(ConnectAgain());
    testing_support::PumpEvents();

    for (const int code : {1, 2, 3, 4, 5, 6, 15, 16, 17, 23}) {
        FunctionPanel *form = OpenForm(code);
        ASSERT_NE(form, nullptr);
        std::vector<wxWindow *> expected = ReadingOrder(panel);
        const std::vector<wxWindow *> inForm = ReadingOrder(form);
        expected.insert(expected.end(), inForm.begin(), inForm.end());
        // Round the whole panel and back to its first control.
        std::vector<std::string> order = Described(expected);
        order.push_back(order.front());
        EXPECT_EQ(Walk(expected.front(), 2 * order.size()), order) << "function " << code;
    }
    MainWindow::GetInstance()->ApplyConnection("not set", "not set", 0);
}

} // namespace
