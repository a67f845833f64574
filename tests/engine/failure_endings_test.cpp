// Copies that cannot complete end with `finished` set, everything closed, and
// the right ending recorded.
#include <gtest/gtest.h>

#include <thread>

#include "task_runner.h"
#include "test_files.h"

namespace {

constexpr CompressionMethod kCompressed[] = {CompressionMethod::Gzip, CompressionMethod::Bzip2,
                                             CompressionMethod::Zlib, CompressionMethod::Xz,
                                             CompressionMethod::Zstd};

class Failures : public ::testing::Test {
protected:
    void SetUp() override {
        data_ = MakeDiskData(3 * 1048576 + 999, 21);
        WriteFile(dir_ / "in.dsk", data_);
    }

    Bytes Packed(CompressionMethod method) {
        const auto path = dir_ / "packed";
        RunResult run =
            RunJob(ImageJob(Wide(dir_ / "in.dsk"), CompressionMethod::None, Wide(path), method));
        EXPECT_EQ(run.task->ending, CopyEnding::Completed);
        return ReadFile(path);
    }

    RunResult Unpack(const Bytes& stream, CompressionMethod method) {
        WriteFile(dir_ / "broken", stream);
        return RunJob(ImageJob(Wide(dir_ / "broken"), method, Wide(dir_ / "out.dsk"),
                               CompressionMethod::None));
    }

    TempDir dir_;
    Bytes data_;
};

TEST_F(Failures, TruncatedCompressedSourceIsUnreadable) {
    for (CompressionMethod method : kCompressed) {
        SCOPED_TRACE(static_cast<int>(method));
        const Bytes whole = Packed(method);
        for (std::size_t cut : {std::size_t{1}, std::size_t{4}, whole.size() / 2}) {
            SCOPED_TRACE(cut);
            RunResult run = Unpack(Bytes(whole.begin(), whole.end() - cut), method);
            ASSERT_EQ(run.startMessage, L"");
            EXPECT_TRUE(run.task->finished);
            EXPECT_EQ(run.task->ending, CopyEnding::SourceUnreadable);
            EXPECT_EQ(run.task->failurePosition, run.task->position);
            // Everything decoded before the cut was written.
            const Bytes out = ReadFile(dir_ / "out.dsk");
            EXPECT_EQ(static_cast<std::int64_t>(out.size()), run.task->position);
            EXPECT_TRUE(std::equal(out.begin(), out.end(), data_.begin()));
        }
    }
}

TEST_F(Failures, CorruptCompressedSourceIsUnreadable) {
    for (CompressionMethod method : kCompressed) {
        SCOPED_TRACE(static_cast<int>(method));
        Bytes stream = Packed(method);
        for (std::size_t i = stream.size() / 3; i < stream.size() / 3 + 64; ++i) {
            stream[i] ^= 0x5A;
        }
        RunResult run = Unpack(stream, method);
        EXPECT_EQ(run.task->ending, CopyEnding::SourceUnreadable);
    }
    // Not compressed at all.
    RunResult run = Unpack(data_, CompressionMethod::Gzip);
    EXPECT_EQ(run.task->ending, CopyEnding::SourceUnreadable);
    EXPECT_EQ(run.task->position, 0);
}

TEST_F(Failures, FullTargetFileEndsTheCopyInEveryFormat) {
    if (!std::filesystem::exists("/dev/full")) {
        GTEST_SKIP() << "/dev/full is missing";
    }
    std::vector<CompressionMethod> methods{CompressionMethod::None};
    methods.insert(methods.end(), std::begin(kCompressed), std::end(kCompressed));
    for (CompressionMethod method : methods) {
        SCOPED_TRACE(static_cast<int>(method));
        RunResult run =
            RunJob(ImageJob(Wide(dir_ / "in.dsk"), CompressionMethod::None, L"/dev/full", method),
                   nullptr, std::chrono::seconds(60));
        ASSERT_EQ(run.startMessage, L"");
        EXPECT_TRUE(run.task->finished);
        EXPECT_EQ(run.task->ending, CopyEnding::WriteFailed);
    }
}

TEST_F(Failures, CancelKeepsEveryHandedOverBlockAndACompleteTrailer) {
    // Large enough that bzip2 at level 9 is still busy when the cancel comes.
    const Bytes big = MakeDiskData(48 * 1048576, 22);
    WriteFile(dir_ / "big.dsk", big);
    const struct {
        CompressionMethod method;
        const char* unpack;  // from the file named last to standard output
    } formats[] = {
        {CompressionMethod::Gzip, "gzip -dc"},           {CompressionMethod::Bzip2, "bzip2 -dc"},
        {CompressionMethod::Zlib, kUnpackOneZlibStream}, {CompressionMethod::Xz, "xz -dc"},
        {CompressionMethod::Zstd, "zstd -dc"},
    };
    for (const auto& [method, unpack] : formats) {
        SCOPED_TRACE(static_cast<int>(method));
        const auto target = dir_ / "cancelled";
        CCloneTask task;
        ASSERT_EQ(task.Start(ImageJob(Wide(dir_ / "big.dsk"), CompressionMethod::None, Wide(target),
                                      method, 9)),
                  L"");
        while (task.position < 3 * 1048576 && !task.finished) {
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
        task.Cancel();
        ASSERT_TRUE(task.finished);
        EXPECT_EQ(task.ending, CopyEnding::Cancelled);
        const std::int64_t copied = task.position;
        EXPECT_LT(copied, static_cast<std::int64_t>(big.size()));
        ASSERT_EQ(
            Shell(std::string(unpack) + " " + Quoted(target) + " > " + Quoted(dir_ / "back.dsk")),
            0);
        EXPECT_TRUE(ReadFile(dir_ / "back.dsk") == Bytes(big.begin(), big.begin() + copied));
    }
}

}  // namespace
