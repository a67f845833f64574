#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "disks/disk_identity.h"

// The only place where Brevel touches a physical disk. A disk is chosen by its
// number N ("\\.\PhysicalDriveN") and known from then on by its identity;
// callers word their own failures.

// An open device handle. The invalid value has all bits set.
using DiskHandle = std::intptr_t;
inline constexpr DiskHandle kInvalidDiskHandle = -1;

inline constexpr int kFirstSectorSize = 512;

// "\\.\PhysicalDrive%d" with n in decimal.
std::wstring MakeDiskPath(int n);

// What a disk is opened for. A source is only read, and others may use it at
// the same time; a target is opened for writing and exclusively, so that the
// kernel refuses a disk with a mounted partition, active swap or a
// device-mapper or RAID holder (and anyone else's exclusive open of it).
enum class DiskUse { Read, Write };

enum class DiskOpenError {
    None,
    NoSuchDisk,  // no disk has the number any more
    Changed,     // the number now names another disk than the one chosen
    System,      // the system refused; systemError says why
};

// An open disk, closed when its owner goes. Move-only.
class OpenedDisk {
public:
    OpenedDisk() = default;
    explicit OpenedDisk(DiskHandle handle) : handle_(handle) {}
    ~OpenedDisk() { Close(); }
    OpenedDisk(OpenedDisk&& other) noexcept : handle_(other.Release()) {}
    OpenedDisk& operator=(OpenedDisk&& other) noexcept;
    OpenedDisk(const OpenedDisk&) = delete;
    OpenedDisk& operator=(const OpenedDisk&) = delete;

    bool IsOpen() const { return handle_ != kInvalidDiskHandle; }
    DiskHandle Handle() const { return handle_; }

    // Flushes what was written to the device, then closes. False when that
    // flush failed, so that data never counts as written while it still sits
    // in a cache. True when nothing was open.
    bool Close();

private:
    DiskHandle Release() noexcept;

    DiskHandle handle_ = kInvalidDiskHandle;
};

struct DiskOpening {
    OpenedDisk disk;
    DiskOpenError error = DiskOpenError::None;
    int systemError = 0;  // errno for DiskOpenError::System
};

// The identity of disk N as the machine lists it now; nothing when there is
// no such disk.
std::optional<DiskIdentity> DescribeDisk(int number);

// Opens the disk `expected` was taken from, by its number, for `use`, and
// checks that it still is that disk. A write-protected target fails with
// EROFS.
DiskOpening OpenDisk(const DiskIdentity& expected, DiskUse use);

// The disk's size in bytes; false when it cannot be told (a reader without
// media, say).
bool QueryDiskSize(DiskHandle handle, std::int64_t& size);

// The smallest unit the disk reads (its logical block size); false when it
// cannot be told.
bool QueryLogicalBlockSize(DiskHandle handle, std::int32_t& size);

// Zero-fills buffer (kFirstSectorSize bytes), then reads kFirstSectorSize
// bytes at offset 0. True only when exactly that many bytes came back.
bool ReadFirstSector(DiskHandle handle, unsigned char* buffer);

// Reads count bytes at the absolute offset. False when the seek or the read
// fails; otherwise got is the count read, which may be short.
bool ReadDiskAt(DiskHandle handle, std::int64_t offset, void* buffer, std::int32_t count,
                std::int32_t& got);

// As ReadDiskAt, but past the system's cache: for reading a failed stretch
// again piece by piece. offset and count are whole 512-byte sectors.
bool ReadDiskUncachedAt(DiskHandle handle, std::int64_t offset, void* buffer, std::int32_t count,
                        std::int32_t& got);

// Writes count bytes at the absolute offset and returns the count written: 0
// when the seek failed, short when the device took fewer bytes.
std::int32_t WriteDiskAt(DiskHandle handle, std::int64_t offset, const void* buffer,
                         std::int32_t count);

// Moves the handle's position to the absolute offset.
bool SeekDisk(DiskHandle handle, std::int64_t offset);

// Flushes what was written to the device; false when that failed.
bool FlushDisk(DiskHandle handle);

// Asks the kernel to read the disk's partition table again, after the disk
// was written, so that its new partitions appear without a reboot. False,
// with errno in systemError, when the kernel refused (a partition in use).
bool RereadPartitionTable(DiskHandle handle, int& systemError);
