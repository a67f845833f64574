#pragma once

#include <sys/types.h>

#include <filesystem>
#include <string>

// A real block device for tests: a loop device over a file, attached with
// losetup for as long as the object lives and detached when it goes.
//
// Disk numbers follow the machine's device list, so a loop device that comes
// or goes renumbers the disks after it. Two things keep a test from ever
// opening another disk than its own:
// - every LoopDevice of every test process holds one machine-wide lock (a
//   flock on /run/lock/brevel-loop-devices.lock) from before it attaches
//   until after its device is gone, so that tests using this fixture never
//   renumber each other's disks;
// - while a LoopDevice lives, the disk operations of disk_access.h go to the
//   platform's implementation through a guard that refuses, and fails the
//   test on, any handle to a device that is not one of the live loop devices.
//
// The fixture does not skip by itself: a test checks Attached() and skips with
// Problem() (see SKIP_UNLESS_READY).
class LoopDevice {
public:
    enum class Access { ReadWrite, ReadOnly };

    explicit LoopDevice(const std::filesystem::path& file, Access access = Access::ReadWrite);
    ~LoopDevice();
    LoopDevice(const LoopDevice&) = delete;
    LoopDevice& operator=(const LoopDevice&) = delete;

    bool Attached() const { return problem_.empty(); }
    // Why the device could not be attached; empty when it is.
    const std::string& Problem() const { return problem_; }

    // "/dev/loopN".
    const std::string& Node() const { return node_; }
    // N of "\\.\PhysicalDriveN" for this device right now; -1 when the device
    // list does not show it.
    int Number() const;
    // "\\.\PhysicalDriveN"; fails the current test when Number() is -1.
    std::wstring DiskPath() const;

private:
    std::string problem_;
    std::string node_;
    dev_t device_ = 0;
    bool holdsLock_ = false;
};

// Skips the current test, with the reason, unless `fixture` (a LoopDevice or
// a FaultyDisk) is ready to use.
#define SKIP_UNLESS_READY(fixture)           \
    if (!(fixture).Attached()) {             \
        GTEST_SKIP() << (fixture).Problem(); \
    }                                        \
    static_assert(true, "a semicolon follows the macro")
