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

namespace {

// Buffers for O_DIRECT: page-aligned, which satisfies every logical block size.
constexpr std::size_t kDirectAlignment = 4096;

// Block devices through file descriptors. Opened read and write, never
// O_DIRECT; a write-protected device is opened read-only so that it can still
// be read. Whatever was written is fsync'ed before the descriptor is closed.
class LinuxDiskDevices final : public DiskDevices {
public:
    DiskHandle Open(const std::wstring& path) override {
        const std::optional<int> number = ParseDiskPath(path);
        if (!number) {
            return kInvalidDiskHandle;
        }
        const std::vector<BlockDevice> disks = EnumerateDisks();
        if (*number >= static_cast<int>(disks.size())) {
            return kInvalidDiskHandle;
        }
        const BlockDevice& disk = disks[*number];
        const std::string node = "/dev/" + disk.name;
        int fd = OpenRetryingInterrupts(node.c_str(), O_RDWR | O_CLOEXEC);
        if (fd < 0 && errno == EROFS) {
            fd = OpenRetryingInterrupts(node.c_str(), O_RDONLY | O_CLOEXEC);
        }
        if (fd < 0) {
            return kInvalidDiskHandle;
        }
        // The node must be the block device the enumeration named, not
        // whatever else may sit under that name.
        struct stat status {};
        if (fstat(fd, &status) != 0 || !S_ISBLK(status.st_mode) ||
            ::major(status.st_rdev) != disk.major || ::minor(status.st_rdev) != disk.minor) {
            ::close(fd);
            return kInvalidDiskHandle;
        }
        return fd;
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
    static int OpenRetryingInterrupts(const char* node, int flags) {
        int fd = -1;
        do {
            fd = ::open(node, flags);
        } while (fd < 0 && errno == EINTR);
        return fd;
    }

    std::mutex mutex_;
    std::unordered_set<int> written_;
};

}  // namespace

DiskDevices& PlatformDiskDevices() {
    static LinuxDiskDevices devices;
    return devices;
}
