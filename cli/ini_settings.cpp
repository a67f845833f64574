#include "cli/ini_settings.h"

#include <fcntl.h>
#include <pwd.h>
#include <unistd.h>

#include <boost/algorithm/string/trim.hpp>
#include <charconv>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <vector>

#include "disks/path_text.h"

namespace {

// The section that QSettings keeps entries without a group in.
const char* const kGeneralSection = "General";

std::string SectionName(const std::wstring& section) {
    return section.empty() ? kGeneralSection : WideToUtf8(section);
}

struct IniLine {
    std::string text;     // as in the file, without its line end
    std::string section;  // of a section header: the name; else empty
    std::string key;      // of an entry: the trimmed key; else empty
    bool header = false;
};

std::vector<IniLine> SplitLines(const std::string& text) {
    std::vector<IniLine> lines;
    std::size_t begin = 0;
    while (begin < text.size()) {
        std::size_t end = text.find('\n', begin);
        if (end == std::string::npos) {
            end = text.size();
        }
        IniLine line;
        line.text = text.substr(begin, end - begin);
        if (!line.text.empty() && line.text.back() == '\r') {
            line.text.pop_back();
        }
        const std::string trimmed = boost::algorithm::trim_copy(line.text);
        if (trimmed.size() >= 2 && trimmed.front() == '[' && trimmed.back() == ']') {
            line.header = true;
            line.section = trimmed.substr(1, trimmed.size() - 2);
        } else if (!trimmed.empty() && trimmed.front() != ';' && trimmed.front() != '#') {
            const std::size_t equals = trimmed.find('=');
            if (equals != std::string::npos) {
                line.key = boost::algorithm::trim_copy(trimmed.substr(0, equals));
            }
        }
        lines.push_back(std::move(line));
        begin = end + 1;
    }
    return lines;
}

// Calls visit(index, line) for the entries of `section`.
template <typename Visit>
void ForEachEntry(const std::vector<IniLine>& lines, const std::string& section, Visit visit) {
    std::string current;
    for (std::size_t i = 0; i < lines.size(); ++i) {
        if (lines[i].header) {
            current = lines[i].section;
        } else if (current == section && !lines[i].key.empty()) {
            visit(i, lines[i]);
        }
    }
}

std::optional<int> ParseInt(std::string text) {
    if (text.size() >= 2 && text.front() == '"' && text.back() == '"') {
        text = text.substr(1, text.size() - 2);
    }
    int value = 0;
    const char* begin = text.data();
    const char* end = begin + text.size();
    if (begin != end && *begin == '+') {
        ++begin;
    }
    const auto [stop, problem] = std::from_chars(begin, end, value);
    if (problem != std::errc() || stop != end || begin == end) {
        return std::nullopt;
    }
    return value;
}

// The file's text: empty when there is no file, nothing when it cannot be read.
std::optional<std::string> ReadWholeFile(const std::filesystem::path& file) {
    std::error_code error;
    if (!std::filesystem::exists(file, error) && !error) {
        return std::string();
    }
    std::ifstream in(file, std::ios::in | std::ios::binary);
    std::string text(std::istreambuf_iterator<char>(in), {});
    if (!in.is_open() || in.bad()) {
        return std::nullopt;
    }
    return text;
}

// Replaces the file by one holding `text`, through a new file and a rename,
// so that a reader never sees half of it.
void ReplaceFile(const std::filesystem::path& file, const std::string& text) {
    std::error_code error;
    std::filesystem::create_directories(file.parent_path(), error);
    const std::filesystem::path fresh =
        file.string() + ".new-" + std::to_string(static_cast<long>(getpid()));
    const int fd = ::open(fresh.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
    if (fd < 0) {
        return;
    }
    std::size_t done = 0;
    bool written = true;
    while (done < text.size()) {
        const ssize_t n = ::write(fd, text.data() + done, text.size() - done);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            written = false;
            break;
        }
        done += static_cast<std::size_t>(n);
    }
    written = ::close(fd) == 0 && written;
    if (!written || std::rename(fresh.c_str(), file.c_str()) != 0) {
        std::filesystem::remove(fresh, error);
    }
}

}  // namespace

std::optional<std::string> IniValue(const std::string& text, const std::string& section,
                                    const std::string& key) {
    std::optional<std::string> value;
    ForEachEntry(SplitLines(text), section, [&](std::size_t, const IniLine& line) {
        if (line.key == key) {
            value = boost::algorithm::trim_copy(line.text.substr(line.text.find('=') + 1));
        }
    });
    return value;
}

std::string WithIniValue(const std::string& text, const std::string& section,
                         const std::string& key, const std::string& value) {
    std::vector<IniLine> lines = SplitLines(text);
    const std::string entry = key + "=" + value;
    bool replaced = false;
    ForEachEntry(lines, section, [&](std::size_t i, const IniLine& line) {
        if (line.key == key) {
            lines[i].text = entry;
            replaced = true;
        }
    });
    if (!replaced) {
        // After the section's last line that is not blank.
        std::optional<std::size_t> insertAt;
        std::string current;
        for (std::size_t i = 0; i < lines.size(); ++i) {
            if (lines[i].header) {
                current = lines[i].section;
            }
            if (current == section && !boost::algorithm::trim_copy(lines[i].text).empty()) {
                insertAt = i + 1;
            }
        }
        IniLine added;
        added.text = entry;
        if (insertAt) {
            lines.insert(lines.begin() + static_cast<std::ptrdiff_t>(*insertAt), added);
        } else {
            if (!lines.empty() && !boost::algorithm::trim_copy(lines.back().text).empty()) {
                lines.push_back(IniLine{});
            }
            IniLine header;
            header.text = "[" + section + "]";
            lines.push_back(header);
            lines.push_back(added);
        }
    }
    std::string result;
    for (const IniLine& line : lines) {
        result += line.text + "\n";
    }
    return result;
}

IniSettings::IniSettings(std::filesystem::path file) : file_(std::move(file)) {}

std::filesystem::path IniSettings::DefaultFile() {
    std::filesystem::path folder;
    const char* configHome = std::getenv("XDG_CONFIG_HOME");
    if (configHome != nullptr && std::filesystem::path(configHome).is_absolute()) {
        folder = configHome;
    } else {
        const char* home = std::getenv("HOME");
        if (home == nullptr || *home == '\0') {
            const passwd* user = getpwuid(getuid());
            home = user != nullptr ? user->pw_dir : nullptr;
        }
        if (home == nullptr || *home == '\0') {
            return {};
        }
        folder = std::filesystem::path(home) / ".config";
    }
    return folder / "Brevel" / "Brevel.conf";
}

int IniSettings::ReadProfileInt(const std::wstring& section, const std::wstring& entry,
                                int defaultValue) {
    if (file_.empty()) {
        return defaultValue;
    }
    const std::optional<std::string> text = ReadWholeFile(file_);
    const std::optional<std::string> stored =
        text ? IniValue(*text, SectionName(section), WideToUtf8(entry)) : std::nullopt;
    const std::optional<int> value = stored ? ParseInt(*stored) : std::nullopt;
    return value.value_or(defaultValue);
}

void IniSettings::WriteProfileInt(const std::wstring& section, const std::wstring& entry,
                                  int value) {
    if (file_.empty()) {
        return;
    }
    // A file that is there but cannot be read is left alone rather than
    // replaced by one that lacks its other entries.
    const std::optional<std::string> text = ReadWholeFile(file_);
    if (!text) {
        return;
    }
    const std::string updated =
        WithIniValue(*text, SectionName(section), WideToUtf8(entry), std::to_string(value));
    if (updated != *text) {
        ReplaceFile(file_, updated);
    }
}
