#pragma once

#include <condition_variable>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

// The blocks of a copy on their way from the thread that reads them to the
// threads that use them: a few buffers in a ring, and one long-lived thread
// per consumer (the writer, the hash) that takes every block in order. The
// reader fills the next free buffer while the consumers work on the ones
// before it, so that reading waits only when the ring is full; a buffer is
// free again once every consumer is done with it.
class BlockRing {
public:
    struct Block {
        const char* data;
        std::int64_t position;  // of the block's first byte in the copy
        std::int32_t length;
    };
    // Takes one block; false stops the ring (a write that failed): the
    // consumer gets nothing more, and the reader learns it at its next Next.
    using Consumer = std::function<bool(const Block& block)>;

    // `slots` buffers of blockSize bytes each; Ready() says whether they
    // could be allocated.
    BlockRing(int slots, std::int32_t blockSize);
    ~BlockRing();
    BlockRing(const BlockRing&) = delete;
    BlockRing& operator=(const BlockRing&) = delete;

    bool Ready() const { return ready_; }

    // Starts one thread per consumer. False when a thread could not be
    // started; those that did are stopped again.
    bool Start(std::vector<Consumer> consumers);

    // The reader's side: the buffer for the next block, once every consumer
    // is done with what it held; null once a consumer has stopped the ring.
    // The buffer stays the reader's until it is published.
    char* Next();
    // Hands the buffer Next gave to every consumer.
    void Publish(std::int64_t position, std::int32_t length);

    // Waits until every consumer has taken every block published so far, or
    // the ring stopped; false when it stopped.
    bool Settle();

    // No more blocks: waits until every consumer has taken every published
    // block (or stopped), and joins the threads. Safe to call twice.
    void Close();

    // Whether a consumer stopped the ring; final after Close.
    bool Stopped();

private:
    void Consume(std::size_t index);

    const std::int32_t blockSize_;
    std::vector<std::unique_ptr<char[]>> buffers_;
    bool ready_ = true;

    std::mutex mutex_;
    std::condition_variable changed_;
    std::vector<Block> blocks_;         // the published block held by each buffer
    std::uint64_t published_ = 0;       // blocks published so far
    std::vector<std::uint64_t> taken_;  // blocks each consumer has finished
    bool closing_ = false;
    bool stopped_ = false;
    std::vector<Consumer> consumers_;
    std::vector<std::thread> threads_;
};
