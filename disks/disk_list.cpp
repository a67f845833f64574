#include "disks/disk_list.h"

#include <boost/algorithm/string/trim.hpp>
#include <boost/format.hpp>
#include <map>

#include "disks/disk_access.h"
#include "disks/disk_enumeration.h"
#include "disks/path_text.h"

DiskList::DiskList(const std::vector<Wmi::DiskInfo>& disks) {
    std::map<std::int32_t, Wmi::DiskInfo> byNumber;
    for (const Wmi::DiskInfo& disk : disks) {
        byNumber[disk.index] = disk;
    }
    for (const auto& [index, disk] : byNumber) {
        DiskRow row;
        row.index = index;
        row.diskText = (boost::wformat(L"Disk %d") % index).str();
        row.label = boost::algorithm::trim_copy(disk.model);
        row.sizeText = (boost::wformat(L"%lld") % disk.size).str();
        row.size = disk.size;
        diskPaths_.push_back(MakeDiskPath(index));
        diskLabels_.push_back(row.label);
        rows_.push_back(std::move(row));
    }
}

DiskList DiskList::FromQuery() {
    return FromQuery(Wmi::PlatformProvider());
}

DiskList DiskList::FromQuery(Wmi::Provider& provider, const std::string& sysRoot) {
    try {
        DiskList list(Wmi::ListDisks(provider));
        // The numbers follow the one enumeration, which names each node.
        const std::vector<BlockDevice> devices = EnumerateDisks(sysRoot);
        for (DiskRow& row : list.rows_) {
            if (row.index >= 0 && static_cast<std::size_t>(row.index) < devices.size()) {
                row.device = L"/dev/" + Utf8ToWide(devices[row.index].name);
            }
        }
        return list;
    } catch (const Wmi::WmiException& failure) {
        DiskList empty;
        empty.errorMessage_ = failure.message;
        return empty;
    }
}

void DiskList::TakeSelection(int row) {
    if (row < 0 || static_cast<std::size_t>(row) >= diskPaths_.size()) {
        return;
    }
    selectedPath_ = diskPaths_[row];
    selectedLabel_ = diskLabels_[row];
    selected_ = row;
}
