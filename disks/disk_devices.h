#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "disks/disk_access.h"

// The platform's raw device interface beneath disk_access.h: one
// implementation per operating system, chosen by the build. Tests put
// simulated disks in its place with ReplaceDiskDevices.
class DiskDevices {
public:
    virtual ~DiskDevices() = default;

    // Disk `number` of the machine's list now.
    virtual std::optional<DiskIdentity> Describe(int number) = 0;
    // Opens disk `number` for `use`; kInvalidDiskHandle with the reason when
    // it cannot be opened.
    virtual DiskHandle Open(int number, DiskUse use, DiskOpenError& error, int& systemError) = 0;
    // What the open handle is; nothing when that cannot be told.
    virtual std::optional<DiskIdentity> Identify(DiskHandle handle) = 0;
    virtual bool Size(DiskHandle handle, std::int64_t& size) = 0;
    // The smallest unit the device reads; false when it cannot tell.
    virtual bool LogicalBlockSize(DiskHandle, std::int32_t&) { return false; }
    virtual bool Seek(DiskHandle handle, std::int64_t offset) = 0;
    // Reads at the handle's position and advances it; false on failure.
    virtual bool Read(DiskHandle handle, void* buffer, std::int32_t count, std::int32_t& got) = 0;
    // As Read, but past the system's cache where the platform has one, so
    // that an unreadable sector fails only the reads that touch it, not the
    // cached stretch around it. Offsets and counts in whole 512-byte sectors.
    virtual bool ReadUncached(DiskHandle handle, void* buffer, std::int32_t count,
                              std::int32_t& got) {
        return Read(handle, buffer, count, got);
    }
    // Writes at the handle's position and advances it; returns the count taken.
    virtual std::int32_t Write(DiskHandle handle, const void* buffer, std::int32_t count) = 0;
    // Flushes what was written; false when the flush failed.
    virtual bool Flush(DiskHandle handle) = 0;
    virtual bool RereadPartitions(DiskHandle handle, int& systemError) = 0;
    // Flushes what was written, then closes; false when the flush failed.
    virtual bool Close(DiskHandle handle) = 0;
};

// The operating system's disks.
DiskDevices& PlatformDiskDevices();

// The disks that the operations of disk_access.h use: the platform's unless a
// test has replaced them.
DiskDevices& CurrentDiskDevices();

// Test seam: routes every disk operation to replacement (nullptr restores the
// platform's) and returns what was in place before. Not for production code.
DiskDevices* ReplaceDiskDevices(DiskDevices* replacement);
