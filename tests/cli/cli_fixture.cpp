#include "cli_fixture.h"

#include <regex>
#include <sstream>

#include "control/text_format.h"
#include "disks/path_text.h"

CliTest::CliTest() {
    env.folder = dir.Path();
    env.home = dir / "home";
    std::filesystem::create_directory(env.home);
}

std::filesystem::path CliTest::SettingsFile() const {
    return env.home / ".config" / "Brevel" / "Brevel.conf";
}

std::string Masked(const std::string& out) {
    static const std::regex time(R"(^(Start|Finish) Time: \d{4}/\d\d/\d\d \d\d:\d\d:\d\d$)");
    static const std::regex speed(R"(^Average Speed: \d[\d.]* (bytes|KB|MB|GB)/s$)");
    static const std::regex duration(R"(^(Duration: |Copied .+ in )\d+:\d\d:\d\ds$)");
    static const std::regex hash(R"(^((Image )?SHA-256: )[0-9a-f]{64}( .*)?$)");
    std::istringstream lines(out);
    std::string masked;
    for (std::string line; std::getline(lines, line);) {
        std::smatch match;
        if (std::regex_match(line, match, time)) {
            line = match[1].str() + " Time: <time>";
        } else if (std::regex_match(line, speed)) {
            continue;
        } else if (std::regex_match(line, match, duration)) {
            line = match[1].str() + "<duration>";
        } else if (std::regex_match(line, match, hash)) {
            line = match[1].str() + "<hash>" + match[3].str();
        }
        masked += line + "\n";
    }
    return masked;
}

std::string ReportLines(const std::string& sourceBytes, std::int64_t copied,
                        std::int64_t compressedSize, const std::string& image) {
    std::string lines = "Finish Time: <time>\nDuration: <duration>\nSource Bytes: " + sourceBytes +
                        "\nCopied Bytes: " + std::to_string(copied) + "\n";
    if (compressedSize >= 0) {
        lines += "Compressed Size: " + WideToUtf8(FormatByteSize(compressedSize)) + "\n";
        if (copied > 0) {
            lines += "Compression Ratio: " + std::to_string(compressedSize * 100 / copied) + "%\n";
        }
    }
    lines += "SHA-256: <hash>\n";
    if (!image.empty()) {
        lines += "Image SHA-256: <hash> (in " + image + ".sha256)\n";
    }
    return lines + "Copied " + WideToUtf8(FormatByteSize(copied)) + " in <duration>\n";
}
