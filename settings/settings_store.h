#pragma once

#include <QString>
#include <cstdint>
#include <map>
#include <optional>
#include <string>

// The per-user store of the program's integer settings, over QSettings: on
// Linux the file Brevel/Brevel.conf under the user's configuration folder
// ($XDG_CONFIG_HOME, else ~/.config), on Windows the registry key
// HKEY_CURRENT_USER\Software\Brevel\Brevel. Values of the empty section stand
// directly in that file or key.
//
// When the file's place fails the checks of settings_place.h, the store
// keeps its values in memory for this run only and never touches the file;
// Problem() then says why.
class QtSettingsStore {
public:
    explicit QtSettingsStore(QString configFolder = UserConfigFolder(),
                             const QString& organisation = QStringLiteral("Brevel"),
                             const QString& application = QStringLiteral("Brevel"));

    // The user's configuration folder.
    static QString UserConfigFolder();

    // The stored value read as a signed 32-bit number (a stored 4294967295
    // reads as -1), or `defaultValue` when it is absent or no 32-bit number.
    std::int32_t GetProfileInt(const QString& section, const QString& entry,
                               std::int32_t defaultValue) const;
    // Stores the value; false when it could not be written.
    bool WriteProfileInt(const QString& section, const QString& entry, std::int32_t value);

    const QString& File() const { return file_; }
    // Why the file is not used; empty when it is.
    const QString& Problem() const { return problem_; }

private:
    QString file_;
    QString problem_;
    std::optional<std::map<QString, std::int32_t>> memory_;
};

// The one warning line for a store that keeps its values in memory.
std::string SettingsInMemoryWarning(const QtSettingsStore& store);
