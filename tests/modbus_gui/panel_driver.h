// Drives the Modbus terminal panel of the one main window as a user would:
// clicks go through the controls' own event handlers, and requests are
// waited for as the user waits for their answers.
#ifndef ORV_TESTS_MODBUS_GUI_PANEL_DRIVER_H
#define ORV_TESTS_MODBUS_GUI_PANEL_DRIVER_H

#include "modbus/function_panel.h"
#include "modbus/modbus_session.h"
#include "modbus/modbus_terminal_panel.h"
#include "modbus/wide_format.h"
#include "tests/support/gui_test.h"

#include <string>
#include <wx/bmpbuttn.h>
#include <wx/button.h>
#include <wx/checkbox.h>
#include <wx/grid.h>
#include <wx/statbmp.h>
#include <wx/stattext.h>
#include <wx/window.h>

namespace modbus_gui_test {

ModbusTerminalPanel *Panel();
// Sends the button's click event through its handlers, as a mouse click does.
void Click(wxWindow *button);
wxButton *FunctionButton(int functionCode);
wxWindow *PanelChild(int id);
FunctionPanel *ShownForm();
int FormCount();

// The panel's controls, found as a user finds them.
wxBitmapButton *ConnectButton();
wxStaticBitmap *StatusIcon();
wxStaticText *FramingLabel();
wxCheckBox *TrafficCheck();
// Ticks or unticks "Show traffic".
void ShowTraffic(bool show);
// What the traffic view lists.
std::string TrafficText();

// Gives the panel `ip` and `port` and presses connect; returns the box shown
// once the connection is made or has failed.
testing_support::ShownBox ConnectTo(const std::string &ip, const std::string &port = std::to_string(MODBUS_PORT),
                                    int framing = MB_FRAMING_RTU);
// Presses connect on a panel that has its parameters; true once connected.
bool ConnectAgain();
// Opens the form of a function code on a connected panel.
FunctionPanel *OpenForm(int functionCode);
wxButton *SendButton(FunctionPanel *form);
// Presses the form's Send button and waits for the outcome.
void Send(FunctionPanel *form);
// Ticks or unticks a coil cell through its editor, as a user does.
void SetCoil(wxGrid *grid, int row, bool on);
// Chooses an output format in the form's combo, as a user does.
void ChooseFormat(FunctionPanel *form, int format);
// The form's result line.
std::string Result(FunctionPanel *form);

} // namespace modbus_gui_test

#endif
