#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "disks/owned_folder.h"
#include "settings/settings_place.h"

namespace {

// Why `path` is not a fit folder (wantFolder) or file; empty when it is, or
// when it is absent.
std::string Problem(const std::string& path, bool wantFolder) {
    struct stat status {};
    if (lstat(path.c_str(), &status) != 0) {
        return errno == ENOENT ? "" : path + ": " + std::strerror(errno);
    }
    if (S_ISLNK(status.st_mode)) {
        return path + " is a symbolic link";
    }
    if (wantFolder && !S_ISDIR(status.st_mode)) {
        return path + " is not a folder";
    }
    if (!wantFolder && !S_ISREG(status.st_mode)) {
        return path + " is not a regular file";
    }
    if (status.st_uid != geteuid()) {
        return path + " belongs to another user";
    }
    if (wantFolder && (status.st_mode & (S_IWGRP | S_IWOTH)) != 0) {
        return path + " can be written by other users";
    }
    if (!wantFolder && status.st_nlink != 1) {
        return path + " has other names (hard links)";
    }
    if (!wantFolder && status.st_size > kSettingsFileLimit) {
        return path + " is too large for a settings file";
    }
    return "";
}

}  // namespace

std::string SettingsPlaceProblem(const std::string& folder, const std::string& file) {
    std::string problem = FolderChainProblem(folder);
    if (problem.empty()) {
        problem = Problem(folder, true);
    }
    if (problem.empty()) {
        problem = Problem(file, false);
    }
    return problem;
}
