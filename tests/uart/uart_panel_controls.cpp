#include "tests/uart/uart_panel_controls.h"

#include "uart/terminal_panel.h"

#include <gtest/gtest.h>
#include <wx/bmpbuttn.h>
#include <wx/checkbox.h>
#include <wx/combobox.h>
#include <wx/listbox.h>
#include <wx/radiobox.h>
#include <wx/statbmp.h>
#include <wx/stattext.h>
#include <wx/textctrl.h>

namespace uart_testing {

namespace {

template <class Control> void Find(TerminalPanel *panel, long id, Control *&control)
{
    control = dynamic_cast<Control *>(panel->FindWindow(id));
    EXPECT_NE(control, nullptr) << "no control " << id;
}

} // namespace

PanelControls ControlsOf(TerminalPanel *panel)
{
    PanelControls ui;
    Find(panel, TerminalPanel::ID_STATUS_ICON, ui.statusIcon);
    Find(panel, TerminalPanel::ID_IP_LABEL, ui.ipLabel);
    Find(panel, TerminalPanel::ID_PORT_LABEL, ui.portLabel);
    Find(panel, TerminalPanel::ID_CONNECT, ui.connectButton);
    Find(panel, TerminalPanel::ID_RECONNECT, ui.reconnectCheck);
    Find(panel, TerminalPanel::ID_TRANSMISSION_TYPE, ui.txTypeRadio);
    Find(panel, TerminalPanel::ID_READ_TYPE, ui.rxTypeRadio);
    Find(panel, TerminalPanel::ID_LINE_ENDING, ui.lineEndingCombo);
    Find(panel, TerminalPanel::ID_MESSAGE_LIST, ui.messageList);
    Find(panel, TerminalPanel::ID_MEDIA_LABEL, ui.mediaLabel);
    Find(panel, TerminalPanel::ID_MEDIA_BACKWARD, ui.mediaBackwardButton);
    Find(panel, TerminalPanel::ID_MEDIA_PLAY, ui.mediaPlayButton);
    Find(panel, TerminalPanel::ID_MEDIA_PAUSE, ui.mediaPauseButton);
    Find(panel, TerminalPanel::ID_MEDIA_LOOP, ui.mediaLoopButton);
    Find(panel, TerminalPanel::ID_TIMESTAMP, ui.timestampCheck);
    Find(panel, TerminalPanel::ID_WRAP, ui.wrapCheck);
    Find(panel, TerminalPanel::ID_RX_BACKDROP, ui.rxBackdrop);
    Find(panel, TerminalPanel::ID_PERIODIC_CHECK, ui.periodicCheck);
    Find(panel, TerminalPanel::ID_PERIOD, ui.periodText);
    Find(panel, TerminalPanel::ID_PERIOD_UNIT, ui.periodUnitCombo);
    Find(panel, TerminalPanel::ID_TOTAL_SIZE_LABEL, ui.totalSizeLabel);
    Find(panel, TerminalPanel::ID_TOTAL_SIZE, ui.totalSizeText);
    Find(panel, TerminalPanel::ID_PADDING_LABEL, ui.paddingLabel);
    Find(panel, TerminalPanel::ID_MSG_COUNTER, ui.msgCounterCheck);
    Find(panel, TerminalPanel::ID_LOG_LINE_BREAKS, ui.logLineBreaksCheck);
    for (int n = 0; n < kNotationCount; ++n) {
        Find(panel, TerminalPanel::ID_TX_HINT + n, ui.txHints[n]);
        Find(panel, n, ui.rxViews[n]);
    }
    // The entries share their id; they are made in notation order.
    size_t found = 0;
    for (wxWindow *child : panel->GetChildren())
        if (child->GetId() == TerminalPanel::ID_TX_ENTRY && found < ui.txEntries.size())
            ui.txEntries[found++] = dynamic_cast<wxTextCtrl *>(child);
    EXPECT_EQ(found, ui.txEntries.size());
    return ui;
}

wxBitmapButton *PeriodicButtonOf(TerminalPanel *panel)
{
    // The button of the other face, replaced, waits hidden for its deletion.
    for (const int id : {TerminalPanel::ID_SEND_PERIODICALLY, TerminalPanel::ID_STOP_PERIODICALLY})
        for (wxWindow *child : panel->GetChildren())
            if (child->GetId() == id && child->IsShown())
                return dynamic_cast<wxBitmapButton *>(child);
    ADD_FAILURE() << "no periodic-send button shown";
    return nullptr;
}

} // namespace uart_testing
