// The disk helper run directly (as root, without pkexec), handing real loop
// devices to its caller, and what it refuses. Needs root and loop devices;
// those cases skip without them.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>
#include <functional>

#include "disks/disk_opener.h"
#include "loop_device.h"
#include "sysfs_tree.h"
#include "test_files.h"

namespace {

constexpr std::size_t kDiskSize = 1 << 20;

const HelperDiskOpener& Helper() {
    static const HelperDiskOpener helper({}, BREVEL_DISK_HELPER_PATH);
    return helper;
}

Bytes ReadThrough(int fd, std::size_t count) {
    Bytes bytes(count);
    EXPECT_EQ(::pread(fd, bytes.data(), count, 0), static_cast<ssize_t>(count));
    return bytes;
}

// A file system on the device, mounted for as long as the object lives.
class Mounted {
public:
    explicit Mounted(const std::string& node) {
        mounted_ = Shell("mount " + node + " " + Quoted(dir_.Path()) + " 2>/dev/null") == 0;
    }
    ~Mounted() {
        if (mounted_) {
            Shell("umount " + Quoted(dir_.Path()));
        }
    }
    bool Ok() const { return mounted_; }

private:
    TempDir dir_;
    bool mounted_ = false;
};

class DiskHelper : public ::testing::Test {
protected:
    void SetUp() override { WriteFile(file_, data_); }

    TempDir dir_;
    const std::filesystem::path file_ = dir_ / "disk.img";
    const Bytes data_ = MakeDiskData(kDiskSize, 5);
};

TEST_F(DiskHelper, HandsOverAWorkingDescriptorForEachAccess) {
    LoopDevice loop(file_);
    SKIP_UNLESS_READY(loop);
    {
        HandedOverDisk disk = Helper().Open(loop.Node(), DiskUse::Read);
        ASSERT_EQ(disk.refusal, DiskOpenRefusal::None) << RefusalText(disk.refusal);
        EXPECT_EQ(ReadThrough(disk.fd.Get(), 4096), Bytes(data_.begin(), data_.begin() + 4096));
        EXPECT_EQ(::write(disk.fd.Get(), "x", 1), -1) << "read access must not write";
        // Close-on-exec, so that it never leaks into programs the window starts.
        EXPECT_NE(::fcntl(disk.fd.Get(), F_GETFD) & FD_CLOEXEC, 0);
    }
    HandedOverDisk disk = Helper().Open(loop.Node(), DiskUse::Write);
    ASSERT_EQ(disk.refusal, DiskOpenRefusal::None) << RefusalText(disk.refusal);
    const Bytes sector(512, 0xA5);
    ASSERT_EQ(::pwrite(disk.fd.Get(), sector.data(), sector.size(), 0), 512);
    ASSERT_EQ(::fsync(disk.fd.Get()), 0);
    EXPECT_EQ(ReadThrough(disk.fd.Get(), 512), sector);
    // While the window holds it for writing, nobody else opens it exclusively.
    EXPECT_EQ(Helper().Open(loop.Node(), DiskUse::Write).refusal, DiskOpenRefusal::InUse);
}

TEST_F(DiskHelper, RefusesWhatIsNotAWholeDisk) {
    LoopDevice loop(file_);
    SKIP_UNLESS_READY(loop);
    const std::filesystem::path link = dir_ / "link";
    std::filesystem::create_symlink(loop.Node(), link);
    const struct {
        std::string path;
        DiskOpenRefusal refusal;
    } cases[] = {
        {file_.string(), DiskOpenRefusal::NotADisk},  // the image file itself
        {link.string(), DiskOpenRefusal::NotADisk},   // a link to the disk
        {"/dev/null", DiskOpenRefusal::NotADisk},     // a character device
        {(dir_ / "missing").string(), DiskOpenRefusal::NotADisk},
        {dir_.Path().string(), DiskOpenRefusal::NotADisk},  // a folder
    };
    for (const auto& row : cases) {
        for (DiskUse access : {DiskUse::Read, DiskUse::Write}) {
            SCOPED_TRACE(row.path);
            const HandedOverDisk disk = Helper().Open(row.path, access);
            EXPECT_EQ(disk.refusal, row.refusal) << RefusalText(disk.refusal);
            EXPECT_FALSE(disk.fd.IsOpen());
        }
    }
}

TEST_F(DiskHelper, RefusesToWriteAMountedDiskButReadsIt) {
    if (FindProgram("mkfs.ext2").empty()) {
        GTEST_SKIP() << "mkfs.ext2 (e2fsprogs) is not installed";
    }
    ASSERT_EQ(Shell("mkfs.ext2 -q -F " + Quoted(file_) + " >/dev/null 2>&1"), 0);
    LoopDevice loop(file_);
    SKIP_UNLESS_READY(loop);
    const Mounted mount(loop.Node());
    if (!mount.Ok()) {
        GTEST_SKIP() << "cannot mount " << loop.Node() << " here";
    }
    EXPECT_EQ(Helper().Open(loop.Node(), DiskUse::Write).refusal, DiskOpenRefusal::InUse);
    const HandedOverDisk disk = Helper().Open(loop.Node(), DiskUse::Read);
    ASSERT_EQ(disk.refusal, DiskOpenRefusal::None);
    EXPECT_EQ(::fcntl(disk.fd.Get(), F_GETFL) & O_ACCMODE, O_RDONLY);
}

TEST_F(DiskHelper, AWriteProtectedDiskIsOpenedForReading) {
    LoopDevice loop(file_, LoopDevice::Access::ReadOnly);
    SKIP_UNLESS_READY(loop);
    EXPECT_EQ(Helper().Open(loop.Node(), DiskUse::Write).refusal, DiskOpenRefusal::ReadOnly);
    const HandedOverDisk disk = Helper().Open(loop.Node(), DiskUse::Read);
    ASSERT_EQ(disk.refusal, DiskOpenRefusal::None);
    EXPECT_EQ(ReadThrough(disk.fd.Get(), 512), Bytes(data_.begin(), data_.begin() + 512));
}

// The whole-disk rule by device number, against canned sysfs trees: the same
// real device is a disk, a partition, or neither, as the tree says.
TEST_F(DiskHelper, TheEnumerationDecidesWhatAWholeDiskIs) {
    LoopDevice loop(file_);
    SKIP_UNLESS_READY(loop);
    struct stat status {};
    ASSERT_EQ(::stat(loop.Node().c_str(), &status), 0);
    const std::string number =
        std::to_string(::major(status.st_rdev)) + ":" + std::to_string(::minor(status.st_rdev));
    const std::string name = std::filesystem::path(loop.Node()).filename();

    SysfsTree disk;
    disk.Add({.name = name, .dev = number + "\n", .sectors = "2048\n", .backingFile = "/x\n"});
    SysfsTree partition;
    partition.Add({.name = "sdz1", .dev = number + "\n", .sectors = "2048\n", .isPartition = true});
    std::filesystem::create_directories(std::filesystem::path(partition.Root()) / "dev/block");
    std::filesystem::create_directory_symlink(
        "../../devices/virtual/block/sdz1",
        std::filesystem::path(partition.Root()) / "dev/block" / number);
    SysfsTree unbound;  // a loop device without a file is no disk
    unbound.Add({.name = name, .dev = number + "\n"});

    const struct {
        const SysfsTree& tree;
        DiskOpenRefusal refusal;
    } cases[] = {
        {disk, DiskOpenRefusal::None},
        {partition, DiskOpenRefusal::Partition},
        {unbound, DiskOpenRefusal::NotADisk},
    };
    for (const auto& row : cases) {
        SCOPED_TRACE(RefusalText(row.refusal));
        const HandedOverDisk opened = OpenWholeDisk(loop.Node(), DiskUse::Read, row.tree.Root());
        EXPECT_EQ(opened.refusal, row.refusal);
        EXPECT_EQ(opened.fd.IsOpen(), row.refusal == DiskOpenRefusal::None);
    }
}

// What the caller makes of a launcher that never gets to the helper.
TEST(DiskHelperLauncher, NoAnswerIsNoHelperAndPkexecsRefusalIsNotAuthorised) {
    const struct {
        std::vector<std::string> launcher;
        DiskOpenRefusal refusal;
    } cases[] = {
        {{"/nonexistent/pkexec"}, DiskOpenRefusal::NoHelper},
        {{"/bin/sh", "-c", "exit 126"}, DiskOpenRefusal::NotAuthorised},  // dialog dismissed
        {{"/bin/sh", "-c", "exit 127"}, DiskOpenRefusal::NotAuthorised},  // not authorised
        {{"/bin/sh", "-c", "exit 0"}, DiskOpenRefusal::NoHelper},
    };
    for (const auto& row : cases) {
        SCOPED_TRACE(row.launcher.back());
        const HandedOverDisk disk = HelperDiskOpener(row.launcher, BREVEL_DISK_HELPER_PATH)
                                    .Open("/dev/null", DiskUse::Read);
        EXPECT_EQ(disk.refusal, row.refusal);
    }
}

// The hand-over itself: a malformed message is never taken for a disk.
TEST(DiskHandover, OnlyAWholeMessageCounts) {
    const auto exchange = [](const std::function<void(int)>& send) {
        int ends[2];
        EXPECT_EQ(::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, ends), 0);
        UniqueFd ours(ends[0]);
        {
            UniqueFd theirs(ends[1]);
            send(theirs.Get());
        }
        return ReceiveOpenedDisk(ours.Get()).refusal;
    };
    EXPECT_EQ(exchange([](int) {}), DiskOpenRefusal::NoHelper);
    EXPECT_EQ(exchange([](int s) { EXPECT_EQ(::write(s, "\x09", 1), 1); }),
              DiskOpenRefusal::NoHelper);  // no such answer
    // "Open" without a descriptor.
    EXPECT_EQ(exchange([](int s) { EXPECT_EQ(::write(s, "\0", 1), 1); }),
              DiskOpenRefusal::NoHelper);
    EXPECT_EQ(exchange([](int s) {
                  EXPECT_TRUE(SendOpenedDisk(s, {UniqueFd(), DiskOpenRefusal::Partition}));
              }),
              DiskOpenRefusal::Partition);
}

TEST(DiskAccessAdvice, SaysWhatIsMissingOnlyWhenDisksCannotBeReached) {
    const struct {
        DiskAccessWays ways;
        const char* mentions;  // nullptr: no advice
    } cases[] = {
        {{.root = true}, nullptr},
        {{.pkexec = true, .helper = true}, nullptr},
        {{.helper = true}, "package pkexec"},
        {{}, "package pkexec"},
        {{.pkexec = true}, "brevel-disk-helper is not\ninstalled"},
    };
    for (const auto& row : cases) {
        const std::string advice = DiskAccessAdvice(row.ways);
        if (row.mentions == nullptr) {
            EXPECT_EQ(advice, "");
        } else {
            EXPECT_NE(advice.find(row.mentions), std::string::npos) << advice;
            EXPECT_NE(advice.find("root"), std::string::npos) << advice;
            // The log pane does not wrap: short lines.
            for (std::size_t start = 0, end = 0; start < advice.size(); start = end + 1) {
                end = std::min(advice.find('\n', start), advice.size());
                EXPECT_LE(end - start, 45u) << advice.substr(start, end - start);
            }
        }
    }
}
}  // namespace
