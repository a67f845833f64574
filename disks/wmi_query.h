#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "disks/wmi_exception.h"
#include "disks/wmi_objects.h"
#include "disks/wmi_query_result.h"

// Queries of the management service, step by step, and the one query Brevel
// makes: the machine's physical disks. Every failure throws WmiException.

namespace Wmi {

// Called with each object a query returns; false stops the walk.
using ObjectCallback = std::function<bool(ClassObject& object)>;
// Called with each property's name and value text; false stops the walk.
using PropertyCallback = std::function<bool(const std::wstring& name, const std::wstring& text)>;

// One physical disk.
struct DiskInfo {
    std::int32_t index = 0;  // N of "\\.\PhysicalDriveN"; 0 when not reported
    std::wstring model;      // empty when not reported
    std::int64_t size = 0;   // bytes; 0 when not reported
};

// Runs the query (namespace "cimv2", WQL "Select * From Win32_DiskDrive") and
// stores the properties of the n-th object returned under n. An object without
// properties leaves no map behind; later objects keep their own ordinal.
// Everything obtained is released, and the session ended, on success and
// failure alike; what was stored before a failure stays stored.
void Query(const std::string& nameSpace, const std::string& wql, QueryResult& result);
void Query(Provider& provider, const std::string& nameSpace, const std::string& wql,
           QueryResult& result);

// The namespace "\\.\root\<nameSpace>", with the services allowed to act for
// the caller.
std::unique_ptr<Services> OpenNamespace(Locator& locator, const std::string& nameSpace);

std::unique_ptr<ObjectEnumerator> ExecuteQuery(Services& services, const std::string& wql);

void ForEachObject(ObjectEnumerator& enumerator, const ObjectCallback& callback);

// A value that cannot be turned into text fails as "Can't convert parameter:
// <name>: <reason>" with the value's VARTYPE as code.
void ForEachProperty(ClassObject& object, const PropertyCallback& callback);

// The objects of Win32_DiskDrive, in the order returned, as disks: "Index" and
// "Size" read as integers with automatic base, "Model" as it stands.
std::vector<DiskInfo> ListDisks();
std::vector<DiskInfo> ListDisks(Provider& provider);

// text as an integer in automatic base: a "0x" prefix means hexadecimal, a
// leading 0 octal, otherwise decimal, after optional white space and sign.
// Parsing stops at the first character that does not fit; no digits give 0;
// values past the type's range give its nearest limit.
std::int32_t ParseInt32AutoBase(const std::string& text);
std::int64_t ParseInt64AutoBase(const std::string& text);

}  // namespace Wmi
