#include "engine/block_ring.h"

#include <algorithm>
#include <new>
#include <system_error>

BlockRing::BlockRing(int slots, std::int32_t blockSize)
    : blockSize_(blockSize), blocks_(static_cast<std::size_t>(slots)) {
    for (int i = 0; i < slots && ready_; ++i) {
        buffers_.emplace_back(new (std::nothrow) char[static_cast<std::size_t>(blockSize_)]);
        ready_ = buffers_.back() != nullptr;
    }
}

BlockRing::~BlockRing() {
    Close();
}

bool BlockRing::Start(std::vector<Consumer> consumers) {
    consumers_ = std::move(consumers);
    taken_.assign(consumers_.size(), 0);
    try {
        for (std::size_t i = 0; i < consumers_.size(); ++i) {
            threads_.emplace_back(&BlockRing::Consume, this, i);
        }
    } catch (const std::system_error&) {
        {
            const std::lock_guard<std::mutex> lock(mutex_);
            stopped_ = true;
        }
        Close();
        return false;
    }
    return true;
}

char* BlockRing::Next() {
    std::unique_lock<std::mutex> lock(mutex_);
    const std::uint64_t slots = buffers_.size();
    changed_.wait(lock, [&] {
        const std::uint64_t oldest =
            taken_.empty() ? published_ : *std::min_element(taken_.begin(), taken_.end());
        return stopped_ || published_ - oldest < slots;
    });
    return stopped_ ? nullptr : buffers_[published_ % slots].get();
}

void BlockRing::Publish(std::int64_t position, std::int32_t length) {
    {
        const std::lock_guard<std::mutex> lock(mutex_);
        const std::size_t slot = published_ % buffers_.size();
        blocks_[slot] = {buffers_[slot].get(), position, length};
        ++published_;
    }
    changed_.notify_all();
}

void BlockRing::Consume(std::size_t index) {
    std::unique_lock<std::mutex> lock(mutex_);
    for (;;) {
        changed_.wait(lock, [&] { return stopped_ || closing_ || taken_[index] < published_; });
        if (stopped_ || taken_[index] == published_) {
            return;  // stopped, or closing with everything taken
        }
        const Block block = blocks_[taken_[index] % buffers_.size()];
        lock.unlock();
        const bool going = consumers_[index](block);
        lock.lock();
        if (going) {
            ++taken_[index];
        } else {
            stopped_ = true;
        }
        changed_.notify_all();
    }
}

bool BlockRing::Settle() {
    std::unique_lock<std::mutex> lock(mutex_);
    changed_.wait(lock, [&] {
        return stopped_ || std::all_of(taken_.begin(), taken_.end(),
                                       [this](std::uint64_t taken) { return taken == published_; });
    });
    return !stopped_;
}

void BlockRing::Close() {
    {
        const std::lock_guard<std::mutex> lock(mutex_);
        closing_ = true;
    }
    changed_.notify_all();
    for (std::thread& thread : threads_) {
        thread.join();
    }
    threads_.clear();
}

bool BlockRing::Stopped() {
    const std::lock_guard<std::mutex> lock(mutex_);
    return stopped_;
}
