#include "disks/disk_enumeration.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <climits>
#include <cwctype>

namespace {

std::string StripLineEnd(std::string text) {
    while (!text.empty() && (text.back() == '\n' || text.back() == '\r')) {
        text.pop_back();
    }
    return text;
}

template <typename T>
std::optional<T> ParseNumber(std::string_view text) {
    T value{};
    const char* end = text.data() + text.size();
    const auto [ptr, ec] = std::from_chars(text.data(), end, value);
    if (ec != std::errc() || ptr != end || text.empty()) {
        return std::nullopt;
    }
    return value;
}

bool IsExcludedName(const std::string& name) {
    return name.rfind("ram", 0) == 0 || name.rfind("zram", 0) == 0;
}

bool IsLoopName(const std::string& name) {
    return name.rfind("loop", 0) == 0;
}

}  // namespace

std::vector<BlockDevice> SelectDisks(const std::vector<SysBlockEntry>& entries) {
    std::vector<BlockDevice> disks;
    for (const SysBlockEntry& entry : entries) {
        if (entry.isPartition || IsExcludedName(entry.name)) {
            continue;
        }
        if (IsLoopName(entry.name) && !entry.backingFile) {
            continue;
        }
        const std::string dev = StripLineEnd(entry.dev);
        const size_t colon = dev.find(':');
        if (colon == std::string::npos) {
            continue;
        }
        const auto major = ParseNumber<unsigned>(std::string_view(dev).substr(0, colon));
        const auto minor = ParseNumber<unsigned>(std::string_view(dev).substr(colon + 1));
        if (!major || !minor) {
            continue;
        }
        BlockDevice disk;
        disk.name = entry.name;
        disk.major = *major;
        disk.minor = *minor;
        const auto sectors = ParseNumber<std::int64_t>(StripLineEnd(entry.size));
        disk.size = (sectors && *sectors > 0 && *sectors <= INT64_MAX / 512) ? *sectors * 512 : 0;
        disk.model = StripLineEnd(entry.model);
        disk.removable = StripLineEnd(entry.removable) == "1";
        disk.backingFile = entry.backingFile ? StripLineEnd(*entry.backingFile) : std::string();
        const auto sectorSize = ParseNumber<std::int32_t>(StripLineEnd(entry.logicalBlockSize));
        if (sectorSize && *sectorSize > 0) {
            disk.sectorSize = *sectorSize;
        }
        disk.sequence = ParseNumber<std::uint64_t>(StripLineEnd(entry.diskSequence)).value_or(0);
        disks.push_back(std::move(disk));
    }
    std::stable_sort(disks.begin(), disks.end(), [](const BlockDevice& a, const BlockDevice& b) {
        return a.major != b.major ? a.major < b.major : a.minor < b.minor;
    });
    return disks;
}

std::vector<BlockDevice> EnumerateDisks(const std::string& sysRoot) {
    return SelectDisks(ReadSysBlock(sysRoot));
}

std::optional<int> ParseDiskPath(const std::wstring& path) {
    static const std::wstring prefix = L"\\\\.\\physicaldrive";
    if (path.size() <= prefix.size()) {
        return std::nullopt;
    }
    for (size_t i = 0; i < prefix.size(); ++i) {
        if (static_cast<wchar_t>(std::towlower(path[i])) != prefix[i]) {
            return std::nullopt;
        }
    }
    long long n = 0;
    for (size_t i = prefix.size(); i < path.size(); ++i) {
        if (path[i] < L'0' || path[i] > L'9') {
            return std::nullopt;
        }
        n = n * 10 + (path[i] - L'0');
        if (n > INT_MAX) {
            return std::nullopt;
        }
    }
    return static_cast<int>(n);
}

std::string TrimmedModel(const std::string& model) {
    const std::size_t first = model.find_first_not_of(" \t\r\n");
    if (first == std::string::npos) {
        return "";
    }
    return model.substr(first, model.find_last_not_of(" \t\r\n") - first + 1);
}
