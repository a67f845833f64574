#include <pwd.h>
#include <unistd.h>

#include <cstdlib>
#include <vector>

#include "app/cache_folder.h"

namespace {

std::optional<std::filesystem::path> AbsoluteVariable(const char* name) {
    const char* value = std::getenv(name);
    if (value == nullptr || value[0] != '/') {
        return std::nullopt;
    }
    return std::filesystem::path(value);
}

std::optional<std::filesystem::path> HomeFolder() {
    if (auto home = AbsoluteVariable("HOME")) {
        return home;
    }
    std::vector<char> buffer(16384);
    passwd entry{};
    passwd* found = nullptr;
    if (getpwuid_r(getuid(), &entry, buffer.data(), buffer.size(), &found) != 0 ||
        found == nullptr || found->pw_dir == nullptr || found->pw_dir[0] != '/') {
        return std::nullopt;
    }
    return std::filesystem::path(found->pw_dir);
}

}  // namespace

std::optional<std::filesystem::path> UserCacheFolder() {
    if (auto cache = AbsoluteVariable("XDG_CACHE_HOME")) {
        return *cache / "Brevel";
    }
    if (auto home = HomeFolder()) {
        return *home / ".cache" / "Brevel";
    }
    return std::nullopt;
}
