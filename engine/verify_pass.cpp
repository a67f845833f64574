// Reading the target back after the copy: block by block, the data read
// back hashed from its start, against the digest the data had up to each
// block's end as it was handed over.
#include <algorithm>
#include <cstring>

#include "engine/clone_task.h"

namespace {

// A read past the page cache must cover whole sectors: a short last block is
// read up to the next 4 KiB, or to the end of the disk, which is whole.
constexpr std::int64_t kDirectUnit = 4096;

// Adds one block read back to `readBack` (the hash of what was read back
// before it) and compares the digest so far with the one the copy had there;
// on a difference, the block's start goes to failedAt.
Verification CheckBlock(CCloneTask& task, Sha256& readBack, std::int64_t at, std::int32_t length,
                        std::int64_t& failedAt) {
    const auto index = static_cast<std::size_t>(at / task.blockSize);
    readBack.Update(task.readBuffer.get(), static_cast<std::size_t>(length));
    if (index >= task.blockHashes.size() || readBack.Peek() != task.blockHashes[index]) {
        failedAt = at;
        return Verification::Differs;
    }
    task.verifyPosition += length;
    return Verification::Passed;
}

}  // namespace

Verification VerifyDiskRange(CCloneTask& task, std::int64_t from, std::int64_t to,
                             std::int64_t& failedAt) {
    std::int64_t diskSize = -1;
    if (!QueryDiskSize(task.targetDisk.Handle(), diskSize)) {
        diskSize = to;
    }
    // The first block is still in memory while the rest is verified.
    Sha256 readBack;
    if (from > 0) {
        readBack.Update(task.firstBlock.get(), static_cast<std::size_t>(from));
    }
    for (std::int64_t at = from; at < to;) {
        if (task.cancelRequested) {
            return Verification::Cancelled;
        }
        const auto length =
            static_cast<std::int32_t>(std::min<std::int64_t>(task.blockSize, to - at));
        const std::int64_t whole = (length + kDirectUnit - 1) / kDirectUnit * kDirectUnit;
        const auto count = static_cast<std::int32_t>(std::min<std::int64_t>(
            {whole, task.blockSize, std::max(diskSize - at, std::int64_t{length})}));
        std::int32_t got = 0;
        if (!ReadDiskUncachedAt(task.targetDisk.Handle(), at, task.readBuffer.get(), count, got) ||
            got < length) {
            failedAt = at;
            return Verification::Unreadable;
        }
        if (const Verification block = CheckBlock(task, readBack, at, length, failedAt);
            block != Verification::Passed) {
            return block;
        }
        at += length;
    }
    return Verification::Passed;
}

Verification VerifyImage(CCloneTask& task, std::int64_t& failedAt) {
    const Endpoint& target = task.job.target;
    DropCachedPages(target.path);
    ImageReader reader;
    reader.SetWorkers(task.job.threads);
    if (!reader.Open(target.path, target.method, target.compressed)) {
        failedAt = 0;
        return Verification::Unreadable;
    }
    const std::int64_t end = task.verifyLength;
    Sha256 readBack;
    for (std::int64_t at = 0;;) {
        if (task.cancelRequested) {
            return Verification::Cancelled;
        }
        // One byte more than is left shows a target longer than the copy.
        const auto wanted =
            static_cast<std::int32_t>(std::min<std::int64_t>(task.blockSize, end - at + 1));
        std::int32_t got = 0;
        ImageReader::Status status = ImageReader::Status::Data;
        while (got < wanted && status == ImageReader::Status::Data) {
            got += reader.Read(task.readBuffer.get() + got, wanted - got, status);
        }
        const auto length = static_cast<std::int32_t>(std::min<std::int64_t>(got, end - at));
        if (length > 0) {
            if (const Verification block = CheckBlock(task, readBack, at, length, failedAt);
                block != Verification::Passed) {
                return block;
            }
            at += length;
        }
        if (got > length) {
            failedAt = at;  // data after what was copied
            return Verification::Differs;
        }
        if (status == ImageReader::Status::Failed) {
            failedAt = at;
            return Verification::Unreadable;
        }
        if (got < wanted) {
            if (at < end) {
                failedAt = at;
                return Verification::Unreadable;
            }
            return Verification::Passed;
        }
    }
}
