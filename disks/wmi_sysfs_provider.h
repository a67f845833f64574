#pragma once

#include <memory>
#include <string>

#include "disks/wmi_objects.h"

namespace Wmi {

// The Linux provider, drawing its objects from the kernel's sysfs mounted at
// sysRoot. It serves the namespace "cimv2" and the query "Select * From
// <class>" of the class Win32_DiskDrive: one object per disk of
// EnumerateDisks(sysRoot), in that order, Index being the disk's N.
// PlatformProvider() is this provider on "/sys".
std::unique_ptr<Provider> MakeSysfsProvider(const std::string& sysRoot);

}  // namespace Wmi
