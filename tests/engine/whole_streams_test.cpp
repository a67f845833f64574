// Compressed images as other tools write them, read whole: concatenated
// streams, zero padding after the last one, anything else after it, and the
// gzip header and trailer checks.
#include <gtest/gtest.h>

#include "task_runner.h"
#include "test_files.h"

namespace {

struct Format {
    const char* name;
    CompressionMethod method;
    const char* pack;  // a shell command from standard input to standard output
};

const Format kFormats[] = {
    {"gzip", CompressionMethod::Gzip, "gzip -6 -c"},
    {"pigz", CompressionMethod::Gzip, "pigz -6 -c"},
    {"igzip", CompressionMethod::Gzip, "igzip -c"},
    {"bzip2", CompressionMethod::Bzip2, "bzip2 -9 -c"},
    {"pbzip2", CompressionMethod::Bzip2, "pbzip2 -p2 -b1 -c"},  // a stream per 100,000 bytes
    {"lbzip2", CompressionMethod::Bzip2, "lbzip2 -n2 -c"},
    {"zlib", CompressionMethod::Zlib,
     "python3 -c 'import sys,zlib; "
     "sys.stdout.buffer.write(zlib.compress(sys.stdin.buffer.read()))'"},
    {"pigz-zlib", CompressionMethod::Zlib, "pigz -z -c"},
    {"xz", CompressionMethod::Xz, "xz -6 -c"},
    {"xz-T2", CompressionMethod::Xz, "xz -T2 --block-size=1MiB -c"},  // several blocks
    {"zstd", CompressionMethod::Zstd, "zstd -q -3 -c"},
    {"zstd-T2", CompressionMethod::Zstd, "zstd -q -T2 -c"},
    {"pzstd", CompressionMethod::Zstd, "pzstd -q -p 2 -c"},  // skippable frames between
};

class WholeStreams : public ::testing::TestWithParam<Format> {
protected:
    void SetUp() override {
        data_ = MakeDiskData(3 * 1048576 + 777, 51);
        WriteFile(dir_ / "disk.dsk", data_);
        const std::string half = std::to_string(data_.size() / 2);
        ASSERT_EQ(Shell("head -c " + half + " " + In("disk.dsk") + " | " + GetParam().pack + " > " +
                        In("a") + " && tail -c +" + std::to_string(data_.size() / 2 + 1) + " " +
                        In("disk.dsk") + " | " + GetParam().pack + " > " + In("b") + " && " +
                        GetParam().pack + " < " + In("disk.dsk") + " > " + In("whole")),
                  0);
    }

    std::string In(const std::string& name) const { return Quoted(dir_ / name); }

    // Reads `image` (made of the named files and then `tail`) with the engine.
    RunResult Read(const std::vector<std::string>& parts, const Bytes& tail = {}) {
        Bytes image;
        for (const std::string& part : parts) {
            const Bytes bytes = ReadFile(dir_ / part);
            image.insert(image.end(), bytes.begin(), bytes.end());
        }
        image.insert(image.end(), tail.begin(), tail.end());
        WriteFile(dir_ / "image", image);
        return RunJob(ImageJob(Wide(dir_ / "image"), GetParam().method, Wide(dir_ / "out.dsk"),
                               CompressionMethod::None));
    }

    bool OutputIsTheData() { return ReadFile(dir_ / "out.dsk") == data_; }

    TempDir dir_;
    Bytes data_;
};

TEST_P(WholeStreams, ConcatenatedStreamsAreReadInFull) {
    RunResult run = Read({"a", "b"});
    EXPECT_EQ(run.task->ending, CopyEnding::Completed);
    EXPECT_EQ(run.task->position, static_cast<std::int64_t>(data_.size()));
    EXPECT_TRUE(OutputIsTheData());
    EXPECT_EQ(run.task->paddingBytes, 0);
}

TEST_P(WholeStreams, ZeroPaddingAfterTheLastStreamIsIgnored) {
    for (std::size_t padding : {std::size_t{1}, std::size_t{4096}, std::size_t{300000}}) {
        SCOPED_TRACE(padding);
        RunResult run = Read({"a", "b"}, Bytes(padding, 0));
        EXPECT_EQ(run.task->ending, CopyEnding::Completed);
        EXPECT_TRUE(OutputIsTheData());
        EXPECT_EQ(run.task->paddingBytes, static_cast<std::int64_t>(padding));
    }
}

TEST_P(WholeStreams, OtherTrailingBytesAreUnreadableAfterTheDataIsWritten) {
    Bytes zerosThenText(5000, 0);
    zerosThenText.push_back('x');
    // The last: what looks like the start of a bzip2 stream.
    const Bytes lookAlike{'B', 'Z', 'h', '9', 0x31, 0x41, 0x59, 0x26, 0x53, 0x59, 0, 0, 0, 0};
    for (const Bytes& tail : {Bytes{'j', 'u', 'n', 'k'}, zerosThenText, Bytes{0x1F}, lookAlike}) {
        SCOPED_TRACE(tail.size());
        RunResult run = Read({"whole"}, tail);
        EXPECT_EQ(run.task->ending, CopyEnding::SourceUnreadable);
        EXPECT_EQ(run.task->failurePosition, static_cast<std::int64_t>(data_.size()));
        EXPECT_TRUE(OutputIsTheData());
    }
}

TEST_P(WholeStreams, ADamagedOrCutStreamIsUnreadableAfterWhatCameBefore) {
    // In the middle of the data: with several blocks, while other workers
    // decode the ones after it.
    const Bytes whole = ReadFile(dir_ / "whole");
    Bytes damaged = whole;
    for (std::size_t i = whole.size() / 2; i < whole.size() / 2 + 64; ++i) {
        damaged[i] ^= 0x5A;
    }
    WriteFile(dir_ / "damaged", damaged);
    EXPECT_EQ(Read({"damaged"}).task->ending, CopyEnding::SourceUnreadable);

    WriteFile(dir_ / "cut", Bytes(whole.begin(), whole.begin() + whole.size() / 2));
    EXPECT_EQ(Read({"cut"}).task->ending, CopyEnding::SourceUnreadable);
    // What came before the cut was written.
    const Bytes out = ReadFile(dir_ / "out.dsk");
    EXPECT_LT(out.size(), data_.size());
    EXPECT_TRUE(std::equal(out.begin(), out.end(), data_.begin()));
}

TEST_P(WholeStreams, AFileWithoutAStreamIsUnreadable) {
    for (const Bytes& image : {Bytes{}, Bytes(4096, 0)}) {
        SCOPED_TRACE(image.size());
        WriteFile(dir_ / "empty", image);
        RunResult run = Read({"empty"});
        EXPECT_EQ(run.task->ending, CopyEnding::SourceUnreadable);
        EXPECT_EQ(run.task->position, 0);
    }
}

INSTANTIATE_TEST_SUITE_P(Engine, WholeStreams, ::testing::ValuesIn(kFormats),
                         [](const ::testing::TestParamInfo<Format>& info) {
                             std::string name = info.param.name;
                             std::erase(name, '-');
                             return name;
                         });

// A gzip member as gzip -n writes it, changed by a few bytes: each check that
// gzip itself makes must refuse it.
class GzipChecks : public ::testing::Test {
protected:
    void SetUp() override {
        data_ = MakeDiskData(1048576 + 99, 52);
        WriteFile(dir_ / "disk.dsk", data_);
        ASSERT_EQ(
            Shell("gzip -n -c " + Quoted(dir_ / "disk.dsk") + " > " + Quoted(dir_ / "good.gz")), 0);
        member_ = ReadFile(dir_ / "good.gz");
    }

    CopyEnding Read(const Bytes& member) {
        WriteFile(dir_ / "image.gz", member);
        RunResult run = RunJob(ImageJob(Wide(dir_ / "image.gz"), CompressionMethod::Gzip,
                                        Wide(dir_ / "out.dsk"), CompressionMethod::None));
        return run.task->ending;
    }

    // The member with FHCRC set and the header's CRC-16 (right or not).
    Bytes WithHeaderCrc(bool right) {
        Bytes header(member_.begin(), member_.begin() + 10);
        header[3] |= 0x02;
        WriteFile(dir_ / "header", header);
        std::string crc;
        Capture(
            "python3 -c 'import sys,zlib; print(zlib.crc32(open(sys.argv[1],\"rb\").read()) "
            "& 0xffff)' " +
                Quoted(dir_ / "header"),
            crc);
        unsigned value = static_cast<unsigned>(std::stoul(crc)) ^ (right ? 0 : 1);
        Bytes member = header;
        member.push_back(static_cast<unsigned char>(value & 0xFF));
        member.push_back(static_cast<unsigned char>(value >> 8));
        member.insert(member.end(), member_.begin() + 10, member_.end());
        return member;
    }

    TempDir dir_;
    Bytes data_;
    Bytes member_;
};

TEST_F(GzipChecks, EveryCheckOfGzipIsMade) {
    ASSERT_EQ(Read(member_), CopyEnding::Completed);
    const Bytes withCrc = WithHeaderCrc(true);
    WriteFile(dir_ / "crc.gz", withCrc);
    ASSERT_EQ(Shell("gzip -t " + Quoted(dir_ / "crc.gz")), 0);
    EXPECT_EQ(Read(withCrc), CopyEnding::Completed);

    const std::size_t n = member_.size();
    const struct {
        const char* name;
        std::size_t offset;
        unsigned char flip;
    } damages[] = {
        {"reserved flag bit 5", 3, 0x20},
        {"reserved flag bit 7", 3, 0x80},
        {"CRC-32", n - 8, 0x01},
        {"ISIZE", n - 4, 0x01},
        {"ISIZE beyond 2^24", n - 1, 0x01},
    };
    for (const auto& damage : damages) {
        SCOPED_TRACE(damage.name);
        Bytes member = member_;
        member[damage.offset] ^= damage.flip;
        WriteFile(dir_ / "bad.gz", member);
        EXPECT_NE(Shell("gzip -t " + Quoted(dir_ / "bad.gz") + " 2>/dev/null"), 0);
        EXPECT_EQ(Read(member), CopyEnding::SourceUnreadable);
    }
    SCOPED_TRACE("header CRC");
    EXPECT_EQ(Read(WithHeaderCrc(false)), CopyEnding::SourceUnreadable);
}

}  // namespace
