#pragma once

#include <optional>
#include <string>
#include <vector>

#include "test_files.h"

// One block device as the kernel shows it under /sys/block. Texts are
// written as given, the kernel's line ends included.
struct CannedDevice {
    std::string name;
    std::optional<std::string> dev{};  // "8:0\n"; nothing for a device without a number
    std::string sectors = "0\n";
    std::optional<std::string> model{};  // written to device/model
    std::string removable = "0\n";
    std::optional<std::string> backingFile{};  // written to loop/backing_file
    std::string logicalBlockSize = "512\n";
    std::vector<std::string> partitions{};      // sub-folders named so, each with a partition file
    bool isPartition = false;                   // the entry itself is a partition
    std::optional<std::string> diskSequence{};  // written to diskseq
};

// A sysfs tree in a temporary folder: <Root()>/block/<name> links to
// <Root()>/devices/virtual/block/<name>, as on a running system.
class SysfsTree {
public:
    SysfsTree();
    void Add(const CannedDevice& device);
    std::string Root() const { return dir_.Path().string(); }

private:
    TempDir dir_;
};

// The tree most tests use: disks of several kinds and what the enumeration
// must leave out, in a folder order unlike the device-number order.
void AddMixedMachine(SysfsTree& tree);

// The disks AddMixedMachine yields, in enumeration order, by kernel name.
std::vector<std::string> MixedMachineDiskNames();
