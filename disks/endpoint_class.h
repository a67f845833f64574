#pragma once

#include <string>

#include "disks/disk_identity.h"

// What a Source or Target text names, decided in one place for every face:
// - "\\.\PhysicalDriveN" (letters in any case, leading zeros allowed) and
//   "disk:N" are disk N of the machine's list;
// - a path that resolves (links followed) to the block device of a whole disk
//   is that disk;
// - a partition, any other block device, a character device, a FIFO or a
//   socket is refused, with a text that says what it is;
// - every other path, under /dev or not, existing or not, is an image file.
enum class EndpointClass { ImageFile, Disk, Refused };

struct ClassifiedEndpoint {
    EndpointClass kind = EndpointClass::ImageFile;
    // A disk: what the name denoted when it was classified. Only the number
    // is set (Known() false) when no disk had that number.
    DiskIdentity disk;
    std::wstring refusal;  // why a Refused text cannot be used
};

// sysRoot: where the kernel's block device folder is (tests use a canned one).
ClassifiedEndpoint ClassifyEndpoint(const std::wstring& text, const std::string& sysRoot = "/sys");
