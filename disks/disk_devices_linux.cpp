#include <fcntl.h>
#include <linux/fs.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <unordered_set>

#include "disks/disk_devices.h"
#include "disks/disk_enumeration.h"
#include "disks/disk_opener.h"

namespace {

DiskIdentity IdentityOf(const BlockDevice& disk, int number) {
    return {number,
            disk.major,
            disk.minor,
            disk.size,
            TrimmedModel(disk.model),
            "/dev/" + disk.name,
            disk.sequence};
}

int OpenRetryingInterrupts(const char* node, int flags) {
    int fd = -1;
    do {
        fd = ::open(node, flags);
    } while (fd < 0 && errno == EINTR);
    return fd;
}

// Buffers for O_DIRECT: page-aligned, which satisfies every logical block size.
constexpr std::size_t kDirectAlignment = 4096;

// Block devices through file descriptors, O_DIRECT only for the rescue reads.
// A source is opened read-only; a target for reading and writing with O_EXCL,
// which the kernel refuses for a block device that is mounted or otherwise
// claimed. Whatever was written is fsync'ed before the descriptor is closed.
class LinuxDiskDevices final : public DiskDevices {
public:
    std::optional<DiskIdentity> Describe(int number) override {
        const std::vector<BlockDevice> disks = EnumerateDisks();
        if (number < 0 || number >= static_cast<int>(disks.size())) {
            return std::nullopt;
        }
        return IdentityOf(disks[number], number);
    }

    DiskHandle Open(int number, DiskUse use, DiskOpenError& error, int& systemError) override {
        const std::vector<BlockDevice> disks = EnumerateDisks();
        if (number < 0 || number >= static_cast<int>(disks.size())) {
            error = DiskOpenError::NoSuchDisk;
            return kInvalidDiskHandle;
        }
        const BlockDevice& disk = disks[number];
        const std::string node = "/dev/" + disk.name;
        int fd = -1;
        int openError = 0;
        if (const HelperDiskOpener* helper = PrivilegedDiskOpener()) {
            // Not root: the helper opens it as we would, exclusively for a target.
            HandedOverDisk handed = helper->Open(node, use);
            fd = handed.fd.Release();
            openError = SystemErrorOf(handed.refusal);
        } else {
            const int flags = use == DiskUse::Write ? O_RDWR | O_EXCL : O_RDONLY;
            fd = OpenRetryingInterrupts(node.c_str(), flags | O_CLOEXEC);
            openError = errno;
        }
        if (fd < 0) {
            error = DiskOpenError::System;
            systemError = openError;
            return kInvalidDiskHandle;
        }
        // The node must be the block device the enumeration named, not
        // whatever else may sit under that name.
        struct stat status {};
        if (fstat(fd, &status) != 0 || !S_ISBLK(status.st_mode) ||
            ::major(status.st_rdev) != disk.major || ::minor(status.st_rdev) != disk.minor) {
            ::close(fd);
            error = DiskOpenError::Changed;
            return kInvalidDiskHandle;
        }
        // The kernel lets root open a write-protected device for writing and
        // refuses only the writes: refuse the open instead.
        int readOnly = 0;
        if (use == DiskUse::Write && ioctl(fd, BLKROGET, &readOnly) == 0 && readOnly != 0) {
            ::close(fd);
            error = DiskOpenError::System;
            systemError = EROFS;
            return kInvalidDiskHandle;
        }
        return fd;
    }

    std::optional<DiskIdentity> Identify(DiskHandle handle) override {
        struct stat status {};
        std::int64_t size = 0;
        if (fstat(static_cast<int>(handle), &status) != 0 || !S_ISBLK(status.st_mode) ||
            !Size(handle, size)) {
            return std::nullopt;
        }
        const unsigned major = ::major(status.st_rdev);
        const unsigned minor = ::minor(status.st_rdev);
        const std::optional<SysBlockEntry> entry = ReadSysDevice("/sys", major, minor);
        if (!entry) {
            return std::nullopt;
        }
        // The medium behind the descriptor, when the kernel tells.
        std::uint64_t sequence = 0;
#ifdef BLKGETDISKSEQ
        if (ioctl(static_cast<int>(handle), BLKGETDISKSEQ, &sequence) != 0) {
            sequence = 0;
        }
#endif
        // The number is the caller's: the handle does not know its place.
        return DiskIdentity{
            0, major, minor, size, TrimmedModel(entry->model), "/dev/" + entry->name, sequence};
    }

    bool Size(DiskHandle handle, std::int64_t& size) override {
        std::uint64_t bytes = 0;
        if (ioctl(static_cast<int>(handle), BLKGETSIZE64, &bytes) != 0 || bytes > INT64_MAX) {
            return false;
        }
        size = static_cast<std::int64_t>(bytes);
        return true;
    }

    bool LogicalBlockSize(DiskHandle handle, std::int32_t& size) override {
        int bytes = 0;
        if (ioctl(static_cast<int>(handle), BLKSSZGET, &bytes) != 0 || bytes <= 0) {
            return false;
        }
        size = bytes;
        return true;
    }

    bool Seek(DiskHandle handle, std::int64_t offset) override {
        return lseek(static_cast<int>(handle), offset, SEEK_SET) == offset;
    }

    bool Read(DiskHandle handle, void* buffer, std::int32_t count, std::int32_t& got) override {
        got = 0;
        auto* bytes = static_cast<char*>(buffer);
        while (got < count) {
            const ssize_t n = ::read(static_cast<int>(handle), bytes + got, count - got);
            if (n < 0 && errno == EINTR) {
                continue;
            }
            if (n < 0) {
                // What came before the failing sector still counts; the next
                // read starts at the failure and reports it.
                return got > 0;
            }
            if (n == 0) {
                break;
            }
            got += static_cast<std::int32_t>(n);
        }
        return true;
    }

    // O_DIRECT for the one read: the page cache fails a whole folio (16 KiB
    // and more) around one bad sector, and keeps it failed for the next read.
    bool ReadUncached(DiskHandle handle, void* buffer, std::int32_t count,
                      std::int32_t& got) override {
        const int fd = static_cast<int>(handle);
        const int flags = fcntl(fd, F_GETFL);
        void* aligned = nullptr;
        if (flags < 0 || count <= 0 || posix_memalign(&aligned, kDirectAlignment, count) != 0) {
            return Read(handle, buffer, count, got);
        }
        bool ok = false;
        if (fcntl(fd, F_SETFL, flags | O_DIRECT) == 0) {
            ok = Read(handle, aligned, count, got);
            fcntl(fd, F_SETFL, flags);
            std::memcpy(buffer, aligned, static_cast<std::size_t>(got));
        } else {
            ok = Read(handle, buffer, count, got);
        }
        std::free(aligned);
        return ok;
    }

    std::int32_t Write(DiskHandle handle, const void* buffer, std::int32_t count) override {
        {
            std::lock_guard<std::mutex> lock(mutex_);
            written_.insert(static_cast<int>(handle));
        }
        std::int32_t done = 0;
        const auto* bytes = static_cast<const char*>(buffer);
        while (done < count) {
            const ssize_t n = ::write(static_cast<int>(handle), bytes + done, count - done);
            if (n < 0 && errno == EINTR) {
                continue;
            }
            if (n <= 0) {
                break;
            }
            done += static_cast<std::int32_t>(n);
        }
        return done;
    }

    bool Flush(DiskHandle handle) override {
        return fsync(static_cast<int>(handle)) == 0;
    }

    bool RereadPartitions(DiskHandle handle, int& systemError) override {
        if (ioctl(static_cast<int>(handle), BLKRRPART) == 0) {
            return true;
        }
        // EINVAL: a device without partition scanning (a plain loop device),
        // which has no partitions to show.
        systemError = errno;
        return systemError == EINVAL;
    }

    bool Close(DiskHandle handle) override {
        const int fd = static_cast<int>(handle);
        bool wasWritten = false;
        {
            std::lock_guard<std::mutex> lock(mutex_);
            wasWritten = written_.erase(fd) > 0;
        }
        const bool flushed = !wasWritten || fsync(fd) == 0;
        ::close(fd);
        return flushed;
    }

private:
    std::mutex mutex_;
    std::unordered_set<int> written_;
};

}  // namespace

DiskDevices& PlatformDiskDevices() {
    static LinuxDiskDevices devices;
    return devices;
}
