// The Modbus panel's connection life cycle and its choice of function form.
#include "modbus/modbus_terminal_panel.h"

#include "app/error_box.h"
#include "app/image_file.h"
#include "app/main_window.h"
#include "app/new_dialog.h"
#include "modbus/function_panel.h"

#include <wx/bmpbuttn.h>
#include <wx/msgdlg.h>
#include <wx/statbmp.h>
#include <wx/stattext.h>

namespace {

const char kNotSet[] = "not set";

} // namespace

void ModbusTerminalPanel::OnConnect(wxCommandEvent &event)
{
    if (m_connected) {
        Disconnect(event);
        return;
    }
    if (m_ipLabel->GetLabel() == kNotSet) {
        ShowErrorBox("Connection parameters not set");
        return;
    }

    // The gateway always listens on the Modbus port; the port label is only
    // shown. The connect blocks the window until the system answers.
    mb_context *modbus = mb_new_tcp(m_ipLabel->GetLabel().utf8_str(), MODBUS_PORT);
    if (modbus == nullptr || mb_connect(modbus) == -1) {
        mb_free(modbus);
        wxMessageBox("Connection failed", "Not Connected", wxOK | wxICON_ERROR);
        return;
    }

    m_statusIcon->SetBitmap(LoadImageFile("icons/ok.jpg"));
    m_connected = true;
    m_modbus = modbus;
    m_connectButton->SetBitmapLabel(m_disconnectBitmap);
    wxMessageBox("Connection successful", "Connected", wxOK | wxICON_EXCLAMATION);
}

void ModbusTerminalPanel::Disconnect(wxCommandEvent &)
{
    CloseConnection();
}

void ModbusTerminalPanel::SetConnectionParameters(const wxString &ip, const wxString &port)
{
    m_ipLabel->SetLabel(ip);
    m_portLabel->SetLabel(port);
    Layout();
    Refresh();
    if (m_connected)
        CloseConnection();
}

void ModbusTerminalPanel::CloseConnection()
{
    m_statusIcon->SetBitmap(LoadImageFile("icons/ko.jpg"));
    Shutdown();
    m_connectButton->SetBitmapLabel(m_connectBitmap);
}

void ModbusTerminalPanel::Shutdown()
{
    // The form holds the context: it goes first, so that nothing on screen can
    // send on a released context.
    CloseForm();
    m_connected = false;
    if (m_modbus != nullptr) {
        mb_close(m_modbus);
        mb_free(m_modbus);
        m_modbus = nullptr;
    }
}

void ModbusTerminalPanel::CloseForm()
{
    if (m_functionPanel != nullptr) {
        m_functionPanel->Destroy();
        m_functionPanel = nullptr;
    }
}

void ModbusTerminalPanel::OnModifyParameters(wxCommandEvent &)
{
    const bool known = m_ipLabel->GetLabel() != kNotSet;
    auto *dialog = new NewDialog(MainWindow::GetInstance()->m_frame, wxID_ANY, "UART Conf", wxDefaultPosition,
                                 wxSize(380, 250), wxDEFAULT_DIALOG_STYLE);
    dialog->SetValues(known ? m_ipLabel->GetLabel() : wxString(kDefaultModuleIp),
                      known ? m_portLabel->GetLabel() : wxString(kDefaultModulePort));
}

void ModbusTerminalPanel::OnFunctionChosen(wxCommandEvent &event)
{
    if (!m_connected) {
        ShowErrorBox("You have to connect first.");
        return;
    }
    CloseForm();
    m_functionPanel = new FunctionPanel(this, ID_FUNCTION_FORM, wxEmptyString, wxPoint(m_formLeft, m_formTop),
                                        wxSize(500, 480), wxTAB_TRAVERSAL, event.GetId(), m_modbus);
    m_functionPanel->SetFocusIgnoringChildren();
}
