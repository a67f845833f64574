#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <memory>

#include "disks/owned_folder.h"

namespace {

bool TrustedOwner(uid_t owner) {
    return owner == geteuid() || owner == 0;
}

// Checks each existing folder of `path` from the root down; `deepest` gets the
// last one that exists. `sawLink` tells whether a link was on the way.
std::string ChainProblem(const std::string& path, std::string& deepest, bool& sawLink) {
    std::string prefix;
    std::size_t at = 0;
    while (at < path.size()) {
        const std::size_t next = path.find('/', at + 1);
        prefix = path.substr(0, next == std::string::npos ? path.size() : next);
        at = next == std::string::npos ? path.size() : next;
        if (prefix.empty() || prefix.back() == '/') {
            continue;
        }
        struct stat status {};
        if (lstat(prefix.c_str(), &status) != 0) {
            return errno == ENOENT ? "" : prefix + ": " + std::strerror(errno);
        }
        if (S_ISLNK(status.st_mode)) {
            if (!TrustedOwner(status.st_uid)) {
                return prefix + " is a link of another user";
            }
            sawLink = true;
            if (stat(prefix.c_str(), &status) != 0) {
                return errno == ENOENT ? "" : prefix + ": " + std::strerror(errno);
            }
        }
        if (!S_ISDIR(status.st_mode)) {
            return prefix + " is not a folder";
        }
        if (!TrustedOwner(status.st_uid)) {
            return prefix + " belongs to another user";
        }
        if ((status.st_mode & (S_IWGRP | S_IWOTH)) != 0 && (status.st_mode & S_ISVTX) == 0) {
            return prefix + " can be written by other users";
        }
        deepest = prefix;
    }
    return "";
}

}  // namespace

std::string FolderChainProblem(const std::string& folder) {
    std::string deepest;
    bool sawLink = false;
    std::string problem = ChainProblem(folder, deepest, sawLink);
    if (!problem.empty() || !sawLink || deepest.empty()) {
        return problem;
    }
    // Where the links lead: a place of its own, which must be as safe.
    const std::unique_ptr<char, decltype(&std::free)> real(realpath(deepest.c_str(), nullptr),
                                                           &std::free);
    if (!real) {
        return deepest + ": " + std::strerror(errno);
    }
    std::string realDeepest;
    return ChainProblem(real.get(), realDeepest, sawLink);
}
