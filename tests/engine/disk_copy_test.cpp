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

TEST_F(DiskCopy, IgnoreWritesZerosOverTheUnreadableBlockAndGoesOn) {
    SimulatedDisk& disk = AddSource(5 * kMiB + 1000);
    disk.readFailures[3 * kMiB + 17] = -1;
    RunResult run = RunJob(ToImage(5 * kMiB + 1000), [](int) { return ReadErrorAnswer::Ignore; });
    EXPECT_EQ(run.questions, 1);
    EXPECT_EQ(run.task->ending, CopyEnding::Completed);
    EXPECT_EQ(run.task->position, 5 * kMiB + 1000);
    Bytes expected = source_;
    std::fill(expected.begin() + 3 * kMiB, expected.begin() + 4 * kMiB, 0);
    EXPECT_TRUE(Image() == expected);
    EXPECT_EQ(disk.readOffsets.back(), 5 * kMiB);  // went on after the skipped block
}

TEST_F(DiskCopy, IgnoreOnTheLastBlockZerosOnlyTheRest) {
    SimulatedDisk& disk = AddSource(2 * kMiB + 300);
    disk.readFailures[2 * kMiB] = -1;
    RunResult run = RunJob(ToImage(2 * kMiB + 300), [](int) { return ReadErrorAnswer::Ignore; });
    Bytes expected = source_;
    std::fill(expected.begin() + 2 * kMiB, expected.end(), 0);
    EXPECT_TRUE(Image() == expected);
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
    SimulatedDisk& disk = AddSource(3 * kMiB);
    disk.readFailures[kMiB] = -1;
    CCloneTask task;
    ASSERT_EQ(task.Start(ToImage(3 * kMiB)), L"");
    while (!task.readErrorPending) {
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    task.Cancel();  // the join returns: the wait watched the cancel
    EXPECT_TRUE(task.finished);
    EXPECT_EQ(task.copyThread, nullptr);
    EXPECT_EQ(task.ending, CopyEnding::Cancelled);
    EXPECT_EQ(task.position, kMiB);
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
    // One more block was read after the short write, and dropped.
    EXPECT_EQ(run.task->position, 3 * kMiB);
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
