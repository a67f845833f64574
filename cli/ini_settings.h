#pragma once

#include <filesystem>
#include <optional>
#include <string>

#include "control/settings_port.h"

// The per-user settings in an INI file, in the format and at the place that
// QSettings gives organisation "Brevel" and application "Brevel" on Linux:
// $XDG_CONFIG_HOME/Brevel/Brevel.conf, else ~/.config/Brevel/Brevel.conf,
// entries of the empty section under [General]. So the terminal and the
// window share the remembered compression choice. Each call reads or rewrites
// the file; lines and sections it does not know are kept as they are.
class IniSettings final : public SettingsPort {
public:
    // An empty path stores nothing: every read gives its default.
    explicit IniSettings(std::filesystem::path file);

    // The file named above; empty when there is no home folder to put it in.
    static std::filesystem::path DefaultFile();

    int ReadProfileInt(const std::wstring& section, const std::wstring& entry,
                       int defaultValue) override;
    void WriteProfileInt(const std::wstring& section, const std::wstring& entry,
                         int value) override;

    const std::filesystem::path& File() const { return file_; }

private:
    std::filesystem::path file_;
};

// The INI text's value of `key` in `section` (the last one when it is there
// more than once), without blanks around it; nothing when it is absent.
std::optional<std::string> IniValue(const std::string& text, const std::string& section,
                                    const std::string& key);

// The INI text with every `key` of `section` set to `value`; a missing key is
// added at the end of its section, a missing section at the end of the text.
std::string WithIniValue(const std::string& text, const std::string& section,
                         const std::string& key, const std::string& value);
