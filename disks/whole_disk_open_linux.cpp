// The privileged side of disk access: what the disk helper will open.
#include <fcntl.h>
#include <linux/fs.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <cerrno>
#include <filesystem>

#include "disks/disk_enumeration.h"
#include "disks/disk_opener.h"

namespace {

// A whole disk of the enumeration, a partition, or anything else, by device
// number.
DiskOpenRefusal Classify(const std::string& sysRoot, dev_t device) {
    for (const BlockDevice& disk : EnumerateDisks(sysRoot)) {
        if (disk.major == ::major(device) && disk.minor == ::minor(device)) {
            return DiskOpenRefusal::None;
        }
    }
    const std::string number =
        std::to_string(::major(device)) + ":" + std::to_string(::minor(device));
    std::error_code error;
    if (std::filesystem::exists(std::filesystem::path(sysRoot) / "dev/block" / number / "partition",
                                error)) {
        return DiskOpenRefusal::Partition;
    }
    return DiskOpenRefusal::NotADisk;
}

DiskOpenRefusal RefusalOfOpenError(int error) {
    switch (error) {
        case EBUSY:
            return DiskOpenRefusal::InUse;
        case EROFS:
            return DiskOpenRefusal::ReadOnly;
        case ENOENT:
        case ENXIO:
        case ENODEV:
        case ELOOP:
            return DiskOpenRefusal::NotADisk;
        default:
            return DiskOpenRefusal::CannotOpen;
    }
}

}  // namespace

HandedOverDisk OpenWholeDisk(const std::string& path, DiskUse access, const std::string& sysRoot) {
    HandedOverDisk result;
    struct stat named {};
    if (::lstat(path.c_str(), &named) != 0 || !S_ISBLK(named.st_mode)) {
        result.refusal = DiskOpenRefusal::NotADisk;
        return result;
    }
    result.refusal = Classify(sysRoot, named.st_rdev);
    if (result.refusal != DiskOpenRefusal::None) {
        return result;
    }
    const int flags =
        (access == DiskUse::Write ? O_RDWR | O_EXCL : O_RDONLY) | O_CLOEXEC | O_NOFOLLOW | O_NOCTTY;
    int fd = -1;
    do {
        fd = ::open(path.c_str(), flags);
    } while (fd < 0 && errno == EINTR);
    if (fd < 0) {
        result.refusal = RefusalOfOpenError(errno);
        return result;
    }
    result.fd = UniqueFd(fd);
    // The node may have been replaced between the look and the open.
    struct stat opened {};
    if (::fstat(fd, &opened) != 0 || !S_ISBLK(opened.st_mode) || opened.st_rdev != named.st_rdev) {
        result.fd.Reset();
        result.refusal = DiskOpenRefusal::NotADisk;
        return result;
    }
    // Some kernels open a write-protected disk for writing and fail each write.
    int readOnly = 0;
    if (access == DiskUse::Write && ::ioctl(fd, BLKROGET, &readOnly) == 0 && readOnly != 0) {
        result.fd.Reset();
        result.refusal = DiskOpenRefusal::ReadOnly;
    }
    return result;
}
