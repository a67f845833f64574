#pragma once

#include <string>

// A per-user store of named 32-bit integers, grouped in sections. Brevel uses
// the empty section only.
class SettingsPort {
public:
    virtual ~SettingsPort() = default;

    // The stored value, or defaultValue when it is absent or unreadable.
    virtual int ReadProfileInt(const std::wstring& section, const std::wstring& entry,
                               int defaultValue) = 0;
    // Stores the value; a failure is not reported.
    virtual void WriteProfileInt(const std::wstring& section, const std::wstring& entry,
                                 int value) = 0;
};
