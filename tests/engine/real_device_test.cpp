// Copies to and from real block devices through the Linux disk binding: loop
// devices over files, and for read errors a loop device over a file of our
// FUSE file system that fails reads of a chosen stretch. Every result is
// compared byte for byte. Needs root, loop devices and FUSE; skips without.
#include <gtest/gtest.h>

#include <algorithm>

#include "disks/path_text.h"
#include "faulty_disk.h"
#include "loop_device.h"
#include "task_runner.h"
#include "test_files.h"

namespace {

constexpr std::int64_t kMiB = 1048576;
// Not a multiple of the block size, as disks seldom are.
constexpr std::int64_t kDiskSize = 3 * kMiB + 512 * 7;

Endpoint ImageEndpoint(const std::filesystem::path& path, CompressionMethod method) {
    return {Wide(path), EndpointKind::ImageFile, method != CompressionMethod::None, method};
}

CloneJob MakeJob(const Endpoint& source, const Endpoint& target) {
    CloneJob job;
    job.source = source;
    job.target = target;
    job.level = 6;
    if (source.kind == EndpointKind::PhysicalDisk) {
        job.sourceSize = SizeOfDisk(source.path);
    }
    if (target.kind == EndpointKind::PhysicalDisk) {
        job.targetSize = SizeOfDisk(target.path);
    }
    return job;
}

// Runs a job that must complete and returns it for further checks.
RunResult RunToCompletion(const CloneJob& job, std::int64_t expectedPosition) {
    RunResult run = RunJob(job);
    EXPECT_EQ(run.startMessage, L"");
    if (run.task) {
        EXPECT_EQ(run.task->ending, CopyEnding::Completed);
        EXPECT_EQ(run.task->position, expectedPosition);
        EXPECT_EQ(run.questions, 0);
    }
    return run;
}

class RealDevices : public ::testing::Test {
protected:
    // A file of `size` bytes of one repeated value, standing in for a disk's
    // earlier content.
    std::filesystem::path MakeTargetFile(const std::string& name, std::int64_t size) {
        const auto path = dir_ / name;
        WriteFile(path, Bytes(static_cast<std::size_t>(size), 0xA5));
        return path;
    }

    TempDir dir_;
    const Bytes data_ = MakeDiskData(kDiskSize, 21);
};

TEST_F(RealDevices, DiskToRawAndGzipImages) {
    WriteFile(dir_ / "disk.img", data_);
    LoopDevice source(dir_ / "disk.img");
    SKIP_UNLESS_READY(source);
    for (const auto& [name, method] : {std::pair{"saved.dsk", CompressionMethod::None},
                                       std::pair{"saved.dsk.gz", CompressionMethod::Gzip}}) {
        SCOPED_TRACE(name);
        const auto image = dir_ / name;
        RunToCompletion(MakeJob(DiskEndpoint(source.DiskPath()), ImageEndpoint(image, method)),
                        kDiskSize);
        auto plain = image;
        if (method == CompressionMethod::Gzip) {
            plain = dir_ / "unpacked";
            ASSERT_EQ(Shell("gzip -dc " + Quoted(image) + " > " + Quoted(plain)), 0);
        }
        EXPECT_EQ(DescribeDifference(ReadFile(plain), data_), "");
    }
    EXPECT_EQ(DescribeDifference(ReadFile(dir_ / "disk.img"), data_), "") << "source changed";
}

TEST_F(RealDevices, RawAndGzipImagesToALargerDiskLeaveItsRestAlone) {
    WriteFile(dir_ / "image.dsk", data_);
    ASSERT_EQ(
        Shell("gzip -c " + Quoted(dir_ / "image.dsk") + " > " + Quoted(dir_ / "image.dsk.gz")), 0);
    const std::int64_t targetSize = kDiskSize + kMiB + 512;
    for (const auto& [name, method] : {std::pair{"image.dsk", CompressionMethod::None},
                                       std::pair{"image.dsk.gz", CompressionMethod::Gzip}}) {
        SCOPED_TRACE(name);
        const auto targetFile = MakeTargetFile("target.img", targetSize);
        LoopDevice target(targetFile);
        SKIP_UNLESS_READY(target);

        RunToCompletion(
            MakeJob(ImageEndpoint(dir_ / name, method), DiskEndpoint(target.DiskPath())),
            kDiskSize);
        Bytes expected = data_;
        expected.resize(static_cast<std::size_t>(targetSize), 0xA5);
        EXPECT_EQ(DescribeDifference(ReadFile(targetFile), expected), "");
    }
}

TEST_F(RealDevices, DiskToLargerDisk) {
    WriteFile(dir_ / "disk.img", data_);
    const std::int64_t targetSize = kDiskSize + 2 * kMiB;
    const auto targetFile = MakeTargetFile("target.img", targetSize);
    LoopDevice source(dir_ / "disk.img");
    SKIP_UNLESS_READY(source);
    LoopDevice target(targetFile);
    SKIP_UNLESS_READY(target);

    RunToCompletion(MakeJob(DiskEndpoint(source.DiskPath()), DiskEndpoint(target.DiskPath())),
                    kDiskSize);
    Bytes expected = data_;
    expected.resize(static_cast<std::size_t>(targetSize), 0xA5);
    EXPECT_EQ(DescribeDifference(ReadFile(targetFile), expected), "");
    EXPECT_EQ(DescribeDifference(ReadFile(dir_ / "disk.img"), data_), "") << "source changed";
}

TEST_F(RealDevices, ASmallerTargetDiskEndsTheCopyWhereItEnds) {
    WriteFile(dir_ / "image.dsk", data_);
    const std::int64_t targetSize = 2 * kMiB + 512;
    const auto targetFile = MakeTargetFile("target.img", targetSize);
    LoopDevice target(targetFile);
    SKIP_UNLESS_READY(target);
    const Bytes expected(data_.begin(), data_.begin() + targetSize);

    // Not agreed to: a failed write where the disk ends. Agreed to: complete.
    for (const bool agreed : {false, true}) {
        SCOPED_TRACE(agreed ? "truncation agreed" : "not agreed");
        WriteFile(targetFile, Bytes(static_cast<std::size_t>(targetSize), 0xA5));
        CloneJob job = MakeJob(ImageEndpoint(dir_ / "image.dsk", CompressionMethod::None),
                               DiskEndpoint(target.DiskPath()));
        job.sourceSize = kDiskSize;
        job.truncateTarget = agreed;
        RunResult run = RunJob(job);
        ASSERT_EQ(run.startMessage, L"");
        EXPECT_EQ(run.task->ending, agreed ? CopyEnding::Completed : CopyEnding::WriteFailed);
        EXPECT_EQ(run.task->failurePosition, agreed ? -1 : targetSize);
        EXPECT_EQ(run.task->position, targetSize);
        EXPECT_EQ(run.task->truncatedBytes, agreed ? kDiskSize - targetSize : 0);
        // A failed copy never writes the first block, which goes last.
        Bytes held = expected;
        if (!agreed) {
            std::fill(held.begin(), held.begin() + kMiB, 0xA5);
        }
        EXPECT_EQ(DescribeDifference(ReadFile(targetFile), held), "");
    }
}

// A disk with one unreadable stretch of 4096 bytes at GetParam(), saved into
// a raw image.
class UnreadableStretch : public ::testing::TestWithParam<std::int64_t> {
protected:
    static constexpr std::int64_t kSize = 5 * kMiB + 512 * 7;

    void SetUp() override {
        WriteFile(dir_ / "disk.img", data_);
        disk_ = std::make_unique<FaultyDisk>(dir_ / "disk.img", GetParam(), 4096);
        SKIP_UNLESS_READY(*disk_);
    }

    void TearDown() override { disk_.reset(); }

    RunResult Save(AnswerFunction answer) {
        return RunJob(MakeJob(DiskEndpoint(disk_->DiskPath()),
                              ImageEndpoint(image_, CompressionMethod::None)),
                      std::move(answer));
    }

    TempDir dir_;
    const Bytes data_ = MakeDiskData(kSize, 31);
    const std::filesystem::path image_ = dir_ / "saved.dsk";
    std::unique_ptr<FaultyDisk> disk_;
};

TEST_P(UnreadableStretch, IgnoreZerosOnlyTheUnreadableStretch) {
    RunResult run = Save([](int) { return ReadErrorAnswer::Ignore; });
    ASSERT_EQ(run.startMessage, L"");
    EXPECT_EQ(run.task->ending, CopyEnding::Completed);
    EXPECT_EQ(run.questions, 1);
    EXPECT_EQ(run.task->position, kSize);
    // The block is read again page by page: only the stretch (or the part of
    // it before the end of the disk) is lost.
    const std::int64_t length = std::min<std::int64_t>(4096, kSize - GetParam());
    Bytes expected = data_;
    std::fill_n(expected.begin() + GetParam(), length, 0);
    EXPECT_EQ(DescribeDifference(ReadFile(image_), expected), "");
    EXPECT_EQ(run.task->zeroFilledBytes, length);
    EXPECT_EQ(run.task->firstZeroFilledPosition, GetParam());
    ASSERT_EQ(run.task->zeroFilledRuns.size(), 1u);
}

TEST_P(UnreadableStretch, AbortStopsAtTheUnreadableBlock) {
    RunResult run = Save([](int) { return ReadErrorAnswer::Abort; });
    ASSERT_EQ(run.startMessage, L"");
    EXPECT_EQ(run.task->ending, CopyEnding::ReadErrorAborted);
    EXPECT_EQ(run.task->failurePosition, GetParam());
    EXPECT_EQ(run.questions, 1);
    const Bytes expected(data_.begin(), data_.begin() + GetParam());
    EXPECT_EQ(DescribeDifference(ReadFile(image_), expected), "");
}

TEST_P(UnreadableStretch, RetryReadsTheStretchAgainAndItStaysUnreadable) {
    RunResult run = Save([](int question) {
        return question == 1 ? ReadErrorAnswer::Retry : ReadErrorAnswer::Abort;
    });
    ASSERT_EQ(run.startMessage, L"");
    EXPECT_EQ(run.questions, 2);
    EXPECT_EQ(run.task->ending, CopyEnding::ReadErrorAborted);
    EXPECT_EQ(run.task->failurePosition, GetParam());
}

std::string StretchName(const ::testing::TestParamInfo<std::int64_t>& info) {
    switch (info.param) {
        case 2 * kMiB:
            return "AtABlockStart";
        case 3 * kMiB + 256 * 1024:
            return "InsideABlock";
        default:
            return "InTheShortLastBlock";
    }
}

// Inside a block, the read of that block returns the bytes before the
// stretch and the next read, starting at the stretch, fails.
INSTANTIATE_TEST_SUITE_P(Engine, UnreadableStretch,
                         ::testing::Values(2 * kMiB, 3 * kMiB + 256 * 1024, 5 * kMiB), StretchName);

}  // namespace
