#include "faulty_disk.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/statfs.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <thread>
#include <vector>

namespace {

constexpr long kFuseSuperMagic = 0x65735546;

#ifdef BREVEL_FAULTY_FS_PATH
const char* const kServerProgram = BREVEL_FAULTY_FS_PATH;
#else
const char* const kServerProgram = nullptr;
#endif

using Clock = std::chrono::steady_clock;

// Waits up to `limit` for the child to end; true once it has been reaped.
bool AwaitExit(pid_t child, std::chrono::seconds limit) {
    const auto deadline = Clock::now() + limit;
    for (;;) {
        int status = 0;
        const pid_t done = waitpid(child, &status, WNOHANG);
        if (done == child || (done < 0 && errno == ECHILD)) {
            return true;
        }
        if (Clock::now() > deadline) {
            return false;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
}

bool IsFuseMount(const std::filesystem::path& folder) {
    struct statfs status {};
    return statfs(folder.c_str(), &status) == 0 && status.f_type == kFuseSuperMagic;
}

}  // namespace

FaultyDisk::FaultyDisk(const std::filesystem::path& image, std::int64_t badOffset,
                       std::int64_t badLength) {
    if (Mount(image, {"--bad-offset=" + std::to_string(badOffset),
                      "--bad-length=" + std::to_string(badLength)})) {
        Attach(LoopDevice::Access::ReadOnly);
    }
}

FaultyDisk::FaultyDisk(const std::filesystem::path& image, WrapAround wrap) {
    if (Mount(image, {"--wrap-size=" + std::to_string(wrap.wrapSize)})) {
        Attach(LoopDevice::Access::ReadWrite);
    }
}

void FaultyDisk::Attach(LoopDevice::Access access) {
    loop_ = std::make_unique<LoopDevice>(mountPoint_ / "disk.img", access);
    if (!loop_->Attached()) {
        problem_ = loop_->Problem();
    }
}

FaultyDisk::~FaultyDisk() {
    loop_.reset();
    Unmount();
}

bool FaultyDisk::Mount(const std::filesystem::path& image,
                       const std::vector<std::string>& options) {
    if (geteuid() != 0) {
        problem_ = "mounting the FUSE file system and attaching loop devices needs root";
    } else if (kServerProgram == nullptr) {
        problem_ = "built without libfuse3: brevel_faulty_fs is missing";
    } else if (access("/dev/fuse", R_OK | W_OK) != 0) {
        problem_ = "/dev/fuse is missing or not usable (no FUSE here)";
    } else if (FindProgram("fusermount3").empty()) {
        problem_ = "fusermount3 is not installed";
    }
    if (!problem_.empty()) {
        return false;
    }
    mountPoint_ = dir_ / "mnt";
    std::filesystem::create_directory(mountPoint_);
    const std::string log = (dir_ / "server.log").string();

    // Everything the child needs is prepared before the fork.
    std::vector<std::string> arguments = {kServerProgram,
                                          "--image=" + std::filesystem::absolute(image).string()};
    arguments.insert(arguments.end(), options.begin(), options.end());
    for (const std::string& rest : {mountPoint_.string(), std::string("-f"), std::string("-s")}) {
        arguments.push_back(rest);
    }
    std::vector<char*> argv;
    for (std::string& argument : arguments) {
        argv.push_back(argument.data());
    }
    argv.push_back(nullptr);
    const pid_t parent = getpid();

    server_ = fork();
    if (server_ < 0) {
        problem_ = "cannot start brevel_faulty_fs";
        return false;
    }
    if (server_ == 0) {
        // The file system goes when the test process goes.
        prctl(PR_SET_PDEATHSIG, SIGTERM);
        if (getppid() != parent) {
            _exit(1);
        }
        const int out = ::open(log.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
        const int in = ::open("/dev/null", O_RDONLY | O_CLOEXEC);
        if (out >= 0 && in >= 0) {
            dup2(in, 0);
            dup2(out, 1);
            dup2(out, 2);
        }
        execv(argv[0], argv.data());
        _exit(127);
    }

    const std::filesystem::path file = mountPoint_ / "disk.img";
    const auto deadline = Clock::now() + std::chrono::seconds(20);
    while (!mounted_) {
        std::error_code error;
        if (IsFuseMount(mountPoint_) && std::filesystem::exists(file, error)) {
            mounted_ = true;
            break;
        }
        int status = 0;
        if (waitpid(server_, &status, WNOHANG) == server_) {
            server_ = -1;
            std::string text;
            Capture("cat " + Quoted(log), text);
            problem_ = "the FUSE file system did not mount: " + text;
            return false;
        }
        if (Clock::now() > deadline) {
            problem_ = "the FUSE file system did not show its file in time";
            Unmount();
            return false;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return true;
}

void FaultyDisk::Unmount() {
    const std::string fusermount = FindProgram("fusermount3") + " -u " + Quoted(mountPoint_);
    if (mounted_) {
        // The kernel may still hold the file for a moment after the loop
        // device let go of it.
        const auto deadline = Clock::now() + std::chrono::seconds(20);
        while (IsFuseMount(mountPoint_) && Clock::now() < deadline) {
            if (Shell(fusermount + " 2>/dev/null") == 0) {
                break;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
        }
        if (IsFuseMount(mountPoint_)) {
            ADD_FAILURE() << "could not unmount " << mountPoint_ << "; detaching it lazily";
            Shell(fusermount + " -z 2>/dev/null");
        }
        mounted_ = false;
    }
    if (server_ > 0) {
        if (!AwaitExit(server_, std::chrono::seconds(10))) {
            kill(server_, SIGTERM);
            if (!AwaitExit(server_, std::chrono::seconds(10))) {
                kill(server_, SIGKILL);
                waitpid(server_, nullptr, 0);
            }
        }
        server_ = -1;
    }
}
