#include <algorithm>
#include <boost/chrono.hpp>
#include <cerrno>
#include <cstring>
#include <ctime>
#include <limits>
#include <new>
#include <optional>

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
// only what still cannot be read becomes zeros. False on a cancel.
bool RescueBlock(CCloneTask& task, std::int32_t length) {
    char* buffer = task.readBuffer.get();
    std::memset(buffer, 0, length);
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
        const std::int64_t at = task.position + done;
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

// A disk read failed: raise the question and wait for the window's answer.
ReadResult AwaitReadErrorAnswer(CCloneTask& task, std::int32_t length, std::int32_t& got) {
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
            if (!RescueBlock(task, length)) {
                return ReadResult::Cancelled;
            }
            got = length;
            return ReadResult::Data;
        }
        return ReadResult::Aborted;
    }
}

ReadResult ReadSource(CCloneTask& task, std::int32_t& got) {
    const std::int64_t left = CopyLimit(task) - task.position;
    const auto wanted = static_cast<std::int32_t>(std::min<std::int64_t>(left, task.blockSize));
    switch (task.job.source.kind) {
        case EndpointKind::PhysicalDisk: {
            const std::int64_t remaining = task.job.sourceSize - task.position;
            const auto length =
                static_cast<std::int32_t>(std::min<std::int64_t>(remaining, wanted));
            if (length <= 0) {
                return ReadResult::Data;
            }
            if (ReadDiskAt(task.sourceDisk.Handle(), task.position, task.readBuffer.get(), length,
                           got)) {
                return ReadResult::Data;
            }
            got = 0;
            return AwaitReadErrorAnswer(task, length, got);
        }
        case EndpointKind::ImageFile: {
            if (wanted <= 0) {
                return ReadResult::Data;
            }
            // Fill the whole block unless the data ends: the reader may
            // deliver less per call than it holds.
            ImageReader::Status status = ImageReader::Status::Data;
            while (got < wanted && status == ImageReader::Status::Data) {
                got += task.sourceImage.Read(task.readBuffer.get() + got, wanted - got, status);
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

// Closes everything the copy used. Returns false when data that had been
// handed over may not have reached the target.
bool CloseEverything(CCloneTask& task) {
    task.readBuffer.reset();
    task.writeBuffer.reset();
    task.sourceImage.Close();
    bool targetIntact = task.targetImage.Close();
    task.sourceDisk.Close();
    if (task.targetDisk.IsOpen()) {
        // Flushed first, so that the kernel reads the partition table that is
        // on the disk, not one still on its way.
        const bool flushed = FlushDisk(task.targetDisk.Handle());
        int error = 0;
        if (flushed && !RereadPartitionTable(task.targetDisk.Handle(), error)) {
            task.partitionRereadError = error != 0 ? error : EIO;
        }
        targetIntact = task.targetDisk.Close() && flushed && targetIntact;
    }
    return targetIntact;
}

class CopyRun {
public:
    explicit CopyRun(CCloneTask& task) : task_(task) {}

    void Run() {
        task_.readBuffer = AllocateBlock(task_.blockSize);
        task_.writeBuffer = AllocateBlock(task_.blockSize);
        if (!task_.readBuffer || !task_.writeBuffer) {
            End(CopyEnding::WriteFailed, 0);
        } else {
            Loop();
        }
        Finish();
    }

private:
    void Loop() {
        for (;;) {
            std::int32_t got = 0;
            ReadResult result = ReadResult::Data;
            if (!task_.cancelRequested) {
                std::memset(task_.readBuffer.get(), 0, task_.blockSize);
                result = ReadSource(task_, got);
                if (result == ReadResult::RestartPass) {
                    continue;
                }
            }
            if (task_.writerThread) {
                task_.writerThread->join();
                task_.writerThread.reset();
                if (task_.bytesWritten != task_.bytesToWrite) {
                    WriteFell();
                    task_.cancelRequested = true;
                    return;
                }
            }
            if (task_.cancelRequested) {
                End(CopyEnding::Cancelled, -1);
                return;
            }
            if (got == 0) {
                EndOfData(result);
                task_.cancelRequested = true;
                continue;
            }
            if (!HandOver(got)) {
                return;
            }
        }
    }

    // The block handed over last did not reach the target whole.
    void WriteFell() {
        std::int64_t reached = task_.writePosition + std::max<std::int32_t>(task_.bytesWritten, 0);
        std::int64_t handedOver = reached;
        if (task_.job.target.kind == EndpointKind::ImageFile) {
            reached = task_.targetImage.BytesOnTarget();
            // A compressor on several threads knows how much of the source
            // reached the file; else the blocks before the one that failed.
            const std::int64_t sunk = task_.targetImage.SourceBytesOnTarget();
            handedOver = !task_.targetImage.Compressed() ? reached
                         : sunk >= 0                     ? std::min(sunk, task_.writePosition)
                                                         : task_.writePosition;
        }
        End(CopyEnding::WriteFailed, reached);
        handedOver_ = handedOver;
    }

    void EndOfData(ReadResult result) {
        switch (result) {
            case ReadResult::Unreadable:
                End(CopyEnding::SourceUnreadable, task_.position);
                break;
            case ReadResult::Aborted:
                End(CopyEnding::ReadErrorAborted, task_.position);
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
        if (task_.position >= limit) {
            task_.truncatedBytes = std::max<std::int64_t>(job.sourceSize - task_.position, 0);
            End(CopyEnding::Completed, -1);
        } else if (job.source.kind == EndpointKind::PhysicalDisk &&
                   task_.position < job.sourceSize) {
            // The disk gave no more data before its size was reached.
            End(CopyEnding::SourceUnreadable, task_.position);
        } else {
            task_.paddingBytes = task_.sourceImage.PaddingBytes();
            End(CopyEnding::Completed, -1);
        }
    }

    bool HandOver(std::int32_t got) {
        std::swap(task_.readBuffer, task_.writeBuffer);
        task_.bytesToWrite = got;
        task_.writePosition = task_.position;
        task_.bytesWritten = 0;
        task_.position += got;
        try {
            task_.writerThread = std::make_unique<boost::thread>(WriteBlock, &task_);
        } catch (...) {
            End(CopyEnding::WriteFailed, task_.writePosition);
            handedOver_ = task_.writePosition;
            task_.cancelRequested = true;
            return false;
        }
        return true;
    }

    // The first ending seen is the one that counts.
    void End(CopyEnding ending, std::int64_t position) {
        if (!ending_) {
            ending_ = ending;
            failurePosition_ = position;
        }
    }

    void Finish() {
        const bool targetIntact = CloseEverything(task_);
        CopyEnding ending = ending_.value_or(CopyEnding::Completed);
        if (!targetIntact && (ending == CopyEnding::Completed || ending == CopyEnding::Cancelled)) {
            // The flush at the close failed: placed where the target stopped.
            ending = CopyEnding::WriteFailed;
            failurePosition_ = task_.job.target.kind == EndpointKind::ImageFile
                                   ? task_.targetImage.BytesOnTarget()
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
        }
        if (handedOver_) {
            task_.position = *handedOver_;
        }
        task_.ending = ending;
        task_.failurePosition = failurePosition_;
        task_.finishTime = static_cast<std::int64_t>(std::time(nullptr));
        task_.finished = true;  // nothing touches the task after this
    }

    CCloneTask& task_;
    std::optional<CopyEnding> ending_;
    std::int64_t failurePosition_ = -1;
    std::optional<std::int64_t> handedOver_;  // set when a write fell short
};

}  // namespace

void RunCopy(CCloneTask* task) {
    CopyRun(*task).Run();
}

void WriteBlock(CCloneTask* task) {
    switch (task->job.target.kind) {
        case EndpointKind::ImageFile:
            task->bytesWritten =
                task->targetImage.Write(task->writeBuffer.get(), task->bytesToWrite)
                    ? task->bytesToWrite
                    : 0;
            return;
        case EndpointKind::PhysicalDisk:
            task->bytesWritten = WriteDiskAt(task->targetDisk.Handle(), task->writePosition,
                                             task->writeBuffer.get(), task->bytesToWrite);
            return;
    }
    task->bytesWritten = 0;
}
