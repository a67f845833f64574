#pragma once

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

#include "engine/read_window.h"
#include "engine/stream_boundaries.h"
#include "engine/stream_codec.h"

// Decodes the streams of a multi-stream file on several threads, ahead of the
// image reader, which takes them in order.
//
// The file is cut at every candidate stream start (StreamBoundaries) into
// pieces, each decoded on a worker as if it were one stream. A piece counts
// only when it starts where the reader stands (at a true stream start) and
// decodes, with the format's own checks, as one complete stream: decoding is
// determined by the bytes alone, so that stream and its output are exactly
// what decoding the file in order gives. Any other piece (a false candidate
// inside a stream, a stream that is damaged or cut short, no candidate within
// maxPiece, more output than maxOutput) makes the reader decode that stream
// itself, in turn, and the pieces it passes over are dropped.
//
// Memory stays bounded: at most workers + 1 pieces are held (read, being
// decoded or decoded), each with at most maxPiece bytes in and maxOutput out,
// besides the one stream the reader is delivering; the window reads ahead only
// as far as those pieces reach.
class ParallelStreamReader {
public:
    using MakeDecoder = std::unique_ptr<StreamDecoder> (*)(int workers);

    ParallelStreamReader(const StreamBoundaries& boundaries, MakeDecoder makeDecoder, int workers);
    // Stops the workers (a piece being decoded is abandoned) and joins them.
    ~ParallelStreamReader();
    ParallelStreamReader(const ParallelStreamReader&) = delete;
    ParallelStreamReader& operator=(const ParallelStreamReader&) = delete;

    enum class Take {
        Decoded,  // the stream at the window's front: `length` bytes, decoded into `output`
        InTurn,   // the reader is to decode the stream at the window's front itself
    };
    // At a stream start (the window's front): the stream decoded there when a
    // piece gives it, and more pieces read and handed to the workers. Waits
    // for the piece's worker. The window's bytes are left for the caller to
    // consume. A read that fails is left for the caller to meet in turn.
    Take TakeStream(ReadWindow& window, std::vector<char>& output, std::size_t& length);

    // Test seam: file offsets that count as candidate stream starts besides
    // the real ones, as if their bytes looked like one.
    static std::vector<std::int64_t>& ExtraCandidatesForTest();

private:
    enum class State { Waiting, Decoding, Stream, NotAStream };
    struct Piece {
        std::int64_t start = 0;
        bool decodeInTurn = false;  // no end found within maxPiece: never handed to a worker
        std::vector<char> input;
        // Written by the worker until `state` says it is done, then by the reader.
        State state = State::Waiting;
        std::vector<char> output;
        std::size_t streamLength = 0;  // of a complete stream
        std::atomic<bool> dropped{false};
    };

    // Reads and queues pieces while there is room.
    void Schedule(ReadWindow& window);
    bool IsCandidate(const ReadWindow& window, std::size_t at) const;
    // The offset (in the window) of the next candidate after `from`, within
    // maxPiece of `pieceStart`: npos when there is none there. Reads ahead as
    // needed; false when a read failed.
    bool NextCandidate(ReadWindow& window, std::size_t pieceStart, std::size_t& found);
    void DropFront();
    void WorkerLoop();
    State DecodePiece(Piece& piece, StreamDecoder& decoder);

    const StreamBoundaries& boundaries_;
    MakeDecoder makeDecoder_;
    const std::size_t maxPieces_;

    // The reader's side: the queue in file order, and where the next piece starts.
    std::deque<std::shared_ptr<Piece>> pieces_;
    std::int64_t next_ = 0;
    bool scheduleEnded_ =
        false;  // the last piece reaches the end of the file, or is decoded in turn

    std::mutex mutex_;
    std::condition_variable changed_;
    std::deque<std::shared_ptr<Piece>> waiting_;  // for a worker, in file order
    bool stopping_ = false;
    std::vector<std::thread> workers_;
};
