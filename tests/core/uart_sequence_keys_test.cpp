#include "uart/key_bindings.h"
#include "uart/message_sequence.h"

#include <gtest/gtest.h>

namespace {

using Clock = SequenceRun::Clock;
using std::chrono::milliseconds;

// What the run sends when asked at each of `times` (ms after start).
std::vector<std::optional<size_t>> Asked(SequenceRun &run, Clock::time_point start, const std::vector<int> &times)
{
    std::vector<std::optional<size_t>> sent;
    for (const int at : times)
        sent.push_back(run.Due(start + milliseconds(at)));
    return sent;
}

TEST(SequenceRun, StepsOnceWithTheDelayAfterEachSend)
{
    const Clock::time_point start;
    SequenceRun run({{4, milliseconds(100)}, {2, milliseconds(0)}, {7, milliseconds(50)}}, false, start);
    const std::vector<std::optional<size_t>> expected = {4, std::nullopt, std::nullopt, 2, 7};
    // The delay counts from the send, late as it may be: 130 + 0, then 130.
    EXPECT_EQ(Asked(run, start, {0, 50, 99, 130, 130}), expected);
    EXPECT_TRUE(run.Finished()) << "a once-run ends with its last message";
    EXPECT_EQ(run.Due(start + milliseconds(10000)), std::nullopt);
}

TEST(SequenceRun, LoopsUntilStopped)
{
    const Clock::time_point start;
    SequenceRun run({{0, milliseconds(10)}, {1, milliseconds(20)}}, true, start);
    const std::vector<std::optional<size_t>> expected = {0, 1, 0, 1, std::nullopt};
    EXPECT_EQ(Asked(run, start, {0, 10, 30, 40, 59}), expected);
    EXPECT_EQ(run.Rounds(), 2U);
    EXPECT_EQ(run.NextDue(), start + milliseconds(60));
    run.Stop();
    EXPECT_EQ(run.Due(start + milliseconds(60)), std::nullopt);
    EXPECT_TRUE(run.Finished());
}

TEST(SequenceRun, ChecksStepsAndFollowsTheList)
{
    EXPECT_EQ(CheckSequence({{1, milliseconds(0)}}, false, 2), "");
    EXPECT_EQ(CheckSequence({}, false, 2), "The sequence has no step");
    EXPECT_EQ(CheckSequence({{0, milliseconds(0)}, {2, milliseconds(5)}}, false, 2),
              "Step 2: it sends message 3 but the list has 2");
    EXPECT_EQ(CheckSequence({{0, milliseconds(86400001)}}, false, 2), "Step 1: its delay must be 0 to 86400000 ms");
    EXPECT_EQ(CheckSequence({{0, milliseconds(0)}, {1, milliseconds(0)}}, true, 2),
              "A looped sequence needs a delay after at least one step");

    std::vector<SequenceStep> steps = {{0, milliseconds(1)}, {1, milliseconds(2)}, {2, milliseconds(3)}, {1, {}}};
    StepsAfterMessageRemoved(steps, 1);
    ASSERT_EQ(steps.size(), 2U);
    EXPECT_EQ(steps[0].message, 0U);
    EXPECT_EQ(steps[1].message, 1U);
    EXPECT_EQ(steps[1].delayAfter, milliseconds(3));
}

TEST(KeyBindings, OneKeyPerMessageOneMessagePerKey)
{
    KeyBindings keys;
    keys.Bind(1, 5);
    keys.Bind(12, 5);
    EXPECT_EQ(keys.MessageFor(1), std::nullopt) << "the message's former key is free";
    EXPECT_EQ(keys.KeyFor(5), 12);
    keys.Bind(12, 3);
    EXPECT_EQ(keys.KeyFor(5), std::nullopt) << "the key's former message has none";
    keys.Bind(13, 1);
    keys.Bind(0, 1);
    EXPECT_EQ(keys.KeyFor(1), std::nullopt);
    EXPECT_EQ(FunctionKeyName(12), "F12");

    keys.Bind(2, 1);
    keys.Bind(3, 4);
    keys.MessageRemoved(3);
    EXPECT_EQ(keys.MessageFor(12), std::nullopt);
    EXPECT_EQ(keys.MessageFor(2), size_t{1});
    EXPECT_EQ(keys.MessageFor(3), size_t{3});
}

TEST(KeyBindings, SettingsEntriesRoundTripAndBadOnesAreNamed)
{
    KeyBindings keys;
    keys.Bind(1, 0);
    keys.Bind(10, 2);
    const SettingEntries entries = KeyBindingEntries(keys);
    EXPECT_EQ(entries, (SettingEntries{{"UART/Keys/F1", "1"}, {"UART/Keys/F10", "3"}}));
    const auto read = [](const SettingEntries &stored) {
        return KeyBindingsFromEntries(
            [&stored](const std::string &key) -> std::optional<std::string> {
                const auto found = stored.find(key);
                return found == stored.end() ? std::nullopt : std::optional<std::string>(found->second);
            },
            3);
    };
    EXPECT_EQ(read(entries).error, "");
    EXPECT_EQ(read(entries).bindings, keys);
    const KeyBindingsRead twice = read({{"UART/Keys/F1", "2"}, {"UART/Keys/F2", "2"}});
    EXPECT_EQ(twice.error, "UART/Keys/F2: message 2 has the key F1 already");
    EXPECT_EQ(twice.bindings, KeyBindings()) << "nothing bound half-way";
    EXPECT_EQ(read({{"UART/Keys/F3", "4"}}).error, "UART/Keys/F3: not a message number from 1 to 3");
}

} // namespace
