#pragma once

#include <string>

// Paths and texts are wide inside Brevel; the file system and the kernel take
// bytes, which are UTF-8 by convention but need not be. These convert at that
// border, losslessly for paths: a byte that is not part of valid UTF-8 becomes
// the lone low surrogate U+DC80 + (byte - 0x80) and turns back into the same
// byte, so every name the file system holds comes back unchanged. Other lone
// surrogates and values past U+10FFFF cannot be encoded and become U+FFFD.
// A display shows an escaped byte as a replacement character; the file system
// always sees the original bytes.
std::string WideToUtf8(const std::wstring& text);
std::wstring Utf8ToWide(const std::string& text);

// Wide text and a toolkit's UTF-16 strings. Surrogate pairs join; lone
// surrogates (the escaped bytes above) pass through unchanged both ways, so
// that a path keeps its bytes on its way through a window's controls.
std::u16string WideToUtf16(const std::wstring& text);
std::wstring Utf16ToWide(const std::u16string& text);
