#include "disks/path_text.h"

#include <cstdint>

namespace {

constexpr char32_t kReplacement = 0xFFFD;
// Lone low surrogates U+DC80 to U+DCFF stand for the bytes 0x80 to 0xFF.
constexpr char32_t kEscapeBase = 0xDC00;

bool IsSurrogate(char32_t c) {
    return c >= 0xD800 && c <= 0xDFFF;
}

bool IsEscapedByte(char32_t c) {
    return c >= kEscapeBase + 0x80 && c <= kEscapeBase + 0xFF;
}

void AppendUtf8(std::string& out, char32_t c) {
    if (IsEscapedByte(c)) {
        out += static_cast<char>(c - kEscapeBase);
        return;
    }
    if (c > 0x10FFFF || IsSurrogate(c)) {
        c = kReplacement;
    }
    if (c < 0x80) {
        out += static_cast<char>(c);
    } else if (c < 0x800) {
        out += static_cast<char>(0xC0 | (c >> 6));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        out += static_cast<char>(0xE0 | (c >> 12));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (c >> 18));
        out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    }
}

// Decodes one sequence starting at text[i] and advances i past it. A lead
// byte that starts no valid sequence is escaped alone, and decoding resumes
// at the byte after it.
char32_t DecodeOne(const std::string& text, size_t& i) {
    const auto lead = static_cast<uint8_t>(text[i]);
    const size_t start = i++;
    if (lead < 0x80) {
        return lead;
    }
    const char32_t escaped = kEscapeBase + lead;
    int extra = 0;
    char32_t c = 0;
    char32_t minimum = 0;
    if ((lead & 0xE0) == 0xC0) {
        extra = 1, c = lead & 0x1F, minimum = 0x80;
    } else if ((lead & 0xF0) == 0xE0) {
        extra = 2, c = lead & 0x0F, minimum = 0x800;
    } else if ((lead & 0xF8) == 0xF0) {
        extra = 3, c = lead & 0x07, minimum = 0x10000;
    } else {
        return escaped;
    }
    for (int k = 0; k < extra; ++k) {
        const size_t at = start + 1 + k;
        if (at >= text.size() || (static_cast<uint8_t>(text[at]) & 0xC0) != 0x80) {
            return escaped;
        }
        c = (c << 6) | (static_cast<uint8_t>(text[at]) & 0x3F);
    }
    if (c < minimum || c > 0x10FFFF || IsSurrogate(c)) {
        return escaped;
    }
    i = start + 1 + extra;
    return c;
}

// Appends code point c in the wide form of this platform (UTF-16 on Windows).
void AppendWide(std::wstring& out, char32_t c) {
    if constexpr (sizeof(wchar_t) == 2) {
        if (c >= 0x10000) {
            out += static_cast<wchar_t>(0xD800 + ((c - 0x10000) >> 10));
            out += static_cast<wchar_t>(0xDC00 + ((c - 0x10000) & 0x3FF));
            return;
        }
    }
    out += static_cast<wchar_t>(c);
}

// Joins a surrogate pair at text[i] (advancing i past its second half), else
// returns the unit itself, a lone surrogate included.
template <typename String>
char32_t JoinPair(const String& text, size_t& i) {
    const char32_t c = static_cast<char32_t>(text[i]);
    if (c >= 0xD800 && c <= 0xDBFF && i + 1 < text.size()) {
        const char32_t low = static_cast<char32_t>(text[i + 1]);
        if (low >= 0xDC00 && low <= 0xDFFF) {
            ++i;
            return 0x10000 + ((c - 0xD800) << 10) + (low - 0xDC00);
        }
    }
    return c;
}

}  // namespace

std::string WideToUtf8(const std::wstring& text) {
    std::string out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size(); ++i) {
        // Windows builds hold UTF-16: join surrogate pairs.
        const char32_t c = sizeof(wchar_t) == 2 ? JoinPair(text, i) : text[i];
        AppendUtf8(out, c);
    }
    return out;
}

std::wstring Utf8ToWide(const std::string& text) {
    std::wstring out;
    out.reserve(text.size());
    size_t i = 0;
    while (i < text.size()) {
        AppendWide(out, DecodeOne(text, i));
    }
    return out;
}

std::u16string WideToUtf16(const std::wstring& text) {
    if constexpr (sizeof(wchar_t) == 2) {
        return std::u16string(text.begin(), text.end());
    }
    std::u16string out;
    out.reserve(text.size());
    for (const wchar_t unit : text) {
        const auto c = static_cast<char32_t>(unit);
        if (c >= 0x10000 && c <= 0x10FFFF) {
            out += static_cast<char16_t>(0xD800 + ((c - 0x10000) >> 10));
            out += static_cast<char16_t>(0xDC00 + ((c - 0x10000) & 0x3FF));
        } else {
            out += static_cast<char16_t>(c > 0x10FFFF ? kReplacement : c);
        }
    }
    return out;
}

std::wstring Utf16ToWide(const std::u16string& text) {
    if constexpr (sizeof(wchar_t) == 2) {
        return std::wstring(text.begin(), text.end());
    }
    std::wstring out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size(); ++i) {
        out += static_cast<wchar_t>(JoinPair(text, i));
    }
    return out;
}
