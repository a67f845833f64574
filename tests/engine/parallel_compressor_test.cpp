// The compressors that use every core: their output checked by the real
// tools and read back by our own reader, at chunk boundaries, with a worker
// that finishes late, and with a target that stops taking data.
#include <gtest/gtest.h>
#include <zstd.h>

#include <algorithm>
#include <chrono>
#include <random>
#include <thread>

#include "engine/image_reader.h"
#include "engine/image_writer.h"
#include "engine/parallel_formats.h"
#include "test_files.h"

namespace {

struct Format {
    CompressionMethod method;
    std::int32_t level;
    const char* unpack;  // the real tool, from the file named last to standard output
    const char* extension;
    std::size_t chunk;  // the input of one chunk, block or job
};

const Format kFormats[] = {
    {CompressionMethod::Gzip, 6, "gzip -dc", ".dsk.gz", kGzipChunkSize},
    {CompressionMethod::Bzip2, 1, "bzip2 -dc", ".dsk.bz2", Bzip2ChunkSize(1)},
    {CompressionMethod::Zlib, 6, kUnpackOneZlibStream, ".dsk.zz", kZlibChunkSize},
    {CompressionMethod::Xz, 1, "xz -dc", ".dsk.xz", XzBlockSize(1)},
    // libzstd's jobs at level 1: four times its window of 512 KiB.
    {CompressionMethod::Zstd, 1, "zstd -dc", ".dsk.zst", 2 << 20},
};

const Format& Of(CompressionMethod method) {
    return *std::find_if(std::begin(kFormats), std::end(kFormats),
                         [method](const Format& format) { return format.method == method; });
}

// Writes `data` as an image on `workers` threads, handed over in pieces that
// do not fall on chunk boundaries.
void Compress(const Format& format, const Bytes& data, int workers,
              const std::filesystem::path& file) {
    ImageWriter writer;
    writer.SetWorkers(workers);
    ASSERT_TRUE(writer.Create(Wide(file), format.method, true, format.level));
    const char* at = reinterpret_cast<const char*>(data.data());
    std::size_t left = data.size();
    while (left > 0) {
        const std::size_t piece = std::min<std::size_t>(left, 300007);
        EXPECT_TRUE(writer.Write(at, static_cast<std::int32_t>(piece)));
        at += piece;
        left -= piece;
    }
    EXPECT_TRUE(writer.Close());
}

Bytes ReadBack(const std::filesystem::path& file, CompressionMethod method) {
    ImageReader reader;
    EXPECT_TRUE(reader.Open(Wide(file), method, true));
    Bytes data;
    std::vector<char> buffer(1 << 20);
    ImageReader::Status status = ImageReader::Status::Data;
    while (status == ImageReader::Status::Data) {
        const std::int32_t got =
            reader.Read(buffer.data(), static_cast<std::int32_t>(buffer.size()), status);
        data.insert(data.end(), buffer.begin(), buffer.begin() + got);
    }
    EXPECT_EQ(status, ImageReader::Status::End);
    return data;
}

TEST(ParallelCompressor, StandardStreamsAtEveryChunkBoundary) {
    TempDir dir;
    for (const Format& format : kFormats) {
        for (const std::size_t size :
             {std::size_t{0}, std::size_t{1}, format.chunk - 1, format.chunk, format.chunk + 1,
              5 * format.chunk + 3, std::size_t{3 << 20}}) {
            SCOPED_TRACE(std::string(format.extension) + " " + std::to_string(size));
            const Bytes data = MakeDiskData(size, 21);
            const std::filesystem::path file = dir / (std::string("out") + format.extension);
            Compress(format, data, 2, file);
            ASSERT_EQ(Shell(std::string(format.unpack) + " " + Quoted(file) + " > " +
                            Quoted(dir / "unpacked")),
                      0);
            EXPECT_EQ(DescribeDifference(ReadFile(dir / "unpacked"), data), "");
            EXPECT_EQ(DescribeDifference(ReadBack(file, format.method), data), "");
        }
    }
}

TEST(ParallelCompressor, ChunksStayInOrderWhenAWorkerFinishesLate) {
    TempDir dir;
    ParallelCompressor::BeforeCompressHook() = [](std::uint64_t index) {
        if (index % 3 == 0) {
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
        }
    };
    // A zlib chunk goes on from the one before it: out of order it would
    // not even decode.
    for (const Format* format : {&Of(CompressionMethod::Gzip), &Of(CompressionMethod::Zlib)}) {
        SCOPED_TRACE(format->extension);
        const Bytes data = MakeDiskData(7 * format->chunk + 99, 22);
        const std::filesystem::path file = dir / (std::string("out") + format->extension);
        Compress(*format, data, 3, file);
        EXPECT_EQ(DescribeDifference(ReadBack(file, format->method), data), "");
    }
    ParallelCompressor::BeforeCompressHook() = nullptr;
}

// Text of words drawn from a vocabulary: what deflate compresses by the
// matches it finds in the last 32 KiB.
Bytes MakeWords(std::size_t size) {
    std::mt19937 random(5);
    std::vector<std::string> words(2000);
    for (std::string& word : words) {
        for (std::size_t letters = 2 + random() % 8; letters > 0; --letters) {
            word.push_back("etaoinshrdlu"[random() % 12]);
        }
    }
    Bytes text;
    while (text.size() < size) {
        const std::string& word = words[random() % words.size()];
        text.insert(text.end(), word.begin(), word.end());
        text.push_back(' ');
    }
    text.resize(size);
    return text;
}

TEST(ParallelCompressor, OneZlibStreamIsAsSmallAsZlibAlone) {
    // Each chunk primed with the 32 KiB before it: without that this text
    // would come out 5% larger.
    TempDir dir;
    const Bytes data = MakeWords(4 << 20);
    WriteFile(dir / "disk.dsk", data);
    Compress(Of(CompressionMethod::Zlib), data, 2, dir / "out.dsk.zz");
    std::string alone;
    ASSERT_EQ(Capture("python3 -c 'import sys,zlib; "
                      "print(len(zlib.compress(open(sys.argv[1],\"rb\").read(), 6)))' " +
                          Quoted(dir / "disk.dsk"),
                      alone),
              0);
    const double ours = static_cast<double>(ReadFile(dir / "out.dsk.zz").size());
    EXPECT_LT(ours, std::stod(alone) * 1.005);
}

TEST(ParallelCompressor, XzIsWrittenInBlocksThatReadersShareOut) {
    TempDir dir;
    const Format& xz = Of(CompressionMethod::Xz);
    Compress(xz, MakeDiskData(5 * xz.chunk + 3, 25), 2, dir / "out.dsk.xz");
    std::string list;
    ASSERT_EQ(Capture("xz --robot --list " + Quoted(dir / "out.dsk.xz"), list), 0);
    // "totals", streams, blocks, ...
    EXPECT_NE(list.find("\ntotals\t1\t6\t"), std::string::npos) << list;
}

TEST(ParallelCompressor, ZstdLibraryCompressesOnWorkers) {
    const ZSTD_bounds bounds = ZSTD_cParam_getBounds(ZSTD_c_nbWorkers);
    ASSERT_FALSE(ZSTD_isError(bounds.error));
    EXPECT_GE(bounds.upperBound, 2);
    EXPECT_EQ(ZstdWorkers(2), 2);
    EXPECT_EQ(ZstdWorkers(1), 0);
}

TEST(ParallelCompressor, ATargetThatStopsTakingDataEndsItCleanly) {
    for (const Format* format : {&Of(CompressionMethod::Gzip), &Of(CompressionMethod::Bzip2),
                                 &Of(CompressionMethod::Zlib)}) {
        int taken = 0;
        auto compressor =
            MakeParallelCompressor(format->method, format->level, 2,
                                   [&taken](const char*, std::size_t) { return ++taken < 2; });
        const Bytes data = MakeDiskData(format->chunk, 23);
        bool accepted = true;
        for (int i = 0; i < 20 && accepted; ++i) {
            accepted = compressor->Write(reinterpret_cast<const char*>(data.data()), data.size());
        }
        EXPECT_FALSE(accepted && compressor->Finish()) << format->extension;
        EXPECT_EQ(taken, 2) << "nothing is offered after the refusal";
    }
}

}  // namespace
