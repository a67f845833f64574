#include "disks/disk_access.h"

#include <atomic>
#include <cstring>
#include <utility>

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

OpenedDisk& OpenedDisk::operator=(OpenedDisk&& other) noexcept {
    if (this != &other) {
        Close();
        handle_ = other.Release();
    }
    return *this;
}

DiskHandle OpenedDisk::Release() noexcept {
    return std::exchange(handle_, kInvalidDiskHandle);
}

bool OpenedDisk::Close() {
    if (handle_ == kInvalidDiskHandle) {
        return true;
    }
    return CurrentDiskDevices().Close(Release());
}

std::optional<DiskIdentity> DescribeDisk(int number) {
    if (number < 0) {
        return std::nullopt;
    }
    return CurrentDiskDevices().Describe(number);
}

DiskOpening OpenDisk(const DiskIdentity& expected, DiskUse use) {
    DiskOpening opening;
    if (!expected.Known()) {
        opening.error = DiskOpenError::NoSuchDisk;
        return opening;
    }
    DiskDevices& devices = CurrentDiskDevices();
    const DiskHandle handle =
        devices.Open(expected.number, use, opening.error, opening.systemError);
    if (handle == kInvalidDiskHandle) {
        if (opening.error == DiskOpenError::None) {
            opening.error = DiskOpenError::System;
        }
        return opening;
    }
    OpenedDisk disk(handle);
    const std::optional<DiskIdentity> actual = devices.Identify(handle);
    if (!actual || !SameDisk(*actual, expected)) {
        opening.error = DiskOpenError::Changed;
        return opening;  // closed unwritten
    }
    opening.error = DiskOpenError::None;
    opening.disk = std::move(disk);
    return opening;
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
    std::int32_t got = 0;
    return ReadDiskAt(handle, 0, buffer, kFirstSectorSize, got) && got == kFirstSectorSize;
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

bool FlushDisk(DiskHandle handle) {
    return handle != kInvalidDiskHandle && CurrentDiskDevices().Flush(handle);
}

bool RereadPartitionTable(DiskHandle handle, int& systemError) {
    systemError = 0;
    return handle != kInvalidDiskHandle &&
           CurrentDiskDevices().RereadPartitions(handle, systemError);
}
