// The one disk enumeration on canned sysfs trees: what is a disk, in which
// order, and what each disk tells.
#include <gtest/gtest.h>

#include "disks/disk_enumeration.h"
#include "sysfs_tree.h"

namespace {

std::vector<std::string> Names(const std::vector<BlockDevice>& disks) {
    std::vector<std::string> names;
    for (const BlockDevice& disk : disks) {
        names.push_back(disk.name);
    }
    return names;
}

const BlockDevice& Find(const std::vector<BlockDevice>& disks, const std::string& name) {
    for (const BlockDevice& disk : disks) {
        if (disk.name == name) {
            return disk;
        }
    }
    throw std::runtime_error("no disk " + name);
}

TEST(SysfsEnumeration, KeepsWholeDisksInDeviceNumberOrder) {
    SysfsTree tree;
    AddMixedMachine(tree);
    // Partitions, ram and zram, a loop device without a file and a device
    // without a number are left out; the rest follow major, then minor, as
    // numbers (7 < 8 < 11 < 254 < 259), not as texts or names.
    EXPECT_EQ(Names(EnumerateDisks(tree.Root())), MixedMachineDiskNames());
}

TEST(SysfsEnumeration, ReadsSizeModelAndKind) {
    SysfsTree tree;
    AddMixedMachine(tree);
    const std::vector<BlockDevice> disks = EnumerateDisks(tree.Root());

    const BlockDevice& sda = Find(disks, "sda");
    EXPECT_EQ(sda.major, 8u);
    EXPECT_EQ(sda.minor, 0u);
    EXPECT_EQ(sda.size, 1953525168LL * 512);   // past 32 bits
    EXPECT_EQ(sda.model, "ACME Fixed 1TB  ");  // line end gone, blanks kept
    EXPECT_FALSE(sda.removable);
    EXPECT_EQ(sda.sectorSize, 512);

    const BlockDevice& reader = Find(disks, "sdb");
    EXPECT_EQ(reader.size, 0);
    EXPECT_TRUE(reader.removable);

    const BlockDevice& nvme = Find(disks, "nvme0n1");
    EXPECT_EQ(nvme.size, 500118192LL * 512);  // sysfs counts 512-byte units on any disk
    EXPECT_EQ(nvme.sectorSize, 4096);

    EXPECT_EQ(Find(disks, "vda").model, "");
    EXPECT_EQ(Find(disks, "loop0").backingFile, "/srv/images/backup.dsk");
    EXPECT_EQ(Find(disks, "sda").backingFile, "");
}

TEST(SysfsEnumeration, ReadsTheMediumsSequenceNumberWhereTheKernelHasOne) {
    SysfsTree tree;
    tree.Add({.name = "sdc", .dev = "8:32\n", .diskSequence = "18446744073709551615\n"});
    tree.Add({.name = "sdd", .dev = "8:48\n"});
    tree.Add({.name = "sde", .dev = "8:64\n", .diskSequence = "many\n"});
    const std::vector<BlockDevice> disks = EnumerateDisks(tree.Root());
    EXPECT_EQ(Find(disks, "sdc").sequence, 18446744073709551615ULL);
    EXPECT_EQ(Find(disks, "sdd").sequence, 0u);
    EXPECT_EQ(Find(disks, "sde").sequence, 0u);
}

TEST(SysfsEnumeration, EmptyOrMissingTreeHasNoDisks) {
    SysfsTree empty;
    EXPECT_TRUE(EnumerateDisks(empty.Root()).empty());
    EXPECT_TRUE(EnumerateDisks(empty.Root() + "/nowhere").empty());
}

TEST(SysfsEnumeration, UnreadableNumbersAndSizes) {
    SysfsTree tree;
    tree.Add({.name = "sda", .dev = "8:x\n", .sectors = "100\n"});
    tree.Add({.name = "sdb", .dev = "8\n", .sectors = "100\n"});
    tree.Add({.name = "sdc", .dev = "8:32\n", .sectors = "lots\n", .logicalBlockSize = "\n"});
    tree.Add({.name = "sdd", .dev = "8:48\n", .sectors = "-5\n"});
    tree.Add({.name = "sde", .dev = "8:64\n", .sectors = "99999999999999999999\n"});
    const std::vector<BlockDevice> disks = EnumerateDisks(tree.Root());
    ASSERT_EQ(Names(disks), (std::vector<std::string>{"sdc", "sdd", "sde"}));
    for (const BlockDevice& disk : disks) {
        EXPECT_EQ(disk.size, 0) << disk.name;
        EXPECT_EQ(disk.sectorSize, 512) << disk.name;
    }
}

TEST(SysfsEnumeration, LoopDevicesCountOnlyWithAFile) {
    SysfsTree tree;
    tree.Add({.name = "loop3", .dev = "7:3\n", .sectors = "8\n", .backingFile = "/a b/c.dsk\n"});
    tree.Add({.name = "loop0", .dev = "7:0\n"});
    tree.Add({.name = "loop12",
              .dev = "7:12\n",
              .sectors = "8\n",
              .backingFile = "/gone.dsk (deleted)\n"});
    const std::vector<BlockDevice> disks = EnumerateDisks(tree.Root());
    ASSERT_EQ(Names(disks), (std::vector<std::string>{"loop3", "loop12"}));
    EXPECT_EQ(disks[0].backingFile, "/a b/c.dsk");
    EXPECT_EQ(disks[1].backingFile, "/gone.dsk (deleted)");
}

TEST(DiskPathNumbers, ParsesOnlyTheDiskPathForm) {
    EXPECT_EQ(ParseDiskPath(L"\\\\.\\PhysicalDrive0"), 0);
    EXPECT_EQ(ParseDiskPath(L"\\\\.\\PHYSICALDRIVE17"), 17);
    EXPECT_EQ(ParseDiskPath(L"\\\\.\\physicaldrive2147483647"), 2147483647);
    EXPECT_EQ(ParseDiskPath(L"\\\\.\\PhysicalDrive2147483648"), std::nullopt);
    EXPECT_EQ(ParseDiskPath(L"\\\\.\\PhysicalDrive"), std::nullopt);
    EXPECT_EQ(ParseDiskPath(L"\\\\.\\PhysicalDrive1 "), std::nullopt);
    EXPECT_EQ(ParseDiskPath(L"\\\\.\\PhysicalDrive-1"), std::nullopt);
    EXPECT_EQ(ParseDiskPath(L"/dev/sda"), std::nullopt);
}

}  // namespace
