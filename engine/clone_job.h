#pragma once

#include <cstdint>
#include <string>
#include <utility>

#include "disks/disk_identity.h"

// What to copy: the source and the target, each a physical disk or an image
// file (raw or compressed), with the compression level and the known sizes.

// The formats themselves are described in engine/image_formats.h.
enum class CompressionMethod : std::int32_t {
    Gzip = 0,  // 0 to 4: also the positions in the window's type list and the stored setting
    Bzip2 = 1,
    Zlib = 2,
    Xz = 3,
    Zstd = 4,
    Zip = 5,  // read only: a zip archive holding one image
    None = -1,
};

enum class EndpointKind : std::int32_t {
    ImageFile = 0,
    PhysicalDisk = 1,  // "\\.\PhysicalDriveN", "disk:N" or a whole disk's device
};

// The user's answer to a read error on a source disk: the message box results
// IDABORT, IDRETRY and IDIGNORE. Every non-zero value other than Retry and
// Ignore stops the copy as Abort does.
enum class ReadErrorAnswer : std::int32_t {
    None = 0,
    Abort = 3,
    Retry = 4,
    Ignore = 5,
};

struct Endpoint {
    Endpoint() = default;
    Endpoint(std::wstring path, EndpointKind kind, bool compressed, CompressionMethod method)
        : path(std::move(path)), kind(kind), compressed(compressed), method(method) {}

    std::wstring path;
    EndpointKind kind = EndpointKind::ImageFile;
    // Consulted for an ImageFile only; a compressor is used only when
    // compressed is true and method names a format (not None).
    bool compressed = false;
    CompressionMethod method = CompressionMethod::None;
    // A PhysicalDisk: the disk the path named when it was chosen. The disk is
    // opened by this identity, never by the path again.
    DiskIdentity disk;
    // Why the path cannot be used at all (a partition, a FIFO); empty when
    // it can. Validation refuses the job with it.
    std::wstring refusal;
};

// A plain value, copied whole from the window into the task.
struct CloneJob {
    Endpoint source;
    // The disk's model text when the source was picked from the disk list,
    // else empty. The window names default images after it; the engine only
    // carries it.
    std::wstring sourceLabel;
    Endpoint target;
    // The compression level, within the target format's range (1 to 9, 1 to
    // 19 for Zstd): the deflate level for Gzip and Zlib, the block size in
    // units of 100,000 bytes for Bzip2, the preset for Xz. Starts at 10; the
    // window puts the stored level in before any job can start.
    std::int32_t level = 10;
    // Bytes, -1 = unknown (a compressed source image). A disk source is read
    // up to this size.
    std::int64_t sourceSize = -1;
    // Bytes of a target disk, -1 = unknown.
    std::int64_t targetSize = -1;
    // Threads that compress a target image or decompress a source image; 0:
    // one per core.
    std::int32_t threads = 0;
    // The user agreed to copy only what fits onto a target disk smaller than
    // the source: the copy ends, complete, at targetSize.
    bool truncateTarget = false;
    // After the copy, read the target back from the medium and compare it
    // with what was written.
    bool verify = false;
    // Hash what is copied (its SHA-256 for the report and NAME.sha256).
    // Always on in the faces; the benchmark turns it off to measure its cost.
    bool hash = true;
};
