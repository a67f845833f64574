#pragma once

#include <cstdint>
#include <string>
#include <variant>

#include "disks/wmi_safe_array.h"

// The values that the query layer reads out of objects, shaped like COM's
// VARIANT: a VARTYPE number and the content it names.

namespace Wmi {

using VarType = std::uint16_t;

inline constexpr VarType kVtEmpty = 0;
inline constexpr VarType kVtNull = 1;
inline constexpr VarType kVtI2 = 2;
inline constexpr VarType kVtI4 = 3;
inline constexpr VarType kVtR4 = 4;
inline constexpr VarType kVtR8 = 5;
inline constexpr VarType kVtCy = 6;
inline constexpr VarType kVtDate = 7;
inline constexpr VarType kVtBstr = 8;
inline constexpr VarType kVtDispatch = 9;
inline constexpr VarType kVtError = 10;
inline constexpr VarType kVtBool = 11;
inline constexpr VarType kVtVariant = 12;
inline constexpr VarType kVtUnknown = 13;
inline constexpr VarType kVtDecimal = 14;
inline constexpr VarType kVtI1 = 16;
inline constexpr VarType kVtUi1 = 17;
inline constexpr VarType kVtUi2 = 18;
inline constexpr VarType kVtUi4 = 19;
inline constexpr VarType kVtI8 = 20;
inline constexpr VarType kVtUi8 = 21;
inline constexpr VarType kVtInt = 22;
inline constexpr VarType kVtUint = 23;
inline constexpr VarType kVtVoid = 24;
inline constexpr VarType kVtHresult = 25;
inline constexpr VarType kVtPtr = 26;
inline constexpr VarType kVtSafeArray = 27;
inline constexpr VarType kVtCArray = 28;
inline constexpr VarType kVtUserDefined = 29;
inline constexpr VarType kVtLpstr = 30;
inline constexpr VarType kVtLpwstr = 31;
inline constexpr VarType kVtRecord = 36;
inline constexpr VarType kVtIntPtr = 37;
inline constexpr VarType kVtUintPtr = 38;
inline constexpr VarType kVtArray = 0x2000;
inline constexpr VarType kVtByRef = 0x4000;

// A 96-bit integer scaled by a power of ten, as COM's DECIMAL.
struct Decimal {
    std::uint8_t scale = 0;  // digits after the decimal point
    bool negative = false;
    std::uint32_t high = 0;  // bits 64-95
    std::uint64_t low = 0;   // bits 0-63
};

class Variant {
public:
    Variant() = default;  // VT_EMPTY

    static Variant Null();
    static Variant I1(char value);
    static Variant I2(std::int16_t value);
    static Variant I4(std::int32_t value);
    static Variant Int(std::int32_t value);
    static Variant I8(std::int64_t value);
    static Variant Ui1(std::uint8_t value);
    static Variant Ui2(std::uint16_t value);
    static Variant Ui4(std::uint32_t value);
    static Variant Uint(std::uint32_t value);
    static Variant Ui8(std::uint64_t value);
    static Variant R4(float value);
    static Variant R8(double value);
    static Variant Bstr(std::wstring value);
    // A VARIANT_BOOL: 0 is false, any other value (-1 by convention) true.
    static Variant Bool(std::int16_t value);
    static Variant Dec(Decimal value);
    static Variant I4Array(SafeArray<std::int32_t> elements);    // VT_ARRAY | VT_I4
    static Variant BstrArray(SafeArray<std::wstring> elements);  // VT_ARRAY | VT_BSTR
    // A value of any other type, carrying no content this layer reads
    // (VT_DATE, VT_VOID, VT_BYREF, VT_ARRAY | VT_UI1, ...).
    static Variant OfType(VarType type);

    VarType Type() const { return type_; }

    // The content as stored; nullptr when the value holds none of that kind.
    template <typename T>
    const T* Content() const {
        return std::get_if<T>(&content_);
    }

private:
    using Stored = std::variant<std::monostate, std::int64_t, std::uint64_t, double, std::wstring,
                                Decimal, SafeArray<std::int32_t>, SafeArray<std::wstring>>;

    Variant(VarType type, Stored content) : type_(type), content_(std::move(content)) {}

    VarType type_ = kVtEmpty;
    Stored content_;
};

// The value as text, as a wide output string stream with default flags (and
// the classic locale) writes it: integers in decimal, reals as %g, strings up
// to their first NUL, booleans as "true"/"false", NULL as "NULL", arrays of
// VT_I4 and VT_BSTR in brackets. Throws WmiException for any other type:
// "Data type not yet supported: VT_..." for the named types COM has,
// "Unknown data type" for the rest, with the VARTYPE as code.
std::wstring VariantToText(const Variant& value);

// Each double quote becomes a backslash and a double quote.
std::wstring EscapeQuotes(const std::wstring& text);

}  // namespace Wmi
