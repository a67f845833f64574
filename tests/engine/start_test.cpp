// Opening a job: Start's messages, their order, the target's folder, and what
// a task that did not start still holds.
#include <gtest/gtest.h>

#include "simulated_disks.h"
#include "task_runner.h"
#include "test_files.h"

namespace {

CloneJob DiskJob(const std::wstring& source, const std::wstring& target, EndpointKind targetKind) {
    CloneJob job;
    job.source = DiskEndpoint(source);
    job.target = targetKind == EndpointKind::PhysicalDisk
                     ? DiskEndpoint(target)
                     : Endpoint{target, targetKind, false, CompressionMethod::None};
    job.level = 6;
    return job;
}

TEST(Task, StartsEmpty) {
    CCloneTask task;
    EXPECT_FALSE(task.finished);
    EXPECT_EQ(task.position, 0);
    EXPECT_FALSE(task.sourceDisk.IsOpen());
    EXPECT_FALSE(task.targetDisk.IsOpen());
    EXPECT_EQ(task.copyThread, nullptr);
    EXPECT_TRUE(task.blockHashes.empty());
    EXPECT_EQ(task.readErrorAnswer, ReadErrorAnswer::None);

    const CloneJob job;
    EXPECT_EQ(job.source.kind, EndpointKind::ImageFile);
    EXPECT_EQ(job.target.method, CompressionMethod::None);
    EXPECT_EQ(job.level, 10);
    EXPECT_EQ(job.sourceSize, -1);
    EXPECT_EQ(job.targetSize, -1);
}

TEST(Task, ElapsedSecondsTruncates) {
    CCloneTask task;
    task.startTime = 1000;
    task.finishTime = 1000;
    EXPECT_EQ(task.ElapsedSeconds(), 0);
    task.finishTime = 4723;
    EXPECT_EQ(task.ElapsedSeconds(), 3723);
}

TEST(Start, NamesTheSourceFirstWhenBothFail) {
    SimulatedDisks disks;
    TempDir dir;
    CCloneTask a;
    EXPECT_EQ(a.Start(DiskJob(MakeDiskPath(0), MakeDiskPath(1), EndpointKind::PhysicalDisk)),
              L"Could not open source drive: there is no disk 0 (see the disk list)");
    CCloneTask b;
    EXPECT_EQ(b.Start(ImageJob(Wide(dir / "missing.dsk"), CompressionMethod::None,
                               Wide(dir / "no" / "such"), CompressionMethod::Gzip)),
              L"Could not open source image: No such file or directory");
    EXPECT_FALSE(std::filesystem::exists(dir / "no"));  // the target was not touched
}

TEST(Start, TargetMessages) {
    SimulatedDisks disks;
    disks.Add(0, Bytes(4096, 1));
    TempDir dir;
    WriteFile(dir / "in.dsk", Bytes(10, 1));
    WriteFile(dir / "file", Bytes(1, 0));

    CCloneTask disk;
    EXPECT_EQ(disk.Start(DiskJob(MakeDiskPath(0), MakeDiskPath(7), EndpointKind::PhysicalDisk)),
              L"Could not open target drive: there is no disk 7 (see the disk list)");
    EXPECT_TRUE(disk.sourceDisk.IsOpen());  // held until the task goes

    CCloneTask folder;
    EXPECT_EQ(folder.Start(ImageJob(Wide(dir / "in.dsk"), CompressionMethod::None,
                                    Wide(dir / "file" / "x.dsk"), CompressionMethod::None)),
              L"Could not create target directory: Not a directory");

    // A folder where the file should be cannot be created or truncated.
    std::filesystem::create_directory(dir / "taken.dsk");
    CCloneTask image;
    EXPECT_EQ(image.Start(ImageJob(Wide(dir / "in.dsk"), CompressionMethod::None,
                                   Wide(dir / "taken.dsk"), CompressionMethod::None)),
              L"Could not create target image: Is a directory");
    EXPECT_TRUE(image.sourceImage.IsOpen());
    EXPECT_EQ(image.copyThread, nullptr);
}

TEST(Start, FailedTaskReleasesWhatItOpened) {
    SimulatedDisks disks;
    disks.Add(0, Bytes(4096, 1));
    {
        CCloneTask task;
        task.Start(DiskJob(MakeDiskPath(0), MakeDiskPath(9), EndpointKind::PhysicalDisk));
        EXPECT_EQ(disks.OpenHandles(), 1);
    }
    EXPECT_EQ(disks.OpenHandles(), 0);
    EXPECT_EQ(disks.Disk(0).closes, 1);
}

TEST(Start, CreatesMissingFoldersOfTheTarget) {
    TempDir dir;
    WriteFile(dir / "in.dsk", MakeDiskData(5000));
    const auto target = dir / "one" / "two" / "out.dsk.gz";
    RunResult run = RunJob(ImageJob(Wide(dir / "in.dsk"), CompressionMethod::None, Wide(target),
                                    CompressionMethod::Gzip));
    ASSERT_EQ(run.startMessage, L"");
    EXPECT_EQ(run.task->blockSize, 1048576);
    EXPECT_TRUE(std::filesystem::is_regular_file(target));
    EXPECT_EQ(Shell("gzip -t " + Quoted(target)), 0);
}

TEST(Start, TargetWithoutFolderLandsInTheWorkingDirectory) {
    TempDir dir;
    WriteFile(dir / "in.dsk", MakeDiskData(3000));
    const auto previous = std::filesystem::current_path();
    std::filesystem::current_path(dir.Path());
    RunResult run =
        RunJob(ImageJob(L"in.dsk", CompressionMethod::None, L"out.dsk", CompressionMethod::None));
    std::filesystem::current_path(previous);
    ASSERT_EQ(run.startMessage, L"");
    EXPECT_EQ(ReadFile(dir / "out.dsk"), ReadFile(dir / "in.dsk"));
}

TEST(Start, NonAsciiPathsAndAnExistingTargetIsTruncated) {
    TempDir dir;
    const Bytes data = MakeDiskData(70000, 3);
    WriteFile(dir / "Bänder-日本.dsk", data);
    WriteFile(dir / "Ziel-ß.dsk", Bytes(200000, 0xEE));
    RunResult run = RunJob(ImageJob(Wide(dir / "Bänder-日本.dsk"), CompressionMethod::None,
                                    Wide(dir / "Ziel-ß.dsk"), CompressionMethod::None));
    ASSERT_EQ(run.startMessage, L"");
    EXPECT_TRUE(ReadFile(dir / "Ziel-ß.dsk") == data);
}

TEST(Start, CompressedWithoutMethodIsReadRaw) {
    TempDir dir;
    const Bytes data = MakeDiskData(100000, 4);
    WriteFile(dir / "in.dsk", data);
    CloneJob job = ImageJob(Wide(dir / "in.dsk"), CompressionMethod::None, Wide(dir / "out.dsk"),
                            CompressionMethod::None);
    job.source.compressed = true;
    job.target.compressed = true;
    RunResult run = RunJob(job);
    ASSERT_EQ(run.startMessage, L"");
    EXPECT_TRUE(ReadFile(dir / "out.dsk") == data);
}

TEST(Start, EndpointOfUnknownKindOpensNothingAndMovesNoData) {
    TempDir dir;
    WriteFile(dir / "in.dsk", MakeDiskData(100000, 4));
    CloneJob job = ImageJob(Wide(dir / "in.dsk"), CompressionMethod::None, Wide(dir / "out.dsk"),
                            CompressionMethod::None);
    job.target.kind = static_cast<EndpointKind>(7);
    RunResult run = RunJob(job);
    ASSERT_EQ(run.startMessage, L"");
    EXPECT_FALSE(std::filesystem::exists(dir / "out.dsk"));
    EXPECT_EQ(run.task->ending, CopyEnding::WriteFailed);  // it accepted none of the data
}

}  // namespace
