#include "simulated_disks.h"

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "disks/disk_enumeration.h"

SimulatedDisks::SimulatedDisks() : previous_(ReplaceDiskDevices(this)) {}

SimulatedDisks::~SimulatedDisks() {
    ReplaceDiskDevices(previous_);
}

SimulatedDisk& SimulatedDisks::Add(int number, std::vector<unsigned char> data) {
    std::lock_guard<std::mutex> lock(mutex_);
    auto& disk = disks_[number];
    disk = std::make_unique<SimulatedDisk>();
    disk->data = std::move(data);
    disk->minor = static_cast<unsigned>(number);
    return *disk;
}

void SimulatedDisks::Renumber(int from, int to) {
    std::lock_guard<std::mutex> lock(mutex_);
    auto node = disks_.extract(from);
    node.key() = to;
    disks_.insert(std::move(node));
}

std::optional<DiskIdentity> SimulatedDisks::Describe(int number) {
    std::lock_guard<std::mutex> lock(mutex_);
    const auto found = disks_.find(number);
    if (found == disks_.end()) {
        return std::nullopt;
    }
    const SimulatedDisk& disk = *found->second;
    return DiskIdentity{number,       disk.major,
                        disk.minor,   static_cast<std::int64_t>(disk.data.size()),
                        disk.model,   "/dev/sim" + std::to_string(disk.minor),
                        disk.sequence};
}

std::optional<DiskIdentity> SimulatedDisks::Identify(DiskHandle handle) {
    std::lock_guard<std::mutex> lock(mutex_);
    const SimulatedDisk& disk = *handles_.at(handle).disk;
    return DiskIdentity{0,
                        disk.major,
                        disk.minor,
                        static_cast<std::int64_t>(disk.data.size()),
                        disk.model,
                        "/dev/sim" + std::to_string(disk.minor),
                        disk.sequence};
}

int SimulatedDisks::OpenHandles() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return static_cast<int>(handles_.size());
}

DiskHandle SimulatedDisks::Open(int number, DiskUse use, DiskOpenError& error, int& systemError) {
    std::lock_guard<std::mutex> lock(mutex_);
    if (!disks_.count(number)) {
        error = DiskOpenError::NoSuchDisk;
        return kInvalidDiskHandle;
    }
    SimulatedDisk* disk = disks_[number].get();
    if (disk->openFails || (use == DiskUse::Write && disk->busy)) {
        error = DiskOpenError::System;
        systemError = disk->openFails ? EIO : EBUSY;
        return kInvalidDiskHandle;
    }
    ++disk->opens;
    if (use == DiskUse::Write) {
        ++disk->exclusiveOpens;
    }
    const DiskHandle handle = nextHandle_++;
    handles_[handle] = OpenDisk{disk, 0, false};
    return handle;
}

bool SimulatedDisks::Size(DiskHandle handle, std::int64_t& size) {
    std::lock_guard<std::mutex> lock(mutex_);
    const OpenDisk& open = handles_.at(handle);
    if (open.disk->sizeFails) {
        return false;
    }
    size = static_cast<std::int64_t>(open.disk->data.size());
    return true;
}

bool SimulatedDisks::LogicalBlockSize(DiskHandle handle, std::int32_t& size) {
    std::lock_guard<std::mutex> lock(mutex_);
    size = handles_.at(handle).disk->logicalBlockSize;
    return size > 0;
}

bool SimulatedDisks::Seek(DiskHandle handle, std::int64_t offset) {
    std::lock_guard<std::mutex> lock(mutex_);
    OpenDisk& open = handles_.at(handle);
    if (open.disk->seekFails) {
        return false;
    }
    open.position = offset;
    return true;
}

bool SimulatedDisks::Read(DiskHandle handle, void* buffer, std::int32_t count, std::int32_t& got) {
    std::lock_guard<std::mutex> lock(mutex_);
    OpenDisk& open = handles_.at(handle);
    SimulatedDisk& disk = *open.disk;
    disk.readOffsets.push_back(open.position);
    got = 0;
    for (auto& [offset, times] : disk.readFailures) {
        if (times != 0 && offset >= open.position && offset < open.position + count) {
            if (times > 0) {
                --times;
            }
            return false;
        }
    }
    const auto size = static_cast<std::int64_t>(disk.data.size());
    std::int64_t length = std::clamp<std::int64_t>(size - open.position, 0, count);
    if (open.position == 0 && disk.firstSectorLength >= 0) {
        length = std::min<std::int64_t>(length, disk.firstSectorLength);
    }
    std::memcpy(buffer, disk.data.data() + std::min(open.position, size), length);
    open.position += length;
    got = static_cast<std::int32_t>(length);
    return true;
}

std::int32_t SimulatedDisks::Write(DiskHandle handle, const void* buffer, std::int32_t count) {
    std::lock_guard<std::mutex> lock(mutex_);
    OpenDisk& open = handles_.at(handle);
    SimulatedDisk& disk = *open.disk;
    std::int64_t end = static_cast<std::int64_t>(disk.data.size());
    if (disk.writeLimit >= 0) {
        end = std::min(end, disk.writeLimit);
    }
    const std::int64_t length = std::clamp<std::int64_t>(end - open.position, 0, count);
    std::memcpy(disk.data.data() + std::min(open.position, end), buffer, length);
    open.position += length;
    open.written = disk.written = true;
    return static_cast<std::int32_t>(length);
}

bool SimulatedDisks::Flush(DiskHandle handle) {
    std::lock_guard<std::mutex> lock(mutex_);
    const OpenDisk& open = handles_.at(handle);
    return !(open.written && open.disk->flushFails);
}

bool SimulatedDisks::RereadPartitions(DiskHandle handle, int&) {
    std::lock_guard<std::mutex> lock(mutex_);
    ++handles_.at(handle).disk->partitionRereads;
    return true;
}

bool SimulatedDisks::Close(DiskHandle handle) {
    std::lock_guard<std::mutex> lock(mutex_);
    const OpenDisk open = handles_.at(handle);
    handles_.erase(handle);
    ++open.disk->closes;
    return !(open.written && open.disk->flushFails);
}
