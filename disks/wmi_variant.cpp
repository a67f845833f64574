#include "disks/wmi_variant.h"

#include <algorithm>
#include <locale>
#include <sstream>

#include "disks/wmi_exception.h"
#include "disks/wmi_names.h"

namespace Wmi {

Variant Variant::Null() {
    return Variant(kVtNull, std::monostate{});
}
Variant Variant::I1(char value) {
    return Variant(kVtI1, std::int64_t{value});
}
Variant Variant::I2(std::int16_t value) {
    return Variant(kVtI2, std::int64_t{value});
}
Variant Variant::I4(std::int32_t value) {
    return Variant(kVtI4, std::int64_t{value});
}
Variant Variant::Int(std::int32_t value) {
    return Variant(kVtInt, std::int64_t{value});
}
Variant Variant::I8(std::int64_t value) {
    return Variant(kVtI8, value);
}
Variant Variant::Ui1(std::uint8_t value) {
    return Variant(kVtUi1, std::uint64_t{value});
}
Variant Variant::Ui2(std::uint16_t value) {
    return Variant(kVtUi2, std::uint64_t{value});
}
Variant Variant::Ui4(std::uint32_t value) {
    return Variant(kVtUi4, std::uint64_t{value});
}
Variant Variant::Uint(std::uint32_t value) {
    return Variant(kVtUint, std::uint64_t{value});
}
Variant Variant::Ui8(std::uint64_t value) {
    return Variant(kVtUi8, value);
}
Variant Variant::R4(float value) {
    return Variant(kVtR4, double{value});
}
Variant Variant::R8(double value) {
    return Variant(kVtR8, value);
}
Variant Variant::Bstr(std::wstring value) {
    return Variant(kVtBstr, std::move(value));
}
Variant Variant::Bool(std::int16_t value) {
    return Variant(kVtBool, std::int64_t{value});
}
Variant Variant::Dec(Decimal value) {
    return Variant(kVtDecimal, value);
}
Variant Variant::I4Array(SafeArray<std::int32_t> elements) {
    return Variant(kVtArray | kVtI4, std::move(elements));
}
Variant Variant::BstrArray(SafeArray<std::wstring> elements) {
    return Variant(kVtArray | kVtBstr, std::move(elements));
}
Variant Variant::OfType(VarType type) {
    return Variant(type, std::monostate{});
}

namespace {

// The types COM names that this layer does not turn into text.
constexpr Named<VarType> kUnsupported[] = {
    {kVtCy, "VT_CY"},
    {kVtDate, "VT_DATE"},
    {kVtDispatch, "VT_DISPATCH"},
    {kVtError, "VT_ERROR"},
    {kVtVariant, "VT_VARIANT"},
    {kVtUnknown, "VT_UNKNOWN"},
    {kVtHresult, "VT_HRESULT"},
    {kVtPtr, "VT_PTR"},
    {kVtSafeArray, "VT_SAFEARRAY"},
    {kVtCArray, "VT_CARRAY"},
    {kVtUserDefined, "VT_USERDEFINED"},
    {kVtLpstr, "VT_LPSTR"},
    {kVtLpwstr, "VT_LPWSTR"},
    {kVtRecord, "VT_RECORD"},
    {kVtIntPtr, "VT_INT_PTR"},
    {kVtUintPtr, "VT_UINT_PTR"},
};

template <typename T>
T ContentOr(const Variant& value, T fallback) {
    const T* content = value.Content<T>();
    return content != nullptr ? *content : fallback;
}

// The digits of a DECIMAL's 96-bit integer with the decimal point scale
// digits from the right.
std::wstring DecimalText(const Decimal& value) {
    std::uint32_t words[3] = {value.high, static_cast<std::uint32_t>(value.low >> 32),
                              static_cast<std::uint32_t>(value.low)};
    std::wstring digits;
    while (words[0] != 0 || words[1] != 0 || words[2] != 0) {
        std::uint64_t remainder = 0;
        for (std::uint32_t& word : words) {
            const std::uint64_t current = (remainder << 32) | word;
            word = static_cast<std::uint32_t>(current / 10);
            remainder = current % 10;
        }
        digits.push_back(static_cast<wchar_t>(L'0' + remainder));
    }
    while (digits.size() <= value.scale) {
        digits.push_back(L'0');
    }
    std::reverse(digits.begin(), digits.end());
    if (value.scale > 0) {
        digits.insert(digits.end() - value.scale, L'.');
    }
    return (value.negative ? L"-" : L"") + digits;
}

// "[" elements "]"; an element that cannot be read adds nothing, but the
// separator after it is still written.
template <typename T, typename Write>
void WriteArray(std::wostream& out, const SafeArray<T>& array, Write write) {
    out << L'[';
    for (std::int64_t i = array.LowerBound(); i <= array.UpperBound(); ++i) {
        T element{};
        if (!Failed(array.GetElement(i, element))) {
            write(element);
        }
        if (i != array.UpperBound()) {
            out << L',';
        }
    }
    out << L']';
}

}  // namespace

std::wstring VariantToText(const Variant& value) {
    std::wostringstream out;
    out.imbue(std::locale::classic());
    const VarType type = value.Type();
    switch (type) {
        case kVtEmpty:
        case kVtVoid:
        case kVtByRef:
            break;
        case kVtNull:
            out << L"NULL";
            break;
        case kVtI2:
        case kVtI4:
        case kVtInt:
        case kVtI8:
            out << ContentOr<std::int64_t>(value, 0);
            break;
        case kVtUi1:
        case kVtUi2:
        case kVtUi4:
        case kVtUint:
        case kVtUi8:
            out << ContentOr<std::uint64_t>(value, 0);
            break;
        case kVtI1:
            // The byte itself, widened as Latin-1 would be.
            out << static_cast<wchar_t>(
                static_cast<unsigned char>(ContentOr<std::int64_t>(value, 0)));
            break;
        case kVtR4:
        case kVtR8:
            out << ContentOr<double>(value, 0.0);
            break;
        case kVtBstr: {
            const std::wstring text = ContentOr<std::wstring>(value, L"");
            out << text.substr(0, text.find(L'\0'));
            break;
        }
        case kVtBool:
            out << (ContentOr<std::int64_t>(value, 0) != 0 ? L"true" : L"false");
            break;
        case kVtDecimal:
            out << DecimalText(ContentOr<Decimal>(value, Decimal{}));
            break;
        case kVtArray | kVtI4:
            WriteArray(
                out, ContentOr<SafeArray<std::int32_t>>(value, {}),
                [&out](std::int32_t element) { out << static_cast<std::uint32_t>(element); });
            break;
        case kVtArray | kVtBstr:
            WriteArray(out, ContentOr<SafeArray<std::wstring>>(value, {}),
                       [&out](const std::wstring& element) {
                           out << L'"' << EscapeQuotes(element) << L'"';
                       });
            break;
        default: {
            if (const char* name = NameIn(kUnsupported, type)) {
                throw WmiException{std::string("Data type not yet supported: ") + name, type};
            }
            throw WmiException{"Unknown data type", type};
        }
    }
    return out.str();
}

std::wstring EscapeQuotes(const std::wstring& text) {
    std::wstring escaped;
    escaped.reserve(text.size());
    for (wchar_t c : text) {
        if (c == L'"') {
            escaped += L'\\';
        }
        escaped += c;
    }
    return escaped;
}

}  // namespace Wmi
