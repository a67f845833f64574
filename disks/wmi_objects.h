#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "disks/wmi_exception.h"
#include "disks/wmi_safe_array.h"
#include "disks/wmi_variant.h"

// The management service beneath the query layer, in the shape of its COM
// interfaces: a provider starts a session on the thread and creates a locator;
// the locator opens a namespace; its services run a query whose enumerator
// hands out objects one by one. Every call answers with a result code, as COM
// does, so that the layer above words every failure the same way on every
// platform. Releasing an interface is destroying its object.

namespace Wmi {

class ClassObject {
public:
    virtual ~ClassObject() = default;
    // The names of the object's non-system properties (those not beginning
    // with two underscores).
    virtual HResult GetNames(SafeArray<std::wstring>& names) = 0;
    virtual HResult Get(const std::wstring& name, Variant& value) = 0;
};

class ObjectEnumerator {
public:
    virtual ~ObjectEnumerator() = default;
    // Waits as long as it takes for the next object. kSOk with returned 1 and
    // the object; kSFalse with returned 0 when there are no more.
    virtual HResult Next(std::unique_ptr<ClassObject>& object, std::uint32_t& returned) = 0;
};

class Services {
public:
    virtual ~Services() = default;
    // Lets the services act for the caller (impersonation).
    virtual HResult SetProxyBlanket() = 0;
    // Runs query, forward only, returning at once.
    virtual HResult ExecQuery(const std::string& language, const std::string& query,
                              std::unique_ptr<ObjectEnumerator>& enumerator) = 0;
};

class Locator {
public:
    virtual ~Locator() = default;
    // Opens the namespace at path ("\\.\root\cimv2") as the current user.
    virtual HResult ConnectServer(const std::string& path, std::unique_ptr<Services>& services) = 0;
};

class Provider {
public:
    virtual ~Provider() = default;
    // Starts the service's use on the calling thread; a success result also
    // when it had been started already. Every success is balanced by one
    // Uninitialize.
    virtual HResult Initialize() = 0;
    virtual void Uninitialize() = 0;
    virtual HResult CreateLocator(std::unique_ptr<Locator>& locator) = 0;
};

// The operating system's management objects.
Provider& PlatformProvider();

}  // namespace Wmi
