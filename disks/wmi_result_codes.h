#pragma once

#include <string>

#include "disks/wmi_exception.h"

// The result codes the query layer knows and the words it uses for them, per
// step. Every binding of the layer words its failures through StepFailure, so
// the same failure reads the same on every platform.

namespace Wmi {

constexpr HResult ResultCode(std::uint32_t bits) {
    return static_cast<HResult>(bits);
}

inline constexpr HResult kSOk = 0;     // also WBEM_S_NO_ERROR
inline constexpr HResult kSFalse = 1;  // also WBEM_S_FALSE: no more objects
inline constexpr HResult kRegdbEClassNotReg = ResultCode(0x80040154);
inline constexpr HResult kClassENoAggregation = ResultCode(0x80040110);
inline constexpr HResult kENoInterface = ResultCode(0x80004002);
inline constexpr HResult kEPointer = ResultCode(0x80004003);
inline constexpr HResult kEInvalidArg = ResultCode(0x80070057);
inline constexpr HResult kEOutOfMemory = ResultCode(0x8007000E);
inline constexpr HResult kDispEBadIndex = ResultCode(0x8002000B);
inline constexpr HResult kRpcEChangedMode = ResultCode(0x80010106);
inline constexpr HResult kWbemEFailed = ResultCode(0x80041001);
inline constexpr HResult kWbemENotFound = ResultCode(0x80041002);
inline constexpr HResult kWbemEAccessDenied = ResultCode(0x80041003);
inline constexpr HResult kWbemEOutOfMemory = ResultCode(0x80041006);
inline constexpr HResult kWbemEInvalidParameter = ResultCode(0x80041008);
inline constexpr HResult kWbemEInvalidNamespace = ResultCode(0x8004100E);
inline constexpr HResult kWbemEInvalidClass = ResultCode(0x80041010);
inline constexpr HResult kWbemEInvalidQueryType = ResultCode(0x80041011);
inline constexpr HResult kWbemETransportFailure = ResultCode(0x80041015);
inline constexpr HResult kWbemEUnexpected = ResultCode(0x8004101D);
inline constexpr HResult kWbemEShuttingDown = ResultCode(0x80041033);
inline constexpr HResult kWbemELocalCredentials = ResultCode(0x80041064);

inline bool Failed(HResult result) {
    return result < 0;
}

// The calls of a query whose failures have their own words.
enum class Step {
    CreateLocator,    // CoCreateInstance of the locator
    ConnectServer,    // opening the namespace
    SetProxyBlanket,  // CoSetProxyBlanket on the services
    ExecQuery,
    Next,            // the enumerator's next object
    GetNames,        // an object's property names
    GetNameElement,  // one name out of the names array
    GetProperty,     // one property's value
};

// The step's prefix followed by the word for result, as "Error executing
// query: WBEM_E_INVALID_CLASS".
std::string StepFailureText(Step step, HResult result);

// The exception for a failing call: StepFailureText with result as its code.
WmiException StepFailure(Step step, HResult result);

}  // namespace Wmi
