#include "engine/parallel_stream_reader.h"

#include <algorithm>
#include <string_view>

namespace {

// A worker decodes into at most this much output per call, so that a piece
// dropped or a reader closed stops it soon.
constexpr std::size_t kOutputStep = 1 << 20;
// A piece's output starts with room for the output of a stream Brevel or
// pbzip2 writes, and grows when it needs more.
constexpr std::size_t kFirstOutput = 1 << 20;

}  // namespace

ParallelStreamReader::ParallelStreamReader(const StreamBoundaries& boundaries,
                                           MakeDecoder makeDecoder, int workers)
    : boundaries_(boundaries),
      makeDecoder_(makeDecoder),
      maxPieces_(static_cast<std::size_t>(std::max(workers, 1)) + 1) {
    for (int i = 0; i < std::max(workers, 1); ++i) {
        workers_.emplace_back([this] { WorkerLoop(); });
    }
}

ParallelStreamReader::~ParallelStreamReader() {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        stopping_ = true;
        for (const auto& piece : pieces_) {
            piece->dropped = true;
        }
    }
    changed_.notify_all();
    for (std::thread& worker : workers_) {
        worker.join();
    }
}

std::vector<std::int64_t>& ParallelStreamReader::ExtraCandidatesForTest() {
    static std::vector<std::int64_t> offsets;
    return offsets;
}

ParallelStreamReader::Take ParallelStreamReader::TakeStream(ReadWindow& window,
                                                            std::vector<char>& output,
                                                            std::size_t& length) {
    const std::int64_t at = window.Offset();
    // Pieces before `at` lay inside a stream decoded in turn; a queue that
    // does not start at `at` is of no use.
    while (!pieces_.empty() && pieces_.front()->start < at) {
        DropFront();
    }
    if (!pieces_.empty() && pieces_.front()->start != at) {
        while (!pieces_.empty()) {
            DropFront();
        }
    }
    if (pieces_.empty()) {
        next_ = at;
        scheduleEnded_ = false;
    }
    Schedule(window);
    if (pieces_.empty()) {
        return Take::InTurn;  // no candidate here, or the file could not be read
    }
    const std::shared_ptr<Piece> head = pieces_.front();
    if (!head->decodeInTurn) {
        std::unique_lock<std::mutex> lock(mutex_);
        changed_.wait(lock, [&head] {
            return head->state == State::Stream || head->state == State::NotAStream;
        });
    }
    pieces_.pop_front();
    Schedule(window);  // the workers go on while the caller delivers this stream
    if (head->decodeInTurn || head->state != State::Stream) {
        return Take::InTurn;
    }
    output = std::move(head->output);
    length = head->streamLength;
    return Take::Decoded;
}

void ParallelStreamReader::Schedule(ReadWindow& window) {
    const std::size_t length = boundaries_.signatureLength;
    while (!scheduleEnded_ && pieces_.size() < maxPieces_) {
        const auto start = static_cast<std::size_t>(next_ - window.Offset());
        bool read = true;
        while (read && window.Size() < start + length && !window.Ended()) {
            read = window.Extend();
        }
        std::size_t end = std::string_view::npos;
        // A read that fails ends the schedule: the pieces before it are
        // delivered, and the reader meets the failure itself when it gets there.
        if (!read || window.Size() <= start ||
            (next_ == window.Offset() && !IsCandidate(window, start)) ||
            !NextCandidate(window, start, end)) {
            scheduleEnded_ = true;  // the end of the file, or no stream starts here
            return;
        }
        auto piece = std::make_shared<Piece>();
        piece->start = next_;
        if (end == std::string_view::npos) {
            scheduleEnded_ = true;
            if (window.Ended() && window.Size() - start <= boundaries_.maxPiece) {
                end = window.Size();  // the last piece, up to the end of the file
            } else {
                piece->decodeInTurn = true;
                pieces_.push_back(std::move(piece));
                return;
            }
        }
        piece->input.assign(window.Data() + start, window.Data() + end);
        next_ += static_cast<std::int64_t>(end - start);
        pieces_.push_back(piece);
        {
            std::lock_guard<std::mutex> lock(mutex_);
            waiting_.push_back(std::move(piece));
        }
        changed_.notify_all();
    }
}

bool ParallelStreamReader::IsCandidate(const ReadWindow& window, std::size_t at) const {
    const auto& extra = ExtraCandidatesForTest();
    return (window.Size() >= at + boundaries_.signatureLength &&
            boundaries_.IsStart(window.Data() + at)) ||
           std::find(extra.begin(), extra.end(), window.Offset() + static_cast<std::int64_t>(at)) !=
               extra.end();
}

bool ParallelStreamReader::NextCandidate(ReadWindow& window, std::size_t pieceStart,
                                         std::size_t& found) {
    const std::size_t length = boundaries_.signatureLength;
    const std::size_t limit = pieceStart + boundaries_.maxPiece;  // the last place for one
    std::size_t from = pieceStart + 1;
    for (;;) {
        const std::string_view data(window.Data(), std::min(window.Size(), limit + length));
        found = FindStreamStart(boundaries_, data, from);
        for (const std::int64_t extra : ExtraCandidatesForTest()) {
            const std::int64_t offset = extra - window.Offset();
            if (offset > static_cast<std::int64_t>(pieceStart) &&
                offset < static_cast<std::int64_t>(std::min(found, data.size()))) {
                found = static_cast<std::size_t>(offset);
            }
        }
        if (found != std::string_view::npos || data.size() == limit + length || window.Ended()) {
            return true;
        }
        if (data.size() >= length) {
            from = std::max(from, data.size() - length + 1);
        }
        if (!window.Extend()) {
            return false;
        }
    }
}

void ParallelStreamReader::DropFront() {
    const std::shared_ptr<Piece> piece = pieces_.front();
    pieces_.pop_front();
    piece->dropped = true;
    std::lock_guard<std::mutex> lock(mutex_);
    std::erase(waiting_, piece);
}

void ParallelStreamReader::WorkerLoop() {
    const std::unique_ptr<StreamDecoder> decoder = makeDecoder_(1);
    for (;;) {
        std::shared_ptr<Piece> piece;
        {
            std::unique_lock<std::mutex> lock(mutex_);
            changed_.wait(lock, [this] { return stopping_ || !waiting_.empty(); });
            if (stopping_) {
                return;
            }
            piece = waiting_.front();
            waiting_.pop_front();
            piece->state = State::Decoding;
        }
        const State result = DecodePiece(*piece, *decoder);
        piece->input = {};
        {
            std::lock_guard<std::mutex> lock(mutex_);
            piece->state = result;
        }
        changed_.notify_all();
    }
}

ParallelStreamReader::State ParallelStreamReader::DecodePiece(Piece& piece,
                                                              StreamDecoder& decoder) {
    if (!decoder.Begin()) {
        return State::NotAStream;
    }
    const char* in = piece.input.data();
    std::size_t inLength = piece.input.size();
    std::vector<char>& output = piece.output;
    output.resize(std::min(kFirstOutput, boundaries_.maxOutput));
    std::size_t produced = 0;
    for (;;) {
        if (piece.dropped) {
            return State::NotAStream;
        }
        if (produced == output.size()) {
            if (produced >= boundaries_.maxOutput) {
                return State::NotAStream;  // too much output for a piece: decoded in turn
            }
            output.resize(std::min(2 * produced, boundaries_.maxOutput));
        }
        char* out = output.data() + produced;
        std::size_t room = std::min(output.size() - produced, kOutputStep);
        const std::size_t roomBefore = room;
        const std::size_t inBefore = inLength;
        const CodecStep step = decoder.Decode(in, inLength, out, room);
        produced += roomBefore - room;
        if (step == CodecStep::StreamEnd) {
            output.resize(produced);
            piece.streamLength = piece.input.size() - inLength;
            return State::Stream;
        }
        if (step == CodecStep::Bad || (inLength == inBefore && room == roomBefore)) {
            return State::NotAStream;  // damaged, or a stream that goes on past the piece
        }
    }
}
