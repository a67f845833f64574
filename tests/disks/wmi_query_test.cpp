// The query steps over a scripted service: what a query stores, how each
// failing call is worded, and that nothing outlives a query.
#include <gtest/gtest.h>

#include "disks/wmi_query.h"
#include "disks/wmi_result_codes.h"
#include "fake_wmi.h"

namespace {

using namespace Wmi;

const HResult kEFail = ResultCode(0x80004005);
const HResult kWbemSTimedOut = 0x40004;

TEST(QueryResult, GrowsAndLooksUpIgnoringAsciiCase) {
    QueryResult result;
    result.SetProperty(2, L"Model", L"ACME");
    ASSERT_EQ(result.ObjectCount(), 3u);
    EXPECT_TRUE(result.Object(0).empty());
    EXPECT_TRUE(result.Object(1).empty());
    EXPECT_EQ(result.Object(2).count(L"model"), 1u);

    std::wstring text;
    EXPECT_TRUE(result.GetProperty(2, "MODEL", text));
    EXPECT_EQ(text, L"ACME");
    EXPECT_FALSE(result.GetProperty(1, "Model", text));
    EXPECT_FALSE(result.GetProperty(3, "Model", text));

    result.SetProperty(2, L"mOdEl", L"Other");  // the same key: replaced
    result.SetProperty(0, L"Size", L"1");       // an earlier object: the list keeps its length
    EXPECT_EQ(result.ObjectCount(), 3u);
    EXPECT_TRUE(result.GetProperty(2, "model", text));
    EXPECT_EQ(text, L"Other");
}

TEST(QueryResult, OnlyAsciiCapitalsAreLowered) {
    QueryResult result;
    result.SetProperty(0, L"\u00C4Name", L"x");  // Ä stays a capital
    EXPECT_EQ(result.Object(0).begin()->first, L"\u00C4name");
    std::wstring text;
    EXPECT_FALSE(result.GetProperty(0, "\xC3\xA4name", text));
    EXPECT_TRUE(result.GetProperty(0, "\xC4NAME", text));  // the byte widened as it is
}

TEST(QueryResult, Utf8LookUp) {
    QueryResult result;
    result.SetProperty(0, L"Model", L"\u03A9mega \U0001F4BE");
    std::string text;
    ASSERT_TRUE(result.GetPropertyUtf8(0, "model", text));
    EXPECT_EQ(text, "\xCE\xA9mega \xF0\x9F\x92\xBE");
    EXPECT_FALSE(result.GetPropertyUtf8(1, "model", text));
}

TEST(Query, StoresEachObjectUnderItsOrdinal) {
    FakeProvider provider({.objects = {
                               Object({{L"Index", Variant::I4(4)}, {L"Model", Variant::Null()}}),
                               Object({}),
                               Object({{L"Index", Variant::I4(6)}}),
                               Object({}),
                           }});
    QueryResult result;
    Query(provider, "cimv2", "Select * From Win32_DiskDrive", result);
    EXPECT_EQ(provider.Ledger().path, "\\\\.\\root\\cimv2");
    EXPECT_EQ(provider.Ledger().language, "WQL");
    EXPECT_EQ(provider.Ledger().query, "Select * From Win32_DiskDrive");

    // The object without properties keeps its place; the last one leaves no map.
    ASSERT_EQ(result.ObjectCount(), 3u);
    EXPECT_TRUE(result.Object(1).empty());
    std::wstring text;
    EXPECT_TRUE(result.GetProperty(0, "model", text));
    EXPECT_EQ(text, L"NULL");
    EXPECT_TRUE(result.GetProperty(2, "index", text));
    EXPECT_EQ(text, L"6");

    EXPECT_EQ(provider.Ledger().initialized, 1);
    EXPECT_EQ(provider.Ledger().uninitialized, 1);
    EXPECT_EQ(provider.Ledger().aliveAtUninitialize, 0);
}

TEST(Query, AlreadyStartedSessionStillEndsOnce) {
    FakeProvider provider({.initialize = kSFalse});
    QueryResult result;
    Query(provider, "cimv2", "Select * From Win32_DiskDrive", result);
    EXPECT_EQ(provider.Ledger().uninitialized, 1);
}

TEST(Query, FailingSessionStartHasNothingToUndo) {
    FakeProvider provider({.initialize = kRpcEChangedMode});
    QueryResult result;
    try {
        Query(provider, "cimv2", "Select * From Win32_DiskDrive", result);
        FAIL() << "no failure";
    } catch (const WmiException& failure) {
        EXPECT_EQ(failure.message, "The COM library is already initialized on this thread");
        EXPECT_EQ(failure.code, kRpcEChangedMode);
    }
    EXPECT_EQ(provider.Ledger().uninitialized, 0);
}

struct FailingStep {
    const char* what;
    FakeScript script;
    std::string message;
    HResult code;
};

void PrintTo(const FailingStep& step, std::ostream* out) {
    *out << step.what;
}

class QueryFailure : public ::testing::TestWithParam<FailingStep> {};

TEST_P(QueryFailure, IsWordedAndReleasesEverything) {
    const FailingStep& step = GetParam();
    FakeScript script = step.script;
    // One good object first: what was stored before the failure stays.
    script.objects.insert(script.objects.begin(), Object({{L"Index", Variant::I4(9)}}));
    FakeProvider provider(script);
    QueryResult result;
    try {
        Query(provider, "cimv2", "Select * From Win32_DiskDrive", result);
        FAIL() << "no failure";
    } catch (const WmiException& failure) {
        EXPECT_EQ(failure.message, step.message);
        EXPECT_EQ(failure.code, step.code);
    }
    EXPECT_EQ(provider.Ledger().initialized, 1);
    EXPECT_EQ(provider.Ledger().uninitialized, 1);
    EXPECT_EQ(provider.Ledger().aliveAtUninitialize, 0) << "released after the session ended";
    EXPECT_EQ(provider.Ledger().alive, 0);
    if (step.script.execQuery == kSOk && step.script.setProxyBlanket == kSOk &&
        step.script.connectServer == kSOk && step.script.createLocator == kSOk) {
        std::wstring text;
        EXPECT_TRUE(result.GetProperty(0, "Index", text));
        EXPECT_EQ(text, L"9");
    }
}

std::vector<FailingStep> FailingSteps() {
    return {
        {"Locator",
         {.createLocator = kENoInterface},
         "Error initializing IWbemLocator: E_NOINTERFACE",
         kENoInterface},
        {"LocatorOther",
         {.createLocator = kEFail},
         "Error initializing IWbemLocator: Unknown Error",
         kEFail},
        {"Namespace",
         {.connectServer = kWbemEInvalidNamespace},
         "Error initializing IWbemServices: WBEM_E_INVALID_NAMESPACE",
         kWbemEInvalidNamespace},
        {"Blanket",
         {.setProxyBlanket = kEInvalidArg},
         "Coult not set proxy blanket: E_INVALIDARG",
         kEInvalidArg},
        {"BlanketOther",
         {.setProxyBlanket = kEFail},
         "Coult not set proxy blanket: Unknown Error",
         kEFail},
        {"Class",
         {.execQuery = kWbemEInvalidClass},
         "Error executing query: WBEM_E_INVALID_CLASS",
         kWbemEInvalidClass},
        {"Next",
         {.afterLast = kWbemEUnexpected},
         "Error getting next element: WBEM_E_UNEXPECTED",
         kWbemEUnexpected},
        {"NextOther",
         {.afterLast = kWbemEFailed},
         "Error getting next element: Unknown Error",
         kWbemEFailed},
        {"Names",
         {.objects = {NamesFailing(kWbemEOutOfMemory)}},
         "Could not get properties: WBEM_E_OUT_OF_MEMORY",
         kWbemEOutOfMemory},
        // An unlisted code reads as WBEM_E_FAILED but keeps its own value.
        {"NamesOther",
         {.objects = {NamesFailing(kEFail)}},
         "Could not get properties: WBEM_E_FAILED",
         kEFail},
        {"NameElement",
         {.objects = {NameElementFailing(kDispEBadIndex)}},
         "Could not get name from SafeArray: DISP_E_BADINDEX",
         kDispEBadIndex},
        {"Value",
         {.objects = {ValuesFailing({L"Size"}, kWbemENotFound)}},
         "Could not get property: WBEM_E_NOT_FOUND",
         kWbemENotFound},
        {"Date",
         {.objects = {Object(
              {{L"Model", Variant::Bstr(L"x")}, {L"InstallDate", Variant::OfType(kVtDate)}})}},
         "Can't convert parameter: InstallDate: Data type not yet supported: VT_DATE",
         7},
        {"UnknownType",
         {.objects = {Object({{L"Caf\u00E9", Variant::OfType(0x2011)}})}},
         "Can't convert parameter: Caf\xE9: Unknown data type",
         0x2011},
    };
}

INSTANTIATE_TEST_SUITE_P(EveryStep, QueryFailure, ::testing::ValuesIn(FailingSteps()),
                         [](const auto& info) { return std::string(info.param.what); });

TEST(ForEachObject, StopsAtAnySuccessOtherThanNoError) {
    FakeScript script{.objects = {Object({}), Object({})}, .afterLast = kWbemSTimedOut};
    FakeProvider provider(script);
    QueryResult result;
    EXPECT_NO_THROW(Query(provider, "cimv2", "Select * From Win32_DiskDrive", result));
}

TEST(ForEachObject, CallbackStopsTheWalkAndObjectsAreReleased) {
    FakeProvider provider({.objects = {Object({}), Object({}), Object({})}});
    std::unique_ptr<Locator> locator;
    ASSERT_EQ(provider.CreateLocator(locator), kSOk);
    auto services = OpenNamespace(*locator, "cimv2");
    auto enumerator = ExecuteQuery(*services, "Select * From Win32_DiskDrive");
    const int before = provider.Ledger().alive;
    int seen = 0;
    ForEachObject(*enumerator, [&](ClassObject&) {
        EXPECT_EQ(provider.Ledger().alive, before + 1);
        return ++seen < 2;
    });
    EXPECT_EQ(seen, 2);
    EXPECT_EQ(provider.Ledger().alive, before);
}

TEST(ForEachProperty, WalksNamesInOrderUntilTheCallbackStops) {
    StaticObject object({{L"A", Variant::I4(1)}, {L"B", Variant::Bool(0)}, {L"C", Variant()}});
    std::vector<std::wstring> seen;
    ForEachProperty(object, [&](const std::wstring& name, const std::wstring& text) {
        seen.push_back(name + L"=" + text);
        return true;
    });
    EXPECT_EQ(seen, (std::vector<std::wstring>{L"A=1", L"B=false", L"C="}));
    seen.clear();
    ForEachProperty(object, [&](const std::wstring& name, const std::wstring&) {
        seen.push_back(name);
        return false;
    });
    EXPECT_EQ(seen, (std::vector<std::wstring>{L"A"}));
}

TEST(ListDisks, ReadsIndexModelAndSize) {
    FakeProvider provider(
        {.objects = {
             Object({{L"Index", Variant::I4(2)},
                     {L"Model", Variant::Bstr(L"  ACME  ")},
                     {L"Size", Variant::Bstr(L"8001563222016")}}),
             Object({{L"Index", Variant::Bstr(L"0x1F")}, {L"Size", Variant::Bstr(L"017")}}),
             Object({{L"Model", Variant::Null()},
                     {L"Index", Variant::Null()},
                     {L"Size", Variant::Null()}}),
             Object({{L"Index", Variant::I4(2)}, {L"Model", Variant::Bstr(L"again")}}),
         }});
    const std::vector<DiskInfo> disks = ListDisks(provider);
    EXPECT_EQ(provider.Ledger().path, "\\\\.\\root\\cimv2");
    EXPECT_EQ(provider.Ledger().query, "Select * From Win32_DiskDrive");
    ASSERT_EQ(disks.size(), 4u);
    EXPECT_EQ(disks[0].index, 2);
    EXPECT_EQ(disks[0].model, L"  ACME  ");  // as it stands
    EXPECT_EQ(disks[0].size, 8001563222016LL);
    EXPECT_EQ(disks[1].index, 31);
    EXPECT_EQ(disks[1].model, L"");
    EXPECT_EQ(disks[1].size, 15);
    EXPECT_EQ(disks[2].index, 0);
    EXPECT_EQ(disks[2].model, L"NULL");
    EXPECT_EQ(disks[2].size, 0);
    EXPECT_EQ(disks[3].index, 2);  // the same number twice: both reported
    EXPECT_EQ(disks[3].size, 0);
}

TEST(ListDisks, NoInstancesNoDisks) {
    FakeProvider provider({});
    EXPECT_TRUE(ListDisks(provider).empty());
}

TEST(ParseAutoBase, BasesStopsAndLimits) {
    EXPECT_EQ(ParseInt32AutoBase("42"), 42);
    EXPECT_EQ(ParseInt32AutoBase("0x2a"), 42);
    EXPECT_EQ(ParseInt32AutoBase("0X2A"), 42);
    EXPECT_EQ(ParseInt32AutoBase("052"), 42);
    EXPECT_EQ(ParseInt32AutoBase("089"), 0);  // octal stops at 8
    EXPECT_EQ(ParseInt32AutoBase("12abc"), 12);
    EXPECT_EQ(ParseInt32AutoBase("0x"), 0);
    EXPECT_EQ(ParseInt32AutoBase(""), 0);
    EXPECT_EQ(ParseInt32AutoBase("NULL"), 0);
    EXPECT_EQ(ParseInt32AutoBase("-3"), -3);
    EXPECT_EQ(ParseInt32AutoBase("4294967296"), 2147483647);
    EXPECT_EQ(ParseInt32AutoBase("-4294967296"), -2147483647 - 1);
    EXPECT_EQ(ParseInt64AutoBase("18446744073709551615"), 9223372036854775807LL);
    EXPECT_EQ(ParseInt64AutoBase("0x7FFFFFFFFFFFFFFF"), 9223372036854775807LL);
    EXPECT_EQ(ParseInt64AutoBase("4000787030016"), 4000787030016LL);
}

}  // namespace
