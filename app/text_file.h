#pragma once

#include <string>

// Bytes as text: each byte becomes the wide character of the same value (0 to
// 255) and every CR LF pair one LF.
std::wstring TextOfBytes(const std::string& bytes);
