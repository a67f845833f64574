// How a copy onto a disk ends, through simulated disks: a target without a
// stream chain must not count as a failed write, and a failed flush still must.
#include <gtest/gtest.h>

#include "simulated_disks.h"
#include "task_runner.h"
#include "test_files.h"

namespace {

constexpr std::size_t kSize = 2 * 1048576 + 512 * 3;

class DiskTarget : public ::testing::Test {
protected:
    void SetUp() override {
        WriteFile(dir_ / "image.dsk", data_);
        disks_.Add(1, Bytes(kSize + 4096, 0xA5));
    }

    RunResult CopyImageToDisk() {
        CloneJob job = ImageJob(Wide(dir_ / "image.dsk"), CompressionMethod::None, L"",
                                CompressionMethod::None);
        job.target = {MakeDiskPath(1), EndpointKind::PhysicalDisk, false, CompressionMethod::None};
        RunResult run = RunJob(job);
        EXPECT_EQ(run.startMessage, L"");
        return run;
    }

    TempDir dir_;
    SimulatedDisks disks_;
    const Bytes data_ = MakeDiskData(kSize, 41);
};

TEST_F(DiskTarget, AFullyWrittenDiskEndsCompleted) {
    RunResult run = CopyImageToDisk();
    ASSERT_TRUE(run.task);
    EXPECT_EQ(run.task->ending, CopyEnding::Completed);
    EXPECT_EQ(run.task->failurePosition, -1);
    Bytes expected = data_;
    expected.resize(kSize + 4096, 0xA5);
    EXPECT_EQ(DescribeDifference(disks_.Disk(1).data, expected), "");
}

TEST_F(DiskTarget, AFailedFlushOfTheDiskEndsAsAFailedWrite) {
    disks_.Disk(1).flushFails = true;
    RunResult run = CopyImageToDisk();
    ASSERT_TRUE(run.task);
    EXPECT_EQ(run.task->ending, CopyEnding::WriteFailed);
    EXPECT_EQ(run.task->failurePosition, static_cast<std::int64_t>(kSize));
}

}  // namespace
