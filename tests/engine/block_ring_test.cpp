// The ring between the copy thread and its consumers: every consumer sees
// every block in order while its buffer is untouched, and a consumer that
// stops stops the reader and the others.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstring>
#include <thread>

#include "engine/block_ring.h"

namespace {

constexpr std::int32_t kSize = 256;

// The content of block `index`: its number in every byte.
bool Holds(const BlockRing::Block& block, std::int64_t index) {
    for (std::int32_t i = 0; i < block.length; ++i) {
        if (block.data[i] != static_cast<char>(index)) {
            return false;
        }
    }
    return block.position == index * kSize && block.length == kSize;
}

// Reads `count` blocks into the ring, or until it stops; how many it published.
std::int64_t Fill(BlockRing& ring, std::int64_t count) {
    std::int64_t index = 0;
    for (; index < count; ++index) {
        char* buffer = ring.Next();
        if (buffer == nullptr) {
            break;
        }
        std::memset(buffer, static_cast<int>(index), kSize);
        ring.Publish(index * kSize, kSize);
    }
    return index;
}

TEST(BlockRing, EveryConsumerSeesEveryBlockInOrderUntouched) {
    BlockRing ring(3, kSize);
    ASSERT_TRUE(ring.Ready());
    std::atomic<std::int64_t> fast{0}, slow{0};
    std::atomic<bool> intact{true};
    auto consumer = [&intact](std::atomic<std::int64_t>& seen, bool slowly) {
        return [&intact, &seen, slowly](const BlockRing::Block& block) {
            const bool before = Holds(block, seen);
            if (slowly) {
                // The reader is ahead now; it must not write into this buffer.
                std::this_thread::sleep_for(std::chrono::microseconds(300));
            }
            intact = intact && before && Holds(block, seen);
            ++seen;
            return true;
        };
    };
    ASSERT_TRUE(ring.Start({consumer(fast, false), consumer(slow, true)}));
    EXPECT_EQ(Fill(ring, 200), 200);
    ring.Close();
    EXPECT_TRUE(intact);
    EXPECT_EQ(fast, 200);
    EXPECT_EQ(slow, 200);
    EXPECT_FALSE(ring.Stopped());
}

TEST(BlockRing, AConsumerThatStopsStopsTheReaderAndTheOthers) {
    constexpr int kSlots = 4;
    BlockRing ring(kSlots, kSize);
    std::atomic<std::int64_t> other{0};
    ASSERT_TRUE(
        ring.Start({[](const BlockRing::Block& block) { return block.position < 5 * kSize; },
                    [&other](const BlockRing::Block&) {
                        ++other;
                        return true;
                    }}));
    const std::int64_t published = Fill(ring, 1000);
    ring.Close();
    EXPECT_TRUE(ring.Stopped());
    // Block 5 stopped it: the reader got at most a ring's worth further.
    EXPECT_GE(published, 6);
    EXPECT_LE(published, 5 + kSlots);
    EXPECT_LE(other, published);
}

}  // namespace
