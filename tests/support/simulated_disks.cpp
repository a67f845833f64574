#include "simulated_disks.h"

#include <algorithm>
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
    return *disk;
}

int SimulatedDisks::OpenHandles() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return static_cast<int>(handles_.size());
}

DiskHandle SimulatedDisks::Open(const std::wstring& path) {
    std::lock_guard<std::mutex> lock(mutex_);
    const std::optional<int> number = ParseDiskPath(path);
    if (!number || !disks_.count(*number) || disks_[*number]->openFails) {
        return kInvalidDiskHandle;
    }
    SimulatedDisk* disk = disks_[*number].get();
    ++disk->opens;
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

bool SimulatedDisks::Close(DiskHandle handle) {
    std::lock_guard<std::mutex> lock(mutex_);
    const OpenDisk open = handles_.at(handle);
    handles_.erase(handle);
    ++open.disk->closes;
    return !(open.written && open.disk->flushFails);
}
