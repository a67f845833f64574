// The disk operations through the Linux binding, on real block devices: loop
// devices over files. Needs root and loop devices; skips without them.
#include <gtest/gtest.h>

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

    // Opens the device by its disk path and checks its size and first sector.
    DiskHandle OpenAndCheck(const LoopDevice& loop) {
        DiskHandle handle = OpenDiskDevice(loop.DiskPath());
        EXPECT_NE(handle, kInvalidDiskHandle);
        std::int64_t size = 0;
        EXPECT_TRUE(QueryDiskSize(handle, size));
        EXPECT_EQ(size, kDiskSize);
        unsigned char sector[kFirstSectorSize];
        EXPECT_TRUE(ReadFirstSector(handle, sector));
        EXPECT_EQ(std::memcmp(sector, data_.data(), kFirstSectorSize), 0);
        return handle;
    }

    TempDir dir_;
    const std::filesystem::path file_ = dir_ / "disk.img";
    const Bytes data_ = MakeDiskData(kDiskSize, 11);
};

TEST(LinuxDiskPaths, NumbersPastTheLastDiskOpenNothing) {
    const auto count = static_cast<int>(EnumerateDisks().size());
    for (int number : {count, count + 1, count + 100, INT_MAX}) {
        SCOPED_TRACE(number);
        DiskHandle handle = OpenDiskDevice(MakeDiskPath(number));
        EXPECT_EQ(handle, kInvalidDiskHandle);
        CloseDiskDevice(handle);
    }
}

TEST_F(LinuxDiskAccess, OnlyTheDiskPathFormOpensADevice) {
    LoopDevice loop(file_);
    SKIP_UNLESS_READY(loop);
    const std::wstring number = std::to_wstring(loop.Number());
    for (const std::wstring& path : {
             Wide(loop.Node()),
             Wide(file_),
             std::wstring(L"PhysicalDrive") + number,
             std::wstring(L"\\\\?\\PhysicalDrive") + number,
             std::wstring(L"\\\\.\\PhysicalDrive"),
             std::wstring(L"\\\\.\\PhysicalDrive ") + number,
             std::wstring(L"\\\\.\\PhysicalDrive") + number + L" ",
             std::wstring(L"\\\\.\\PhysicalDrive+") + number,
             std::wstring(L"\\\\.\\PhysicalDrive") + number + L"\n",
             std::wstring(L"\\\\.\\PhysicalDrive0x") + number,
             std::wstring(L"\\\\.\\PhysicalDisk") + number,
             std::wstring(L"//./PhysicalDrive") + number,
             std::wstring(),
         }) {
        SCOPED_TRACE(WideToUtf8(path));
        DiskHandle handle = OpenDiskDevice(path);
        EXPECT_EQ(handle, kInvalidDiskHandle);
        CloseDiskDevice(handle);
    }
    // The form itself, in any case, names the device.
    for (const std::wstring& path :
         {loop.DiskPath(), std::wstring(L"\\\\.\\physicaldrive") + number,
          std::wstring(L"\\\\.\\PHYSICALDRIVE") + number}) {
        SCOPED_TRACE(WideToUtf8(path));
        DiskHandle handle = OpenDiskDevice(path);
        EXPECT_NE(handle, kInvalidDiskHandle);
        EXPECT_TRUE(CloseDiskDevice(handle));
        EXPECT_EQ(handle, kInvalidDiskHandle);
    }
}

TEST_F(LinuxDiskAccess, SizeFirstSectorAndReadsAnywhere) {
    LoopDevice loop(file_);
    SKIP_UNLESS_READY(loop);
    DiskHandle handle = OpenAndCheck(loop);
    ASSERT_NE(handle, kInvalidDiskHandle);

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
    EXPECT_TRUE(CloseDiskDevice(handle));
    EXPECT_EQ(handle, kInvalidDiskHandle);
}

TEST_F(LinuxDiskAccess, WritesReachTheFileBehindTheDeviceByTheClose) {
    LoopDevice loop(file_);
    SKIP_UNLESS_READY(loop);
    DiskHandle handle = OpenAndCheck(loop);
    ASSERT_NE(handle, kInvalidDiskHandle);

    const Bytes block = MakeDiskData(8192, 99);
    Bytes expected = data_;
    EXPECT_EQ(WriteDiskAt(handle, 1048576 + 512, block.data(), 8192), 8192);
    std::copy(block.begin(), block.end(), expected.begin() + 1048576 + 512);
    // The device takes what fits before its end, and nothing at its end.
    EXPECT_EQ(WriteDiskAt(handle, kDiskSize - 1024, block.data(), 4096), 1024);
    std::copy(block.begin(), block.begin() + 1024, expected.end() - 1024);
    EXPECT_EQ(WriteDiskAt(handle, kDiskSize, block.data(), 512), 0);
    EXPECT_EQ(WriteDiskAt(handle, -512, block.data(), 512), 0);

    EXPECT_TRUE(CloseDiskDevice(handle));
    EXPECT_EQ(handle, kInvalidDiskHandle);
    EXPECT_EQ(DescribeDifference(ReadFile(file_), expected), "");
}

TEST_F(LinuxDiskAccess, AReadOnlyDeviceOpensForReadingAndTakesNoWrite) {
    LoopDevice loop(file_, LoopDevice::Access::ReadOnly);
    SKIP_UNLESS_READY(loop);
    DiskHandle handle = OpenAndCheck(loop);
    ASSERT_NE(handle, kInvalidDiskHandle);

    const Bytes zeros(4096, 0);
    EXPECT_EQ(WriteDiskAt(handle, 0, zeros.data(), 4096), 0);
    CloseDiskDevice(handle);
    EXPECT_EQ(handle, kInvalidDiskHandle);
    EXPECT_EQ(DescribeDifference(ReadFile(file_), data_), "");
}

TEST_F(LinuxDiskAccess, ACopyOntoAReadOnlyDeviceEndsAsAFailedWrite) {
    LoopDevice loop(file_, LoopDevice::Access::ReadOnly);
    SKIP_UNLESS_READY(loop);
    WriteFile(dir_ / "image.dsk", MakeDiskData(kDiskSize, 12));
    CloneJob job =
        ImageJob(Wide(dir_ / "image.dsk"), CompressionMethod::None, L"", CompressionMethod::None);
    job.target = {loop.DiskPath(), EndpointKind::PhysicalDisk, false, CompressionMethod::None};

    RunResult run = RunJob(job);
    ASSERT_EQ(run.startMessage, L"");
    EXPECT_EQ(run.task->ending, CopyEnding::WriteFailed);
    EXPECT_EQ(run.task->failurePosition, 0);
    EXPECT_EQ(run.task->targetDisk, kInvalidDiskHandle);
    EXPECT_EQ(DescribeDifference(ReadFile(file_), data_), "");
}

}  // namespace
