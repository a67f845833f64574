// The image formats as other tools write and read them.
#include <gtest/gtest.h>

#include "task_runner.h"
#include "test_files.h"

namespace {

class Interop : public ::testing::Test {
protected:
    void SetUp() override {
        data_ = MakeDiskData(3 * 1048576 + 4321, 11);
        WriteFile(dir_ / "disk.dsk", data_);
    }

    // Copies disk.dsk into `name` with the engine.
    std::filesystem::path Write(const std::string& name, CompressionMethod method, int level) {
        const auto path = dir_ / name;
        RunResult run = RunJob(
            ImageJob(Wide(dir_ / "disk.dsk"), CompressionMethod::None, Wide(path), method, level));
        EXPECT_EQ(run.startMessage, L"");
        EXPECT_EQ(run.task->ending, CopyEnding::Completed);
        return path;
    }

    // Reads `name` with the engine and returns the raw bytes it gave.
    Bytes Read(const std::string& name, CompressionMethod method) {
        const auto out = dir_ / "read-back.dsk";
        RunResult run =
            RunJob(ImageJob(Wide(dir_ / name), method, Wide(out), CompressionMethod::None));
        EXPECT_EQ(run.startMessage, L"");
        EXPECT_EQ(run.task->ending, CopyEnding::Completed);
        return ReadFile(out);
    }

    std::string In(const std::string& name) const { return Quoted(dir_ / name); }

    TempDir dir_;
    Bytes data_;
};

Bytes Head(const std::filesystem::path& path, std::size_t count) {
    Bytes bytes = ReadFile(path);
    bytes.resize(std::min(bytes.size(), count));
    return bytes;
}

TEST_F(Interop, GzipHeaderCarriesTheLevelAndNoNameOrTime) {
    EXPECT_EQ(Head(Write("9.dsk.gz", CompressionMethod::Gzip, 9), 10),
              (Bytes{0x1F, 0x8B, 0x08, 0x00, 0x00, 0x00, 0x00, 0x00, 0x02, 0xFF}));
    EXPECT_EQ(Head(Write("1.dsk.gz", CompressionMethod::Gzip, 1), 10)[8], 0x04);
    EXPECT_EQ(Head(Write("5.dsk.gz", CompressionMethod::Gzip, 5), 10)[8], 0x00);
}

TEST_F(Interop, Bzip2HeaderNamesTheBlockSize) {
    EXPECT_EQ(Head(Write("3.dsk.bz2", CompressionMethod::Bzip2, 3), 4),
              (Bytes{0x42, 0x5A, 0x68, 0x33}));
}

TEST_F(Interop, ZlibStreamHasItsHeaderAndBigEndianAdler32) {
    const Bytes stream = ReadFile(Write("6.dsk.zz", CompressionMethod::Zlib, 6));
    ASSERT_GT(stream.size(), 6u);
    EXPECT_EQ(stream[0], 0x78);
    EXPECT_EQ(stream[1], 0x9C);
    EXPECT_EQ(Head(Write("1.dsk.zz", CompressionMethod::Zlib, 1), 2), (Bytes{0x78, 0x01}));
    EXPECT_EQ(Head(Write("9.dsk.zz", CompressionMethod::Zlib, 9), 2), (Bytes{0x78, 0xDA}));
    std::uint32_t a = 1, b = 0;
    for (unsigned char c : data_) {
        a = (a + c) % 65521;
        b = (b + a) % 65521;
    }
    const std::uint32_t adler = (b << 16) | a;
    const std::size_t n = stream.size();
    EXPECT_EQ((std::uint32_t{stream[n - 4]} << 24) | (stream[n - 3] << 16) | (stream[n - 2] << 8) |
                  stream[n - 1],
              adler);
}

TEST_F(Interop, WhatTheEngineWritesOtherToolsRead) {
    Write("disk.dsk.gz", CompressionMethod::Gzip, 6);
    Write("disk.dsk.bz2", CompressionMethod::Bzip2, 9);
    Write("disk.dsk.zz", CompressionMethod::Zlib, 6);
    EXPECT_EQ(Shell("gzip -t " + In("disk.dsk.gz")), 0);
    EXPECT_EQ(Shell("bzip2 -t " + In("disk.dsk.bz2")), 0);
    EXPECT_EQ(Shell("gzip -dc " + In("disk.dsk.gz") + " | cmp -s - " + In("disk.dsk")), 0);
    EXPECT_EQ(Shell("bzip2 -dc " + In("disk.dsk.bz2") + " | cmp -s - " + In("disk.dsk")), 0);
    EXPECT_EQ(Shell("pigz -dzc " + In("disk.dsk.zz") + " | cmp -s - " + In("disk.dsk")), 0);
    EXPECT_EQ(Shell("python3 -c 'import sys,zlib; sys.stdout.buffer.write(zlib.decompress("
                    "open(sys.argv[1],\"rb\").read()))' " +
                    In("disk.dsk.zz") + " | cmp -s - " + In("disk.dsk")),
              0);
}

TEST_F(Interop, GzipImagesOfOtherToolsAreReadInFull) {
    ASSERT_EQ(Shell("gzip -9 -N -c " + In("disk.dsk") + " > " + In("n.dsk.gz")), 0);
    EXPECT_TRUE(Read("n.dsk.gz", CompressionMethod::Gzip) == data_);

    ASSERT_EQ(Shell("pigz -6 -c " + In("disk.dsk") + " > " + In("p.dsk.gz")), 0);
    EXPECT_TRUE(Read("p.dsk.gz", CompressionMethod::Gzip) == data_);

    // Two members one after the other hold the two halves.
    ASSERT_EQ(Shell("head -c 1000000 " + In("disk.dsk") + " | gzip -c > " + In("a.gz") +
                    " && tail -c +1000001 " + In("disk.dsk") + " | gzip -c > " + In("b.gz") +
                    " && cat " + In("a.gz") + " " + In("b.gz") + " > " + In("m.dsk.gz")),
              0);
    EXPECT_TRUE(Read("m.dsk.gz", CompressionMethod::Gzip) == data_);
}

TEST_F(Interop, GzipMemberWithNameAndCommentIsRead) {
    // FLG = FNAME | FCOMMENT, then the raw deflate data, CRC-32 and ISIZE.
    ASSERT_EQ(Shell("python3 -c '"
                    "import sys,zlib,struct\n"
                    "d=open(sys.argv[1],\"rb\").read()\n"
                    "c=zlib.compressobj(6,zlib.DEFLATED,-15)\n"
                    "body=c.compress(d)+c.flush()\n"
                    "h=bytes([0x1f,0x8b,8,0x18])+struct.pack(\"<I\",1700000000)+bytes([0,3])\n"
                    "h+=b\"disk.dsk\\0\"+b\"an image with a comment\\0\"\n"
                    "t=struct.pack(\"<II\",zlib.crc32(d)&0xffffffff,len(d)&0xffffffff)\n"
                    "open(sys.argv[2],\"wb\").write(h+body+t)' " +
                    In("disk.dsk") + " " + In("c.dsk.gz")),
              0);
    ASSERT_EQ(Shell("gzip -t " + In("c.dsk.gz")), 0);
    EXPECT_TRUE(Read("c.dsk.gz", CompressionMethod::Gzip) == data_);
}

TEST_F(Interop, MultiStreamBzip2AndForeignZlibAreReadInFull) {
    // Small blocks so that the parallel compressor writes several streams.
    ASSERT_EQ(Shell("pbzip2 -1 -b1 -p2 -c " + In("disk.dsk") + " > " + In("p.dsk.bz2")), 0);
    // Each stream begins with its own header and first block's magic.
    ASSERT_EQ(Shell("python3 -c 'import sys; d=open(sys.argv[1],\"rb\").read(); "
                    "sys.exit(0 if d.count(b\"BZh1\\x31\\x41\\x59\\x26\\x53\\x59\") > 1 else 1)' " +
                    In("p.dsk.bz2")),
              0);
    EXPECT_TRUE(Read("p.dsk.bz2", CompressionMethod::Bzip2) == data_);

    ASSERT_EQ(Shell("pigz -z -9 -c " + In("disk.dsk") + " > " + In("p.dsk.zz")), 0);
    EXPECT_TRUE(Read("p.dsk.zz", CompressionMethod::Zlib) == data_);
}

}  // namespace
