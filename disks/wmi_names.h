#pragma once

#include <cstddef>

namespace Wmi {

// A number with the name COM gives it.
template <typename Number>
struct Named {
    Number number;
    const char* name;
};

// The name of number in table; nullptr when the table does not name it.
template <typename Number, std::size_t N>
const char* NameIn(const Named<Number> (&table)[N], Number number) {
    for (const Named<Number>& entry : table) {
        if (entry.number == number) {
            return entry.name;
        }
    }
    return nullptr;
}

}  // namespace Wmi
