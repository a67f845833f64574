#include "sysfs_tree.h"

#include <filesystem>
#include <fstream>

namespace fs = std::filesystem;

namespace {

void WriteText(const fs::path& file, const std::string& text) {
    fs::create_directories(file.parent_path());
    std::ofstream(file, std::ios::binary) << text;
}

}  // namespace

SysfsTree::SysfsTree() {
    fs::create_directories(dir_ / "block");
    fs::create_directories(dir_ / "devices/virtual/block");
}

void SysfsTree::Add(const CannedDevice& device) {
    const fs::path folder = dir_ / "devices/virtual/block" / device.name;
    fs::create_directories(folder);
    if (device.dev) {
        WriteText(folder / "dev", *device.dev);
    }
    WriteText(folder / "size", device.sectors);
    WriteText(folder / "removable", device.removable);
    WriteText(folder / "queue/logical_block_size", device.logicalBlockSize);
    if (device.model) {
        WriteText(folder / "device/model", *device.model);
    }
    if (device.backingFile) {
        WriteText(folder / "loop/backing_file", *device.backingFile);
    }
    if (device.diskSequence) {
        WriteText(folder / "diskseq", *device.diskSequence);
    }
    if (device.isPartition) {
        WriteText(folder / "partition", "1\n");
    }
    for (std::size_t i = 0; i < device.partitions.size(); ++i) {
        WriteText(folder / device.partitions[i] / "partition", std::to_string(i + 1) + "\n");
        WriteText(folder / device.partitions[i] / "size", "2048\n");
        // Partitions follow their disk's minor number, as for sd and nvme.
        if (device.dev) {
            const std::size_t colon = device.dev->find(':');
            const int minor = std::stoi(device.dev->substr(colon + 1)) + static_cast<int>(i) + 1;
            WriteText(folder / device.partitions[i] / "dev",
                      device.dev->substr(0, colon + 1) + std::to_string(minor) + "\n");
        }
    }
    fs::create_symlink(fs::path("../devices/virtual/block") / device.name,
                       dir_ / "block" / device.name);
}

void AddMixedMachine(SysfsTree& tree) {
    // Padded the way SCSI inquiry data pads model names.
    tree.Add({.name = "sda",
              .dev = "8:0\n",
              .sectors = "1953525168\n",
              .model = "ACME Fixed 1TB  \n",
              .partitions = {"sda1", "sda2"}});
    tree.Add({.name = "sdb",
              .dev = "8:16\n",
              .sectors = "0\n",
              .model = "Card Reader     \n",
              .removable = "1\n"});
    tree.Add({.name = "nvme0n1",
              .dev = "259:0\n",
              .sectors = "500118192\n",
              .model = "ACME NVMe 256                           \n",
              .logicalBlockSize = "4096\n",
              .partitions = {"nvme0n1p1"}});
    // The partition as /sys/class/block lists it, beside the disks.
    tree.Add({.name = "nvme0n1p1", .dev = "259:1\n", .sectors = "1000\n", .isPartition = true});
    // A controller path of a multipath namespace: no device number, no node.
    tree.Add({.name = "nvme0c0n1", .sectors = "500118192\n", .model = "ACME NVMe 256\n"});
    tree.Add({.name = "vda", .dev = "254:0\n", .sectors = "41943040\n"});
    tree.Add({.name = "sr0",
              .dev = "11:0\n",
              .sectors = "0\n",
              .model = "DVD-ROM\n",
              .removable = "1\n"});
    tree.Add({.name = "loop0",
              .dev = "7:0\n",
              .sectors = "6144\n",
              .backingFile = "/srv/images/backup.dsk\n"});
    tree.Add({.name = "loop1", .dev = "7:1\n"});
    tree.Add({.name = "ram0", .dev = "1:0\n", .sectors = "131072\n"});
    tree.Add({.name = "zram0", .dev = "253:0\n", .sectors = "8388608\n"});
}

std::vector<std::string> MixedMachineDiskNames() {
    return {"loop0", "sda", "sdb", "sr0", "vda", "nvme0n1"};
}
