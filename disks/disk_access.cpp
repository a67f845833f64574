#include "disks/disk_access.h"

#include <atomic>
#include <cstring>

#include "disks/disk_devices.h"

namespace {

std::atomic<DiskDevices*> replacedDevices{nullptr};

}  // namespace

DiskDevices& CurrentDiskDevices() {
    DiskDevices* replaced = replacedDevices.load();
    return replaced != nullptr ? *replaced : PlatformDiskDevices();
}

DiskDevices* ReplaceDiskDevices(DiskDevices* replacement) {
    return replacedDevices.exchange(replacement);
}

std::wstring MakeDiskPath(int n) {
    return L"\\\\.\\PhysicalDrive" + std::to_wstring(n);
}

DiskHandle OpenDiskDevice(const std::wstring& path) {
    return CurrentDiskDevices().Open(path);
}

bool QueryDiskSize(DiskHandle handle, std::int64_t& size) {
    if (handle == kInvalidDiskHandle) {
        return false;
    }
    return CurrentDiskDevices().Size(handle, size);
}

bool QueryLogicalBlockSize(DiskHandle handle, std::int32_t& size) {
    return handle != kInvalidDiskHandle && CurrentDiskDevices().LogicalBlockSize(handle, size);
}

bool ReadFirstSector(DiskHandle handle, unsigned char* buffer) {
    std::memset(buffer, 0, kFirstSectorSize);
    if (handle == kInvalidDiskHandle) {
        return false;
    }
    std::int32_t got = 0;
    return CurrentDiskDevices().Read(handle, buffer, kFirstSectorSize, got) &&
           got == kFirstSectorSize;
}

namespace {

bool ReadAt(DiskHandle handle, std::int64_t offset, void* buffer, std::int32_t count,
            std::int32_t& got, bool uncached) {
    got = 0;
    if (!SeekDisk(handle, offset)) {
        return false;
    }
    DiskDevices& devices = CurrentDiskDevices();
    return uncached ? devices.ReadUncached(handle, buffer, count, got)
                    : devices.Read(handle, buffer, count, got);
}

}  // namespace

bool ReadDiskAt(DiskHandle handle, std::int64_t offset, void* buffer, std::int32_t count,
                std::int32_t& got) {
    return ReadAt(handle, offset, buffer, count, got, false);
}

bool ReadDiskUncachedAt(DiskHandle handle, std::int64_t offset, void* buffer, std::int32_t count,
                        std::int32_t& got) {
    return ReadAt(handle, offset, buffer, count, got, true);
}

std::int32_t WriteDiskAt(DiskHandle handle, std::int64_t offset, const void* buffer,
                         std::int32_t count) {
    if (!SeekDisk(handle, offset)) {
        return 0;
    }
    return CurrentDiskDevices().Write(handle, buffer, count);
}

bool SeekDisk(DiskHandle handle, std::int64_t offset) {
    if (handle == kInvalidDiskHandle || offset < 0) {
        return false;
    }
    return CurrentDiskDevices().Seek(handle, offset);
}

bool CloseDiskDevice(DiskHandle& handle) {
    if (handle == kInvalidDiskHandle) {
        return true;
    }
    const bool flushed = CurrentDiskDevices().Close(handle);
    handle = kInvalidDiskHandle;
    return flushed;
}
