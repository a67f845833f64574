#pragma once

#include <cstdint>
#include <string>

// The only place where Brevel touches a physical disk. A disk is named by its
// number N and addressed by the path "\\.\PhysicalDriveN"; callers word their
// own failures.

// An open device handle. The invalid value has all bits set; its holder closes
// it once.
using DiskHandle = std::intptr_t;
inline constexpr DiskHandle kInvalidDiskHandle = -1;

inline constexpr int kFirstSectorSize = 512;

// "\\.\PhysicalDrive%d" with n in decimal.
std::wstring MakeDiskPath(int n);

// Opens an existing disk for reading and writing (read-only when the device
// itself is write-protected). kInvalidDiskHandle when it cannot be opened.
DiskHandle OpenDiskDevice(const std::wstring& path);

// The disk's size in bytes; false when it cannot be told (a reader without
// media, say).
bool QueryDiskSize(DiskHandle handle, std::int64_t& size);

// The smallest unit the disk reads (its logical block size); false when it
// cannot be told.
bool QueryLogicalBlockSize(DiskHandle handle, std::int32_t& size);

// Zero-fills buffer (kFirstSectorSize bytes), then reads kFirstSectorSize
// bytes at the handle's current position (offset 0 right after opening). True
// only when exactly that many bytes came back.
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

// Closes handle if it is valid and makes it invalid. A handle that was written
// is flushed to the device first; false when that flush failed, so that data
// never counts as written while it still sits in a cache.
bool CloseDiskDevice(DiskHandle& handle);
