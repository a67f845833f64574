#include "disks/wmi_result_codes.h"

#include "disks/wmi_names.h"

#include <algorithm>
#include <iterator>
#include <vector>

namespace Wmi {

namespace {

constexpr Named<HResult> kCodeNames[] = {
    {kRegdbEClassNotReg, "REGDB_E_CLASSNOTREG"},
    {kClassENoAggregation, "CLASS_E_NOAGGREGATION"},
    {kENoInterface, "E_NOINTERFACE"},
    {kEPointer, "E_POINTER"},
    {kEInvalidArg, "E_INVALIDARG"},
    {kEOutOfMemory, "E_OUTOFMEMORY"},
    {kDispEBadIndex, "DISP_E_BADINDEX"},
    {kWbemEFailed, "WBEM_E_FAILED"},
    {kWbemENotFound, "WBEM_E_NOT_FOUND"},
    {kWbemEAccessDenied, "WBEM_E_ACCESS_DENIED"},
    {kWbemEOutOfMemory, "WBEM_E_OUT_OF_MEMORY"},
    {kWbemEInvalidParameter, "WBEM_E_INVALID_PARAMETER"},
    {kWbemEInvalidNamespace, "WBEM_E_INVALID_NAMESPACE"},
    {kWbemEInvalidClass, "WBEM_E_INVALID_CLASS"},
    {kWbemETransportFailure, "WBEM_E_TRANSPORT_FAILURE"},
    {kWbemEUnexpected, "WBEM_E_UNEXPECTED"},
    {kWbemEShuttingDown, "WBEM_E_SHUTTING_DOWN"},
    {kWbemELocalCredentials, "WBEM_E_LOCAL_CREDENTIALS"},
};

struct StepWords {
    Step step;
    const char* prefix;
    std::vector<HResult> known;  // codes worded by their own name
    const char* otherwise;       // the word for every other code
};

const StepWords kSteps[] = {
    {Step::CreateLocator,
     "Error initializing IWbemLocator: ",
     {kRegdbEClassNotReg, kClassENoAggregation, kENoInterface, kEPointer},
     "Unknown Error"},
    {Step::ConnectServer,
     "Error initializing IWbemServices: ",
     {kWbemEFailed, kWbemEAccessDenied, kWbemEOutOfMemory, kWbemEInvalidParameter,
      kWbemEInvalidNamespace, kWbemETransportFailure, kWbemELocalCredentials},
     "Unknown Error"},
    {Step::SetProxyBlanket, "Coult not set proxy blanket: ", {kEInvalidArg}, "Unknown Error"},
    {Step::ExecQuery,
     "Error executing query: ",
     {kWbemEFailed, kWbemEAccessDenied, kWbemEOutOfMemory, kWbemEInvalidParameter,
      kWbemEInvalidClass, kWbemETransportFailure, kWbemEShuttingDown},
     "Unknown Error"},
    {Step::Next,
     "Error getting next element: ",
     {kWbemEOutOfMemory, kWbemEInvalidParameter, kWbemETransportFailure, kWbemEUnexpected},
     "Unknown Error"},
    {Step::GetNames,
     "Could not get properties: ",
     {kWbemEFailed, kWbemEOutOfMemory, kWbemEInvalidParameter},
     "WBEM_E_FAILED"},
    {Step::GetNameElement,
     "Could not get name from SafeArray: ",
     {kDispEBadIndex, kEOutOfMemory, kEInvalidArg},
     "Unknown Error"},
    {Step::GetProperty,
     "Could not get property: ",
     {kWbemEFailed, kWbemENotFound, kWbemEOutOfMemory, kWbemEInvalidParameter},
     "Unknown Error"},
};

}  // namespace

std::string StepFailureText(Step step, HResult result) {
    const StepWords* words =
        std::find_if(std::begin(kSteps), std::end(kSteps),
                     [step](const StepWords& entry) { return entry.step == step; });
    const bool known =
        std::find(words->known.begin(), words->known.end(), result) != words->known.end();
    return std::string(words->prefix) + (known ? NameIn(kCodeNames, result) : words->otherwise);
}

WmiException StepFailure(Step step, HResult result) {
    return WmiException{StepFailureText(step, result), result};
}

}  // namespace Wmi
