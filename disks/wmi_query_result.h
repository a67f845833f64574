#pragma once

#include <cstddef>
#include <map>
#include <string>
#include <vector>

namespace Wmi {

// text with the capitals A-Z lowered and every other character kept: the form
// in which property names are compared.
std::wstring LowerAsciiLetters(std::wstring text);

// The properties of the objects a query returned, as text: map i holds the
// i-th object's. Names are stored with the capitals A-Z lowered (no other
// character changes), so look-ups ignore the case of ASCII letters. The list
// only grows.
class QueryResult {
public:
    using Properties = std::map<std::wstring, std::wstring>;

    // Inserts or replaces; first appends empty maps until object exists.
    void SetProperty(std::size_t object, const std::wstring& name, const std::wstring& text);

    // The narrow name is widened byte by byte. False when object is past the
    // end of the list or has no such property.
    bool GetProperty(std::size_t object, const std::string& name, std::wstring& text) const;
    // As GetProperty, with the text converted to UTF-8.
    bool GetPropertyUtf8(std::size_t object, const std::string& name, std::string& text) const;

    std::size_t ObjectCount() const { return objects_.size(); }
    const Properties& Object(std::size_t object) const { return objects_.at(object); }

private:
    std::vector<Properties> objects_;
};

}  // namespace Wmi
