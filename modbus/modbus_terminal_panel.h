// The Modbus terminal: shows the module's address and the state of the
// link, opens and closes the connection of its session (modbus_session.h),
// which connects again by itself when the gateway drops it, and opens the
// form of the chosen function beside the function buttons. The forms,
// the monitor and the diagnostics run their requests on its session. It
// grows with the frame: the form takes the room right of the buttons.
#ifndef ORV_MODBUS_MODBUS_TERMINAL_PANEL_H
#define ORV_MODBUS_MODBUS_TERMINAL_PANEL_H

#include "library/modbus_lib/modbus.h"
#include "modbus/block_definition.h"
#include "modbus/form_host.h"
#include "modbus/form_memory.h"
#include "modbus/response_timeout.h"

#include <memory>
#include <vector>

#include <wx/bitmap.h>
#include <wx/panel.h>
#include <wx/timer.h>
#include <wx/weakref.h>

class FunctionPanel;
class MonitorWindow;
class ModbusSession;
class ModbusTerminalPanel;
class TrafficWindow;
class wxCheckBox;
class wxBitmapButton;
class wxCommandEvent;
class wxSizeEvent;
class wxStaticBitmap;
class wxStaticText;
class wxTimerEvent;

class ModbusTerminalPanel : public wxPanel, public FormHost {
public:
    enum {
        ID_CONNECT = 2002,
        ID_SAVE_TIMER = 2004,
        ID_SHOW_TRAFFIC = 2005,
        ID_OPEN_MONITOR = 2006,
        ID_MODIFY = 5030,
        ID_FUNCTION_FIRST = 1001,
        ID_FUNCTION_LAST = 1023,
        ID_FUNCTION_FORM = 1100
    };

    ModbusTerminalPanel();
    ~ModbusTerminalPanel() override;

    // `framing`: MB_FRAMING_RTU or MB_FRAMING_TCP, shown beside the terminal
    // type. A connection open ends: the next one goes to these.
    void SetConnectionParameters(const wxString &ip, const wxString &port, int framing = MB_FRAMING_RTU,
                                 int responseTimeoutMs = kDefaultResponseTimeoutMs);
    // Closes the form and the connection; safe to call again.
    void Shutdown();
    // What was typed into the forms, from the kept settings (the form shown
    // takes its function's), and to keep.
    void RestoreForms(const FormMemory &memory);
    FormMemory Forms() const;

    // The link as the panel shows it: Up once connected, Down while the
    // session connects again by itself.
    ModbusLink Link() const { return m_link; }
    bool IsConnected() const { return m_link == ModbusLink::Up; }
    wxString Ip() const;
    wxString Port() const;
    int Framing() const { return m_framing; }
    int ResponseTimeoutMs() const { return m_responseTimeoutMs; }
    // The one connection's session, for the windows that poll on it.
    ModbusSession &Session() { return *m_session; }
    // The form shown, or nullptr.
    FunctionPanel *Form() const { return m_functionPanel; }
    // The traffic view, while it has been opened.
    TrafficWindow *TrafficView() const { return m_trafficWindow; }
    // Opens the monitor of this panel's session, or raises it when it is
    // open, and returns it.
    MonitorWindow *OpenMonitor();
    // The monitor while it is open, or nullptr.
    MonitorWindow *Monitor() const { return m_monitor.get(); }
    // The monitor's blocks, also while it is closed: those it had when it
    // closed, which it shows again when it opens.
    std::vector<BlockDefinition> MonitorBlocks() const;
    // The monitor's blocks from now on, whether it is open, and the rows
    // its chart plots.
    void SetMonitorBlocks(const std::vector<BlockDefinition> &blocks, bool open, const PlottedRows &plotted = {});
    // The rows the monitor's chart plots, also while it is closed.
    PlottedRows MonitorPlotted() const;
    // Ticks or unticks "Show traffic" as the user does.
    void ShowTrafficView(bool show);

    // FormHost.
    bool Connected() const override;
    JobId Run(const ModbusRequest &request, int periodMs, wxEvtHandler *form) override;
    void Stop(JobId job) override;
    void FormEdited() override;

private:
    void BuildTopRow();
    void BuildFunctionButtons();
    void AddHeading(const wxString &text, int x, const wxFont &font, int step);
    void AddFunctionButton(int functionCode, const wxString &label, int step);
    void OnSize(wxSizeEvent &event);
    wxRect FormArea() const;

    // The connection (modbus_terminal_connection.cpp).
    void OnConnect(wxCommandEvent &event);
    void OnModifyParameters(wxCommandEvent &event);
    void OnFunctionChosen(wxCommandEvent &event);
    void OnLink(ModbusSessionEvent &event);
    void ShowLink(ModbusLink state);
    void ShowDisconnected();
    void CloseForm();
    void OnSaveTimer(wxTimerEvent &event);
    void SaveForms();

    // The traffic view (modbus_terminal_traffic.cpp).
    void OnShowTraffic(wxCommandEvent &event);
    void OnOpenMonitor(wxCommandEvent &event);
    void OnTraffic(ModbusSessionEvent &event);
    void OnTrafficWindowClosed();

    int m_layoutX = 30;
    int m_layoutY = 70;
    wxStaticBitmap *m_statusIcon = nullptr;
    wxBitmapButton *m_connectButton = nullptr;
    wxBitmap m_connectBitmap;
    wxBitmap m_disconnectBitmap;
    wxStaticText *m_ipLabel = nullptr;
    wxStaticText *m_portLabel = nullptr;
    // The framing of the next connection, and where the panel shows it.
    int m_framing = MB_FRAMING_RTU;
    wxStaticText *m_framingLabel = nullptr;
    int m_responseTimeoutMs = kDefaultResponseTimeoutMs;
    // "Link lost: reconnecting" while the session connects again.
    wxStaticText *m_linkLabel = nullptr;
    ModbusLink m_link = ModbusLink::Closed;
    std::unique_ptr<ModbusSession> m_session;
    FunctionPanel *m_functionPanel = nullptr;
    int m_formTop = 0;
    // Left edge of the forms: 250, or further right when the function
    // buttons had to grow (app/toolkit_fit.h).
    int m_formLeft = 250;
    // What was typed into each function's form; written to the kept
    // settings a moment after it changed.
    FormMemory m_forms;
    wxTimer m_saveTimer;
    wxCheckBox *m_trafficCheck = nullptr;
    TrafficWindow *m_trafficWindow = nullptr;
    // The monitor goes when its window is closed; its blocks stay.
    wxWeakRef<MonitorWindow> m_monitor;
    std::vector<BlockDefinition> m_monitorBlocks;
    PlottedRows m_monitorPlotted;
};

#endif
