// What the engine says about the target is what the target holds: failure
// positions against real refusing files (/dev/full, a size limit), and the
// flush of a file its writer may not read.
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <cstdio>
#include <functional>

#include "task_runner.h"
#include "test_files.h"

namespace {

constexpr std::int64_t kMiB = 1048576;

// Runs `work` in a forked child and hands back the numbers it printed; the
// child's limits and identity stay its own.
std::vector<std::int64_t> InChild(const std::function<std::vector<std::int64_t>()>& work) {
    int pipeFds[2];
    if (pipe(pipeFds) != 0) {
        ADD_FAILURE() << "no pipe";
        return {};
    }
    const pid_t child = fork();
    if (child == 0) {
        close(pipeFds[0]);
        std::string text;
        for (std::int64_t value : work()) {
            text += std::to_string(value) + " ";
        }
        const ssize_t put = write(pipeFds[1], text.data(), text.size());
        _exit(put == static_cast<ssize_t>(text.size()) ? 0 : 1);
    }
    close(pipeFds[1]);
    std::string text;
    char buffer[256];
    ssize_t got = 0;
    while ((got = read(pipeFds[0], buffer, sizeof buffer)) > 0) {
        text.append(buffer, static_cast<std::size_t>(got));
    }
    close(pipeFds[0]);
    int status = 0;
    waitpid(child, &status, 0);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "the child failed";
    std::vector<std::int64_t> values;
    std::size_t at = 0;
    while (at < text.size()) {
        std::size_t used = 0;
        values.push_back(std::stoll(text.substr(at), &used));
        at += used + 1;
    }
    return values;
}

class TargetTruth : public ::testing::Test {
protected:
    void SetUp() override {
        data_ = MakeDiskData(4 * kMiB + 4321, 41);
        WriteFile(dir_ / "in.dsk", data_);
    }

    // Copies in.dsk into `target`.
    RunResult Copy(const std::filesystem::path& target, CompressionMethod method) {
        return RunJob(
            ImageJob(Wide(dir_ / "in.dsk"), CompressionMethod::None, Wide(target), method));
    }

    TempDir dir_;
    Bytes data_;
};

TEST_F(TargetTruth, AFullTargetHoldsWhatThePositionSays) {
    if (!std::filesystem::exists("/dev/full")) {
        GTEST_SKIP() << "/dev/full is missing";
    }
    std::filesystem::create_symlink("/dev/full", dir_ / "full.dsk");
    for (CompressionMethod method : {CompressionMethod::None, CompressionMethod::Gzip,
                                     CompressionMethod::Bzip2, CompressionMethod::Zlib}) {
        SCOPED_TRACE(static_cast<int>(method));
        RunResult run = Copy(dir_ / "full.dsk", method);
        ASSERT_EQ(run.startMessage, L"");
        EXPECT_EQ(run.task->ending, CopyEnding::WriteFailed);
        EXPECT_EQ(run.task->failurePosition, 0);  // /dev/full took nothing
        // Only whole blocks that the compressor took count as copied.
        EXPECT_EQ(run.task->position % kMiB, 0);
        if (method == CompressionMethod::None) {
            EXPECT_EQ(run.task->position, 0);
        }
    }
}

TEST_F(TargetTruth, ASizeLimitedTargetHoldsWhatThePositionSays) {
    // Random bytes hardly compress, so that gzip reaches the limit too.
    ASSERT_EQ(Shell("head -c 4194304 /dev/urandom > " + Quoted(dir_ / "noise.dsk")), 0);
    for (const auto& [name, method] : {std::pair{"in.dsk", CompressionMethod::None},
                                       std::pair{"noise.dsk", CompressionMethod::Gzip}}) {
        SCOPED_TRACE(name);
        const auto target = dir_ / "limited";
        const std::vector<std::int64_t> seen = InChild([&] {
            const rlimit limit{1536 * 1024, 1536 * 1024};
            std::signal(SIGXFSZ, SIG_IGN);
            setrlimit(RLIMIT_FSIZE, &limit);
            RunResult run =
                RunJob(ImageJob(Wide(dir_ / name), CompressionMethod::None, Wide(target), method));
            return std::vector<std::int64_t>{static_cast<std::int64_t>(run.task->ending),
                                             run.task->failurePosition, run.task->position};
        });
        ASSERT_EQ(seen.size(), 3u);
        EXPECT_EQ(seen[0], static_cast<std::int64_t>(CopyEnding::WriteFailed));
        const auto size = static_cast<std::int64_t>(std::filesystem::file_size(target));
        EXPECT_EQ(size, 1536 * 1024);
        EXPECT_EQ(seen[1], size);
        if (method == CompressionMethod::None) {
            EXPECT_EQ(seen[2], size);  // Copied Bytes: what the file holds
            EXPECT_TRUE(ReadFile(target) == Bytes(data_.begin(), data_.begin() + size));
        } else {
            EXPECT_LT(seen[2], 2 * kMiB);  // the blocks before the one that failed
        }
    }
}

TEST_F(TargetTruth, ATargetItsWriterMayNotReadIsFlushedAndComplete) {
    if (geteuid() != 0) {
        GTEST_SKIP() << "needs root to act as another user";
    }
    const uid_t nobody = 65534;
    std::filesystem::permissions(dir_.Path(), std::filesystem::perms::all);
    const auto target = dir_ / "write-only.dsk.gz";
    WriteFile(target, Bytes(10, 1));
    ASSERT_EQ(chown(target.c_str(), nobody, nobody), 0);
    ASSERT_EQ(chmod(target.c_str(), 0200), 0);
    const std::vector<std::int64_t> seen = InChild([&] {
        if (setresgid(nobody, nobody, nobody) != 0 || setresuid(nobody, nobody, nobody) != 0) {
            return std::vector<std::int64_t>{-1};
        }
        RunResult run = Copy(target, CompressionMethod::Gzip);
        return std::vector<std::int64_t>{static_cast<std::int64_t>(run.task->ending)};
    });
    EXPECT_EQ(seen, std::vector<std::int64_t>{static_cast<std::int64_t>(CopyEnding::Completed)});
    EXPECT_EQ(Shell("gzip -dc " + Quoted(target) + " | cmp -s - " + Quoted(dir_ / "in.dsk")), 0);
}

}  // namespace
