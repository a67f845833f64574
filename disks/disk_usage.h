#pragma once

#include <set>
#include <string>
#include <utility>
#include <vector>

#include "disks/disk_identity.h"

// Who uses a disk: its mounted file systems, swap areas and holders, found in
// /proc/self/mountinfo, /proc/swaps and sysfs, for the disk and each of its
// partitions. Used to say why a target disk cannot be opened exclusively,
// and to warn when a source disk is being written to while it is read.

struct DiskUser {
    std::string device;     // "/dev/sdb1"
    std::string use;        // "mounted on /media/u/DATA", "active swap", "held by dm-0"
    bool writable = false;  // a file system mounted read-write, or swap
};

using DeviceNumbers = std::set<std::pair<unsigned, unsigned>>;

// The users of the disk and its partitions, in the order found.
std::vector<DiskUser> UsersOfDisk(const DiskIdentity& disk, const std::string& sysRoot = "/sys");

// The mounts in a mountinfo text whose device number is in `devices`; the
// mount source names the device (node: a device number's node name, for
// sources that do not say).
std::vector<DiskUser> MountsIn(const std::string& mountinfo, const DeviceNumbers& devices);

// "/dev/sdb1 is mounted on /media/u/DATA, /dev/sdb2 is active swap".
std::string DescribeUsers(const std::vector<DiskUser>& users);
