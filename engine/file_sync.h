#pragma once

#include <string>

// Flushes a closed file's data from the system's cache to its device. True
// when it is there, or when the file is of a kind that keeps no cache (a pipe
// or a character device).
bool FlushFileToStorage(const std::wstring& path);
