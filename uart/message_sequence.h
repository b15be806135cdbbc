// A sequence of messages from the list, each followed by a delay, sent once
// or looped until stopped. Pure: the caller says what time it is, asks which
// message is due and sends it, so that the steps are tested without a clock.
#ifndef ORV_UART_MESSAGE_SEQUENCE_H
#define ORV_UART_MESSAGE_SEQUENCE_H

#include <chrono>
#include <cstddef>
#include <optional>
#include <string>
#include <vector>

struct SequenceStep {
    // The message list's entry, counted from 0.
    size_t message = 0;
    std::chrono::milliseconds delayAfter{0};
};

// The longest delay after a step: one day, as the periodic send allows.
constexpr std::chrono::milliseconds kMostSequenceDelay{86400000};

// Why the steps cannot run, or an empty text: each must name an entry of a
// list of `messageCount` and wait at most kMostSequenceDelay, and a looped
// sequence must wait somewhere, or it would flood the link.
std::string CheckSequence(const std::vector<SequenceStep> &steps, bool loop, size_t messageCount);

// After the message list lost its entry `index`: its steps go, and those of
// later entries follow them to their new place.
void StepsAfterMessageRemoved(std::vector<SequenceStep> &steps, size_t index);

class SequenceRun {
public:
    using Clock = std::chrono::steady_clock;

    // A run whose first step is due at `start`.
    SequenceRun(std::vector<SequenceStep> steps, bool loop, Clock::time_point start);

    // The message to send now, when a step is due at `now`; the run then
    // moves on, the next step due its delay after `now`. A once-run ends
    // with its last message sent.
    std::optional<size_t> Due(Clock::time_point now);
    // When the next step is due.
    Clock::time_point NextDue() const { return m_nextDue; }
    void Stop() { m_finished = true; }
    bool Finished() const { return m_finished; }
    // The step due next, counted from 0, and how many rounds a loop has done.
    size_t NextStep() const { return m_next; }
    size_t Rounds() const { return m_rounds; }

private:
    const std::vector<SequenceStep> m_steps;
    const bool m_loop;
    Clock::time_point m_nextDue;
    size_t m_next = 0;
    size_t m_rounds = 0;
    bool m_finished;
};

#endif
