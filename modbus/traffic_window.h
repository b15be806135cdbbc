// The Modbus traffic view: a window beside the main one listing each
// request and answer frame with its time, and each request's outcome. It
// keeps the newest lines up to the receive views' bound; its text can be
// selected and copied.
#ifndef ORV_MODBUS_TRAFFIC_WINDOW_H
#define ORV_MODBUS_TRAFFIC_WINDOW_H

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

class TrafficWindow : public wxFrame {
public:
    // `closed` runs when the user closes the window (it only hides).
    TrafficWindow(wxWindow *parent, std::function<void()> closed);

    void AddLines(const std::vector<std::string> &lines);
    // Characters the view keeps at most; older whole lines go.
    static constexpr size_t kKeep = 1048576;

    wxTextCtrl *m_view = nullptr;
    wxButton *m_copyButton = nullptr;
    wxButton *m_clearButton = nullptr;

private:
    void OnClose(wxCloseEvent &event);
    void OnCopy(wxCommandEvent &event);
    void OnClear(wxCommandEvent &event);

    std::function<void()> m_closed;
    // The length of each line shown in characters, its line break included.
    std::deque<size_t> m_lineLengths;
    size_t m_length = 0;
};

#endif
