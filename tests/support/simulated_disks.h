#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "disks/disk_devices.h"

// Disks that live in memory and fail on demand, put in place of the
// platform's through the disk seam for as long as the object lives.
struct SimulatedDisk {
    std::vector<unsigned char> data;
    // What the disk is: a device number of the experimental range, so that
    // no real mount or partition ever matches it.
    unsigned major = 240;
    unsigned minor = 0;
    std::string model = "Simulated Disk";
    std::uint64_t sequence = 1;  // a new medium in the same device gets another

    bool openFails = false;
    bool sizeFails = false;
    bool seekFails = false;
    // A read of the first sector comes back with this many bytes (-1: all).
    std::int32_t firstSectorLength = -1;
    // Reads that cover one of these offsets fail: the value is how many more
    // times (-1: always).
    std::map<std::int64_t, int> readFailures;
    // Writes are taken only up to this many bytes of the disk (-1: no limit).
    std::int64_t writeLimit = -1;
    // The smallest unit the disk reads (0: it cannot tell).
    std::int32_t logicalBlockSize = 0;
    // Closing a written handle reports a failed flush.
    bool flushFails = false;
    // The disk is in use (a mount): an exclusive open fails with EBUSY.
    bool busy = false;

    // What happened, for the tests to look at.
    std::vector<std::int64_t> readOffsets;  // every read attempt, failed ones too
    int opens = 0;
    int exclusiveOpens = 0;
    int partitionRereads = 0;
    int closes = 0;
    bool written = false;
};

class SimulatedDisks final : public DiskDevices {
public:
    SimulatedDisks();
    ~SimulatedDisks() override;

    // Adds a disk of the given content as "\\.\PhysicalDrive<number>", with
    // device number 240:<number> (/dev/sim<number>).
    SimulatedDisk& Add(int number, std::vector<unsigned char> data);
    // Moves disk `from` to number `to`, as a device attached before it would.
    void Renumber(int from, int to);
    SimulatedDisk& Disk(int number) { return *disks_.at(number); }
    int OpenHandles() const;

    std::optional<DiskIdentity> Describe(int number) override;
    DiskHandle Open(int number, DiskUse use, DiskOpenError& error, int& systemError) override;
    std::optional<DiskIdentity> Identify(DiskHandle handle) override;
    bool Size(DiskHandle handle, std::int64_t& size) override;
    bool LogicalBlockSize(DiskHandle handle, std::int32_t& size) override;
    bool Seek(DiskHandle handle, std::int64_t offset) override;
    bool Read(DiskHandle handle, void* buffer, std::int32_t count, std::int32_t& got) override;
    std::int32_t Write(DiskHandle handle, const void* buffer, std::int32_t count) override;
    bool Flush(DiskHandle handle) override;
    bool RereadPartitions(DiskHandle handle, int& systemError) override;
    bool Close(DiskHandle handle) override;

private:
    struct OpenDisk {
        SimulatedDisk* disk;
        std::int64_t position;
        bool written;
    };

    mutable std::mutex mutex_;
    std::map<int, std::unique_ptr<SimulatedDisk>> disks_;
    std::map<DiskHandle, OpenDisk> handles_;
    DiskHandle nextHandle_ = 100;
    DiskDevices* previous_;
};
