#pragma once

#include <cstdint>
#include <string>

// What a disk is, as opposed to where it stands in the disk list: its device
// number, size and model. A job records the identity of each disk when the
// disk is chosen, and every later open checks that the number still names
// that disk, so that a device attached or removed in between can never turn a
// job onto another disk.
struct DiskIdentity {
    int number = -1;  // N of "\\.\PhysicalDriveN" when the disk was chosen
    unsigned major = 0;
    unsigned minor = 0;
    std::int64_t size = 0;  // bytes
    std::string model;      // without blanks at either end; may be empty
    std::string node;       // "/dev/sdb": how the user knows the disk
    // The kernel's media sequence number, new for every medium a device
    // gets (a card in a reader); 0 when the kernel does not tell.
    std::uint64_t sequence = 0;

    bool Known() const { return number >= 0 && (major != 0 || minor != 0); }
};

// One device: the same device number (sameness of a source and a target).
inline bool SameDevice(const DiskIdentity& a, const DiskIdentity& b) {
    return a.Known() && b.Known() && a.major == b.major && a.minor == b.minor;
}

// Still the disk that was chosen: the same device with the same size, model
// and medium (a card swapped in a reader keeps the device number, and may
// have the size of the one before; its sequence number is new).
inline bool SameDisk(const DiskIdentity& a, const DiskIdentity& b) {
    return SameDevice(a, b) && a.size == b.size && a.model == b.model &&
           (a.sequence == 0 || b.sequence == 0 || a.sequence == b.sequence);
}
