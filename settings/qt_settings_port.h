#pragma once

#include <utility>

#include "control/settings_port.h"
#include "settings/settings_store.h"

// The settings port of both faces on the per-user QSettings store.
class QtSettingsPort final : public SettingsPort {
public:
    QtSettingsPort() = default;
    explicit QtSettingsPort(QtSettingsStore store) : store_(std::move(store)) {}

    const QtSettingsStore& Store() const { return store_; }

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
