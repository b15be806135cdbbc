// The Modbus terminal: shows the module's address, opens and closes the
// Modbus connection (and shows when the gateway ended it), and opens the
// form of the chosen function code beside the function buttons. Everything
// runs on the GUI thread.
#ifndef ORV_MODBUS_MODBUS_TERMINAL_PANEL_H
#define ORV_MODBUS_MODBUS_TERMINAL_PANEL_H

#include "library/modbus_lib/modbus.h"
#include "modbus/read_request.h"

#include <memory>

#include <wx/bitmap.h>
#include <wx/panel.h>
#include <wx/timer.h>

class FunctionPanel;
class PollRun;
class TrafficRecorder;
class TrafficWindow;
class wxCheckBox;
class wxBitmapButton;
class wxCommandEvent;
class wxStaticBitmap;
class wxStaticText;
class wxTimerEvent;

class ModbusTerminalPanel : public wxPanel {
public:
    enum {
        ID_CONNECT = 2002,
        ID_DISCONNECT = 2003,
        ID_LINK_TIMER = 2004,
        ID_SHOW_TRAFFIC = 2005,
        ID_MODIFY = 5030,
        ID_FUNCTION_FIRST = 1001,
        ID_FUNCTION_LAST = 1023,
        ID_FUNCTION_FORM = 1100
    };

    ModbusTerminalPanel();
    ~ModbusTerminalPanel() override;

    // `framing`: MB_FRAMING_RTU or MB_FRAMING_TCP, shown beside the terminal type.
    void SetConnectionParameters(const wxString &ip, const wxString &port, int framing = MB_FRAMING_RTU);
    // Closes the form and closes and releases the context; safe to call again.
    void Shutdown();

    void OnConnect(wxCommandEvent &event);
    void Disconnect(wxCommandEvent &event);
    void OnModifyParameters(wxCommandEvent &event);
    void OnFunctionChosen(wxCommandEvent &event);
    // A form's request found the connection gone.
    void OnLinkLost(wxCommandEvent &event);
    // Looks for a gateway that ended the connection while no request runs.
    void OnLinkTimer(wxTimerEvent &event);

    // Polling (modbus/poll_worker.h): the form starts and stops it; while a
    // run lives, stopped or not, its worker has the context. False when not
    // connected or a run lives.
    bool StartPolling(const ReadRequest &request, int periodMs);
    void StopPolling();
    bool Polling() const { return m_pollRun != nullptr; }
    void OnPollAnswer(wxCommandEvent &event);
    void OnPollEnded(wxCommandEvent &event);

    // The traffic view: a window listing every frame of the connection.
    void OnShowTraffic(wxCommandEvent &event);
    void OnTraffic(wxCommandEvent &event);
    void OnTrafficWindowClosed();

    int m_layoutX = 30;
    int m_layoutY = 70;
    wxStaticBitmap *m_statusIcon = nullptr;
    bool m_connected = false;
    wxBitmapButton *m_connectButton = nullptr;
    wxBitmap m_connectBitmap;
    wxBitmap m_disconnectBitmap;
    wxStaticText *m_ipLabel = nullptr;
    wxStaticText *m_portLabel = nullptr;
    // The framing of the next connection, and where the panel shows it.
    int m_framing = MB_FRAMING_RTU;
    wxStaticText *m_framingLabel = nullptr;
    // The client context of the parameters shown, made at the first connect:
    // it lives on across disconnects, so that the form's pointer stays valid
    // and the form works again after a reconnect; new parameters release it
    // (and close the form). Connected only while m_connected.
    mb_context *m_modbus = nullptr;
    FunctionPanel *m_functionPanel = nullptr;
    int m_formTop = 0;
    // Left edge of the forms: 250, or further right when the function
    // buttons had to grow (app/toolkit_fit.h).
    int m_formLeft = 250;
    // Runs while connected.
    wxTimer m_linkTimer;
    std::shared_ptr<PollRun> m_pollRun;
    int m_pollRuns = 0;
    bool m_pollStarted = false;
    // Shared with the client's trace and with poll workers, which may
    // outlive the panel.
    std::shared_ptr<TrafficRecorder> m_traffic;
    wxCheckBox *m_trafficCheck = nullptr;
    TrafficWindow *m_trafficWindow = nullptr;

private:
    void BuildTopRow();
    void BuildFunctionButtons();
    void AddHeading(const wxString &text, int x, const wxFont &font, int step);
    void AddFunctionButton(int functionCode, const wxString &label, int step);
    mb_context *NewContext() const;
    void ShowDisconnected();
    void CloseForm();
    // Ends a living poll run at once: the worker closes and frees the
    // context when its last request is done, and the panel makes a new one
    // at the next connect.
    void ReclaimContext();
};

#endif
