#pragma once

#include <string>

// Paths and texts are wide inside Brevel; the file system and the kernel take
// UTF-8. These two convert at that border. Code points that cannot be encoded
// (lone surrogates, values past U+10FFFF) and bytes that are not UTF-8 become
// U+FFFD.
std::string WideToUtf8(const std::wstring& text);
std::wstring Utf8ToWide(const std::string& text);
