// The disk operations through the Linux binding, on real block devices: loop
// devices over files. Needs root and loop devices; skips without them.
#include <gtest/gtest.h>

#include <cerrno>
#include <climits>
#include <cstring>

#include "disks/disk_access.h"
#include "disks/disk_enumeration.h"
#include "disks/path_text.h"
#include "loop_device.h"
#include "task_runner.h"
#include "test_files.h"

namespace {

constexpr std::int64_t kDiskSize = 3 * 1048576 + 512 * 7;

class LinuxDiskAccess : public ::testing::Test {
protected:
    void SetUp() override { WriteFile(file_, data_); }

    // Opens the device as chosen by its disk path and checks its size and
    // first sector.
    OpenedDisk OpenAndCheck(const LoopDevice& loop, DiskUse use = DiskUse::Write) {
        DiskOpening opening = OpenDisk(*DescribeDisk(loop.Number()), use);
        EXPECT_EQ(opening.error, DiskOpenError::None) << opening.systemError;
        std::int64_t size = 0;
        EXPECT_TRUE(QueryDiskSize(opening.disk.Handle(), size));
        EXPECT_EQ(size, kDiskSize);
        unsigned char sector[kFirstSectorSize];
        EXPECT_TRUE(ReadFirstSector(opening.disk.Handle(), sector));
        EXPECT_EQ(std::memcmp(sector, data_.data(), kFirstSectorSize), 0);
        return std::move(opening.disk);
    }

    TempDir dir_;
    const std::filesystem::path file_ = dir_ / "disk.img";
    const Bytes data_ = MakeDiskData(kDiskSize, 11);
};

TEST(LinuxDiskPaths, NumbersPastTheLastDiskOpenNothing) {
    const auto count = static_cast<int>(EnumerateDisks().size());
    for (int number : {count, count + 1, count + 100, INT_MAX}) {
        SCOPED_TRACE(number);
        EXPECT_EQ(DescribeDisk(number), std::nullopt);
        const DiskIdentity gone{number, 7, 0, 4096, "", "/dev/loop0"};
        const DiskOpening opening = OpenDisk(gone, DiskUse::Read);
        EXPECT_FALSE(opening.disk.IsOpen());
        EXPECT_EQ(opening.error, DiskOpenError::NoSuchDisk);
    }
}

TEST_F(LinuxDiskAccess, AnOpenChecksThatTheNumberStillNamesTheChosenDisk) {
    LoopDevice loop(file_);
    SKIP_UNLESS_READY(loop);
    const DiskIdentity chosen = *DescribeDisk(loop.Number());
    EXPECT_EQ(chosen.node, loop.Node());
    EXPECT_EQ(chosen.size, kDiskSize);
    // Another size (a card swapped in its reader) or another device number
    // under the same disk number is another disk.
    for (auto change :
         {+[](DiskIdentity& d) { d.size += 512; }, +[](DiskIdentity& d) { d.minor += 1; },
          +[](DiskIdentity& d) { d.model = "Other"; }}) {
        DiskIdentity other = chosen;
        change(other);
        const DiskOpening opening = OpenDisk(other, DiskUse::Write);
        EXPECT_FALSE(opening.disk.IsOpen());
        EXPECT_EQ(opening.error, DiskOpenError::Changed);
    }
    EXPECT_TRUE(OpenDisk(chosen, DiskUse::Read).disk.IsOpen());
}

TEST_F(LinuxDiskAccess, ATargetIsOpenedExclusivelyAndASourceIsShared) {
    LoopDevice loop(file_);
    SKIP_UNLESS_READY(loop);
    const DiskIdentity disk = *DescribeDisk(loop.Number());
    DiskOpening target = OpenDisk(disk, DiskUse::Write);
    ASSERT_TRUE(target.disk.IsOpen());
    const DiskOpening second = OpenDisk(disk, DiskUse::Write);
    EXPECT_EQ(second.error, DiskOpenError::System);
    EXPECT_EQ(second.systemError, EBUSY);
    EXPECT_TRUE(OpenDisk(disk, DiskUse::Read).disk.IsOpen());
    // A source is opened read-only: it never takes a write.
    const DiskOpening source = OpenDisk(disk, DiskUse::Read);
    const Bytes zeros(512, 0);
    EXPECT_EQ(WriteDiskAt(source.disk.Handle(), 0, zeros.data(), 512), 0);
    EXPECT_TRUE(target.disk.Close());
    EXPECT_TRUE(OpenDisk(disk, DiskUse::Write).disk.IsOpen());
}

TEST_F(LinuxDiskAccess, SizeFirstSectorAndReadsAnywhere) {
    LoopDevice loop(file_);
    SKIP_UNLESS_READY(loop);
    OpenedDisk disk = OpenAndCheck(loop, DiskUse::Read);
    ASSERT_TRUE(disk.IsOpen());
    const DiskHandle handle = disk.Handle();

    // Offsets and counts need not be sector multiples; a read across the end
    // is short and one at the end gets nothing.
    struct Case {
        std::int64_t offset;
        std::int32_t count;
        std::int32_t expected;
    };
    for (const Case& c : {Case{1048576 + 17, 1000, 1000}, Case{0, 1048576, 1048576},
                          Case{kDiskSize - 512, 4096, 512}, Case{kDiskSize, 512, 0}}) {
        SCOPED_TRACE(c.offset);
        Bytes buffer(c.count, 0xEE);
        std::int32_t got = -1;
        EXPECT_TRUE(ReadDiskAt(handle, c.offset, buffer.data(), c.count, got));
        ASSERT_EQ(got, c.expected);
        EXPECT_EQ(std::memcmp(buffer.data(), data_.data() + c.offset, got), 0);
    }
    unsigned char byte = 0;
    std::int32_t got = -1;
    EXPECT_FALSE(ReadDiskAt(handle, -1, &byte, 1, got));
    EXPECT_TRUE(disk.Close());
    EXPECT_FALSE(disk.IsOpen());
}

TEST_F(LinuxDiskAccess, WritesReachTheFileBehindTheDeviceByTheClose) {
    LoopDevice loop(file_);
    SKIP_UNLESS_READY(loop);
    OpenedDisk disk = OpenAndCheck(loop);
    ASSERT_TRUE(disk.IsOpen());
    const DiskHandle handle = disk.Handle();

    const Bytes block = MakeDiskData(8192, 99);
    Bytes expected = data_;
    EXPECT_EQ(WriteDiskAt(handle, 1048576 + 512, block.data(), 8192), 8192);
    std::copy(block.begin(), block.end(), expected.begin() + 1048576 + 512);
    // The device takes what fits before its end, and nothing at its end.
    EXPECT_EQ(WriteDiskAt(handle, kDiskSize - 1024, block.data(), 4096), 1024);
    std::copy(block.begin(), block.begin() + 1024, expected.end() - 1024);
    EXPECT_EQ(WriteDiskAt(handle, kDiskSize, block.data(), 512), 0);
    EXPECT_EQ(WriteDiskAt(handle, -512, block.data(), 512), 0);

    // A plain loop device has no partition table to read again.
    int error = -1;
    EXPECT_TRUE(RereadPartitionTable(handle, error)) << error;
    EXPECT_TRUE(disk.Close());
    EXPECT_FALSE(disk.IsOpen());
    EXPECT_EQ(DescribeDifference(ReadFile(file_), expected), "");
}

TEST_F(LinuxDiskAccess, AReadOnlyDeviceOpensAsASourceButNotAsATarget) {
    LoopDevice loop(file_, LoopDevice::Access::ReadOnly);
    SKIP_UNLESS_READY(loop);
    OpenedDisk disk = OpenAndCheck(loop, DiskUse::Read);
    ASSERT_TRUE(disk.IsOpen());
    const DiskOpening target = OpenDisk(*DescribeDisk(loop.Number()), DiskUse::Write);
    EXPECT_EQ(target.error, DiskOpenError::System);
    EXPECT_EQ(target.systemError, EROFS);
    EXPECT_EQ(DescribeDifference(ReadFile(file_), data_), "");
}

TEST_F(LinuxDiskAccess, ACopyOntoAReadOnlyDeviceDoesNotStart) {
    LoopDevice loop(file_, LoopDevice::Access::ReadOnly);
    SKIP_UNLESS_READY(loop);
    WriteFile(dir_ / "image.dsk", MakeDiskData(kDiskSize, 12));
    CloneJob job =
        ImageJob(Wide(dir_ / "image.dsk"), CompressionMethod::None, L"", CompressionMethod::None);
    job.target = DiskEndpoint(loop.DiskPath());

    RunResult run = RunJob(job);
    EXPECT_EQ(run.startMessage, L"Could not open target drive: Read-only file system");
    EXPECT_EQ(DescribeDifference(ReadFile(file_), data_), "");
}

}  // namespace
