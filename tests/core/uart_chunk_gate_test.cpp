#include "uart/chunk_gate.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>

namespace {

using namespace std::chrono_literals;

// Waits (bounded) until `done` holds.
template <typename Condition>
bool Eventually(Condition done)
{
    for (int i = 0; i < 500 && !done(); ++i)
        std::this_thread::sleep_for(2ms);
    return done();
}

TEST(ChunkGate, ProducerWaitsForAFreeSlot)
{
    ChunkGate gate(2);
    ASSERT_TRUE(gate.Acquire());
    ASSERT_TRUE(gate.Acquire());
    std::atomic<bool> third{false};
    std::thread producer([&] { third = gate.Acquire(); });
    std::this_thread::sleep_for(50ms);
    EXPECT_FALSE(third);
    gate.Release();
    EXPECT_TRUE(Eventually([&] { return third.load(); }));
    producer.join();
    EXPECT_EQ(gate.InFlight(), 2u);
}

TEST(ChunkGate, CloseWakesAWaitingProducerUntilOpenedAgain)
{
    ChunkGate gate(1);
    ASSERT_TRUE(gate.Acquire());
    std::atomic<int> result{-1};
    std::thread producer([&] { result = gate.Acquire() ? 1 : 0; });
    gate.Close();
    producer.join();
    EXPECT_EQ(result, 0);
    gate.Release(5);
    EXPECT_EQ(gate.InFlight(), 0u);
    EXPECT_FALSE(gate.Acquire());
    gate.Open();
    EXPECT_TRUE(gate.Acquire());
}

} // namespace
