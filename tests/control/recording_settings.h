#pragma once

#include <map>
#include <string>
#include <utility>
#include <vector>

#include "control/settings_port.h"

// A settings store in memory that records every write.
class RecordingSettings final : public SettingsPort {
public:
    int ReadProfileInt(const std::wstring& section, const std::wstring& entry,
                       int defaultValue) override {
        const auto found = values.find(section + L"\\" + entry);
        return found == values.end() ? defaultValue : found->second;
    }
    void WriteProfileInt(const std::wstring& section, const std::wstring& entry,
                         int value) override {
        values[section + L"\\" + entry] = value;
        writes.emplace_back(section + L"\\" + entry, value);
    }

    // Keys are section + "\" + entry; Brevel's section is empty.
    static std::wstring Key(const std::wstring& entry) { return L"\\" + entry; }
    int Value(const std::wstring& entry) const { return values.at(Key(entry)); }

    std::map<std::wstring, int> values;
    std::vector<std::pair<std::wstring, int>> writes;
};
