// Values turned into text: every kind the layer reads, the array forms with
// unreadable elements, and the types it refuses.
#include <gtest/gtest.h>

#include <limits>

#include "disks/wmi_variant.h"

namespace {

using namespace Wmi;

TEST(VariantToText, EmptyKindsAndNull) {
    EXPECT_EQ(VariantToText(Variant()), L"");
    EXPECT_EQ(VariantToText(Variant::OfType(kVtVoid)), L"");
    EXPECT_EQ(VariantToText(Variant::OfType(kVtByRef)), L"");
    EXPECT_EQ(VariantToText(Variant::Null()), L"NULL");
}

TEST(VariantToText, Integers) {
    EXPECT_EQ(VariantToText(Variant::I2(-32768)), L"-32768");
    EXPECT_EQ(VariantToText(Variant::I4(std::numeric_limits<std::int32_t>::min())), L"-2147483648");
    EXPECT_EQ(VariantToText(Variant::Int(-7)), L"-7");
    EXPECT_EQ(VariantToText(Variant::I8(std::numeric_limits<std::int64_t>::min())),
              L"-9223372036854775808");
    EXPECT_EQ(VariantToText(Variant::Ui1(255)), L"255");  // a number, not a character
    EXPECT_EQ(VariantToText(Variant::Ui1(0)), L"0");
    EXPECT_EQ(VariantToText(Variant::Ui2(65535)), L"65535");
    EXPECT_EQ(VariantToText(Variant::Ui4(4294967295u)), L"4294967295");
    EXPECT_EQ(VariantToText(Variant::Uint(4000000000u)), L"4000000000");
    EXPECT_EQ(VariantToText(Variant::Ui8(std::numeric_limits<std::uint64_t>::max())),
              L"18446744073709551615");
}

TEST(VariantToText, SignedByteIsOneCharacter) {
    EXPECT_EQ(VariantToText(Variant::I1('A')), L"A");
    EXPECT_EQ(VariantToText(Variant::I1(static_cast<char>(0xE9))), std::wstring(1, L'\u00E9'));
    EXPECT_EQ(VariantToText(Variant::I1('\0')), std::wstring(1, L'\0'));
}

TEST(VariantToText, RealsAsGeneralNotation) {
    EXPECT_EQ(VariantToText(Variant::R8(0.5)), L"0.5");
    EXPECT_EQ(VariantToText(Variant::R8(3.0)), L"3");
    EXPECT_EQ(VariantToText(Variant::R8(123456.0)), L"123456");
    EXPECT_EQ(VariantToText(Variant::R8(1234567.0)), L"1.23457e+06");
    EXPECT_EQ(VariantToText(Variant::R8(0.0001)), L"0.0001");
    EXPECT_EQ(VariantToText(Variant::R8(0.00001)), L"1e-05");
    EXPECT_EQ(VariantToText(Variant::R8(-2.5e-10)), L"-2.5e-10");
    // Widened to double first: 0.1f is not 0.1, but six digits hide it.
    EXPECT_EQ(VariantToText(Variant::R4(0.1f)), L"0.1");
    EXPECT_EQ(VariantToText(Variant::R4(16777216.0f)), L"1.67772e+07");
}

TEST(VariantToText, NoGroupingWhateverTheGlobalLocale) {
    struct Grouping : std::numpunct<wchar_t> {
        std::string do_grouping() const override { return "\3"; }
        wchar_t do_thousands_sep() const override { return L'.'; }
    };
    const std::locale previous = std::locale::global(std::locale(std::locale(), new Grouping));
    const std::wstring text = VariantToText(Variant::I4(1234567));
    std::locale::global(previous);
    EXPECT_EQ(text, L"1234567");
}

TEST(VariantToText, StringsEndAtTheFirstNul) {
    EXPECT_EQ(VariantToText(Variant::Bstr(L"ACME Disk  ")), L"ACME Disk  ");
    EXPECT_EQ(VariantToText(Variant::Bstr(std::wstring(L"ab\0cd", 5))), L"ab");
    EXPECT_EQ(VariantToText(Variant::Bstr(L"")), L"");
    EXPECT_EQ(VariantToText(Variant::Bstr(L"say \"hi\"")), L"say \"hi\"");  // not escaped
}

TEST(VariantToText, BooleansAnyNonZeroIsTrue) {
    EXPECT_EQ(VariantToText(Variant::Bool(-1)), L"true");
    EXPECT_EQ(VariantToText(Variant::Bool(1)), L"true");
    EXPECT_EQ(VariantToText(Variant::Bool(0)), L"false");
}

TEST(VariantToText, DecimalsAsPlainDecimalText) {
    EXPECT_EQ(VariantToText(Variant::Dec({})), L"0");
    EXPECT_EQ(VariantToText(Variant::Dec({.scale = 3, .negative = true, .low = 12345})),
              L"-12.345");
    EXPECT_EQ(VariantToText(Variant::Dec({.scale = 4, .low = 5})), L"0.0005");
    EXPECT_EQ(VariantToText(Variant::Dec({.scale = 2, .low = 100})), L"1.00");
    // The largest value: 2^96 - 1.
    EXPECT_EQ(VariantToText(Variant::Dec({.high = 0xFFFFFFFF, .low = ~0ULL})),
              L"79228162514264337593543950335");
}

TEST(VariantToText, IntegerArraysAsUnsignedList) {
    EXPECT_EQ(VariantToText(Variant::I4Array(SafeArray<std::int32_t>({1, -1, 0}))),
              L"[1,4294967295,0]");
    EXPECT_EQ(VariantToText(Variant::I4Array(SafeArray<std::int32_t>({7}, 5))), L"[7]");
    EXPECT_EQ(VariantToText(Variant::I4Array({})), L"[]");
}

TEST(VariantToText, StringArraysQuotedAndEscaped) {
    EXPECT_EQ(VariantToText(Variant::BstrArray({})), L"[]");
    EXPECT_EQ(VariantToText(Variant::BstrArray(SafeArray<std::wstring>({L"a\"b"}))),
              L"[\"a\\\"b\"]");
    EXPECT_EQ(VariantToText(Variant::BstrArray(SafeArray<std::wstring>({L"x", L"", L"y z"}))),
              L"[\"x\",\"\",\"y z\"]");
}

TEST(VariantToText, UnreadableElementsLeaveTheirSeparators) {
    SafeArray<std::int32_t> numbers({1});
    numbers.AppendUnreadable(kEOutOfMemory);
    numbers.Append(3);
    numbers.AppendUnreadable(kDispEBadIndex);
    EXPECT_EQ(VariantToText(Variant::I4Array(numbers)), L"[1,,3,]");

    SafeArray<std::wstring> strings;
    strings.AppendUnreadable(kEInvalidArg);
    strings.Append(L"b");
    EXPECT_EQ(VariantToText(Variant::BstrArray(strings)), L"[,\"b\"]");
}

void ExpectFailure(VarType type, const std::string& message) {
    try {
        VariantToText(Variant::OfType(type));
        ADD_FAILURE() << "no failure for type " << type;
    } catch (const WmiException& failure) {
        EXPECT_EQ(failure.message, message);
        EXPECT_EQ(failure.code, type);
    }
}

TEST(VariantToText, NamedTypesNotYetSupported) {
    const std::pair<VarType, const char*> named[] = {
        {6, "VT_CY"},         {7, "VT_DATE"},     {9, "VT_DISPATCH"},     {10, "VT_ERROR"},
        {12, "VT_VARIANT"},   {13, "VT_UNKNOWN"}, {25, "VT_HRESULT"},     {26, "VT_PTR"},
        {27, "VT_SAFEARRAY"}, {28, "VT_CARRAY"},  {29, "VT_USERDEFINED"}, {30, "VT_LPSTR"},
        {31, "VT_LPWSTR"},    {36, "VT_RECORD"},  {37, "VT_INT_PTR"},     {38, "VT_UINT_PTR"},
    };
    for (const auto& [type, name] : named) {
        ExpectFailure(type, std::string("Data type not yet supported: ") + name);
    }
}

TEST(VariantToText, OtherTypesUnknown) {
    for (VarType type : {15, 39, 64, 65, 0x1003, 0x2000, 0x2011, 0x200C, 0x4003, 0x6003, 0xFFFF}) {
        ExpectFailure(type, "Unknown data type");
    }
}

TEST(EscapeQuotes, EveryQuoteGetsABackslash) {
    EXPECT_EQ(EscapeQuotes(L""), L"");
    EXPECT_EQ(EscapeQuotes(L"plain"), L"plain");
    EXPECT_EQ(EscapeQuotes(L"\""), L"\\\"");
    EXPECT_EQ(EscapeQuotes(L"\"\"x\""), L"\\\"\\\"x\\\"");
    EXPECT_EQ(EscapeQuotes(L"a\\\"b"), L"a\\\\\"b");  // backslashes stay as they are
    EXPECT_EQ(EscapeQuotes(L"C:\\dir\\"), L"C:\\dir\\");
}

}  // namespace
