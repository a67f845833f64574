// What was copied, checked: the SHA-256 of the data and of the image file
// (against sha256sum), the target read back from the medium (a true disk, a
// compressed image, a card that fakes its capacity), and a disk's first block
// written last. Real loop devices and the FUSE disk; they skip without root.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <thread>

#include "disks/path_text.h"
#include "faulty_disk.h"
#include "loop_device.h"
#include "task_runner.h"
#include "test_files.h"

namespace {

constexpr std::int64_t kMiB = 1048576;
constexpr std::int64_t kDiskSize = 6 * kMiB;

Bytes FirstSector(const std::string& node) {
    Bytes sector(512);
    const int fd = ::open(node.c_str(), O_RDONLY | O_CLOEXEC);
    EXPECT_GE(fd, 0);
    EXPECT_EQ(pread(fd, sector.data(), sector.size(), 0), 512);
    ::close(fd);
    return sector;
}

class Verify : public ::testing::Test {
protected:
    CloneJob ToDisk(const std::wstring& disk) {
        CloneJob job = ImageJob(Wide(dir_ / "source.dsk"), CompressionMethod::None, L"",
                                CompressionMethod::None);
        job.target = DiskEndpoint(disk);
        job.sourceSize = static_cast<std::int64_t>(data_.size());
        job.targetSize = SizeOfDisk(disk);
        job.verify = true;
        return job;
    }

    void SetUp() override { WriteFile(dir_ / "source.dsk", data_); }

    TempDir dir_;
    const Bytes data_ = MakeDiskData(kDiskSize - 3 * 512, 7);
};

TEST_F(Verify, ImageTargetsGetTheirHashesAndReadBackByDecompressing) {
    for (const auto& [name, method] : {std::pair{"copy.dsk", CompressionMethod::None},
                                       std::pair{"copy.dsk.gz", CompressionMethod::Gzip},
                                       std::pair{"copy.dsk.bz2", CompressionMethod::Bzip2}}) {
        SCOPED_TRACE(name);
        CloneJob job =
            ImageJob(Wide(dir_ / "source.dsk"), CompressionMethod::None, Wide(dir_ / name), method);
        job.verify = true;
        RunResult run = RunJob(job);
        ASSERT_TRUE(run.task);
        EXPECT_EQ(run.task->ending, CopyEnding::Completed);
        EXPECT_EQ(run.task->verification, Verification::Passed);
        EXPECT_EQ(run.task->verifyPosition, kDiskSize - 3 * 512);
        EXPECT_EQ(run.task->dataSha256, Sha256SumOf(dir_ / "source.dsk"));
        EXPECT_EQ(run.task->imageSha256, Sha256SumOf(dir_ / name));
        EXPECT_EQ(Shell("cd " + Quoted(dir_.Path()) + " && sha256sum --quiet -c " +
                        Quoted(std::string(name) + ".sha256")),
                  0);
    }
}

// Sinks that take every write and give other bytes back: /dev/null nothing,
// /dev/zero zeros without end. The first block that differs, or where the
// reading failed, is where verification fails.
TEST_F(Verify, AnImageThatReadsBackOtherwiseFailsWhereItFirstDiffers) {
    Bytes zerosThenData(2 * kMiB, 0);
    const Bytes data = MakeDiskData(kMiB + 5, 8);
    zerosThenData.insert(zerosThenData.end(), data.begin(), data.end());
    const struct {
        const char* sink;
        CompressionMethod method;
        Bytes source;
        Verification verification;
        std::int64_t failedAt;
    } cases[] = {
        {"/dev/null", CompressionMethod::None, data_, Verification::Unreadable, 0},
        {"/dev/null", CompressionMethod::Gzip, data_, Verification::Unreadable, 0},
        {"/dev/zero", CompressionMethod::None, zerosThenData, Verification::Differs, 2 * kMiB},
        // All it holds reads back, and then more.
        {"/dev/zero", CompressionMethod::None, Bytes(3 * kMiB + 5, 0), Verification::Differs,
         3 * kMiB + 5},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.sink) + " " + std::to_string(c.failedAt));
        WriteFile(dir_ / "in.dsk", c.source);
        const auto target = dir_ / "sink";
        std::filesystem::remove(target);
        std::filesystem::create_symlink(c.sink, target);
        CloneJob job =
            ImageJob(Wide(dir_ / "in.dsk"), CompressionMethod::None, Wide(target), c.method);
        job.verify = true;
        RunResult run = RunJob(job);
        ASSERT_TRUE(run.task);
        EXPECT_EQ(run.task->verification, c.verification);
        EXPECT_EQ(run.task->ending, c.verification == Verification::Differs
                                        ? CopyEnding::VerifyFailed
                                        : CopyEnding::VerifyUnreadable);
        EXPECT_EQ(run.task->failurePosition, c.failedAt);
    }
}

TEST_F(Verify, AChecksumFileIsNeverWrittenThroughALink) {
    std::filesystem::create_symlink(dir_ / "elsewhere", dir_ / "copy.dsk.sha256");
    RunResult run = RunJob(ImageJob(Wide(dir_ / "source.dsk"), CompressionMethod::None,
                                    Wide(dir_ / "copy.dsk"), CompressionMethod::None));
    ASSERT_TRUE(run.task);
    EXPECT_EQ(run.task->checksumFileError, 0);
    EXPECT_FALSE(std::filesystem::exists(dir_ / "elsewhere"));
    EXPECT_FALSE(std::filesystem::is_symlink(dir_ / "copy.dsk.sha256"));
    EXPECT_EQ(Shell("cd " + Quoted(dir_.Path()) + " && sha256sum --quiet -c copy.dsk.sha256"), 0);
}

TEST_F(Verify, ATrueDiskReadsBackAsWrittenAndGetsItsFirstBlockLast) {
    WriteFile(dir_ / "disk.img", Bytes(kDiskSize, 0));
    LoopDevice target(dir_ / "disk.img");
    SKIP_UNLESS_READY(target);
    RunResult run = RunJob(ToDisk(target.DiskPath()));
    ASSERT_TRUE(run.task);
    EXPECT_EQ(run.task->ending, CopyEnding::Completed);
    EXPECT_EQ(run.task->verification, Verification::Passed);
    EXPECT_EQ(run.task->verifyPosition, static_cast<std::int64_t>(data_.size()));
    Bytes written = ReadFile(dir_ / "disk.img");
    written.resize(data_.size());
    EXPECT_EQ(DescribeDifference(written, data_), "");
}

// The card keeps only its first 2.5 MiB: writes beyond land at the start, and
// the page cache would still show what was written where it was written.
TEST_F(Verify, ACardThatFakesItsCapacityFailsVerificationWhereItWraps) {
    WriteFile(dir_ / "card.img", Bytes(kDiskSize, 0));
    FaultyDisk card(dir_ / "card.img", FaultyDisk::WrapAround{5 * kMiB / 2});
    SKIP_UNLESS_READY(card);
    RunResult run = RunJob(ToDisk(card.DiskPath()));
    ASSERT_TRUE(run.task);
    EXPECT_EQ(run.task->ending, CopyEnding::VerifyFailed);
    EXPECT_EQ(run.task->verification, Verification::Differs);
    // Block 0 is held back; block 1 lies under what was written at 3.5 MiB.
    EXPECT_EQ(run.task->failurePosition, kMiB);
    // Its first block was never written (what is at the start came round).
    const Bytes held = ReadFile(dir_ / "card.img");
    EXPECT_FALSE(std::equal(data_.begin(), data_.begin() + 512, held.begin()));
}

// Why the read-back goes past the page cache: on that card a buffered read
// after fsync still returns what was written, a direct read what is there.
TEST_F(Verify, OnlyADirectReadSeesWhatTheCardHolds) {
    WriteFile(dir_ / "card.img", Bytes(kDiskSize, 0));
    FaultyDisk card(dir_ / "card.img", FaultyDisk::WrapAround{2 * kMiB});
    SKIP_UNLESS_READY(card);
    const DiskOpening opening = OpenDisk(DiskEndpoint(card.DiskPath()).disk, DiskUse::Write);
    ASSERT_TRUE(opening.disk.IsOpen());
    const DiskHandle disk = opening.disk.Handle();
    const Bytes first(kMiB, 0x5A), third(kMiB, 0xC3);
    ASSERT_EQ(WriteDiskAt(disk, 0, first.data(), kMiB), kMiB);
    ASSERT_EQ(WriteDiskAt(disk, 2 * kMiB, third.data(), kMiB), kMiB);  // lands on the first
    ASSERT_TRUE(FlushDisk(disk));
    Bytes buffered(kMiB), direct(kMiB);
    std::int32_t got = 0;
    ASSERT_TRUE(ReadDiskAt(disk, 0, buffered.data(), kMiB, got));
    EXPECT_EQ(buffered, first);  // the page cache: as written
    ASSERT_TRUE(ReadDiskUncachedAt(disk, 0, direct.data(), kMiB, got));
    EXPECT_EQ(direct, third);  // the card: overwritten
}

TEST_F(Verify, ACancelledCopyLeavesTheFirstSectorBlank) {
    FaultyDisk source(dir_ / "source.dsk", 4 * kMiB, 4096);
    SKIP_UNLESS_READY(source);
    WriteFile(dir_ / "disk.img", Bytes(kDiskSize, 0));
    LoopDevice target(dir_ / "disk.img");
    SKIP_UNLESS_READY(target);
    CloneJob job = ToDisk(target.DiskPath());
    job.source = DiskEndpoint(source.DiskPath());
    job.sourceSize = SizeOfDisk(source.DiskPath());
    CCloneTask task;
    ASSERT_EQ(task.Start(job), L"");
    while (!task.readErrorPending) {
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    task.Cancel();
    EXPECT_EQ(task.ending, CopyEnding::Cancelled);
    EXPECT_EQ(task.position, 4 * kMiB);
    EXPECT_EQ(FirstSector(target.Node()), Bytes(512, 0));
    const Bytes written = ReadFile(dir_ / "disk.img");
    EXPECT_TRUE(std::equal(data_.begin() + kMiB, data_.begin() + 4 * kMiB, written.begin() + kMiB));
}

}  // namespace
