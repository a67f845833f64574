#include "engine/parallel_compressor.h"

#include <algorithm>

ParallelCompressor::ParallelCompressor(std::size_t chunkSize, int workers, CompressChunk compress,
                                       Sink sink)
    : chunkSize_(chunkSize),
      compress_(std::move(compress)),
      sink_(std::move(sink)),
      maxHeld_(static_cast<std::size_t>(std::max(workers, 1)) + 1) {
    filling_.reserve(chunkSize_);
    for (int i = 0; i < std::max(workers, 1); ++i) {
        workers_.emplace_back([this] { WorkerLoop(); });
    }
}

ParallelCompressor::~ParallelCompressor() {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        stopping_ = true;
    }
    changed_.notify_all();
    for (std::thread& worker : workers_) {
        worker.join();
    }
}

std::function<void(std::uint64_t)>& ParallelCompressor::BeforeCompressHook() {
    static std::function<void(std::uint64_t)> hook;
    return hook;
}

int DefaultWorkers(int requested) {
    if (requested > 0) {
        return requested;
    }
    return static_cast<int>(std::max(1u, std::thread::hardware_concurrency()));
}

void ParallelCompressor::WorkerLoop() {
    std::unique_lock<std::mutex> lock(mutex_);
    for (;;) {
        changed_.wait(lock, [this] { return stopping_ || !queue_.empty(); });
        if (queue_.empty()) {
            return;  // stopping
        }
        Job job = std::move(queue_.front());
        queue_.pop_front();
        lock.unlock();
        if (const auto& hook = BeforeCompressHook()) {
            hook(job.index);
        }
        Chunk out;
        const bool ok = compress_(job.data.data(), job.data.size(), out);
        const std::size_t inputSize = job.data.size();
        job.data = Chunk();  // the input goes before the output waits its turn
        lock.lock();
        if (!ok) {
            failed_ = true;
        }
        done_.emplace(job.index, Done{inputSize, std::move(out)});
        changed_.notify_all();
    }
}

void ParallelCompressor::Submit() {
    std::unique_lock<std::mutex> lock(mutex_);
    // Room for one more chunk: hand finished ones on, else wait for one.
    while (!failed_ && held_ >= maxHeld_) {
        if (!Drain(lock, false)) {
            break;
        }
        if (held_ >= maxHeld_) {
            changed_.wait(lock, [this] { return failed_ || done_.count(nextToSink_) > 0; });
        }
    }
    if (failed_) {
        filling_.clear();
        return;
    }
    queue_.push_back({nextIndex_++, std::move(filling_)});
    ++held_;
    filling_ = Chunk();
    filling_.reserve(chunkSize_);
    changed_.notify_all();
}

bool ParallelCompressor::Drain(std::unique_lock<std::mutex>& lock, bool all) {
    for (;;) {
        if (failed_) {
            return false;
        }
        auto found = done_.find(nextToSink_);
        if (found == done_.end()) {
            if (!all || held_ == 0) {
                return true;
            }
            changed_.wait(lock, [this] { return failed_ || done_.count(nextToSink_) > 0; });
            continue;
        }
        Done finished = std::move(found->second);
        done_.erase(found);
        ++nextToSink_;
        --held_;
        lock.unlock();
        const bool taken = sink_(finished.out.data(), finished.out.size());
        lock.lock();
        if (!taken) {
            failed_ = true;
            return false;
        }
        sunkInput_ += finished.inputSize;
    }
}

bool ParallelCompressor::Write(const char* data, std::size_t size) {
    while (size > 0) {
        const std::size_t take = std::min(size, chunkSize_ - filling_.size());
        filling_.insert(filling_.end(), data, data + take);
        data += take;
        size -= take;
        if (filling_.size() == chunkSize_) {
            Submit();
        }
    }
    std::unique_lock<std::mutex> lock(mutex_);
    return Drain(lock, false);
}

bool ParallelCompressor::Finish() {
    if (!filling_.empty() || nextIndex_ == 0) {
        Submit();
    }
    std::unique_lock<std::mutex> lock(mutex_);
    return Drain(lock, true);
}
