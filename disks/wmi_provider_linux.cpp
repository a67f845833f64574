#include <boost/regex.hpp>
#include <exception>
#include <filesystem>
#include <new>
#include <string>
#include <utility>
#include <vector>

#include "disks/disk_enumeration.h"
#include "disks/path_text.h"
#include "disks/wmi_query_result.h"
#include "disks/wmi_result_codes.h"
#include "disks/wmi_static_objects.h"
#include "disks/wmi_sysfs_provider.h"

namespace Wmi {

namespace {

// A loop device names itself by the file behind it; every other disk by the
// model text the kernel gives, blanks included.
std::wstring ModelOf(const BlockDevice& disk) {
    if (!disk.backingFile.empty()) {
        return Utf8ToWide(std::filesystem::path(disk.backingFile).filename().string());
    }
    return Utf8ToWide(disk.model);
}

std::unique_ptr<ClassObject> DiskDriveObject(int index, const BlockDevice& disk) {
    const std::wstring number = std::to_wstring(index);
    return std::make_unique<StaticObject>(std::vector<StaticObject::Property>{
        {L"BytesPerSector", Variant::I4(disk.sectorSize)},
        {L"DeviceID", Variant::Bstr(L"\\\\.\\PHYSICALDRIVE" + number)},
        {L"Index", Variant::I4(index)},
        {L"MediaType",
         Variant::Bstr(disk.removable ? L"Removable Media" : L"Fixed hard disk media")},
        {L"Model", Variant::Bstr(ModelOf(disk))},
        // A 64-bit count, which the service hands over as decimal digits.
        {L"Size", Variant::Bstr(std::to_wstring(disk.size))},
    });
}

class SysfsServices : public Services {
public:
    explicit SysfsServices(std::string sysRoot) : sysRoot_(std::move(sysRoot)) {}

    HResult SetProxyBlanket() override { return kSOk; }

    HResult ExecQuery(const std::string& language, const std::string& query,
                      std::unique_ptr<ObjectEnumerator>& enumerator) override {
        if (LowerAsciiLetters(Utf8ToWide(language)) != L"wql") {
            return kWbemEInvalidQueryType;
        }
        static const boost::regex selectAll(
            R"(\s*select\s+\*\s+from\s+([A-Za-z_][A-Za-z0-9_]*)\s*)", boost::regex::icase);
        boost::smatch match;
        if (!boost::regex_match(query, match, selectAll)) {
            return kWbemEInvalidParameter;
        }
        if (LowerAsciiLetters(Utf8ToWide(match[1].str())) != L"win32_diskdrive") {
            return kWbemEInvalidClass;
        }
        // Reading sysfs can fail halfway (a device going away, say); that is
        // a failed query, never an exception of another kind.
        try {
            std::vector<std::unique_ptr<ClassObject>> objects;
            const std::vector<BlockDevice> disks = EnumerateDisks(sysRoot_);
            for (std::size_t n = 0; n < disks.size(); ++n) {
                objects.push_back(DiskDriveObject(static_cast<int>(n), disks[n]));
            }
            enumerator = std::make_unique<StaticEnumerator>(std::move(objects));
            return kSOk;
        } catch (const std::bad_alloc&) {
            return kWbemEOutOfMemory;
        } catch (const std::exception&) {
            return kWbemEFailed;
        }
    }

private:
    std::string sysRoot_;
};

class SysfsLocator : public Locator {
public:
    explicit SysfsLocator(std::string sysRoot) : sysRoot_(std::move(sysRoot)) {}

    HResult ConnectServer(const std::string& path, std::unique_ptr<Services>& services) override {
        if (LowerAsciiLetters(Utf8ToWide(path)) != L"\\\\.\\root\\cimv2") {
            return kWbemEInvalidNamespace;
        }
        services = std::make_unique<SysfsServices>(sysRoot_);
        return kSOk;
    }

private:
    std::string sysRoot_;
};

// Nothing to start per thread: sysfs is read with plain file calls.
class SysfsProvider : public Provider {
public:
    explicit SysfsProvider(std::string sysRoot) : sysRoot_(std::move(sysRoot)) {}

    HResult Initialize() override { return kSOk; }
    void Uninitialize() override {}
    HResult CreateLocator(std::unique_ptr<Locator>& locator) override {
        locator = std::make_unique<SysfsLocator>(sysRoot_);
        return kSOk;
    }

private:
    std::string sysRoot_;
};

}  // namespace

std::unique_ptr<Provider> MakeSysfsProvider(const std::string& sysRoot) {
    return std::make_unique<SysfsProvider>(sysRoot);
}

Provider& PlatformProvider() {
    static SysfsProvider provider("/sys");
    return provider;
}

}  // namespace Wmi
