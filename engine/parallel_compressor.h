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

// Compresses a stream on several threads as a sequence of chunks, written out
// in order. By default each chunk is compressed into one complete stream of
// its format (a gzip member, a bzip2 stream): the standard multi-member and
// multi-stream files that every reader of those formats takes. A format whose
// chunks continue one stream (zlib) has each chunk primed with the input
// before it, and the stream's header and trailer written around the chunks,
// the trailer from the chunks' check values combined in order.
//
// Memory stays bounded: besides the chunk being filled, at most workers + 1
// chunks are held at a time (those being compressed, and finished ones
// waiting for their turn), or as many as make (workers + 1) MiB of input when
// chunks are smaller than that, so that the workers have enough work to
// bridge the writing thread's pauses; Write waits for room.
class ParallelCompressor {
public:
    using Chunk = std::vector<char>;

    // One chunk of the input, as a worker compresses it.
    struct Input {
        // The input just before the chunk, as much of it as the layout asks
        // for (none before the first chunk).
        const char* history;
        std::size_t historySize;
        const char* data;
        std::size_t size;
        bool last;  // the final chunk of the input (empty when the input is)
    };
    struct Output {
        Chunk bytes;
        std::uint32_t check = 0;  // of the chunk's input, for Layout::combineCheck
    };
    // Compresses one chunk; runs on a worker.
    using CompressChunk = std::function<bool(const Input& input, Output& output)>;
    // Takes the compressed bytes in order; false once the target takes no
    // more. Runs on the writing thread.
    using Sink = std::function<bool(const char* data, std::size_t size)>;

    // How a format cuts its input and puts the compressed chunks together.
    struct Layout {
        std::size_t chunkSize = 0;
        CompressChunk compress;
        // Of formats whose chunks make one stream together:
        std::size_t historySize = 0;  // the preceding input each chunk gets
        Chunk prologue;               // written before the first chunk
        std::uint32_t initialCheck = 0;
        // Folds a chunk's check value into the stream's so far (on the
        // writing thread, in order).
        std::function<std::uint32_t(std::uint32_t sofar, std::uint32_t chunk, std::size_t size)>
            combineCheck;
        // Written after the last chunk, from the stream's check value.
        std::function<Chunk(std::uint32_t check)> epilogue;
    };

    ParallelCompressor(Layout layout, int workers, Sink sink);
    ~ParallelCompressor();
    ParallelCompressor(const ParallelCompressor&) = delete;
    ParallelCompressor& operator=(const ParallelCompressor&) = delete;

    // False once compressing or the sink has failed; nothing more is taken.
    bool Write(const char* data, std::size_t size);
    // Compresses what is left (an empty stream still gives one chunk, so
    // that the file is a valid, empty stream), waits for every chunk, hands
    // it to the sink and then the epilogue. False when anything failed.
    // Called once; nothing is written after it.
    bool Finish();

    // The input bytes whose compressed chunks the sink has taken.
    std::uint64_t SunkInputBytes() const { return sunkInput_; }

    // Test seam: called on the worker before it compresses chunk `index`.
    static std::function<void(std::uint64_t index)>& BeforeCompressHook();

private:
    struct Job {
        std::uint64_t index;
        Chunk data;  // the history, then the chunk
        std::size_t historySize;
        bool last;
    };

    // Hands the chunk being filled to the workers, once there is room;
    // false once anything failed.
    bool Submit(bool last);
    void WorkerLoop();
    // Hands finished chunks to the sink in order; waits for them when `all`.
    bool Drain(std::unique_lock<std::mutex>& lock, bool all);
    bool Put(const Chunk& bytes) { return bytes.empty() || sink_(bytes.data(), bytes.size()); }

    const Layout layout_;
    Sink sink_;
    std::size_t maxHeld_;

    // The chunk being filled, after the history it starts with. Only the
    // writing thread touches these.
    Chunk filling_;
    std::size_t fillingHistory_ = 0;
    bool submittedLast_ = false;
    std::uint64_t nextIndex_ = 0;  // of the next chunk submitted
    std::uint64_t sunkInput_ = 0;
    std::uint32_t check_;

    std::mutex mutex_;
    std::condition_variable changed_;
    std::uint64_t nextToSink_ = 0;  // of the next chunk the sink gets
    bool failed_ = false;
    bool stopping_ = false;
    std::deque<Job> queue_;
    struct Done {
        std::size_t inputSize;
        Output out;
    };
    std::map<std::uint64_t, Done> done_;
    std::size_t held_ = 0;  // chunks submitted and not yet handed to the sink
    std::vector<std::thread> workers_;
};

// The worker count to use: `requested` when positive, else the machine's
// cores (at least 1).
int DefaultWorkers(int requested = 0);
