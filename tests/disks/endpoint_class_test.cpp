// What a typed name denotes, and who uses a disk: against real loop devices
// (as root) and canned sysfs trees and mount tables.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>

#include "disks/disk_access.h"
#include "disks/disk_usage.h"
#include "disks/endpoint_class.h"
#include "disks/path_text.h"
#include "loop_device.h"
#include "sysfs_tree.h"
#include "test_files.h"

namespace {

TEST(EndpointClass, EveryNameOfALoopDeviceIsThatDisk) {
    TempDir dir;
    WriteFile(dir / "disk.img", Bytes(1 << 20, 0));
    LoopDevice loop(dir / "disk.img");
    SKIP_UNLESS_READY(loop);
    std::filesystem::create_symlink(loop.Node(), dir / "link");
    const std::wstring number = std::to_wstring(loop.Number());
    for (const std::wstring& name :
         {Wide(loop.Node()), Wide(dir / "link"), L"disk:" + number, L"DISK:00" + number,
          L"\\\\.\\PhysicalDrive0" + number, L"\\\\.\\physicaldrive" + number}) {
        SCOPED_TRACE(WideToUtf8(name));
        const ClassifiedEndpoint found = ClassifyEndpoint(name);
        EXPECT_EQ(found.kind, EndpointClass::Disk);
        EXPECT_EQ(found.disk.number, loop.Number());
        EXPECT_EQ(found.disk.node, loop.Node());
        EXPECT_EQ(found.disk.size, 1 << 20);
    }
}

TEST(EndpointClass, OtherNamesAreImagesOrRefusedWithWhatTheyAre) {
    TempDir dir;
    ASSERT_EQ(mkfifo((dir / "fifo").c_str(), 0600), 0);
    struct Case {
        std::wstring name;
        EndpointClass kind;
        std::wstring refusal;
    };
    const Case cases[] = {
        {L"/dev/shm/x.dsk", EndpointClass::ImageFile, L""},
        {L"/dev/brevel-no-such-file", EndpointClass::ImageFile, L""},
        {L"\\\\?\\PhysicalDrive3", EndpointClass::ImageFile, L""},
        {L"\\\\.\\PhysicalDrive3\\", EndpointClass::ImageFile, L""},
        {L"", EndpointClass::ImageFile, L""},
        {L"/dev/null", EndpointClass::Refused,
         L"/dev/null is a character device, not a disk or an image file."},
        {Wide(dir / "fifo"), EndpointClass::Refused,
         Wide(dir / "fifo") + L" is a named pipe (FIFO), not a disk or an image file."},
        {L"disk:", EndpointClass::Refused,
         L"'disk:' names no disk: disk: takes a disk number from the disk list"},
        {L"disk:1234567890", EndpointClass::Refused,
         L"'disk:1234567890' names no disk: disk: takes a disk number from the disk list"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(WideToUtf8(c.name));
        const ClassifiedEndpoint found = ClassifyEndpoint(c.name);
        EXPECT_EQ(found.kind, c.kind);
        EXPECT_EQ(found.refusal, c.refusal);
    }
}

// Loop devices here get no partition nodes: a canned tree stands for a disk
// with partitions, with the block device nodes made for it.
TEST(EndpointClass, APartitionIsRefusedAndNamesItsDisk) {
    if (geteuid() != 0) {
        GTEST_SKIP() << "making device nodes needs root";
    }
    SysfsTree tree;
    AddMixedMachine(tree);
    TempDir dir;
    ASSERT_EQ(mknod((dir / "sda2").c_str(), S_IFBLK | 0600, makedev(8, 2)), 0);
    ASSERT_EQ(mknod((dir / "sda").c_str(), S_IFBLK | 0600, makedev(8, 0)), 0);
    ASSERT_EQ(mknod((dir / "ram0").c_str(), S_IFBLK | 0600, makedev(1, 0)), 0);
    const std::wstring partition = Wide(dir / "sda2");
    EXPECT_EQ(ClassifyEndpoint(partition, tree.Root()).refusal,
              partition +
                  L" is a partition of /dev/sda. Brevel copies whole disks: choose "
                  L"/dev/sda or another disk.");
    const ClassifiedEndpoint disk = ClassifyEndpoint(Wide(dir / "sda"), tree.Root());
    EXPECT_EQ(disk.kind, EndpointClass::Disk);
    EXPECT_EQ(disk.disk.number, 1);
    EXPECT_EQ(disk.disk.model, "ACME Fixed 1TB");
    EXPECT_EQ(ClassifyEndpoint(Wide(dir / "ram0"), tree.Root()).kind, EndpointClass::Refused);
}

TEST(DiskUsage, MountsOfTheDiskAndItsPartitionsWithTheirModes) {
    const std::string mountinfo =
        "22 1 8:1 / / rw,relatime shared:1 - ext4 /dev/sda1 rw\n"
        "40 22 8:17 / /media/u/My\\040Card rw,nosuid - vfat /dev/sdb1 rw,fmask=0022\n"
        "41 22 8:18 / /mnt/ro ro,relatime - ext4 /dev/sdb2 ro\n"
        "42 22 0:45 / /data rw - btrfs /dev/null rw\n"
        "garbage line\n";
    const std::vector<DiskUser> users = MountsIn(mountinfo, {{8, 16}, {8, 17}, {8, 18}});
    ASSERT_EQ(users.size(), 2u);
    EXPECT_EQ(users[0].device, "/dev/sdb1");
    EXPECT_EQ(users[0].use, "is mounted on /media/u/My Card");
    EXPECT_TRUE(users[0].writable);
    EXPECT_FALSE(users[1].writable);
    EXPECT_EQ(DescribeUsers(users),
              "/dev/sdb1 is mounted on /media/u/My Card, /dev/sdb2 is mounted on /mnt/ro");
}

}  // namespace
