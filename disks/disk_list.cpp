#include "disks/disk_list.h"

#include <boost/algorithm/string/trim.hpp>
#include <boost/format.hpp>
#include <map>

#include "disks/disk_access.h"

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
        diskPaths_.push_back(MakeDiskPath(index));
        diskLabels_.push_back(row.label);
        rows_.push_back(std::move(row));
    }
}

DiskList DiskList::FromQuery() {
    return FromQuery(Wmi::PlatformProvider());
}

DiskList DiskList::FromQuery(Wmi::Provider& provider) {
    try {
        return DiskList(Wmi::ListDisks(provider));
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
}
