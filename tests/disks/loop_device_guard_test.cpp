// The loop-device fixture hands out only its own devices: a disk number that
// names any other device while a LoopDevice lives is refused, so that a test
// can never write onto a disk that is not its own.
#include <gtest/gtest-spi.h>
#include <gtest/gtest.h>

#include "disks/disk_access.h"
#include "disks/disk_enumeration.h"
#include "loop_device.h"
#include "test_files.h"

namespace {

TEST(LoopDeviceGuard, OpensOwnDevicesAndRefusesOthers) {
    TempDir dir;
    WriteFile(dir / "own.img", Bytes(1048576, 1));
    WriteFile(dir / "other.img", Bytes(1048576, 2));
    LoopDevice own(dir / "own.img");
    SKIP_UNLESS_READY(own);

    // A device attached behind the fixture's back, detached before the
    // fixture lets go of the lock.
    std::string node;
    ASSERT_EQ(Capture(FindProgram("losetup") + " -f --show " + Quoted(dir / "other.img"), node), 0);
    node.erase(node.find_last_not_of("\r\n") + 1);
    int other = -1;
    const std::vector<BlockDevice> disks = EnumerateDisks();
    for (std::size_t i = 0; i < disks.size(); ++i) {
        if ("/dev/" + disks[i].name == node) {
            other = static_cast<int>(i);
        }
    }

    DiskOpening opening = OpenDisk(*DescribeDisk(own.Number()), DiskUse::Read);
    EXPECT_TRUE(opening.disk.IsOpen());
    EXPECT_TRUE(opening.disk.Close());
    ASSERT_NE(other, -1);
    EXPECT_NONFATAL_FAILURE(opening = OpenDisk(*DescribeDisk(other), DiskUse::Read),
                            "not one of this test's loop devices");
    EXPECT_FALSE(opening.disk.IsOpen());

    EXPECT_EQ(Shell(FindProgram("losetup") + " -d " + Quoted(node)), 0);
}

}  // namespace
