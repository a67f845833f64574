#include <algorithm>
#include <boost/chrono.hpp>
#include <cerrno>
#include <cstring>
#include <ctime>
#include <new>
#include <optional>

#include "engine/clone_task.h"
#include "engine/file_sync.h"
#include "engine/image_chains.h"

namespace {

// What one read of the source delivered.
enum class ReadResult {
    Data,         // got bytes, possibly 0 at the end of the data
    Unreadable,   // the image stream failed
    Aborted,      // a disk read failed and the user stopped the copy
    Cancelled,    // a cancel arrived while waiting for the user
    RestartPass,  // the user asked to read the same block again
};

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
        if (answer == ReadErrorAnswer::Ignore &&
            SeekDisk(task.sourceDisk.Handle(), task.position + length)) {
            std::memset(task.readBuffer.get(), 0, length);
            got = length;
            if (task.firstZeroFilledPosition < 0) {
                task.firstZeroFilledPosition = task.position;
            }
            task.zeroFilledBytes += length;
            return ReadResult::Data;
        }
        return ReadResult::Aborted;
    }
}

ReadResult ReadSource(CCloneTask& task, std::int32_t& got) {
    switch (task.job.source.kind) {
        case EndpointKind::PhysicalDisk: {
            const std::int64_t remaining = task.job.sourceSize - task.position;
            const auto length =
                static_cast<std::int32_t>(std::min<std::int64_t>(remaining, task.blockSize));
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
        case EndpointKind::ImageFile:
            task.sourceStream.read(task.readBuffer.get(), task.blockSize);
            if (task.sourceStream.bad()) {
                return ReadResult::Unreadable;  // what this read extracted is dropped
            }
            got = static_cast<std::int32_t>(task.sourceStream.gcount());
            if (const std::streamoff consumed = task.sourceFile.tellg(); consumed >= 0) {
                task.sourceConsumed = consumed;
            } else {
                task.sourceFile.clear(task.sourceFile.rdstate() & ~std::ios::failbit);
            }
            return ReadResult::Data;
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
    CloseSourceChain(task.sourceStream);
    bool targetIntact = CloseTargetChain(task.targetStream);
    if (task.sourceFile.is_open()) {
        task.sourceFile.close();
    }
    if (task.targetFile.is_open()) {
        task.targetFile.close();
        targetIntact =
            !task.targetFile.fail() && FlushFileToStorage(task.job.target.path) && targetIntact;
    }
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
                    End(CopyEnding::WriteFailed,
                        task_.writePosition + std::max<std::int32_t>(task_.bytesWritten, 0));
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
                if (task_.job.source.kind == EndpointKind::PhysicalDisk &&
                    task_.position < task_.job.sourceSize) {
                    // The disk gave no more data before its size was reached.
                    End(CopyEnding::SourceUnreadable, task_.position);
                } else {
                    End(CopyEnding::Completed, -1);
                }
                break;
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
            ending = CopyEnding::WriteFailed;
            failurePosition_ = task_.position;
        }
        task_.ending = ending;
        task_.failurePosition = failurePosition_;
        task_.finishTime = static_cast<std::int64_t>(std::time(nullptr));
        task_.finished = true;  // nothing touches the task after this
    }

    CCloneTask& task_;
    std::optional<CopyEnding> ending_;
    std::int64_t failurePosition_ = -1;
};

}  // namespace

void RunCopy(CCloneTask* task) {
    CopyRun(*task).Run();
}

void WriteBlock(CCloneTask* task) {
    switch (task->job.target.kind) {
        case EndpointKind::ImageFile:
            task->targetStream.write(task->writeBuffer.get(), task->bytesToWrite);
            task->bytesWritten = task->targetStream.bad() ? 0 : task->bytesToWrite;
            return;
        case EndpointKind::PhysicalDisk:
            task->bytesWritten = WriteDiskAt(task->targetDisk.Handle(), task->writePosition,
                                             task->writeBuffer.get(), task->bytesToWrite);
            return;
    }
    task->bytesWritten = 0;
}
