#pragma once

#include <cstdint>
#include <string>

// The one notation for every size, rate, time and duration that the window
// shows. Stateless; callable from any thread.

// A byte count: below 1024 "N bytes"; above, scaled in steps of 1024 to the
// first of KB, MB, GB, TB, PB, EB in which it is below 1024, with three
// significant digits, the rest dropped (1340 reads "1.30 KB"). A value of
// 1000 to 1023 in its unit keeps its four whole digits ("1023 KB"). A negative
// count reads as its number of bytes.
std::wstring FormatByteSize(std::int64_t bytes);

// FormatByteSize followed by "/s".
std::wstring FormatSpeed(std::int64_t bytesPerSecond);

// Seconds since 1970 as local "YYYY/MM/DD HH:MM:SS"; empty for values the
// conversion rejects: negative ones and those after 3000-12-31 23:59:59 UTC.
std::wstring FormatTimestamp(std::int64_t seconds);

// "H:MM:SSs", the hours not wrapped at 24.
std::wstring FormatDuration(std::int64_t seconds);

// A time left as "M:SS", or "H:MM:SS" from an hour on.
std::wstring FormatTimeLeft(std::int64_t seconds);

// A typed path without white space at either end.
std::wstring TrimmedPath(std::wstring text);
