#pragma once

#include <sys/types.h>

#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "loop_device.h"
#include "test_files.h"

// A real block device with an unreadable stretch: the image is served by our
// FUSE file system (brevel_faulty_fs), which fails every read that touches
// [badOffset, badOffset + badLength) with EIO, and a read-only loop device is
// attached to the file it serves. Reads of the device beside that stretch
// succeed; the kernel reports a failure per page, so a stretch aligned to
// 4096 bytes fails exactly there.
//
// Destruction detaches the loop device, unmounts the file system and waits
// for its process. Like LoopDevice it does not skip by itself: check
// Attached() (SKIP_UNLESS_READY).
class FaultyDisk {
public:
    FaultyDisk(const std::filesystem::path& image, std::int64_t badOffset, std::int64_t badLength);
    // A writable disk as large as `image` that holds only its first
    // `wrapSize` bytes: reads and writes beyond wrap around to the start, and
    // every write succeeds (a card that fakes its capacity).
    struct WrapAround {
        std::int64_t wrapSize;
    };
    FaultyDisk(const std::filesystem::path& image, WrapAround wrap);
    ~FaultyDisk();
    FaultyDisk(const FaultyDisk&) = delete;
    FaultyDisk& operator=(const FaultyDisk&) = delete;

    bool Attached() const { return problem_.empty(); }
    const std::string& Problem() const { return problem_; }

    std::wstring DiskPath() const { return loop_->DiskPath(); }

private:
    bool Mount(const std::filesystem::path& image, const std::vector<std::string>& options);
    void Attach(LoopDevice::Access access);
    void Unmount();

    std::string problem_;
    TempDir dir_;
    std::filesystem::path mountPoint_;
    pid_t server_ = -1;
    bool mounted_ = false;
    std::unique_ptr<LoopDevice> loop_;
};
