#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

// The one enumeration of the machine's disks that both the disk numbers of
// "\\.\PhysicalDriveN" and the disk list follow: the whole-disk block devices,
// never partitions, without ram and zram devices and without loop devices that
// have no backing file, ordered by device number (major, then minor). N counts
// from 0 in this order.

struct BlockDevice {
    std::string name;  // the kernel's name, "sda"; the device node is /dev/<name>
    unsigned major = 0;
    unsigned minor = 0;
    std::int64_t size = 0;  // bytes
    std::string model;      // as the kernel gives it, blanks included; may be empty
    bool removable = false;
    std::string backingFile;        // loop devices: the file behind the device
    std::int32_t sectorSize = 512;  // logical block size in bytes
    std::uint64_t sequence = 0;     // the medium's sequence number; 0: not told
};

// The texts of one entry of the kernel's block device folder, as read.
struct SysBlockEntry {
    std::string name;
    std::string dev;                         // "major:minor"
    std::string size;                        // in 512-byte sectors
    std::string model;                       // empty when the device has none
    std::string removable;                   // "0" or "1"
    std::optional<std::string> backingFile;  // loop devices that have one
    bool isPartition = false;
    std::string logicalBlockSize;  // bytes; empty when not told
    std::string parent;            // a partition found by ReadSysDevice: its disk's name
    std::string diskSequence;      // "diskseq"; empty on kernels without it
};

// Parses, filters and orders entries as described above. An entry whose device
// number cannot be read is left out.
std::vector<BlockDevice> SelectDisks(const std::vector<SysBlockEntry>& entries);

// Reads the entries of <sysRoot>/block.
std::vector<SysBlockEntry> ReadSysBlock(const std::string& sysRoot);

std::vector<BlockDevice> EnumerateDisks(const std::string& sysRoot = "/sys");

// The block device with this device number among the disks of <sysRoot>/block
// and their partitions (isPartition and parent set for one); nothing when
// there is none.
std::optional<SysBlockEntry> ReadSysDevice(const std::string& sysRoot, unsigned major,
                                           unsigned minor);

// A model text without the blanks that pad it.
std::string TrimmedModel(const std::string& model);

// N of "\\.\PhysicalDriveN" (letters in any case, N in decimal digits), or
// nothing when the path has another form.
std::optional<int> ParseDiskPath(const std::wstring& path);
