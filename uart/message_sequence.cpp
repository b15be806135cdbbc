#include "uart/message_sequence.h"

#include <algorithm>

std::string CheckSequence(const std::vector<SequenceStep> &steps, bool loop, size_t messageCount)
{
    if (steps.empty())
        return "The sequence has no step";
    for (size_t n = 0; n < steps.size(); ++n) {
        const std::string where = "Step " + std::to_string(n + 1) + ": ";
        if (steps[n].message >= messageCount)
            return where + "it sends message " + std::to_string(steps[n].message + 1) + " but the list has " +
                   std::to_string(messageCount);
        if (steps[n].delayAfter.count() < 0 || steps[n].delayAfter > kMostSequenceDelay)
            return where + "its delay must be 0 to " + std::to_string(kMostSequenceDelay.count()) + " ms";
    }
    const bool waits = std::any_of(steps.begin(), steps.end(),
                                   [](const SequenceStep &step) { return step.delayAfter.count() > 0; });
    if (loop && !waits)
        return "A looped sequence needs a delay after at least one step";
    return std::string();
}

void StepsAfterMessageRemoved(std::vector<SequenceStep> &steps, size_t index)
{
    steps.erase(std::remove_if(steps.begin(), steps.end(),
                               [index](const SequenceStep &step) { return step.message == index; }),
                steps.end());
    for (SequenceStep &step : steps)
        if (step.message > index)
            --step.message;
}

SequenceRun::SequenceRun(std::vector<SequenceStep> steps, bool loop, Clock::time_point start)
    : m_steps(std::move(steps)), m_loop(loop), m_nextDue(start), m_finished(m_steps.empty())
{
}

std::optional<size_t> SequenceRun::Due(Clock::time_point now)
{
    if (m_finished || now < m_nextDue)
        return std::nullopt;
    const SequenceStep &step = m_steps[m_next];
    m_nextDue = now + step.delayAfter;
    if (++m_next == m_steps.size()) {
        m_next = 0;
        ++m_rounds;
        m_finished = !m_loop;
    }
    return step.message;
}
