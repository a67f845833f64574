#pragma once

#include <cstdint>
#include <string>

// Whether the settings file may be read and written by this process. Running
// as root is normal for a disk tool, so the folder and the file are examined
// without following links, before anything opens them: a link, a folder or
// file that belongs to another user than the effective one, a folder others
// may write to, a folder on the way there that another user could change
// (see FolderChainProblem), or a file that is not a plain regular file of sensible size
// (a folder, a device, a FIFO, a file with other names) must not be used.
// Missing ones are fine: they are created when a value is written.

inline constexpr std::int64_t kSettingsFileLimit = 1 << 20;

// Why the file in `folder` may not be used; empty when it may.
std::string SettingsPlaceProblem(const std::string& folder, const std::string& file);
