#include "uart/chunk_gate.h"
#include "uart/receive_inbox.h"

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

// The GUI thread is woken once for the chunks after it asked, and never while
// it shows them at its own pace; chunks keep their bounds.
TEST(ReceiveInbox, WakesOnlyAWaitingReader)
{
    const uint8_t bytes[] = {'a', 'b', 'c'};
    ReceiveInbox inbox(8);
    EXPECT_TRUE(inbox.Put(ReceiveInbox::MakeChunk(bytes, 3))) << "a new inbox waits for its first chunk";
    EXPECT_FALSE(inbox.Put(ReceiveInbox::MakeChunk(bytes, 1)));
    EXPECT_FALSE(inbox.AwaitWake()) << "chunks wait already";
    EXPECT_FALSE(inbox.Put(ReceiveInbox::MakeChunk(bytes, 2))) << "a refused wait wakes no one";

    std::deque<ReceiveInbox::Chunk> taken;
    ASSERT_TRUE(inbox.TakeAll(taken));
    ASSERT_EQ(taken.size(), 3u);
    EXPECT_EQ(ReceiveInbox::ChunkSize(taken[0].get()), 3u);
    EXPECT_EQ(ReceiveInbox::ChunkSize(taken[2].get()), 2u);
    EXPECT_EQ(taken[2][3], 'b');
    EXPECT_FALSE(inbox.Put(ReceiveInbox::MakeChunk(bytes, 1))) << "taking alone asks for no wake";
    ASSERT_TRUE(inbox.TakeAll(taken));
    EXPECT_TRUE(inbox.AwaitWake());
    EXPECT_TRUE(inbox.Put(ReceiveInbox::MakeChunk(bytes, 1)));
    EXPECT_FALSE(inbox.Put(ReceiveInbox::MakeChunk(bytes, 1))) << "one wake per wait";

    // A new connection wakes the reader for its first chunk whatever the
    // old one left.
    inbox.Open();
    EXPECT_TRUE(inbox.Put(ReceiveInbox::MakeChunk(bytes, 1)));
    EXPECT_EQ(inbox.BytesReceived(), 1u);
}

} // namespace
