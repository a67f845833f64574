#pragma once

#include <filesystem>
#include <optional>

// Brevel's folder in the user's cache: $XDG_CACHE_HOME/Brevel when that is an
// absolute path, else ~/.cache/Brevel. Nothing when no home can be found. The
// folder is not created here.
std::optional<std::filesystem::path> UserCacheFolder();
