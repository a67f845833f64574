// A real loop device through the whole road: sysfs, the disk query, the disk
// list and the raw disk layer. Needs root and a free loop device.
#include <gtest/gtest.h>

#include <memory>

#include "disks/disk_access.h"
#include "disks/disk_enumeration.h"
#include "disks/disk_list.h"
#include "disks/wmi_query.h"
#include "loop_device.h"
#include "test_files.h"

namespace {

TEST(RealLoopDevice, IsListedWithItsSizeAndOpensByItsPath) {
    TempDir dir;
    const auto file = dir / "brevel loop.dsk";
    const Bytes data = MakeDiskData(3 * 1024 * 1024, 7);
    WriteFile(file, data);
    LoopDevice loop(file);
    SKIP_UNLESS_READY(loop);

    // Its number is its place in the enumeration.
    const int number = loop.Number();
    ASSERT_GE(number, 0) << loop.Node() << " not enumerated";
    const std::vector<BlockDevice> enumerated = EnumerateDisks();

    const std::vector<Wmi::DiskInfo> disks = Wmi::ListDisks();
    ASSERT_EQ(disks.size(), enumerated.size());
    const Wmi::DiskInfo& disk = disks[number];
    EXPECT_EQ(disk.index, number);
    EXPECT_EQ(disk.model, L"brevel loop.dsk");
    EXPECT_EQ(disk.size, static_cast<std::int64_t>(data.size()));

    DiskList list = DiskList::FromQuery();
    ASSERT_EQ(list.ErrorMessage(), "");
    int row = -1;
    for (std::size_t r = 0; r < list.Rows().size(); ++r) {
        if (list.Rows()[r].index == number) {
            row = static_cast<int>(r);
        }
    }
    ASSERT_GE(row, 0);
    EXPECT_EQ(list.Rows()[row].sizeText, std::to_wstring(data.size()));
    list.TakeSelection(row);
    EXPECT_EQ(list.SelectedPath(), MakeDiskPath(number));
    EXPECT_EQ(list.SelectedLabel(), L"brevel loop.dsk");

    const std::optional<int> chosen = ParseDiskPath(list.SelectedPath());
    ASSERT_TRUE(chosen);
    DiskOpening opening = OpenDisk(*DescribeDisk(*chosen), DiskUse::Read);
    ASSERT_TRUE(opening.disk.IsOpen());
    std::int64_t size = 0;
    EXPECT_TRUE(QueryDiskSize(opening.disk.Handle(), size));
    EXPECT_EQ(size, static_cast<std::int64_t>(data.size()));
    unsigned char sector[kFirstSectorSize];
    ASSERT_TRUE(ReadFirstSector(opening.disk.Handle(), sector));
    EXPECT_TRUE(std::equal(sector, sector + kFirstSectorSize, data.begin()));
    EXPECT_TRUE(opening.disk.Close());
}

}  // namespace
