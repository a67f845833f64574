#include "engine/parallel_compressor.h"

#include <algorithm>

namespace {

// The input that each worker's share of the held chunks comes to at least.
constexpr std::size_t kHeldPerWorker = 1 << 20;

std::size_t MostHeld(std::size_t chunkSize, int workers) {
    const std::size_t perWorker =
        std::max<std::size_t>(1, kHeldPerWorker / std::max<std::size_t>(chunkSize, 1));
    return (static_cast<std::size_t>(std::max(workers, 1)) + 1) * perWorker;
}

}  // namespace

ParallelCompressor::ParallelCompressor(Layout layout, int workers, Sink sink)
    : layout_(std::move(layout)),
      sink_(std::move(sink)),
      maxHeld_(MostHeld(layout_.chunkSize, workers)),
      check_(layout_.initialCheck) {
    filling_.reserve(layout_.chunkSize);
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
        const std::size_t inputSize = job.data.size() - job.historySize;
        const Input input{job.data.data(), job.historySize, job.data.data() + job.historySize,
                          inputSize, job.last};
        Output out;
        const bool ok = layout_.compress(input, out);
        job.data = Chunk();  // the input goes before the output waits its turn
        lock.lock();
        if (!ok) {
            failed_ = true;
        }
        done_.emplace(job.index, Done{inputSize, std::move(out)});
        changed_.notify_all();
    }
}

bool ParallelCompressor::Submit(bool last) {
    // The next chunk starts with the end of this one's input, when the
    // format asks for it.
    const std::size_t keep = std::min(layout_.historySize, filling_.size());
    Chunk next;
    next.reserve(keep + layout_.chunkSize);
    next.assign(filling_.end() - static_cast<std::ptrdiff_t>(keep), filling_.end());

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
        return false;
    }
    queue_.push_back({nextIndex_++, std::move(filling_), fillingHistory_, last});
    ++held_;
    submittedLast_ = last;
    filling_ = std::move(next);
    fillingHistory_ = keep;
    changed_.notify_all();
    return true;
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
        const bool first = nextToSink_++ == 0;
        --held_;
        lock.unlock();
        const bool taken = (!first || Put(layout_.prologue)) && Put(finished.out.bytes);
        lock.lock();
        if (!taken) {
            failed_ = true;
            return false;
        }
        sunkInput_ += finished.inputSize;
        if (layout_.combineCheck) {
            check_ = layout_.combineCheck(check_, finished.out.check, finished.inputSize);
        }
    }
}

bool ParallelCompressor::Write(const char* data, std::size_t size) {
    while (size > 0) {
        // A full chunk goes once more input comes: the one Finish submits
        // is the last.
        if (filling_.size() - fillingHistory_ == layout_.chunkSize && !Submit(false)) {
            return false;
        }
        const std::size_t take =
            std::min(size, layout_.chunkSize - (filling_.size() - fillingHistory_));
        filling_.insert(filling_.end(), data, data + take);
        data += take;
        size -= take;
    }
    std::unique_lock<std::mutex> lock(mutex_);
    return Drain(lock, false);
}

bool ParallelCompressor::Finish() {
    if (!submittedLast_ && !Submit(true)) {
        return false;
    }
    std::unique_lock<std::mutex> lock(mutex_);
    if (!Drain(lock, true)) {
        return false;
    }
    lock.unlock();
    if (layout_.epilogue && !Put(layout_.epilogue(check_))) {
        lock.lock();
        failed_ = true;
        return false;
    }
    return true;
}
