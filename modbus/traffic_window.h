// The Modbus traffic view: a window beside the main one listing each
// request and answer frame with its time and what it means, and each
// request's outcome; below, the exchanges' statistics per unit. It keeps the
// newest lines up to the receive views' bound and the newest frames for
// "Save as pcap"; its text can be selected and copied.
#ifndef ORV_MODBUS_TRAFFIC_WINDOW_H
#define ORV_MODBUS_TRAFFIC_WINDOW_H

#include "modbus/exchange_stats.h"
#include "modbus/traffic_capture.h"

#include <cstddef>
#include <deque>
#include <functional>
#include <string>
#include <vector>
#include <wx/frame.h>

class wxButton;
class wxCloseEvent;
class wxCommandEvent;
class wxTextCtrl;
struct JobResult;

class TrafficWindow : public wxFrame {
public:
    enum { ID_SAVE_PCAP = 5301 };

    // `closed` runs when the user closes the window (it only hides).
    TrafficWindow(wxWindow *parent, std::function<void()> closed);

    // A request's run on a connection of `framing` (MB_FRAMING_RTU or
    // MB_FRAMING_TCP): its frames, described, its outcome and its counts.
    void AddRun(const JobResult &run, int framing);
    void AddLines(const std::vector<std::string> &lines);
    // Characters the view keeps at most; older whole lines go.
    static constexpr size_t kKeep = 1048576;

    // The kept frames as a capture file: "" or why not ("Save as pcap"
    // asks for the file and shows the reason in a box).
    std::string SaveCapture(const std::string &path) const { return m_capture.Save(path); }
    // The statistics as shown, a line per unit.
    wxString StatsText() const;

    wxTextCtrl *m_view = nullptr;
    wxButton *m_copyButton = nullptr;
    wxButton *m_clearButton = nullptr;

private:
    void OnClose(wxCloseEvent &event);
    void OnCopy(wxCommandEvent &event);
    void OnClear(wxCommandEvent &event);
    void OnSavePcap(wxCommandEvent &event);
    void ShowStats();

    std::function<void()> m_closed;
    wxTextCtrl *m_statsView = nullptr;
    // The length of each line shown in characters, its line break included.
    std::deque<size_t> m_lineLengths;
    size_t m_length = 0;
    TrafficCapture m_capture;
    ExchangeStats m_stats;
};

#endif
