#include <algorithm>
#include <boost/chrono.hpp>
#include <cerrno>
#include <cstring>
#include <ctime>
#include <limits>
#include <new>
#include <optional>

#include "engine/block_ring.h"
#include "engine/clone_task.h"

namespace {

// What one read of the source delivered.
enum class ReadResult {
    Data,         // got bytes, possibly 0 at the end of the data
    Unreadable,   // the image stream failed
    Aborted,      // a disk read failed and the user stopped the copy
    Cancelled,    // a cancel arrived while waiting for the user
    RestartPass,  // the user asked to read the same block again
};

// The end of the source for this job: its size, or where the target disk
// ends when the user agreed to leave the rest out.
std::int64_t CopyLimit(const CCloneTask& task) {
    const CloneJob& job = task.job;
    if (job.truncateTarget && job.target.kind == EndpointKind::PhysicalDisk &&
        job.targetSize >= 0) {
        return job.targetSize;
    }
    return std::numeric_limits<std::int64_t>::max();
}

void NoteZeroFilled(CCloneTask& task, std::int64_t position, std::int64_t length) {
    task.zeroFilledBytes += length;
    if (task.firstZeroFilledPosition < 0) {
        task.firstZeroFilledPosition = position;
    }
    std::vector<ZeroFilledRun>& runs = task.zeroFilledRuns;
    if (!runs.empty() && runs.back().position + runs.back().length == position) {
        runs.back().length += length;  // the run goes on
        return;
    }
    runs.push_back({position, length});
}

// After an Ignore: reads the block at `position` again in pieces, so that
// only what still cannot be read becomes zeros (the buffer may hold an
// earlier block's bytes). False on a cancel.
bool RescueBlock(CCloneTask& task, std::int64_t position, char* buffer, std::int32_t length) {
    std::int32_t sector = 0;
    const std::int32_t pieceSize =
        QueryLogicalBlockSize(task.sourceDisk.Handle(), sector) && sector > kRescuePieceSize
            ? sector
            : kRescuePieceSize;
    std::int32_t done = 0;
    while (done < length) {
        if (task.cancelRequested) {
            return false;
        }
        const std::int32_t piece = std::min(pieceSize, length - done);
        std::int32_t got = 0;
        const std::int64_t at = position + done;
        if (ReadDiskUncachedAt(task.sourceDisk.Handle(), at, buffer + done, piece, got) &&
            got > 0) {
            done += std::min(got, piece);
            continue;
        }
        // What a failed read left in the buffer is not data.
        std::memset(buffer + done, 0, piece);
        NoteZeroFilled(task, at, piece);
        done += piece;
    }
    return true;
}

// A disk read failed: once the blocks before it are on the target (so that
// the copy's position is where the read failed), raise the question and wait
// for the window's answer.
ReadResult AwaitReadErrorAnswer(CCloneTask& task, BlockRing& ring, std::int64_t position,
                                char* buffer, std::int32_t length, std::int32_t& got) {
    if (!ring.Settle()) {
        return ReadResult::Aborted;  // the writer stopped: its failure is the ending
    }
    task.readErrorAnswer = ReadErrorAnswer::None;
    task.readErrorPending = true;
    for (;;) {
        boost::this_thread::sleep_for(boost::chrono::milliseconds(1000));
        // A cancel ends the wait as Abort would; the window is joining us.
        if (task.cancelRequested) {
            return ReadResult::Cancelled;
        }
        const ReadErrorAnswer answer = task.readErrorAnswer;
        if (answer == ReadErrorAnswer::None) {
            continue;
        }
        if (answer == ReadErrorAnswer::Retry) {
            return ReadResult::RestartPass;
        }
        if (answer == ReadErrorAnswer::Ignore) {
            if (!RescueBlock(task, position, buffer, length)) {
                return ReadResult::Cancelled;
            }
            got = length;
            return ReadResult::Data;
        }
        return ReadResult::Aborted;
    }
}

// Reads the block at `position` into buffer: a whole block unless the data
// ends. What a read delivers is all that counts: bytes past `got` are left
// as they were.
ReadResult ReadSource(CCloneTask& task, BlockRing& ring, std::int64_t position, char* buffer,
                      std::int32_t& got) {
    const std::int64_t left = CopyLimit(task) - position;
    const auto wanted = static_cast<std::int32_t>(std::min<std::int64_t>(left, task.blockSize));
    switch (task.job.source.kind) {
        case EndpointKind::PhysicalDisk: {
            const std::int64_t remaining = task.job.sourceSize - position;
            const auto length =
                static_cast<std::int32_t>(std::min<std::int64_t>(remaining, wanted));
            if (length <= 0) {
                return ReadResult::Data;
            }
            if (ReadDiskAt(task.sourceDisk.Handle(), position, buffer, length, got)) {
                return ReadResult::Data;
            }
            got = 0;
            return AwaitReadErrorAnswer(task, ring, position, buffer, length, got);
        }
        case EndpointKind::ImageFile: {
            if (wanted <= 0) {
                return ReadResult::Data;
            }
            // Fill the whole block unless the data ends: the reader may
            // deliver less per call than it holds.
            ImageReader::Status status = ImageReader::Status::Data;
            while (got < wanted && status == ImageReader::Status::Data) {
                got += task.sourceImage.Read(buffer + got, wanted - got, status);
            }
            task.sourceConsumed = task.sourceImage.ConsumedBytes();
            // A fault comes only after everything before it was delivered.
            return got == 0 && status == ImageReader::Status::Failed ? ReadResult::Unreadable
                                                                     : ReadResult::Data;
        }
    }
    return ReadResult::Data;
}

std::unique_ptr<char[]> AllocateBlock(std::int32_t size) {
    return std::unique_ptr<char[]>(new (std::nothrow) char[size]);
}

// The hash thread's part: the block into the job's SHA-256 and, with Verify,
// the digest of the data up to the block's end, which the same pass over the
// bytes gives.
void HashBlock(CCloneTask& task, const char* data, std::int32_t length) {
    task.dataHash.Update(data, static_cast<std::size_t>(length));
    if (task.job.verify) {
        task.blockHashes.push_back(task.dataHash.Peek());
    }
}

// A raw image copied to a raw image: the source file, whose bytes the kernel
// can copy to the target without passing them through this process.
const ImageFile* CopiesInKernel(const CCloneTask& task) {
    return task.job.target.kind == EndpointKind::ImageFile && !task.targetImage.Compressed()
               ? task.sourceImage.PlainFile()
               : nullptr;
}

class CopyRun {
public:
    explicit CopyRun(CCloneTask& task)
        : task_(task),
          ring_(std::make_unique<BlockRing>(kRingSlots, task.blockSize)),
          copyRange_(CopiesInKernel(task)) {}

    void Run() {
        const bool diskTarget = task_.job.target.kind == EndpointKind::PhysicalDisk;
        if (diskTarget) {
            task_.firstBlock = AllocateBlock(task_.blockSize);
        }
        if (task_.job.verify && task_.job.sourceSize > 0) {
            task_.blockHashes.reserve(
                static_cast<std::size_t>(task_.job.sourceSize / task_.blockSize + 1));
        }
        if (!ring_->Ready() || (diskTarget && !task_.firstBlock) || !ring_->Start(Consumers())) {
            End(CopyEnding::WriteFailed, 0);
        } else {
            Loop();
            ring_->Close();
            if (ring_->Stopped()) {
                WriteFell();
            } else {
                task_.position = readPosition_;
            }
        }
        ring_.reset();  // its memory, before the verify pass takes its own
        Finish();
    }

private:
    // The writer first, then the hash, each on its own thread.
    std::vector<BlockRing::Consumer> Consumers() {
        std::vector<BlockRing::Consumer> consumers{
            [this](const BlockRing::Block& block) { return WriteOne(block); }};
        if (task_.job.hash || task_.job.verify) {
            consumers.emplace_back([this](const BlockRing::Block& block) {
                HashBlock(task_, block.data, block.length);
                return true;
            });
        }
        return consumers;
    }

    // The writer thread's part: one block to the target. The copy's position
    // follows what the target took.
    bool WriteOne(const BlockRing::Block& block) {
        const std::int32_t written = WriteBlock(block);
        if (written != block.length) {
            failedBlock_ = block.position;
            failedBlockWritten_ = written;
            return false;
        }
        task_.position = block.position + block.length;
        return true;
    }

    std::int32_t WriteBlock(const BlockRing::Block& block) {
        switch (task_.job.target.kind) {
            case EndpointKind::ImageFile: {
                if (copyRange_) {
                    return task_.targetImage.WriteCopyOf(block.data, block.length, *copyRange_,
                                                         block.position)
                               ? block.length
                               : 0;
                }
                return task_.targetImage.Write(block.data, block.length) ? block.length : 0;
            }
            case EndpointKind::PhysicalDisk:
                if (block.position == 0) {
                    // Kept back until the rest is on the disk.
                    std::memcpy(task_.firstBlock.get(), block.data,
                                static_cast<std::size_t>(block.length));
                    task_.firstBlockLength = block.length;
                    return block.length;
                }
                return WriteDiskAt(task_.targetDisk.Handle(), block.position, block.data,
                                   block.length);
        }
        return 0;
    }

    // Reads block after block into the ring until the data ends, the copy
    // is cancelled or the writer stops.
    void Loop() {
        for (;;) {
            if (task_.cancelRequested) {
                End(CopyEnding::Cancelled, -1);
                return;
            }
            char* buffer = ring_->Next();
            if (buffer == nullptr) {
                return;  // the writer stopped
            }
            std::int32_t got = 0;
            const ReadResult result = ReadSource(task_, *ring_, readPosition_, buffer, got);
            if (result == ReadResult::RestartPass) {
                continue;
            }
            if (task_.cancelRequested) {
                End(CopyEnding::Cancelled, -1);
                return;
            }
            if (got == 0) {
                EndOfData(result);
                return;
            }
            ring_->Publish(readPosition_, got);
            readPosition_ += got;
        }
    }

    // The writer stopped at a block that did not reach the target whole:
    // that ending counts, whatever the reading found meanwhile.
    void WriteFell() {
        std::int64_t reached = failedBlock_ + std::max<std::int32_t>(failedBlockWritten_, 0);
        std::int64_t handedOver = reached;
        if (task_.job.target.kind == EndpointKind::ImageFile) {
            reached = task_.targetImage.BytesOnTarget();
            // A compressor on several threads knows how much of the source
            // reached the file; else the blocks before the one that failed.
            const std::int64_t sunk = task_.targetImage.SourceBytesOnTarget();
            handedOver = !task_.targetImage.Compressed() ? reached
                         : sunk >= 0                     ? std::min(sunk, failedBlock_)
                                                         : failedBlock_;
        }
        ending_ = CopyEnding::WriteFailed;
        failurePosition_ = reached;
        handedOver_ = handedOver;
        task_.truncatedBytes = 0;
        task_.paddingBytes = 0;
    }

    void EndOfData(ReadResult result) {
        switch (result) {
            case ReadResult::Unreadable:
                End(CopyEnding::SourceUnreadable, readPosition_);
                break;
            case ReadResult::Aborted:
                End(CopyEnding::ReadErrorAborted, readPosition_);
                break;
            case ReadResult::Cancelled:
                End(CopyEnding::Cancelled, -1);
                break;
            default:
                EndOfSource();
                break;
        }
    }

    void EndOfSource() {
        const CloneJob& job = task_.job;
        const std::int64_t limit = CopyLimit(task_);
        if (readPosition_ >= limit) {
            task_.truncatedBytes = std::max<std::int64_t>(job.sourceSize - readPosition_, 0);
            End(CopyEnding::Completed, -1);
        } else if (job.source.kind == EndpointKind::PhysicalDisk &&
                   readPosition_ < job.sourceSize) {
            // The disk gave no more data before its size was reached.
            End(CopyEnding::SourceUnreadable, readPosition_);
        } else {
            task_.paddingBytes = task_.sourceImage.PaddingBytes();
            End(CopyEnding::Completed, -1);
        }
    }

    // The first ending seen is the one that counts.
    void End(CopyEnding ending, std::int64_t position) {
        if (!ending_) {
            ending_ = ending;
            failurePosition_ = position;
        }
    }

    void Finish() {
        CopyEnding ending = ending_.value_or(CopyEnding::Completed);
        task_.sourceImage.Close();
        task_.sourceDisk.Close();
        if (task_.job.hash) {
            task_.dataSha256 = HexOf(task_.dataHash.Finish());
        }
        const bool complete = ending == CopyEnding::Completed;
        const bool targetIntact = task_.job.target.kind == EndpointKind::ImageFile
                                      ? FinishImage(complete)
                                      : FinishDisk(complete);
        task_.firstBlock.reset();
        if (!targetIntact && (complete || ending == CopyEnding::Cancelled)) {
            // A flush (or the first block, written last) failed: placed where
            // the target stopped.
            ending = CopyEnding::WriteFailed;
            failurePosition_ = task_.job.target.kind == EndpointKind::ImageFile
                                   ? task_.targetImage.BytesOnTarget()
                               : firstBlockFailed_ ? 0
                                                   : task_.position.load();
            task_.truncatedBytes = 0;
            task_.paddingBytes = 0;
            // Compressed on several threads, the last chunks reach the file
            // only at the close: the source bytes that did are known.
            if (const std::int64_t sunk = task_.job.target.kind == EndpointKind::ImageFile
                                              ? task_.targetImage.SourceBytesOnTarget()
                                              : -1;
                sunk >= 0) {
                handedOver_ = std::min(sunk, handedOver_.value_or(task_.position.load()));
            }
            task_.verification = Verification::NotRequested;
        } else if (complete && task_.verification == Verification::Differs) {
            ending = CopyEnding::VerifyFailed;
            failurePosition_ = verifyFailedAt_;
        } else if (complete && task_.verification == Verification::Unreadable) {
            ending = CopyEnding::VerifyUnreadable;
            failurePosition_ = verifyFailedAt_;
        }
        if (handedOver_) {
            task_.position = *handedOver_;
        }
        task_.ending = ending;
        task_.failurePosition = failurePosition_;
        task_.finishTime = static_cast<std::int64_t>(std::time(nullptr));
        task_.finished = true;  // nothing touches the task after this
    }

    // Closes (and so flushes) an image target; a complete one gets its
    // NAME.sha256 and, with Verify, is read back. False when data that had
    // been handed over may not have reached it.
    bool FinishImage(bool complete) {
        if (!task_.targetImage.Close()) {
            return false;
        }
        if (!complete) {
            return true;
        }
        if (task_.job.hash) {
            const std::optional<Sha256Digest> file = task_.targetImage.File().WrittenDigest();
            task_.imageSha256 = file ? HexOf(*file) : task_.dataSha256;
            int error = 0;
            if (!WriteChecksumFile(task_.job.target.path, task_.imageSha256, error)) {
                task_.checksumFileError = error != 0 ? error : EIO;
            }
        }
        if (task_.job.verify) {
            StartVerifying();
            task_.verification = VerifyImage(task_, verifyFailedAt_);
        }
        return true;
    }

    // Flushes a disk target; a complete copy then gets its first block (see
    // WriteFirstBlockLast), and the kernel reads the partition table that is
    // on the disk, not one still on its way.
    bool FinishDisk(bool complete) {
        if (!task_.targetDisk.IsOpen()) {
            return true;
        }
        const DiskHandle disk = task_.targetDisk.Handle();
        bool flushed = FlushDisk(disk);
        if (flushed && complete) {
            flushed = WriteFirstBlockLast(disk);
        }
        int error = 0;
        if (flushed && !RereadPartitionTable(disk, error)) {
            task_.partitionRereadError = error != 0 ? error : EIO;
        }
        return task_.targetDisk.Close() && flushed;
    }

    // With the rest flushed (and, with Verify, read back as written), the
    // first block is written, flushed and read back. A rest that differs
    // keeps the first block back: the disk stays a blank target. False when
    // the first block could not be written or flushed.
    bool WriteFirstBlockLast(DiskHandle disk) {
        const std::int32_t first = task_.firstBlockLength;
        if (task_.job.verify) {
            StartVerifying();
            task_.verification = VerifyDiskRange(task_, first, task_.position, verifyFailedAt_);
            if (task_.verification == Verification::Differs ||
                task_.verification == Verification::Unreadable) {
                return true;
            }
        }
        if (first > 0 &&
            (WriteDiskAt(disk, 0, task_.firstBlock.get(), first) != first || !FlushDisk(disk))) {
            firstBlockFailed_ = true;
            return false;
        }
        if (task_.verification == Verification::Passed) {
            task_.verification = VerifyDiskRange(task_, 0, first, verifyFailedAt_);
        }
        return true;
    }

    void StartVerifying() {
        task_.verifyLength = task_.position;
        task_.verifyPosition = 0;
        task_.verifying = true;
    }

    CCloneTask& task_;
    std::unique_ptr<BlockRing> ring_;
    // A raw image from a raw image: the source file, whose bytes the kernel
    // copies to the target; else null.
    const ImageFile* copyRange_;
    std::int64_t readPosition_ = 0;  // of the next block to read
    // The block at which the writer stopped, and the bytes of it that reached
    // the target; the writer's until the ring is closed.
    std::int64_t failedBlock_ = 0;
    std::int32_t failedBlockWritten_ = 0;
    std::optional<CopyEnding> ending_;
    std::int64_t failurePosition_ = -1;
    std::optional<std::int64_t> handedOver_;  // set when a write fell short
    bool firstBlockFailed_ = false;
    std::int64_t verifyFailedAt_ = -1;
};

}  // namespace

void RunCopy(CCloneTask* task) {
    CopyRun(*task).Run();
}
