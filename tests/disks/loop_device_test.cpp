// A real loop device through the whole road: sysfs, the disk query, the disk
// list and the raw disk layer. Needs root and a free loop device.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <memory>

#include "disks/disk_access.h"
#include "disks/disk_enumeration.h"
#include "disks/disk_list.h"
#include "disks/wmi_query.h"
#include "test_files.h"

namespace {

// A loop device attached to a file for the object's life.
class LoopDevice {
public:
    explicit LoopDevice(const std::filesystem::path& file) {
        const std::string command = "losetup -f --show " + Quoted(file) + " 2>/dev/null";
        std::unique_ptr<FILE, int (*)(FILE*)> out(popen(command.c_str(), "r"), pclose);
        if (!out) {
            return;
        }
        char line[256] = {};
        if (fgets(line, sizeof line, out.get()) != nullptr) {
            node_ = line;
            while (!node_.empty() && (node_.back() == '\n' || node_.back() == '\r')) {
                node_.pop_back();
            }
        }
    }
    ~LoopDevice() {
        if (!node_.empty()) {
            Shell("losetup -d " + Quoted(node_));
        }
    }
    LoopDevice(const LoopDevice&) = delete;
    LoopDevice& operator=(const LoopDevice&) = delete;

    bool Attached() const { return node_.rfind("/dev/loop", 0) == 0; }
    std::string Name() const { return node_.substr(5); }  // "loop3"

private:
    std::string node_;
};

TEST(RealLoopDevice, IsListedWithItsSizeAndOpensByItsPath) {
    if (geteuid() != 0) {
        GTEST_SKIP() << "needs root to attach a loop device";
    }
    TempDir dir;
    const auto file = dir / "brevel loop.dsk";
    const Bytes data = MakeDiskData(3 * 1024 * 1024, 7);
    WriteFile(file, data);
    LoopDevice loop(file);
    if (!loop.Attached()) {
        GTEST_SKIP() << "losetup could not attach a loop device";
    }

    // Its number is its place in the enumeration.
    int number = -1;
    const std::vector<BlockDevice> enumerated = EnumerateDisks();
    for (std::size_t n = 0; n < enumerated.size(); ++n) {
        if (enumerated[n].name == loop.Name()) {
            number = static_cast<int>(n);
        }
    }
    ASSERT_GE(number, 0) << loop.Name() << " not enumerated";

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

    DiskHandle handle = OpenDiskDevice(list.SelectedPath());
    ASSERT_NE(handle, kInvalidDiskHandle);
    std::int64_t size = 0;
    EXPECT_TRUE(QueryDiskSize(handle, size));
    EXPECT_EQ(size, static_cast<std::int64_t>(data.size()));
    unsigned char sector[kFirstSectorSize];
    ASSERT_TRUE(ReadFirstSector(handle, sector));
    EXPECT_TRUE(std::equal(sector, sector + kFirstSectorSize, data.begin()));
    EXPECT_TRUE(CloseDiskDevice(handle));
}

}  // namespace
