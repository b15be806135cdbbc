// Collects the Modbus traffic of the panel's connection while the traffic
// view is open: the client hands it every frame (on the GUI thread for a
// form's Send, on the poll worker's while polling), the request's runner
// adds the outcome, and the panel takes the lines on the GUI thread.
#ifndef ORV_MODBUS_TRAFFIC_RECORDER_H
#define ORV_MODBUS_TRAFFIC_RECORDER_H

#include <atomic>
#include <cstdint>
#include <mutex>
#include <string>
#include <vector>

class wxEvtHandler;

class TrafficRecorder {
public:
    explicit TrafficRecorder(wxEvtHandler *panel) : m_panel(panel) {}

    // The client's trace callback; `user` is the recorder.
    static void Trace(void *user, int sent, const uint8_t *frame, int length);
    // The outcome of the request whose frames came last; nothing when no
    // frame was sent (a request the form refused).
    void Outcome(const std::string &result);

    void Enable(bool on) { m_enabled = on; }
    bool Enabled() const { return m_enabled; }
    // The lines that came since the last call.
    std::vector<std::string> Take();
    // The panel is going: nothing is posted to it any more.
    void Detach();

private:
    void Add(std::string line, bool frame);

    std::atomic<bool> m_enabled{false};
    std::mutex m_lock;
    wxEvtHandler *m_panel;
    std::vector<std::string> m_lines;
    bool m_framesSinceOutcome = false;
};

#endif
