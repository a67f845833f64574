#pragma once

#include <QString>
#include <cstdint>

// The per-user store of the program's integer settings, over QSettings: on
// Linux the file Brevel/Brevel.conf under the user's configuration folder, on
// Windows the registry key HKEY_CURRENT_USER\Software\Brevel\Brevel.
// Values of the empty section stand directly in that file or key.
class QtSettingsStore {
public:
    explicit QtSettingsStore(QString organisation = QStringLiteral("Brevel"),
                             QString application = QStringLiteral("Brevel"));

    // The stored value read as a signed 32-bit number (a stored 4294967295
    // reads as -1), or `defaultValue` when it is absent or no 32-bit number.
    std::int32_t GetProfileInt(const QString& section, const QString& entry,
                               std::int32_t defaultValue) const;
    // Stores the value; false when it could not be written.
    bool WriteProfileInt(const QString& section, const QString& entry, std::int32_t value);

private:
    QString organisation_;
    QString application_;
};
