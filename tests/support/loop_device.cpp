#include "loop_device.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <chrono>
#include <mutex>
#include <set>
#include <thread>

#include "disks/disk_devices.h"
#include "disks/disk_enumeration.h"
#include "disks/path_text.h"
#include "test_files.h"

namespace {

// The platform's disk operations, but Open hands out only handles to the
// loop devices that this process's LoopDevice objects hold.
class OnlyOwnLoopDevices final : public DiskDevices {
public:
    std::optional<DiskIdentity> Describe(int number) override {
        return PlatformDiskDevices().Describe(number);
    }
    DiskHandle Open(int number, DiskUse use, DiskOpenError& error, int& systemError) override;
    std::optional<DiskIdentity> Identify(DiskHandle handle) override {
        return PlatformDiskDevices().Identify(handle);
    }
    bool Size(DiskHandle handle, std::int64_t& size) override {
        return PlatformDiskDevices().Size(handle, size);
    }
    bool Seek(DiskHandle handle, std::int64_t offset) override {
        return PlatformDiskDevices().Seek(handle, offset);
    }
    bool LogicalBlockSize(DiskHandle handle, std::int32_t& size) override {
        return PlatformDiskDevices().LogicalBlockSize(handle, size);
    }
    bool Read(DiskHandle handle, void* buffer, std::int32_t count, std::int32_t& got) override {
        return PlatformDiskDevices().Read(handle, buffer, count, got);
    }
    bool ReadUncached(DiskHandle handle, void* buffer, std::int32_t count,
                      std::int32_t& got) override {
        return PlatformDiskDevices().ReadUncached(handle, buffer, count, got);
    }
    std::int32_t Write(DiskHandle handle, const void* buffer, std::int32_t count) override {
        return PlatformDiskDevices().Write(handle, buffer, count);
    }
    bool Flush(DiskHandle handle) override { return PlatformDiskDevices().Flush(handle); }
    bool RereadPartitions(DiskHandle handle, int& systemError) override {
        return PlatformDiskDevices().RereadPartitions(handle, systemError);
    }
    bool Close(DiskHandle handle) override { return PlatformDiskDevices().Close(handle); }
};

// What the live LoopDevice objects of this process share: the machine-wide
// lock, the guard and the devices it lets through.
struct LoopDevicesInUse {
    std::mutex mutex;
    int users = 0;
    int lockFd = -1;
    std::set<dev_t> devices;
    OnlyOwnLoopDevices guard;
    DiskDevices* previous = nullptr;
};

LoopDevicesInUse& InUse() {
    static LoopDevicesInUse inUse;
    return inUse;
}

std::string LockFilePath() {
    std::error_code error;
    if (std::filesystem::is_directory("/run/lock", error)) {
        return "/run/lock/brevel-loop-devices.lock";
    }
    return (std::filesystem::temp_directory_path() / "brevel-loop-devices.lock").string();
}

// Takes the machine-wide lock and puts the guard in place for the first user
// in this process. Returns false, with the reason, when the lock cannot be
// taken.
bool StartUsing(std::string& problem) {
    LoopDevicesInUse& inUse = InUse();
    std::lock_guard<std::mutex> lock(inUse.mutex);
    if (inUse.users == 0) {
        const std::string path = LockFilePath();
        const int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0666);
        if (fd < 0) {
            problem = "cannot open the loop-device lock file " + path;
            return false;
        }
        int locked = -1;
        do {
            locked = flock(fd, LOCK_EX);
        } while (locked != 0 && errno == EINTR);
        if (locked != 0) {
            ::close(fd);
            problem = "cannot lock " + path;
            return false;
        }
        inUse.lockFd = fd;
        inUse.previous = ReplaceDiskDevices(&inUse.guard);
    }
    ++inUse.users;
    return true;
}

void StopUsing() {
    LoopDevicesInUse& inUse = InUse();
    std::lock_guard<std::mutex> lock(inUse.mutex);
    if (--inUse.users == 0) {
        ReplaceDiskDevices(inUse.previous);
        ::close(inUse.lockFd);  // releases the lock
        inUse.lockFd = -1;
    }
}

DiskHandle OnlyOwnLoopDevices::Open(int number, DiskUse use, DiskOpenError& error,
                                    int& systemError) {
    const DiskHandle handle = PlatformDiskDevices().Open(number, use, error, systemError);
    if (handle == kInvalidDiskHandle) {
        return handle;
    }
    struct stat status {};
    bool own = false;
    if (fstat(static_cast<int>(handle), &status) == 0) {
        LoopDevicesInUse& inUse = InUse();
        std::lock_guard<std::mutex> lock(inUse.mutex);
        own = inUse.devices.count(status.st_rdev) > 0;
    }
    if (!own) {
        PlatformDiskDevices().Close(handle);
        ADD_FAILURE() << "disk " << number << " opened device " << ::major(status.st_rdev) << ":"
                      << ::minor(status.st_rdev)
                      << ", which is not one of this test's loop devices (did another process "
                         "attach or detach a loop device?); the handle was refused";
        return kInvalidDiskHandle;
    }
    return handle;
}

std::string LoopNodeLine(const std::string& output) {
    std::size_t start = 0;
    while (start < output.size()) {
        std::size_t end = output.find('\n', start);
        if (end == std::string::npos) {
            end = output.size();
        }
        const std::string line = output.substr(start, end - start);
        if (line.rfind("/dev/loop", 0) == 0) {
            return line;
        }
        start = end + 1;
    }
    return "";
}

std::string SysLoopAttribute(const std::string& node) {
    return "/sys/block/" + std::filesystem::path(node).filename().string() + "/loop/backing_file";
}

}  // namespace

LoopDevice::LoopDevice(const std::filesystem::path& file, Access access) {
    if (geteuid() != 0) {
        problem_ = "attaching loop devices needs root";
        return;
    }
    const std::string losetup = FindProgram("losetup");
    if (losetup.empty()) {
        problem_ = "losetup is not installed";
        return;
    }
    if (!StartUsing(problem_)) {
        return;
    }
    holdsLock_ = true;
    std::string output;
    const std::string flags = access == Access::ReadOnly ? " -r" : "";
    const int status = Capture(losetup + flags + " -f --show " + Quoted(file) + " 2>&1", output);
    // --show prints the device on a line of its own; warnings may come too.
    const std::string node = LoopNodeLine(output);
    struct stat nodeStatus {};
    if (status != 0 || node.empty()) {
        problem_ = "losetup could not attach a loop device (no loop devices here?): " + output;
    } else if (stat(node.c_str(), &nodeStatus) != 0 || !S_ISBLK(nodeStatus.st_mode)) {
        problem_ = "losetup named " + node + ", which is not a block device";
        Shell(losetup + " -d " + Quoted(node) + " 2>/dev/null");
    } else {
        node_ = node;
        device_ = nodeStatus.st_rdev;
        LoopDevicesInUse& inUse = InUse();
        std::lock_guard<std::mutex> lock(inUse.mutex);
        inUse.devices.insert(device_);
        return;
    }
    holdsLock_ = false;
    StopUsing();
}

LoopDevice::~LoopDevice() {
    if (!node_.empty()) {
        {
            LoopDevicesInUse& inUse = InUse();
            std::lock_guard<std::mutex> lock(inUse.mutex);
            inUse.devices.erase(device_);
        }
        if (Shell(FindProgram("losetup") + " -d " + Quoted(node_)) != 0) {
            ADD_FAILURE() << "losetup -d " << node_ << " failed";
        }
        // A device still open elsewhere is detached once it is closed; wait
        // for that, so that the disk numbers are settled when the lock goes.
        const std::string attribute = SysLoopAttribute(node_);
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
        std::error_code error;
        while (std::filesystem::exists(attribute, error) &&
               std::chrono::steady_clock::now() < deadline) {
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        if (std::filesystem::exists(attribute, error)) {
            ADD_FAILURE() << node_ << " is still attached after losetup -d";
        }
    }
    if (holdsLock_) {
        StopUsing();
    }
}

int LoopDevice::Number() const {
    const std::vector<BlockDevice> disks = EnumerateDisks();
    for (std::size_t i = 0; i < disks.size(); ++i) {
        if (!node_.empty() && disks[i].major == ::major(device_) &&
            disks[i].minor == ::minor(device_)) {
            return static_cast<int>(i);
        }
    }
    return -1;
}

std::wstring LoopDevice::DiskPath() const {
    const int number = Number();
    if (number < 0) {
        ADD_FAILURE() << node_ << " is not in the device list";
    }
    return MakeDiskPath(number);
}
