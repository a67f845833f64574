#pragma once

#include <string>

// The whole text of a file, each byte becoming the wide character of the same
// value (0 to 255) and every CR LF pair one LF. Empty when the file cannot be
// opened or read, or is empty; never throws.
std::wstring ReadTextFile(std::wstring path);
