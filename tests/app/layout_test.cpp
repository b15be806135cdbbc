// Every control whole and apart on the toolkit the program ships on: in each
// state of each window, every shown control is at least the size its content
// needs, and no two shown sibling controls overlap, save where the design
// lays one over the other on purpose (named below with the reason).
#include "app/ip_ctrl.h"
#include "app/main_window.h"
#include "app/new_dialog.h"
#include "app/toolkit_fit.h"
#include "modbus/function_forms.h"
#include "modbus/function_panel.h"
#include "modbus/modbus_terminal_panel.h"
#include "tests/app/dialog_driving.h"
#include "tests/support/fake_gateway.h"
#include "tests/support/gui_test.h"
#include "tests/uart/uart_panel_controls.h"
#include "uart/terminal_panel.h"

#include <algorithm>
#include <cmath>
#include <gtk/gtk.h>
#include <gtest/gtest.h>
#include <string>
#include <type_traits>
#include <vector>
#include <wx/bmpbuttn.h>
#include <wx/checkbox.h>
#include <wx/combobox.h>
#include <wx/frame.h>
#include <wx/grid.h>
#include <wx/listbox.h>
#include <wx/radiobox.h>
#include <wx/radiobut.h>
#include <wx/statbmp.h>
#include <wx/statline.h>
#include <wx/stattext.h>
#include <wx/textctrl.h>

namespace {

using namespace testing_support;

std::string Describe(const wxWindow *window)
{
    const wxRect r = window->GetRect();
    return std::string(wxString(window->GetClassInfo()->GetClassName()).utf8_str()) + " \"" +
           window->GetLabel().utf8_string() + "\" at (" + std::to_string(r.x) + "," + std::to_string(r.y) + ") " +
           std::to_string(r.width) + "x" + std::to_string(r.height);
}

bool IsIpCtrlPart(const wxWindow *window)
{
    return window->GetId() >= wxIPCtrl::ID_FRAME_BOX && window->GetId() <= wxIPCtrl::ID_RIGHT_PAD &&
           dynamic_cast<const NewDialog *>(window->GetParent()) != nullptr;
}

bool IsReceiveBackdrop(const wxWindow *window)
{
    return dynamic_cast<const TerminalPanel *>(window->GetParent()) != nullptr &&
           window->GetId() == TerminalPanel::ID_RX_BACKDROP;
}

// The overlaps the design makes on purpose, with the reason; nullptr for
// any other pair.
const char *OverlapByDesign(const wxWindow *a, const wxWindow *b)
{
    for (int turn = 0; turn < 2; ++turn, std::swap(a, b)) {
        if (dynamic_cast<const wxStaticBitmap *>(a) != nullptr && dynamic_cast<const wxFrame *>(a->GetParent()) &&
            dynamic_cast<const wxPanel *>(b) != nullptr)
            return "the frame's logo stands over the empty top right corner of the terminal panels";
        if (IsIpCtrlPart(a) && IsIpCtrlPart(b))
            return "the IP control draws its fields, dots and pads as one box: over its common box and edge to edge";
        if (IsReceiveBackdrop(a) && dynamic_cast<const wxTextCtrl *>(b) != nullptr && a->GetRect() == b->GetRect())
            return "the receive views lie on their black backdrop";
    }
    return nullptr;
}

bool IsScrollingView(wxWindow *window)
{
    if (auto *text = dynamic_cast<wxTextCtrl *>(window))
        return text->IsMultiLine();
    return dynamic_cast<wxListBox *>(window) != nullptr || dynamic_cast<wxGrid *>(window) != nullptr;
}

// A single-line field shows its longest allowed text (all its fields take
// numbers) inside the area GTK draws the text in.
void ExpectFieldShowsItsText(wxTextCtrl *field, const std::string &state)
{
    auto *entry = static_cast<GtkWidget *>(field->GetHandle());
    ASSERT_TRUE(GTK_IS_ENTRY(entry)) << Describe(field);
    const int maxLength = gtk_entry_get_max_length(GTK_ENTRY(entry));
    const wxString widest = maxLength > 0 ? wxString(static_cast<size_t>(maxLength), '0') : wxString("65535");
    GdkRectangle area{};
    gtk_entry_get_text_area(GTK_ENTRY(entry), &area);
    const wxSize text = field->GetTextExtent(widest);
    EXPECT_GE(area.width, text.x) << state << ": " << Describe(field) << " cannot show " << widest;
    EXPECT_GE(area.height, text.y) << state << ": " << Describe(field) << " clips its text";
}

double Luminance(double red, double green, double blue)
{
    const auto linear = [](double c) { return c <= 0.03928 ? c / 12.92 : std::pow((c + 0.055) / 1.055, 2.4); };
    return 0.2126 * linear(red) + 0.7152 * linear(green) + 0.0722 * linear(blue);
}

// A label's text, in the colour the theme (or the program) gives it, reads
// on the background it stands on: a contrast of at least 4.5 to 1, the
// usual least for text, light theme or dark.
void ExpectLabelReadable(wxWindow *control, const std::string &state)
{
    if (!control->IsEnabled()) // dimmed on purpose
        return;
    if (dynamic_cast<wxStaticText *>(control) == nullptr && dynamic_cast<wxCheckBox *>(control) == nullptr &&
        dynamic_cast<wxRadioButton *>(control) == nullptr)
        return;
    GtkStyleContext *style = gtk_widget_get_style_context(static_cast<GtkWidget *>(control->GetHandle()));
    GdkRGBA text{};
    gtk_style_context_get_color(style, gtk_style_context_get_state(style), &text);
    const wxColour back = control->GetBackgroundColour();
    const double front = Luminance(text.red, text.green, text.blue);
    const double behind = Luminance(back.Red() / 255.0, back.Green() / 255.0, back.Blue() / 255.0);
    const double contrast = (std::max(front, behind) + 0.05) / (std::min(front, behind) + 0.05);
    EXPECT_GE(contrast, 4.5) << state << ": " << Describe(control) << " text " << wxColour(text).GetAsString(wxC2S_HTML_SYNTAX).utf8_string()
                             << " on " << back.GetAsString(wxC2S_HTML_SYNTAX).utf8_string();
}

void ExpectWhole(wxWindow *control, const std::string &state)
{
    ExpectLabelReadable(control, state);
    if (dynamic_cast<TerminalPanel *>(control->GetParent()) != nullptr &&
        control->GetId() == TerminalPanel::ID_MEDIA_LABEL)
        return; // it breaks its lines and shortens a long file name within its box (checked on its own)
    if (IsScrollingView(control) || dynamic_cast<wxPanel *>(control) != nullptr)
        return; // views scroll their content; panels are walked themselves
    if (auto *field = dynamic_cast<wxTextCtrl *>(control)) {
        ExpectFieldShowsItsText(field, state);
        return;
    }
    const wxSize size = control->GetSize();
    const wxSize best = control->GetBestSize();
    EXPECT_TRUE(size.x >= best.x && size.y >= best.y)
        << state << ": " << Describe(control) << " is smaller than its best size " << best.x << "x" << best.y;
}

// Walks the shown children of `parent`, and the panels among them.
void ExpectWholeAndApart(wxWindow *parent, const std::string &state)
{
    std::vector<wxWindow *> shown;
    for (wxWindow *child : parent->GetChildren())
        if (child->IsShown() && !child->IsTopLevel())
            shown.push_back(child);
    for (size_t i = 0; i < shown.size(); ++i) {
        ExpectWhole(shown[i], state);
        for (size_t j = i + 1; j < shown.size(); ++j)
            if (shown[i]->GetRect().Intersects(shown[j]->GetRect()) && OverlapByDesign(shown[i], shown[j]) == nullptr)
                ADD_FAILURE() << state << ": " << Describe(shown[i]) << " overlaps " << Describe(shown[j]);
    }
    for (wxWindow *child : shown)
        if (dynamic_cast<wxPanel *>(child) != nullptr)
            ExpectWholeAndApart(child, state + " > " + Describe(child));
}

// Every shown control of `parent`, and of the panels in it, lies inside
// `area` (in the coordinates `parent` is placed at), the part of the client
// area its parents show; a frame's client area lies between its menu bar and
// its status bar. Labels and rules may run past the right edge (the panels'
// titles and rules are as wide as the frame) while the part inside holds a
// label's text.
void ExpectInsideArea(wxWindow *parent, const wxRect &area, const wxPoint &origin, const std::string &state)
{
    const auto *frame = dynamic_cast<wxFrame *>(parent);
    for (wxWindow *child : parent->GetChildren()) {
        if (!child->IsShown() || child->IsTopLevel() || (frame != nullptr && child == frame->GetStatusBar()))
            continue;
        const wxRect place(origin + child->GetPosition(), child->GetSize());
        if (dynamic_cast<wxPanel *>(child) != nullptr) {
            ExpectInsideArea(child, area.Intersect(place), place.GetTopLeft(), state);
            continue;
        }
        const wxRect inside = area.Intersect(place);
        const bool runsRight = inside.GetLeftTop() == place.GetLeftTop() && inside.height == place.height;
        if (runsRight && dynamic_cast<wxStaticText *>(child) != nullptr) {
            EXPECT_GE(inside.width, std::min(place.width, toolkit_fit::ContentSize(child).x))
                << state << ": " << Describe(child) << " leaves the window";
        } else if (!runsRight || dynamic_cast<wxStaticLine *>(child) == nullptr) {
            EXPECT_TRUE(area.Contains(place)) << state << ": " << Describe(child) << " leaves the window";
        }
    }
}

void ExpectInsideClientArea(wxWindow *window, const std::string &state)
{
    ExpectInsideArea(window, wxRect(window->GetClientSize()), wxPoint(0, 0), state);
}

class Layout : public ::testing::Test {
protected:
    void SetUp() override
    {
        m_window = MainWindow::GetInstance();
        m_uartShown = m_window->m_terminalPanel->IsShown();
        m_modbusShown = m_window->m_modbusPanel->IsShown();
    }
    void TearDown() override
    {
        if (m_panel != nullptr)
            m_panel->Destroy();
        m_window->m_terminalPanel->Show(m_uartShown);
        m_window->m_modbusPanel->Show(m_modbusShown);
        m_window->m_frame->Layout();
        PumpEvents();
    }

    // Shows a panel of its own in the frame's place of the terminal panels,
    // so the program's own panels keep their state for the other tests.
    template <class Panel> Panel *ShowAlone(Panel *panel)
    {
        m_panel = panel;
        m_window->m_terminalPanel->Hide();
        m_window->m_modbusPanel->Hide();
        panel->SetSize(m_window->m_frame->GetClientSize());
        panel->Show();
        if constexpr (std::is_same_v<Panel, TerminalPanel>)
            panel->SetConnectionParameters(TcpClientEndpoint("255.255.255.255", "65100"));
        else
            panel->SetConnectionParameters("255.255.255.255", "65100");
        PumpEvents();
        return panel;
    }

    void ExpectFrame(const std::string &state)
    {
        PumpEvents();
        ExpectWholeAndApart(m_window->m_frame, state);
    }
    // Whole and apart, and inside the client area.
    void ExpectFrameInside(const std::string &state)
    {
        ExpectFrame(state);
        ExpectInsideClientArea(m_window->m_frame, state);
    }

    MainWindow *m_window = nullptr;
    wxWindow *m_panel = nullptr;
    bool m_uartShown = true;
    bool m_modbusShown = false;
};

TEST_F(Layout, ConnectionDialogUnderBothTitles)
{
    struct Opener {
        const char *title;
        wxSize size;
    };
    for (const Opener &opener : {Opener{"ORV-Terminal Conf", wxSize(380, 250)}, Opener{"UART Conf", wxSize(480, 380)}}) {
        auto *dialog = new NewDialog(m_window->m_frame, wxID_ANY, opener.title, wxDefaultPosition, opener.size,
                                     wxDEFAULT_DIALOG_STYLE);
        dialog->SetValues("223.255.255.255", "65100");
        PumpEvents();
        ExpectWholeAndApart(dialog, opener.title);
        ExpectInsideClientArea(dialog, opener.title);

        // Both error labels up: neither may cover a field or leave the dialog.
        SetFields(*dialog->m_ipCtrl, "0", "0", "0", "0");
        dialog->m_portText->ChangeValue("");
        ClickButton(dialog, wxID_OK);
        PumpEvents();
        ASSERT_EQ(dialog->m_ipError->GetLabel(), kInvalidIpText);
        ASSERT_EQ(dialog->m_portError->GetLabel(), kInvalidPortText);
        const std::string errors = std::string(opener.title) + " with both errors";
        ExpectWholeAndApart(dialog, errors);
        ExpectInsideClientArea(dialog, errors);
        dialog->Destroy();
        PumpEvents();
    }
}

TEST_F(Layout, ConnectionDialogWithTheSerialRows)
{
    auto *dialog = new NewDialog(m_window->m_frame, wxID_ANY, "UART Conf", wxDefaultPosition, wxSize(380, 250),
                                 wxDEFAULT_DIALOG_STYLE);
    dialog->SetLink(LinkMode::Serial, "", 0);
    SerialSettings settings;
    settings.flow = SerialFlow::XonXoff;
    settings.parity = SerialParity::Space;
    dialog->SetSerial("/dev/serial/by-id/usb-adapter-if00-port0", settings);
    PumpEvents();
    ExpectWholeAndApart(dialog, "serial rows");
    ExpectInsideClientArea(dialog, "serial rows");
    dialog->m_serialRows->device->SetValue("");
    dialog->m_serialRows->baud->SetValue("fast");
    ClickButton(dialog, wxID_OK);
    PumpEvents();
    ASSERT_EQ(dialog->m_serialRows->baudError->GetLabel(), kInvalidBaudText);
    ExpectWholeAndApart(dialog, "serial rows with both errors");
    ExpectInsideClientArea(dialog, "serial rows with both errors");
    dialog->Destroy();
    PumpEvents();
}

TEST_F(Layout, UartPanelInEachNotationWithPeriodicAndMediaGroups)
{
    auto *panel = ShowAlone(new TerminalPanel());
    ExpectFrameInside("UART panel as started");

    auto *periodic = dynamic_cast<wxCheckBox *>(panel->FindWindow(TerminalPanel::ID_PERIODIC_CHECK));
    ASSERT_NE(periodic, nullptr);
    periodic->SetValue(true);
    wxCommandEvent toggled(wxEVT_CHECKBOX, TerminalPanel::ID_PERIODIC_CHECK);
    toggled.SetInt(1);
    panel->GetEventHandler()->ProcessEvent(toggled);
    const uart_testing::PanelControls ui = uart_testing::ControlsOf(panel);
    ASSERT_TRUE(ui.periodText->IsEnabled());
    panel->SelectMediaFile("/tmp/a-media-stream-with-a-rather-long-file-name.mp4",
                           "a-media-stream-with-a-rather-long-file-name.mp4");
    ASSERT_TRUE(ui.mediaLabel->IsShown());

    // A serial link's device and line in the top row, however long.
    LinkEndpoint serial;
    serial.mode = LinkMode::Serial;
    serial.device = "/dev/serial/by-id/usb-FTDI_FT232R_USB_UART_A50285BI-if00-port0";
    serial.serial.baud = 4000000;
    serial.serial.flow = SerialFlow::XonXoff;
    panel->SetConnectionParameters(serial);
    ExpectFrameInside("UART panel on a serial device");
    EXPECT_EQ(ui.ipLabel->GetToolTipText(), serial.device);
    panel->SetConnectionParameters(TcpClientEndpoint("255.255.255.255", "65100"));
    EXPECT_EQ(ui.ipLabel->GetLabel(), "255.255.255.255");
    EXPECT_EQ(ui.ipLabel->GetToolTipText(), "");

    for (int notation = 0; notation < 4; ++notation) {
        for (auto [radio, id] : {std::pair{ui.txTypeRadio, TerminalPanel::ID_TRANSMISSION_TYPE},
                                 std::pair{ui.rxTypeRadio, TerminalPanel::ID_READ_TYPE}}) {
            radio->SetSelection(notation);
            wxCommandEvent chosen(wxEVT_RADIOBOX, id);
            chosen.SetInt(notation);
            panel->GetEventHandler()->ProcessEvent(chosen);
        }
        ExpectFrameInside("UART panel, periodic group enabled, media shown, notation " + std::to_string(notation));
    }

    // The caption breaks its lines within its own box.
    const wxRect caption = ui.mediaLabel->GetRect();
    EXPECT_GE(caption.width, 120);
    EXPECT_LE(caption.GetRight(), ui.rxViews[0]->GetPosition().x);
    EXPECT_LE(caption.GetBottom(), ui.mediaBackwardButton->GetPosition().y);
    EXPECT_GE(caption.height, 2 * ui.mediaLabel->GetCharHeight());
}

// A larger frame: the receive views and the message list take the extra
// room, the rows under them follow the bottom edge, the rest stays, and
// every control is still whole and apart; back at the start size (the least
// one) everything is where it was.
TEST_F(Layout, UartPanelGrowsWithTheFrame)
{
    wxFrame *frame = m_window->m_frame;
    TerminalPanel *panel = m_window->m_terminalPanel;
    panel->Show();
    m_window->m_modbusPanel->Hide();
    frame->Layout();
    PumpEvents();
    EXPECT_TRUE(frame->HasFlag(wxRESIZE_BORDER));
    EXPECT_EQ(frame->GetMinClientSize(), frame->GetClientSize()) << "the start size is the least one";
    const wxSize start = frame->GetSize();
    wxWindow *clearAll = panel->FindWindow(TerminalPanel::ID_CLEAR_RX);
    wxWindow *add = panel->FindWindow(TerminalPanel::ID_ADD_MESSAGE);
    const uart_testing::PanelControls ui = uart_testing::ControlsOf(panel);
    const wxRect view = ui.rxViews[0]->GetRect();
    const wxRect list = ui.messageList->GetRect();
    const wxRect clear = clearAll->GetRect();
    const wxRect addPlace = add->GetRect();

    frame->SetSize(start + wxSize(300, 200));
    ASSERT_TRUE(WaitUntil([&] { return ui.messageList->GetSize().y > list.height; }))
        << "the list takes the larger frame's room";
    PumpEvents();
    ASSERT_EQ(frame->GetSize(), start + wxSize(300, 200));
    const int dy = ui.messageList->GetSize().y - list.height;
    EXPECT_GT(dy, 0);
    EXPECT_EQ(ui.rxViews[0]->GetRect(), wxRect(view.x, view.y, view.width + 300, view.height + dy));
    EXPECT_EQ(ui.rxBackdrop->GetRect(), ui.rxViews[0]->GetRect()) << "the backdrop grows with the views";
    EXPECT_EQ(ui.messageList->GetRect(), wxRect(list.x, list.y, list.width, list.height + dy));
    EXPECT_EQ(clearAll->GetRect(), wxRect(clear.x, clear.y + dy, clear.width, clear.height));
    EXPECT_EQ(add->GetRect(), addPlace);
    EXPECT_GT(panel->RxWindowChars(), TerminalPanel::kRxWindowChars) << "a taller view holds a larger window";
    ExpectFrameInside("UART panel in a larger frame");

    frame->SetSize(start);
    ASSERT_TRUE(WaitUntil([&] { return ui.messageList->GetRect() == list; }));
    PumpEvents();
    EXPECT_EQ(ui.rxViews[0]->GetRect(), view);
    EXPECT_EQ(clearAll->GetRect(), clear);
    EXPECT_EQ(panel->RxWindowChars(), TerminalPanel::kRxWindowChars);
}

// The program's own panels at the start size: each fills the client area and
// shows every control whole inside it, none under the status bar (where a
// window manager's decorations take their room from the frame's size).
TEST_F(Layout, BothPanelsInsideTheClientAreaAtTheStartSize)
{
    wxFrame *frame = m_window->m_frame;
    ASSERT_EQ(frame->GetClientSize(), frame->GetMinClientSize());
    wxWindow *uart = m_window->m_terminalPanel;
    wxWindow *modbus = m_window->m_modbusPanel;
    for (wxWindow *panel : {uart, modbus}) {
        uart->Show(panel == uart);
        modbus->Show(panel == modbus);
        frame->Layout();
        ExpectFrameInside(Describe(panel) + " at the start size");
        EXPECT_EQ(panel->GetRect(), wxRect(frame->GetClientSize()));
    }
}

TEST_F(Layout, ModbusPanelWithEachForm)
{
    auto *panel = ShowAlone(new ModbusTerminalPanel());
    ExpectFrame("Modbus panel");
    // Forms open only while connected: to a gateway that never answers.
    const testing_support::FakeGateway gateway;
    panel->SetConnectionParameters(gateway.Ip(), std::to_string(gateway.Port()));
    {
        ModalRecorder boxes;
        ClickButton(panel, ModbusTerminalPanel::ID_CONNECT);
        ASSERT_TRUE(WaitUntil([&] { return !boxes.Boxes().empty(); })) << "no connection";
        ASSERT_TRUE(panel->IsConnected()) << boxes.Messages();
    }
    for (const int code : {1, 2, 3, 4, 5, 6, 15, 16, 17, 23}) {
        wxCommandEvent chosen(wxEVT_BUTTON, FUNCTION_ID_BASE + code);
        panel->GetEventHandler()->ProcessEvent(chosen);
        FunctionPanel *form = panel->Form();
        ASSERT_NE(form, nullptr) << code;
        // At the start size the form and its grids stay clear of the
        // status bar.
        ExpectFrameInside("Modbus panel with the form of function " + std::to_string(code));
        // The longest reasons a form gives stay within its room.
        for (const char *result : {"Failed: Target device failed to respond", "Failed: write address must be 0 to 65535"}) {
            form->ShowResult(result);
            ExpectFrame("Form of function " + std::to_string(code) + " showing \"" + result + "\"");
            EXPECT_LE(form->ResultLabel()->GetRect().GetRight(), form->GetClientSize().GetWidth()) << code;
        }
        // A long poll run's counts stay clear of the table.
        if (form->PollCountsLabel() != nullptr) {
            form->ShowPollCounts("12345678 sent, 12345678 failed");
            ExpectFrame("Form of function " + std::to_string(code) + " after a long poll run");
        }
    }
    // Grown, the form and its table take the room.
    m_window->m_frame->SetSize(m_window->m_frame->GetSize() + wxSize(300, 200));
    panel->SetSize(m_window->m_frame->GetClientSize());
    ExpectFrameInside("Modbus panel grown, with the form of function 23");
    EXPECT_EQ(panel->Form()->GetRect().GetBottomRight(), wxRect(panel->GetClientSize()).GetBottomRight());
    EXPECT_GE(panel->Form()->Table()->GetRect().GetRight(), panel->Form()->GetClientSize().x - 20);
    m_window->m_frame->SetSize(m_window->m_frame->GetSize() - wxSize(300, 200));
    panel->Shutdown();
}

} // namespace
