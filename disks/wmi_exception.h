#pragma once

#include <cstdint>
#include <string>

namespace Wmi {

// A COM result code: negative values are failures.
using HResult = std::int32_t;

// Every failure of the query layer. code is the result of the call that
// failed or, for a value that cannot be turned into text, its VARTYPE.
// Thrown by value, caught as a constant reference.
struct WmiException {
    std::string message;
    std::int32_t code = 0;
};

}  // namespace Wmi
