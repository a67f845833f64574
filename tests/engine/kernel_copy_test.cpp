// A raw image copied to a raw image on the same file system goes through the
// kernel (copy_file_range); elsewhere it is read and written. Both give the
// same bytes, hash and read-back, and a target that fills up holds what the
// position says.
#include <gtest/gtest.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <unistd.h>

#include "task_runner.h"
#include "test_files.h"

namespace {

constexpr std::int64_t kMiB = 1048576;

// A tmpfs of `size` mounted on a new folder `at`; needs root.
class SmallFileSystem {
public:
    SmallFileSystem(const std::filesystem::path& at, const std::string& size) : at_(at) {
        std::filesystem::create_directory(at_);
        mounted_ = geteuid() == 0 &&
                   ::mount("tmpfs", at_.c_str(), "tmpfs", 0, ("size=" + size).c_str()) == 0;
    }
    ~SmallFileSystem() {
        if (mounted_) {
            ::umount2(at_.c_str(), MNT_DETACH);
        }
    }
    SmallFileSystem(const SmallFileSystem&) = delete;
    SmallFileSystem& operator=(const SmallFileSystem&) = delete;
    bool Mounted() const { return mounted_; }

private:
    std::filesystem::path at_;
    bool mounted_ = false;
};

dev_t DeviceOf(const std::filesystem::path& path) {
    struct stat status {};
    EXPECT_EQ(::stat(path.c_str(), &status), 0);
    return status.st_dev;
}

RunResult CopyRaw(const std::filesystem::path& source, const std::filesystem::path& target,
                  bool verify) {
    CloneJob job =
        ImageJob(Wide(source), CompressionMethod::None, Wide(target), CompressionMethod::None);
    job.verify = verify;
    return RunJob(job);
}

TEST(KernelCopy, GivesTheBytesHashAndReadBackOfReadingAndWritingAtOddSizes) {
    TempDir here;
    TempDir elsewhere("/dev/shm");
    const bool otherFileSystem = DeviceOf(here.Path()) != DeviceOf(elsewhere.Path());
    const std::int64_t block = kBlockSize;
    for (const std::int64_t size :
         {std::int64_t{0}, std::int64_t{1}, block - 1, block + 1, 5 * kMiB + 17}) {
        SCOPED_TRACE(size);
        const Bytes data = MakeDiskData(static_cast<std::size_t>(size), 3);
        WriteFile(here / "source.dsk", data);
        for (const auto& [folder, inKernel] :
             {std::pair{&here, true}, std::pair{&elsewhere, false}}) {
            SCOPED_TRACE(inKernel ? "in the kernel" : "read and written");
            if (!inKernel && !otherFileSystem) {
                continue;  // /dev/shm is no other file system here
            }
            const auto target = *folder / "copy.dsk";
            RunResult run = CopyRaw(here / "source.dsk", target, true);
            ASSERT_TRUE(run.task);
            EXPECT_EQ(run.task->ending, CopyEnding::Completed);
            EXPECT_EQ(run.task->verification, Verification::Passed);
            EXPECT_EQ(run.task->position, size);
            EXPECT_EQ(run.task->targetImage.File().BytesCopied(), inKernel ? size : 0);
            EXPECT_EQ(DescribeDifference(ReadFile(target), data), "");
            EXPECT_EQ(run.task->dataSha256, Sha256SumOf(here / "source.dsk"));
            EXPECT_EQ(
                Shell("cd " + Quoted(folder->Path()) + " && sha256sum --quiet -c copy.dsk.sha256"),
                0);
        }
    }
}

TEST(KernelCopy, AFullFileSystemHoldsWhatThePositionSays) {
    TempDir dir;
    SmallFileSystem small(dir / "small", "6m");
    if (!small.Mounted()) {
        GTEST_SKIP() << "needs root to mount a tmpfs";
    }
    const Bytes data = MakeDiskData(4 * kMiB + 4321, 11);
    const auto source = dir / "small" / "source.dsk";
    const auto target = dir / "small" / "copy.dsk";
    WriteFile(source, data);
    RunResult run = CopyRaw(source, target, false);
    ASSERT_TRUE(run.task);
    EXPECT_EQ(run.task->ending, CopyEnding::WriteFailed);
    const auto size = static_cast<std::int64_t>(std::filesystem::file_size(target));
    EXPECT_LT(size, static_cast<std::int64_t>(data.size()));
    EXPECT_GT(run.task->targetImage.File().BytesCopied(), 0);
    EXPECT_EQ(run.task->failurePosition, size);
    EXPECT_EQ(run.task->position, size);  // Copied Bytes: what the file holds
    EXPECT_TRUE(ReadFile(target) == Bytes(data.begin(), data.begin() + size));
}

}  // namespace
