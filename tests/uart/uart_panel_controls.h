// The controls of a UART panel as its public ids name them, for the tests
// that read and set them as a user would.
#ifndef ORV_TESTS_UART_PANEL_CONTROLS_H
#define ORV_TESTS_UART_PANEL_CONTROLS_H

#include "uart/notation.h"

#include <array>

class TerminalPanel;
class wxBitmapButton;
class wxCheckBox;
class wxComboBox;
class wxListBox;
class wxRadioBox;
class wxStaticBitmap;
class wxStaticText;
class wxTextCtrl;
class wxWindow;

namespace uart_testing {

struct PanelControls {
    wxStaticBitmap *statusIcon = nullptr;
    wxStaticText *ipLabel = nullptr;
    wxStaticText *portLabel = nullptr;
    wxBitmapButton *connectButton = nullptr;
    wxCheckBox *reconnectCheck = nullptr;
    wxRadioBox *txTypeRadio = nullptr;
    wxRadioBox *rxTypeRadio = nullptr;
    std::array<wxStaticText *, kNotationCount> txHints{};
    std::array<wxTextCtrl *, kNotationCount> txEntries{};
    wxComboBox *lineEndingCombo = nullptr;
    wxListBox *messageList = nullptr;
    wxStaticText *mediaLabel = nullptr;
    wxBitmapButton *mediaBackwardButton = nullptr;
    wxBitmapButton *mediaPlayButton = nullptr;
    wxBitmapButton *mediaPauseButton = nullptr;
    wxBitmapButton *mediaLoopButton = nullptr;
    wxCheckBox *timestampCheck = nullptr;
    wxCheckBox *wrapCheck = nullptr;
    std::array<wxTextCtrl *, kNotationCount> rxViews{};
    wxWindow *rxBackdrop = nullptr;
    wxCheckBox *periodicCheck = nullptr;
    wxTextCtrl *periodText = nullptr;
    wxComboBox *periodUnitCombo = nullptr;
    wxStaticText *totalSizeLabel = nullptr;
    wxTextCtrl *totalSizeText = nullptr;
    wxStaticText *paddingLabel = nullptr;
    wxCheckBox *msgCounterCheck = nullptr;
    wxCheckBox *logLineBreaksCheck = nullptr;
};

// Every pointer is set, or the test has failed.
PanelControls ControlsOf(TerminalPanel *panel);
// The periodic-send button as it is now: its start or its stop face.
wxBitmapButton *PeriodicButtonOf(TerminalPanel *panel);

} // namespace uart_testing

#endif
