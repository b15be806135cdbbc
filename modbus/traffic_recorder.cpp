#include "modbus/traffic_recorder.h"

#include "modbus/modbus_events.h"
#include "modbus/traffic_lines.h"

#include <chrono>

void TrafficRecorder::Trace(void *user, int sent, const uint8_t *frame, int length)
{
    auto *recorder = static_cast<TrafficRecorder *>(user);
    if (!recorder->m_enabled)
        return;
    const std::string clock = ClockText(std::chrono::system_clock::now());
    recorder->Add(FrameLine(clock, sent != 0, frame, length > 0 ? static_cast<size_t>(length) : 0), true);
}

void TrafficRecorder::Outcome(const std::string &result)
{
    if (!m_enabled)
        return;
    {
        const std::lock_guard<std::mutex> hold(m_lock);
        if (!m_framesSinceOutcome)
            return;
    }
    Add(OutcomeLine(ClockText(std::chrono::system_clock::now()), result), false);
}

void TrafficRecorder::Add(std::string line, bool frame)
{
    const std::lock_guard<std::mutex> hold(m_lock);
    m_framesSinceOutcome = frame;
    const bool first = m_lines.empty();
    m_lines.push_back(std::move(line));
    // One event for all the lines that gather before the panel takes them.
    if (first && m_panel != nullptr) {
        wxCommandEvent event(EVT_MODBUS_TRAFFIC, static_cast<int>(EVT_MODBUS_TRAFFIC));
        m_panel->AddPendingEvent(event);
    }
}

std::vector<std::string> TrafficRecorder::Take()
{
    const std::lock_guard<std::mutex> hold(m_lock);
    std::vector<std::string> lines;
    lines.swap(m_lines);
    return lines;
}

void TrafficRecorder::Detach()
{
    const std::lock_guard<std::mutex> hold(m_lock);
    m_panel = nullptr;
}
