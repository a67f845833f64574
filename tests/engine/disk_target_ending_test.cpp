// Copies onto a disk end as complete when every byte reached the disk.
#include <gtest/gtest.h>

#include "simulated_disks.h"
#include "task_runner.h"
#include "test_files.h"

namespace {

TEST(DiskTargetEnding, CompleteCopyOntoADiskIsNotAFailedWrite) {
    SimulatedDisks disks;
    TempDir dir;
    const Bytes data = MakeDiskData(1048576 + 77, 21);
    WriteFile(dir / "in.dsk", data);
    disks.Add(1, Bytes(data.size(), 0));
    CloneJob job =
        ImageJob(Wide(dir / "in.dsk"), CompressionMethod::None, L"", CompressionMethod::None);
    job.target = {L"\\\\.\\PhysicalDrive1", EndpointKind::PhysicalDisk, false,
                  CompressionMethod::None};
    RunResult run = RunJob(job);
    ASSERT_EQ(run.startMessage, L"");
    EXPECT_EQ(run.task->ending, CopyEnding::Completed);
    EXPECT_EQ(run.task->failurePosition, -1);
    EXPECT_EQ(disks.Disk(1).data, data);
}

}  // namespace
