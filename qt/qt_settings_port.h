#pragma once

#include "control/settings_port.h"
#include "qt/settings_store.h"

// The window's settings port on the per-user QSettings store.
class QtSettingsPort final : public SettingsPort {
public:
    int ReadProfileInt(const std::wstring& section, const std::wstring& entry,
                       int defaultValue) override {
        return store_.GetProfileInt(QString::fromStdWString(section),
                                    QString::fromStdWString(entry), defaultValue);
    }
    void WriteProfileInt(const std::wstring& section, const std::wstring& entry,
                         int value) override {
        store_.WriteProfileInt(QString::fromStdWString(section), QString::fromStdWString(entry),
                               value);
    }

private:
    QtSettingsStore store_;
};
