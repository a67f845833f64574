#pragma once

#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "disks/wmi_objects.h"

// Objects whose properties are known in advance, and an enumerator handing
// out a list of objects: what a provider that gathers its objects itself
// returns from a query.

namespace Wmi {

class StaticObject : public ClassObject {
public:
    using Property = std::pair<std::wstring, Variant>;

    explicit StaticObject(std::vector<Property> properties) : properties_(std::move(properties)) {}

    // The names in the order given.
    HResult GetNames(SafeArray<std::wstring>& names) override;
    // Names match with ASCII letters in any case; WBEM_E_NOT_FOUND for an
    // unknown name.
    HResult Get(const std::wstring& name, Variant& value) override;

private:
    std::vector<Property> properties_;
};

class StaticEnumerator : public ObjectEnumerator {
public:
    explicit StaticEnumerator(std::vector<std::unique_ptr<ClassObject>> objects)
        : objects_(std::move(objects)) {}

    HResult Next(std::unique_ptr<ClassObject>& object, std::uint32_t& returned) override;

private:
    std::vector<std::unique_ptr<ClassObject>> objects_;
    std::size_t next_ = 0;
};

}  // namespace Wmi
