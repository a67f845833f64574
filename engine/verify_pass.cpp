// Reading the target back after the copy: block by block, the data read
// back hashed from its start, against the digest the data had up to each
// block's end as it was handed over. The copy thread reads while a hash
// thread compares the blocks before, through a ring as the copy does.
#include <algorithm>
#include <functional>

#include "engine/block_ring.h"
#include "engine/clone_task.h"

namespace {

// A read past the page cache must cover whole sectors: a short last block is
// read up to the next 4 KiB, or to the end of the disk, which is whole.
constexpr std::int64_t kDirectUnit = 4096;

// Reads the block at `at` back into buffer: the bytes that count go to
// `length`; More while the target goes on, else how the reading ended, just
// after those bytes.
using ReadBack = std::function<Verification(std::int64_t at, char* buffer, std::int32_t& length)>;
constexpr auto kMore = Verification::NotRequested;

// Reads the target back from `from` with `read`, hashing on after `hash` (the
// hash of the data before `from`) and comparing at every block's end. The
// first difference wins over whatever the reading met after it.
Verification Compare(CCloneTask& task, std::int64_t from, Sha256& hash, const ReadBack& read,
                     std::int64_t& failedAt) {
    BlockRing ring(kRingSlots, task.blockSize);
    std::int64_t differsAt = -1;
    const auto check = [&task, &hash, &differsAt](const BlockRing::Block& block) {
        const auto index = static_cast<std::size_t>(block.position / task.blockSize);
        hash.Update(block.data, static_cast<std::size_t>(block.length));
        if (index >= task.blockHashes.size() || hash.Peek() != task.blockHashes[index]) {
            differsAt = block.position;
            return false;
        }
        task.verifyPosition += block.length;
        return true;
    };
    if (!ring.Ready() || !ring.Start({check})) {
        failedAt = from;
        return Verification::Unreadable;
    }
    Verification result = kMore;
    std::int64_t at = from;
    while (result == kMore) {
        char* buffer = task.cancelRequested ? nullptr : ring.Next();
        if (buffer == nullptr) {
            result = Verification::Cancelled;  // unless a block differed
            break;
        }
        std::int32_t length = 0;
        result = read(at, buffer, length);
        if (length > 0) {
            ring.Publish(at, length);
            at += length;
        }
    }
    ring.Close();
    if (ring.Stopped()) {
        failedAt = differsAt;
        return Verification::Differs;
    }
    if (result == Verification::Differs || result == Verification::Unreadable) {
        failedAt = at;
    }
    return result;
}

}  // namespace

Verification VerifyDiskRange(CCloneTask& task, std::int64_t from, std::int64_t to,
                             std::int64_t& failedAt) {
    const DiskHandle disk = task.targetDisk.Handle();
    std::int64_t diskSize = -1;
    if (!QueryDiskSize(disk, diskSize)) {
        diskSize = to;
    }
    // The first block is still in memory while the rest is verified.
    Sha256 hash;
    if (from > 0) {
        hash.Update(task.firstBlock.get(), static_cast<std::size_t>(from));
    }
    const std::int32_t blockSize = task.blockSize;
    const ReadBack read = [disk, diskSize, to, blockSize](std::int64_t at, char* buffer,
                                                          std::int32_t& length) {
        if (at >= to) {
            return Verification::Passed;
        }
        const auto wanted = static_cast<std::int32_t>(std::min<std::int64_t>(blockSize, to - at));
        const std::int64_t whole = (wanted + kDirectUnit - 1) / kDirectUnit * kDirectUnit;
        const auto count = static_cast<std::int32_t>(std::min<std::int64_t>(
            {whole, blockSize, std::max(diskSize - at, std::int64_t{wanted})}));
        std::int32_t got = 0;
        if (!ReadDiskUncachedAt(disk, at, buffer, count, got) || got < wanted) {
            return Verification::Unreadable;
        }
        length = wanted;
        return kMore;
    };
    return Compare(task, from, hash, read, failedAt);
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
    const std::int32_t blockSize = task.blockSize;
    const ReadBack read = [&reader, end, blockSize](std::int64_t at, char* buffer,
                                                    std::int32_t& length) {
        // One byte more than is left shows a target longer than the copy.
        const auto wanted =
            static_cast<std::int32_t>(std::min<std::int64_t>(blockSize, end - at + 1));
        std::int32_t got = 0;
        ImageReader::Status status = ImageReader::Status::Data;
        while (got < wanted && status == ImageReader::Status::Data) {
            got += reader.Read(buffer + got, wanted - got, status);
        }
        length = static_cast<std::int32_t>(std::min<std::int64_t>(got, end - at));
        if (got > length) {
            return Verification::Differs;  // data after what was copied
        }
        if (status == ImageReader::Status::Failed) {
            return Verification::Unreadable;
        }
        if (got < wanted) {
            return at + length < end ? Verification::Unreadable : Verification::Passed;
        }
        return kMore;
    };
    Sha256 hash;
    return Compare(task, 0, hash, read, failedAt);
}
