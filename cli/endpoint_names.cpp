#include "cli/endpoint_names.h"

#include <sys/stat.h>
#include <sys/sysmacros.h>

#include <algorithm>
#include <cctype>

#include "disks/disk_access.h"
#include "disks/disk_enumeration.h"
#include "disks/path_text.h"

namespace {

const std::string kDiskPrefix = "disk:";

bool StartsWithNoCase(const std::string& text, const std::string& prefix) {
    return text.size() >= prefix.size() &&
           std::equal(prefix.begin(), prefix.end(), text.begin(), [](char a, char b) {
               return std::tolower(static_cast<unsigned char>(a)) ==
                      std::tolower(static_cast<unsigned char>(b));
           });
}

EndpointName Refused(std::string error) {
    return {L"", std::move(error)};
}

EndpointName DiskNumber(const std::string& argument) {
    const std::string digits = argument.substr(kDiskPrefix.size());
    if (digits.empty() || digits.size() > 9 ||
        !std::all_of(digits.begin(), digits.end(),
                     [](char c) { return std::isdigit(static_cast<unsigned char>(c)); })) {
        return Refused("'" + argument +
                       "' is no disk: disk: takes a disk number (see --list-disks)");
    }
    return {MakeDiskPath(std::stoi(digits)), ""};
}

EndpointName WholeDisk(const std::string& argument, dev_t device, const std::string& sysRoot) {
    const std::vector<BlockDevice> disks = EnumerateDisks(sysRoot);
    for (std::size_t number = 0; number < disks.size(); ++number) {
        if (disks[number].major == major(device) && disks[number].minor == minor(device)) {
            return {MakeDiskPath(static_cast<int>(number)), ""};
        }
    }
    return Refused(argument +
                   " is not one of the whole disks that --list-disks shows (a partition, a RAM "
                   "disk or a loop device without a file?)");
}

}  // namespace

EndpointName ResolveEndpointName(const std::string& argument, const std::string& sysRoot) {
    if (StartsWithNoCase(argument, kDiskPrefix)) {
        return DiskNumber(argument);
    }
    struct stat status {};
    const bool exists = stat(argument.c_str(), &status) == 0;
    if (exists && S_ISBLK(status.st_mode)) {
        return WholeDisk(argument, status.st_rdev, sysRoot);
    }
    if (argument.rfind("/dev/", 0) == 0) {
        return Refused(argument + (exists ? " is not a disk" : " does not exist") +
                       "; Brevel copies whole disks, see --list-disks");
    }
    return {Utf8ToWide(argument), ""};
}
