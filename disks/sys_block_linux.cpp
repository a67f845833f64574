#include <filesystem>
#include <fstream>
#include <iterator>
#include <system_error>

#include "disks/disk_enumeration.h"

namespace {

namespace fs = std::filesystem;

std::optional<std::string> ReadAttribute(const fs::path& file) {
    std::ifstream in(file, std::ios::in | std::ios::binary);
    if (!in) {
        return std::nullopt;
    }
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

}  // namespace

std::vector<SysBlockEntry> ReadSysBlock(const std::string& sysRoot) {
    std::vector<SysBlockEntry> entries;
    std::error_code error;
    for (const fs::directory_entry& item :
         fs::directory_iterator(fs::path(sysRoot) / "block", error)) {
        const fs::path dir = item.path();
        SysBlockEntry entry;
        entry.name = dir.filename().string();
        entry.dev = ReadAttribute(dir / "dev").value_or("");
        entry.size = ReadAttribute(dir / "size").value_or("");
        entry.model = ReadAttribute(dir / "device" / "model").value_or("");
        entry.removable = ReadAttribute(dir / "removable").value_or("");
        entry.backingFile = ReadAttribute(dir / "loop" / "backing_file");
        entry.isPartition = fs::exists(dir / "partition", error);
        entry.logicalBlockSize = ReadAttribute(dir / "queue" / "logical_block_size").value_or("");
        entries.push_back(std::move(entry));
    }
    return entries;
}
