// Copies from and to simulated disks: the blocks as read, the read-error
// question and its answers, and targets that take less than they are given.
#include <gtest/gtest.h>

#include <algorithm>

#include "simulated_disks.h"
#include "task_runner.h"
#include "test_files.h"

namespace {

constexpr std::int64_t kMiB = 1048576;

class DiskCopy : public ::testing::Test {
protected:
    SimulatedDisk& AddSource(std::size_t size) {
        source_ = MakeDiskData(size, 5);
        return disks_.Add(0, source_);
    }

    CloneJob ToImage(std::int64_t sourceSize) {
        CloneJob job;
        job.source = DiskEndpoint(MakeDiskPath(0));
        job.target = {Wide(dir_ / "out.dsk"), EndpointKind::ImageFile, false,
                      CompressionMethod::None};
        job.sourceSize = sourceSize;
        return job;
    }

    CloneJob ToDisk(int number) {
        CloneJob job = ToImage(static_cast<std::int64_t>(source_.size()));
        job.target = DiskEndpoint(MakeDiskPath(number));
        // What the compression controls last held; a disk target ignores it.
        job.target.compressed = true;
        job.target.method = CompressionMethod::Gzip;
        return job;
    }

    Bytes Image() const { return ReadFile(dir_ / "out.dsk"); }

    SimulatedDisks disks_;
    TempDir dir_;
    Bytes source_;
};

TEST_F(DiskCopy, ReadsWholeBlocksThenTheRestAndStopsAtTheSize) {
    SimulatedDisk& disk = AddSource(1572864);
    RunResult run = RunJob(ToImage(1572864));
    ASSERT_EQ(run.startMessage, L"");
    EXPECT_EQ(disk.readOffsets, (std::vector<std::int64_t>{0, kMiB}));
    EXPECT_EQ(run.task->position, 1572864);
    EXPECT_EQ(run.task->ending, CopyEnding::Completed);
    EXPECT_TRUE(Image() == source_);
    EXPECT_EQ(disks_.OpenHandles(), 0);
}

TEST_F(DiskCopy, UnknownSizeCopiesNothing) {
    SimulatedDisk& disk = AddSource(3 * kMiB);
    RunResult run = RunJob(ToImage(-1));
    EXPECT_EQ(run.task->position, 0);
    EXPECT_TRUE(disk.readOffsets.empty());
    EXPECT_TRUE(Image().empty());
}

TEST_F(DiskCopy, DiskThatEndsBeforeItsSizeIsNotAComplete) {
    AddSource(kMiB + 100);
    RunResult run = RunJob(ToImage(2 * kMiB));
    EXPECT_EQ(run.task->position, kMiB + 100);
    EXPECT_EQ(run.task->ending, CopyEnding::SourceUnreadable);
    EXPECT_EQ(run.task->failurePosition, kMiB + 100);
    EXPECT_TRUE(Image() == source_);
}

// On Ignore the failed block is read again in pieces of the logical block
// size, at least kRescuePieceSize: only the pieces that still fail become
// zeros, adjacent ones as one run.
TEST_F(DiskCopy, IgnoreZerosOnlyThePiecesThatStayUnreadable) {
    constexpr std::int64_t kPiece = kRescuePieceSize;
    const struct {
        const char* name;
        std::int64_t size;
        std::vector<std::int64_t> failures;
        std::vector<ZeroFilledRun> runs;
        std::int32_t logicalBlockSize = 0;  // 0: the disk does not tell
    } cases[] = {
        {"one piece", 5 * kMiB + 1000, {3 * kMiB + 17}, {{3 * kMiB, kPiece}}},
        {"two adjacent pieces", 5 * kMiB, {kMiB + kPiece - 1, kMiB + kPiece}, {{kMiB, 2 * kPiece}}},
        {"two runs",
         3 * kMiB,
         {kMiB + 5, 2 * kMiB - 1},
         {{kMiB, kPiece}, {2 * kMiB - kPiece, kPiece}}},
        {"the short last block", 2 * kMiB + 300, {2 * kMiB}, {{2 * kMiB, 300}}},
        {"512-byte sectors", 2 * kMiB, {kMiB + 5}, {{kMiB, kPiece}}, 512},
        {"8 KiB sectors", 2 * kMiB, {kMiB + 5}, {{kMiB, 8192}}, 8192},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        SimulatedDisk& disk = AddSource(c.size);
        disk.logicalBlockSize = c.logicalBlockSize;
        for (std::int64_t offset : c.failures) {
            disk.readFailures[offset] = -1;
        }
        RunResult run = RunJob(ToImage(c.size), [](int) { return ReadErrorAnswer::Ignore; });
        EXPECT_EQ(run.questions, 1);
        EXPECT_EQ(run.task->ending, CopyEnding::Completed);
        EXPECT_EQ(run.task->position, c.size);
        Bytes expected = source_;
        std::int64_t zeros = 0;
        ASSERT_EQ(run.task->zeroFilledRuns.size(), c.runs.size());
        for (std::size_t i = 0; i < c.runs.size(); ++i) {
            EXPECT_EQ(run.task->zeroFilledRuns[i].position, c.runs[i].position);
            EXPECT_EQ(run.task->zeroFilledRuns[i].length, c.runs[i].length);
            std::fill_n(expected.begin() + c.runs[i].position, c.runs[i].length, 0);
            zeros += c.runs[i].length;
        }
        EXPECT_EQ(run.task->zeroFilledBytes, zeros);
        EXPECT_EQ(run.task->firstZeroFilledPosition, c.runs.front().position);
        EXPECT_EQ(DescribeDifference(Image(), expected), "");
    }
}

// The ring's buffers go round: a block rescued into one holds zeros where the
// disk stayed unreadable, never the bytes of the block the buffer held before.
TEST_F(DiskCopy, ARescuedBlockHoldsNoBytesOfAnEarlierBlock) {
    source_.resize(10 * kMiB);
    for (std::size_t i = 0; i < source_.size(); ++i) {
        source_[i] = static_cast<unsigned char>(1 + i % 251);  // no zero byte to hide one
    }
    SimulatedDisk& disk = disks_.Add(0, source_);
    Bytes expected = source_;
    for (std::int64_t block = kRingSlots; block < 2 * kRingSlots; ++block) {
        disk.readFailures[block * kMiB + 100] = -1;
        std::fill_n(expected.begin() + block * kMiB, kRescuePieceSize, 0);
    }
    RunResult run = RunJob(ToImage(10 * kMiB), [](int) { return ReadErrorAnswer::Ignore; });
    EXPECT_EQ(run.task->ending, CopyEnding::Completed);
    EXPECT_EQ(run.task->zeroFilledBytes, kRingSlots * kRescuePieceSize);
    EXPECT_EQ(DescribeDifference(Image(), expected), "");
}

TEST_F(DiskCopy, RetryReadsTheSamePositionAgain) {
    SimulatedDisk& disk = AddSource(3 * kMiB);
    disk.readFailures[kMiB] = 2;  // fails twice, then reads
    RunResult run = RunJob(ToImage(3 * kMiB), [](int) { return ReadErrorAnswer::Retry; });
    EXPECT_EQ(run.questions, 2);
    EXPECT_EQ(run.task->ending, CopyEnding::Completed);
    EXPECT_EQ(disk.readOffsets, (std::vector<std::int64_t>{0, kMiB, kMiB, kMiB, 2 * kMiB}));
    EXPECT_TRUE(Image() == source_);
}

TEST_F(DiskCopy, AbortOrAnyOtherAnswerStopsAtTheUnreadableBlock) {
    for (int answer : {3, 7}) {
        SCOPED_TRACE(answer);
        SimulatedDisk& disk = AddSource(4 * kMiB);
        disk.readFailures[2 * kMiB + 5] = -1;
        RunResult run = RunJob(ToImage(4 * kMiB),
                               [answer](int) { return static_cast<ReadErrorAnswer>(answer); });
        EXPECT_EQ(run.questions, 1);
        EXPECT_EQ(run.task->position, 2 * kMiB);
        EXPECT_EQ(run.task->ending, CopyEnding::ReadErrorAborted);
        EXPECT_EQ(run.task->failurePosition, 2 * kMiB);
        // The blocks before the failure were written.
        EXPECT_TRUE(Image() == Bytes(source_.begin(), source_.begin() + 2 * kMiB));
    }
}

TEST_F(DiskCopy, CancelWhileWaitingForAnAnswerEndsTheWait) {
    SimulatedDisk& disk = AddSource(4 * kMiB);
    disk.readFailures[3 * kMiB] = -1;
    CCloneTask task;
    ASSERT_EQ(task.Start(ToImage(4 * kMiB)), L"");
    while (!task.readErrorPending) {
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    // Asked once what was read before is on the target: the position is
    // where the read failed (the window logs it with a Retry).
    EXPECT_EQ(task.position, 3 * kMiB);
    task.Cancel();  // the join returns: the wait watched the cancel
    EXPECT_TRUE(task.finished);
    EXPECT_EQ(task.copyThread, nullptr);
    EXPECT_EQ(task.ending, CopyEnding::Cancelled);
    EXPECT_EQ(task.position, 3 * kMiB);
    EXPECT_EQ(disks_.OpenHandles(), 0);
}

TEST_F(DiskCopy, ImageToDiskAndDiskToDiskLandAtTheSameOffsets) {
    AddSource(3 * kMiB + 4096);
    SimulatedDisk& target = disks_.Add(1, Bytes(4 * kMiB, 0xAA));
    RunResult run = RunJob(ToDisk(1));
    EXPECT_EQ(run.task->ending, CopyEnding::Completed);
    EXPECT_TRUE(std::equal(source_.begin(), source_.end(), target.data.begin()));
    EXPECT_EQ(target.data[source_.size()], 0xAA);  // nothing written past the data

    WriteFile(dir_ / "in.dsk", source_);
    SimulatedDisk& second = disks_.Add(2, Bytes(4 * kMiB, 0x55));
    CloneJob job = ToDisk(2);
    job.source = {Wide(dir_ / "in.dsk"), EndpointKind::ImageFile, false, CompressionMethod::None};
    run = RunJob(job);
    EXPECT_EQ(run.task->ending, CopyEnding::Completed);
    EXPECT_TRUE(std::equal(source_.begin(), source_.end(), second.data.begin()));
    EXPECT_EQ(disks_.OpenHandles(), 0);
}

TEST_F(DiskCopy, TargetDiskThatTakesLessEndsAsAFailedWrite) {
    AddSource(5 * kMiB);
    SimulatedDisk& target = disks_.Add(1, Bytes(5 * kMiB, 0));
    target.writeLimit = 2 * kMiB + 512;
    RunResult run = RunJob(ToDisk(1));
    EXPECT_TRUE(run.task->finished);
    EXPECT_EQ(run.task->ending, CopyEnding::WriteFailed);
    EXPECT_EQ(run.task->failurePosition, 2 * kMiB + 512);
    // What reached the target, not the blocks read or handed over.
    EXPECT_EQ(run.task->position, 2 * kMiB + 512);
    EXPECT_EQ(disks_.OpenHandles(), 0);
}

TEST_F(DiskCopy, FailedFlushOfTheTargetDiskIsAFailedWrite) {
    AddSource(2 * kMiB);
    SimulatedDisk& target = disks_.Add(1, Bytes(2 * kMiB, 0));
    target.flushFails = true;
    RunResult run = RunJob(ToDisk(1));
    EXPECT_EQ(run.task->ending, CopyEnding::WriteFailed);
}

}  // namespace
