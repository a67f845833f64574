#include "engine/disk_open_text.h"

#include <cerrno>
#include <cstring>

#include "disks/disk_usage.h"
#include "disks/path_text.h"

std::wstring DiskOpenFailureText(const DiskOpening& opening, const DiskIdentity& disk, DiskUse use,
                                 const wchar_t* couldNot) {
    switch (opening.error) {
        case DiskOpenError::None:
            return L"";
        case DiskOpenError::Changed:
            return kDiskListChanged;
        case DiskOpenError::NoSuchDisk:
            if (disk.Known()) {
                return kDiskListChanged;
            }
            return std::wstring(couldNot) + L": there is no disk " + std::to_wstring(disk.number) +
                   L" (see the disk list)";
        case DiskOpenError::System:
            break;
    }
    if (opening.systemError == EBUSY && use == DiskUse::Write) {
        const std::string users = DescribeUsers(UsersOfDisk(disk));
        return Utf8ToWide(disk.node) + L" is in use and cannot be written" +
               (users.empty() ? std::wstring(L" (by a mount, swap, a RAID or device-mapper "
                                             L"holder, or another program)")
                              : L": " + Utf8ToWide(users)) +
               L". Unmount it first.";
    }
    return WithSystemReason(couldNot, opening.systemError);
}

std::wstring WithSystemReason(const wchar_t* message, int error) {
    if (error == 0) {
        return message;
    }
    return std::wstring(message) + L": " + Utf8ToWide(std::strerror(error));
}
