#include "disks/wmi_query.h"

#include <cstdlib>
#include <limits>

#include "disks/wmi_result_codes.h"

namespace Wmi {

namespace {

void Check(Step step, HResult result) {
    if (Failed(result)) {
        throw StepFailure(step, result);
    }
}

// The name as an 8-bit text: the low byte of each UTF-16 unit.
std::string NarrowedName(const std::wstring& name) {
    std::string narrow;
    for (wchar_t c : name) {
        const auto point = static_cast<std::uint32_t>(c);
        if (point > 0xFFFF) {
            const std::uint32_t offset = point - 0x10000;
            narrow.push_back(static_cast<char>((0xD800 + (offset >> 10)) & 0xFF));
            narrow.push_back(static_cast<char>((0xDC00 + (offset & 0x3FF)) & 0xFF));
        } else {
            narrow.push_back(static_cast<char>(point & 0xFF));
        }
    }
    return narrow;
}

// Ends the provider's session on the thread when the query leaves, however it
// leaves; declared before every object of the query so that it goes last.
class Session {
public:
    explicit Session(Provider& provider) : provider_(provider) {
        const HResult result = provider_.Initialize();
        if (Failed(result)) {
            throw WmiException{"The COM library is already initialized on this thread", result};
        }
    }
    ~Session() { provider_.Uninitialize(); }
    Session(const Session&) = delete;
    Session& operator=(const Session&) = delete;

private:
    Provider& provider_;
};

}  // namespace

void Query(const std::string& nameSpace, const std::string& wql, QueryResult& result) {
    Query(PlatformProvider(), nameSpace, wql, result);
}

void Query(Provider& provider, const std::string& nameSpace, const std::string& wql,
           QueryResult& result) {
    Session session(provider);
    std::unique_ptr<Locator> locator;
    Check(Step::CreateLocator, provider.CreateLocator(locator));
    const std::unique_ptr<Services> services = OpenNamespace(*locator, nameSpace);
    const std::unique_ptr<ObjectEnumerator> enumerator = ExecuteQuery(*services, wql);
    std::size_t counter = 0;
    ForEachObject(*enumerator, [&](ClassObject& object) {
        ForEachProperty(object, [&](const std::wstring& name, const std::wstring& text) {
            result.SetProperty(counter, name, text);
            return true;
        });
        ++counter;
        return true;
    });
}

std::unique_ptr<Services> OpenNamespace(Locator& locator, const std::string& nameSpace) {
    std::unique_ptr<Services> services;
    Check(Step::ConnectServer, locator.ConnectServer("\\\\.\\root\\" + nameSpace, services));
    Check(Step::SetProxyBlanket, services->SetProxyBlanket());
    return services;
}

std::unique_ptr<ObjectEnumerator> ExecuteQuery(Services& services, const std::string& wql) {
    std::unique_ptr<ObjectEnumerator> enumerator;
    Check(Step::ExecQuery, services.ExecQuery("WQL", wql, enumerator));
    return enumerator;
}

void ForEachObject(ObjectEnumerator& enumerator, const ObjectCallback& callback) {
    HResult result = kSOk;
    bool goOn = true;
    while (result == kSOk && goOn) {
        std::unique_ptr<ClassObject> object;
        std::uint32_t returned = 0;
        result = enumerator.Next(object, returned);
        Check(Step::Next, result);
        if (returned == 1 && object) {
            goOn = callback(*object);
        }
    }
}

void ForEachProperty(ClassObject& object, const PropertyCallback& callback) {
    SafeArray<std::wstring> names;
    Check(Step::GetNames, object.GetNames(names));
    for (std::int64_t i = names.LowerBound(); i <= names.UpperBound(); ++i) {
        std::wstring name;
        Check(Step::GetNameElement, names.GetElement(i, name));
        Variant value;
        Check(Step::GetProperty, object.Get(name, value));
        std::wstring text;
        try {
            text = VariantToText(value);
        } catch (const WmiException& failure) {
            throw WmiException{
                "Can't convert parameter: " + NarrowedName(name) + ": " + failure.message,
                failure.code};
        }
        if (!callback(name, text)) {
            break;
        }
    }
}

std::vector<DiskInfo> ListDisks() {
    return ListDisks(PlatformProvider());
}

std::vector<DiskInfo> ListDisks(Provider& provider) {
    QueryResult result;
    Query(provider, "cimv2", "Select * From Win32_DiskDrive", result);
    std::vector<DiskInfo> disks;
    for (std::size_t i = 0; i < result.ObjectCount(); ++i) {
        DiskInfo disk;
        std::string number;
        if (result.GetPropertyUtf8(i, "Index", number)) {
            disk.index = ParseInt32AutoBase(number);
        }
        result.GetProperty(i, "Model", disk.model);
        if (result.GetPropertyUtf8(i, "Size", number)) {
            disk.size = ParseInt64AutoBase(number);
        }
        disks.push_back(std::move(disk));
    }
    return disks;
}

std::int32_t ParseInt32AutoBase(const std::string& text) {
    const std::int64_t value = ParseInt64AutoBase(text);
    if (value > std::numeric_limits<std::int32_t>::max()) {
        return std::numeric_limits<std::int32_t>::max();
    }
    if (value < std::numeric_limits<std::int32_t>::min()) {
        return std::numeric_limits<std::int32_t>::min();
    }
    return static_cast<std::int32_t>(value);
}

std::int64_t ParseInt64AutoBase(const std::string& text) {
    return std::strtoll(text.c_str(), nullptr, 0);
}

}  // namespace Wmi
