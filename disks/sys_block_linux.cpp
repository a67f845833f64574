#include <filesystem>
#include <fstream>
#include <iterator>
#include <system_error>

#include "disks/disk_enumeration.h"

namespace {

namespace fs = std::filesystem;

// Attributes are a few bytes; a file that is more is not one.
constexpr std::streamsize kAttributeLimit = 4096;

std::optional<std::string> ReadAttribute(const fs::path& file) {
    std::ifstream in(file, std::ios::in | std::ios::binary);
    if (!in) {
        return std::nullopt;
    }
    std::string text(kAttributeLimit, '\0');
    in.read(text.data(), kAttributeLimit);
    text.resize(static_cast<std::size_t>(in.gcount()));
    return text;
}

std::string DevText(const fs::path& folder) {
    std::string dev = ReadAttribute(folder / "dev").value_or("");
    while (!dev.empty() && (dev.back() == '\n' || dev.back() == '\r')) {
        dev.pop_back();
    }
    return dev;
}

// The folders of <sysRoot>/block, one per disk, each with the entry named
// after it and its model read.
template <typename Visit>
void ForEachDiskFolder(const std::string& sysRoot, Visit visit) {
    std::error_code error;
    for (const fs::directory_entry& item :
         fs::directory_iterator(fs::path(sysRoot) / "block", error)) {
        const fs::path dir = item.path();
        SysBlockEntry entry;
        entry.name = dir.filename().string();
        entry.model = ReadAttribute(dir / "device" / "model").value_or("");
        if (!visit(dir, std::move(entry))) {
            return;
        }
    }
}

}  // namespace

std::vector<SysBlockEntry> ReadSysBlock(const std::string& sysRoot) {
    std::vector<SysBlockEntry> entries;
    ForEachDiskFolder(sysRoot, [&entries](const fs::path& dir, SysBlockEntry entry) {
        std::error_code error;
        entry.dev = ReadAttribute(dir / "dev").value_or("");
        entry.size = ReadAttribute(dir / "size").value_or("");
        entry.removable = ReadAttribute(dir / "removable").value_or("");
        entry.backingFile = ReadAttribute(dir / "loop" / "backing_file");
        entry.isPartition = fs::exists(dir / "partition", error);
        entry.logicalBlockSize = ReadAttribute(dir / "queue" / "logical_block_size").value_or("");
        entry.diskSequence = ReadAttribute(dir / "diskseq").value_or("");
        entries.push_back(std::move(entry));
        return true;
    });
    return entries;
}

std::optional<SysBlockEntry> ReadSysDevice(const std::string& sysRoot, unsigned major,
                                           unsigned minor) {
    const std::string wanted = std::to_string(major) + ":" + std::to_string(minor);
    std::optional<SysBlockEntry> found;
    ForEachDiskFolder(sysRoot, [&](const fs::path& dir, SysBlockEntry entry) {
        std::error_code error;
        if (DevText(dir) == wanted) {
            entry.dev = wanted;
            entry.isPartition = fs::exists(dir / "partition", error);
            found = std::move(entry);
            return false;
        }
        for (const fs::directory_entry& sub : fs::directory_iterator(dir, error)) {
            std::error_code inner;
            if (fs::exists(sub.path() / "partition", inner) && DevText(sub.path()) == wanted) {
                SysBlockEntry partition;
                partition.name = sub.path().filename().string();
                partition.dev = wanted;
                partition.isPartition = true;
                partition.parent = entry.name;
                found = std::move(partition);
                return false;
            }
        }
        return true;
    });
    return found;
}
