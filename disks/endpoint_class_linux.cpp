#include <sys/stat.h>
#include <sys/sysmacros.h>

#include <algorithm>
#include <cwctype>

#include "disks/disk_access.h"
#include "disks/disk_enumeration.h"
#include "disks/endpoint_class.h"
#include "disks/path_text.h"

namespace {

const std::wstring kDiskPrefix = L"disk:";

ClassifiedEndpoint Refused(std::wstring refusal) {
    ClassifiedEndpoint endpoint;
    endpoint.kind = EndpointClass::Refused;
    endpoint.refusal = std::move(refusal);
    return endpoint;
}

ClassifiedEndpoint DiskNumber(int number) {
    ClassifiedEndpoint endpoint;
    endpoint.kind = EndpointClass::Disk;
    endpoint.disk = DescribeDisk(number).value_or(DiskIdentity{});
    endpoint.disk.number = number;
    return endpoint;
}

bool StartsWithNoCase(const std::wstring& text, const std::wstring& prefix) {
    return text.size() >= prefix.size() &&
           std::equal(prefix.begin(), prefix.end(), text.begin(),
                      [](wchar_t a, wchar_t b) { return std::towlower(a) == std::towlower(b); });
}

ClassifiedEndpoint DiskPrefixed(const std::wstring& text) {
    const std::wstring digits = text.substr(kDiskPrefix.size());
    if (digits.empty() || digits.size() > 9 ||
        !std::all_of(digits.begin(), digits.end(),
                     [](wchar_t c) { return c >= L'0' && c <= L'9'; })) {
        return Refused(L"'" + text +
                       L"' names no disk: disk: takes a disk number from the disk list");
    }
    return DiskNumber(std::stoi(digits));
}

ClassifiedEndpoint BlockDevicePath(const std::wstring& text, dev_t device,
                                   const std::string& sysRoot) {
    const unsigned major = ::major(device);
    const unsigned minor = ::minor(device);
    const std::vector<BlockDevice> disks = EnumerateDisks(sysRoot);
    for (std::size_t number = 0; number < disks.size(); ++number) {
        const BlockDevice& disk = disks[number];
        if (disk.major == major && disk.minor == minor) {
            ClassifiedEndpoint endpoint;
            endpoint.kind = EndpointClass::Disk;
            endpoint.disk = {
                static_cast<int>(number), major, minor, disk.size, TrimmedModel(disk.model),
                "/dev/" + disk.name};
            return endpoint;
        }
    }
    const std::optional<SysBlockEntry> entry = ReadSysDevice(sysRoot, major, minor);
    if (entry && entry->isPartition && !entry->parent.empty()) {
        return Refused(text + L" is a partition of /dev/" + Utf8ToWide(entry->parent) +
                       L". Brevel copies whole disks: choose /dev/" + Utf8ToWide(entry->parent) +
                       L" or another disk.");
    }
    return Refused(text +
                   L" is a block device but not one of the machine's disks (a partition, a RAM "
                   L"disk or a loop device without a file?).");
}

}  // namespace

ClassifiedEndpoint ClassifyEndpoint(const std::wstring& text, const std::string& sysRoot) {
    if (const std::optional<int> number = ParseDiskPath(text)) {
        return DiskNumber(*number);
    }
    if (StartsWithNoCase(text, kDiskPrefix)) {
        return DiskPrefixed(text);
    }
    struct stat status {};
    if (text.empty() || stat(WideToUtf8(text).c_str(), &status) != 0) {
        return {};  // an image file, to be created or reported missing later
    }
    if (S_ISBLK(status.st_mode)) {
        return BlockDevicePath(text, status.st_rdev, sysRoot);
    }
    if (S_ISCHR(status.st_mode)) {
        return Refused(text + L" is a character device, not a disk or an image file.");
    }
    if (S_ISFIFO(status.st_mode)) {
        return Refused(text + L" is a named pipe (FIFO), not a disk or an image file.");
    }
    if (S_ISSOCK(status.st_mode)) {
        return Refused(text + L" is a socket, not a disk or an image file.");
    }
    return {};
}
