// The compressors that use every core: their output checked by the real
// tools and read back by our own reader, at chunk boundaries, with a worker
// that finishes late, and with a target that stops taking data.
#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "engine/image_reader.h"
#include "engine/parallel_formats.h"
#include "test_files.h"

namespace {

struct Format {
    CompressionMethod method;
    std::int32_t level;
    const char* tool;
    const char* extension;
    std::size_t chunk;
};

const Format kFormats[] = {
    {CompressionMethod::Gzip, 6, "gzip", ".dsk.gz", kGzipChunkSize},
    {CompressionMethod::Bzip2, 1, "bzip2", ".dsk.bz2", Bzip2ChunkSize(1)},
};

Bytes Compress(const Format& format, const Bytes& data, int workers) {
    Bytes out;
    auto compressor = MakeParallelCompressor(format.method, format.level, workers,
                                             [&out](const char* bytes, std::size_t size) {
                                                 out.insert(out.end(), bytes, bytes + size);
                                                 return true;
                                             });
    // Handed over in pieces that do not fall on chunk boundaries.
    const char* at = reinterpret_cast<const char*>(data.data());
    std::size_t left = data.size();
    while (left > 0) {
        const std::size_t piece = std::min<std::size_t>(left, 300007);
        EXPECT_TRUE(compressor->Write(at, piece));
        at += piece;
        left -= piece;
    }
    EXPECT_TRUE(compressor->Finish());
    return out;
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
        for (const std::size_t size : {std::size_t{0}, std::size_t{1}, format.chunk - 1,
                                       format.chunk, format.chunk + 1, 5 * format.chunk + 3}) {
            SCOPED_TRACE(std::string(format.tool) + " " + std::to_string(size));
            const Bytes data = MakeDiskData(size, 21);
            const std::filesystem::path file = dir / (std::string("out") + format.extension);
            WriteFile(file, Compress(format, data, 2));
            EXPECT_EQ(Shell(std::string(format.tool) + " -t " + Quoted(file)), 0);
            ASSERT_EQ(Shell(std::string(format.tool) + " -dc " + Quoted(file) + " > " +
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
    const Format& gzip = kFormats[0];
    const Bytes data = MakeDiskData(7 * gzip.chunk + 99, 22);
    WriteFile(dir / "out.dsk.gz", Compress(gzip, data, 3));
    ParallelCompressor::BeforeCompressHook() = nullptr;
    EXPECT_EQ(DescribeDifference(ReadBack(dir / "out.dsk.gz", CompressionMethod::Gzip), data), "");
}

TEST(ParallelCompressor, ATargetThatStopsTakingDataEndsItCleanly) {
    for (const Format& format : kFormats) {
        int taken = 0;
        auto compressor =
            MakeParallelCompressor(format.method, format.level, 2,
                                   [&taken](const char*, std::size_t) { return ++taken < 2; });
        const Bytes data = MakeDiskData(format.chunk, 23);
        bool accepted = true;
        for (int i = 0; i < 20 && accepted; ++i) {
            accepted = compressor->Write(reinterpret_cast<const char*>(data.data()), data.size());
        }
        EXPECT_FALSE(accepted && compressor->Finish()) << format.tool;
        EXPECT_EQ(taken, 2) << "nothing is offered after the refusal";
    }
}

}  // namespace
