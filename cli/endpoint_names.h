#pragma once

#include <string>

// The shell's names for a disk, turned into the "\\.\PhysicalDriveN" that the
// window's classification knows:
// - "disk:N" (N in decimal digits) is disk N;
// - a path that names a block device (/dev/sdb, /dev/disk/by-id/..., a link to
//   one) is the whole disk of that device, numbered as EnumerateDisks lists it;
// - every other path is handed on unchanged, "\\.\PhysicalDriveN" included.
// A block device that is not a listed whole disk (a partition, say), a path
// under /dev that is not a block device, and "disk:" without a number are
// refused: they would otherwise be taken for image files.
struct EndpointName {
    std::wstring path;  // what to hand to the window
    std::string error;  // why the argument was refused; empty when it was not
};

EndpointName ResolveEndpointName(const std::string& argument, const std::string& sysRoot = "/sys");
