#include "disks/wmi_static_objects.h"

#include "disks/wmi_query_result.h"

namespace Wmi {

HResult StaticObject::GetNames(SafeArray<std::wstring>& names) {
    names = SafeArray<std::wstring>();
    for (const Property& property : properties_) {
        names.Append(property.first);
    }
    return kSOk;
}

HResult StaticObject::Get(const std::wstring& name, Variant& value) {
    for (const Property& property : properties_) {
        if (LowerAsciiLetters(property.first) == LowerAsciiLetters(name)) {
            value = property.second;
            return kSOk;
        }
    }
    return kWbemENotFound;
}

HResult StaticEnumerator::Next(std::unique_ptr<ClassObject>& object, std::uint32_t& returned) {
    if (next_ >= objects_.size()) {
        returned = 0;
        return kSFalse;
    }
    object = std::move(objects_[next_++]);
    returned = 1;
    return kSOk;
}

}  // namespace Wmi
