// Disks for a process that is not root: the disk helper, run through pkexec.
#include <spawn.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <filesystem>
#include <optional>

#include "disks/disk_opener.h"

extern char** environ;

namespace {

constexpr const char* kPkexec = "/usr/bin/pkexec";
// pkexec's own statuses: the password dialog was dismissed, or the user is not
// authorised (or pkexec failed).
constexpr int kPkexecDismissed = 126;
constexpr int kPkexecNotAuthorised = 127;

bool IsExecutable(const std::string& path) {
    return ::access(path.c_str(), X_OK) == 0;
}

int WaitForExit(pid_t child) {
    int status = 0;
    while (::waitpid(child, &status, 0) < 0) {
        if (errno != EINTR) {
            return -1;
        }
    }
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

}  // namespace

HelperDiskOpener::HelperDiskOpener(std::vector<std::string> launcher, std::string helper)
    : launcher_(std::move(launcher)), helper_(std::move(helper)) {}

HandedOverDisk HelperDiskOpener::Open(const std::string& node, DiskUse access) const {
    HandedOverDisk result;
    result.refusal = DiskOpenRefusal::NoHelper;
    int ends[2] = {-1, -1};
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, ends) != 0) {
        return result;
    }
    UniqueFd ours(ends[0]);
    UniqueFd theirs(ends[1]);

    std::vector<std::string> words = launcher_;
    words.push_back(helper_);
    words.push_back(access == DiskUse::Write ? "write" : "read");
    words.push_back(node);
    std::vector<char*> argv;
    for (std::string& word : words) {
        argv.push_back(word.data());
    }
    argv.push_back(nullptr);

    // The helper's standard output is its end of the socket; every other
    // descriptor of ours is close-on-exec.
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, theirs.Get(), STDOUT_FILENO);
    pid_t child = -1;
    const int spawned = ::posix_spawn(&child, argv[0], &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    theirs.Reset();
    if (spawned != 0) {
        return result;
    }
    result = ReceiveOpenedDisk(ours.Get());
    const int status = WaitForExit(child);
    if (result.refusal == DiskOpenRefusal::NoHelper && !launcher_.empty() &&
        (status == kPkexecDismissed || status == kPkexecNotAuthorised)) {
        result.refusal = DiskOpenRefusal::NotAuthorised;
    }
    return result;
}

std::string InstalledDiskHelperPath() {
    std::error_code error;
    const std::filesystem::path self = std::filesystem::read_symlink("/proc/self/exe", error);
    if (error) {
        return {};
    }
    return (self.parent_path() / BREVEL_LIBEXEC_FROM_BINDIR / "brevel-disk-helper")
        .lexically_normal()
        .string();
}

namespace {

DiskAccessWays WaysOfThisProcess() {
    const std::string helper = InstalledDiskHelperPath();
    return {.root = ::geteuid() == 0,
            .pkexec = IsExecutable(kPkexec),
            .helper = !helper.empty() && IsExecutable(helper)};
}

}  // namespace

const HelperDiskOpener* PrivilegedDiskOpener() {
    static const std::optional<HelperDiskOpener> opener = []() -> std::optional<HelperDiskOpener> {
        const DiskAccessWays ways = WaysOfThisProcess();
        if (ways.root || !ways.pkexec || !ways.helper) {
            return std::nullopt;
        }
        return HelperDiskOpener({kPkexec}, InstalledDiskHelperPath());
    }();
    return opener ? &*opener : nullptr;
}

std::string DiskAccessAdvice(const DiskAccessWays& ways) {
    if (ways.root || (ways.pkexec && ways.helper)) {
        return {};
    }
    if (!ways.pkexec) {
        return "Disks need administrator rights.\n"
               "Install the package pkexec to be asked for\n"
               "the password, or run Brevel as root.";
    }
    return "Disks need administrator rights.\n"
           "The disk helper brevel-disk-helper is not\n"
           "installed beside Brevel: install the brevel\n"
           "package, or run Brevel as root.";
}

std::string DiskAccessAdvice() {
    return DiskAccessAdvice(WaysOfThisProcess());
}
