// "Raw frame": sends a frame typed in hex on the Modbus panel's session,
// with the CRC (RTU over TCP) or MBAP header (Modbus TCP) added unless "As
// is", and shows what went out and the answer, in hex and in words.
#ifndef ORV_MODBUS_RAW_FRAME_DIALOG_H
#define ORV_MODBUS_RAW_FRAME_DIALOG_H

#include <cstdint>
#include <wx/dialog.h>

class ModbusSession;
class ModbusSessionEvent;
class wxButton;
class wxCheckBox;
class wxCloseEvent;
class wxCommandEvent;
class wxTextCtrl;

class RawFrameDialog : public wxDialog {
public:
    enum { ID_FRAME = 5441, ID_AS_IS, ID_SEND, ID_ANSWER };

    RawFrameDialog(wxWindow *parent, ModbusSession &session, int framing);
    ~RawFrameDialog() override;

    // Sends the typed frame; false, with the reason shown, when it is no
    // frame. The answer comes later (Waiting() until then).
    bool SendFrame();
    bool Waiting() const { return m_waiting; }
    wxString AnswerText() const;

private:
    void OnSend(wxCommandEvent &event);
    void OnResult(ModbusSessionEvent &event);
    void OnCloseButton(wxCommandEvent &event);
    void OnClose(wxCloseEvent &event);

    ModbusSession &m_session;
    const int m_framing;
    bool m_waiting = false;
    uint64_t m_job = 0;
    wxTextCtrl *m_frameField = nullptr;
    wxCheckBox *m_asIsCheck = nullptr;
    wxButton *m_sendButton = nullptr;
    wxTextCtrl *m_answerView = nullptr;
};

#endif
