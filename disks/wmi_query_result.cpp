#include "disks/wmi_query_result.h"

#include "disks/path_text.h"

namespace Wmi {

namespace {

wchar_t LowerAscii(wchar_t c) {
    return (c >= L'A' && c <= L'Z') ? c - L'A' + L'a' : c;
}

// The narrow name widened byte by byte.
std::wstring PropertyKey(const std::string& name) {
    std::wstring key;
    key.reserve(name.size());
    for (char c : name) {
        key.push_back(LowerAscii(static_cast<wchar_t>(static_cast<unsigned char>(c))));
    }
    return key;
}

}  // namespace

std::wstring LowerAsciiLetters(std::wstring text) {
    for (wchar_t& c : text) {
        c = LowerAscii(c);
    }
    return text;
}

void QueryResult::SetProperty(std::size_t object, const std::wstring& name,
                              const std::wstring& text) {
    if (objects_.size() <= object) {
        objects_.resize(object + 1);
    }
    objects_[object][LowerAsciiLetters(name)] = text;
}

bool QueryResult::GetProperty(std::size_t object, const std::string& name,
                              std::wstring& text) const {
    if (object >= objects_.size()) {
        return false;
    }
    const auto found = objects_[object].find(PropertyKey(name));
    if (found == objects_[object].end()) {
        return false;
    }
    text = found->second;
    return true;
}

bool QueryResult::GetPropertyUtf8(std::size_t object, const std::string& name,
                                  std::string& text) const {
    std::wstring wide;
    if (!GetProperty(object, name, wide)) {
        return false;
    }
    text = WideToUtf8(wide);
    return true;
}

}  // namespace Wmi
