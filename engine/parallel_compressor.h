#pragma once

#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <mutex>
#include <thread>
#include <vector>

// Compresses a stream on several threads as a sequence of independent
// chunks, each compressed into one complete stream of its format (a gzip
// member, a bzip2 stream), written out in order: the standard multi-member
// and multi-stream files that every reader of those formats takes.
//
// Memory stays bounded: at most workers + 2 chunks are held at a time (the
// one being filled, those being compressed, and finished ones waiting for
// their turn); Write waits for room.
class ParallelCompressor {
public:
    using Chunk = std::vector<char>;
    // Compresses one whole chunk into one complete stream; runs on a worker.
    using CompressChunk = std::function<bool(const char* data, std::size_t size, Chunk& out)>;
    // Takes the compressed streams in order; false once the target takes no
    // more. Runs on the writing thread.
    using Sink = std::function<bool(const char* data, std::size_t size)>;

    ParallelCompressor(std::size_t chunkSize, int workers, CompressChunk compress, Sink sink);
    ~ParallelCompressor();
    ParallelCompressor(const ParallelCompressor&) = delete;
    ParallelCompressor& operator=(const ParallelCompressor&) = delete;

    // False once compressing or the sink has failed; nothing more is taken.
    bool Write(const char* data, std::size_t size);
    // Compresses what is left (an empty stream still gives one chunk, so
    // that the file is a valid, empty stream), waits for every chunk and
    // hands it to the sink. False when anything failed.
    bool Finish();

    // The input bytes whose compressed chunks the sink has taken.
    std::uint64_t SunkInputBytes() const { return sunkInput_; }

    // Test seam: called on the worker before it compresses chunk `index`.
    static std::function<void(std::uint64_t index)>& BeforeCompressHook();

private:
    struct Job {
        std::uint64_t index;
        Chunk data;
    };

    void Submit();
    void WorkerLoop();
    // Hands finished chunks to the sink in order; waits for them when `all`.
    bool Drain(std::unique_lock<std::mutex>& lock, bool all);

    const std::size_t chunkSize_;
    CompressChunk compress_;
    Sink sink_;
    std::size_t maxHeld_;

    Chunk filling_;
    std::uint64_t nextIndex_ = 0;   // of the next chunk submitted
    std::uint64_t nextToSink_ = 0;  // of the next chunk the sink gets
    bool failed_ = false;
    bool stopping_ = false;

    std::mutex mutex_;
    std::condition_variable changed_;
    std::deque<Job> queue_;
    struct Done {
        std::size_t inputSize;
        Chunk out;
    };
    std::map<std::uint64_t, Done> done_;
    std::uint64_t sunkInput_ = 0;  // written by the writing thread only
    std::size_t held_ = 0;         // chunks submitted and not yet handed to the sink
    std::vector<std::thread> workers_;
};

// The worker count to use: `requested` when positive, else the machine's
// cores (at least 1).
int DefaultWorkers(int requested = 0);
