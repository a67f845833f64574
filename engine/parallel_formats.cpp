#include "engine/parallel_formats.h"

#include <bzlib.h>
#include <libdeflate.h>

#include <climits>

namespace {

// One libdeflate compressor per worker thread, for the level it last used.
struct DeflateCompressor {
    libdeflate_compressor* compressor = nullptr;
    int level = 0;
    ~DeflateCompressor() { libdeflate_free_compressor(compressor); }
};

libdeflate_compressor* CompressorFor(int level) {
    thread_local DeflateCompressor cached;
    if (cached.compressor == nullptr || cached.level != level) {
        libdeflate_free_compressor(cached.compressor);
        cached.compressor = libdeflate_alloc_compressor(level);
        cached.level = level;
    }
    return cached.compressor;
}

bool GzipMember(int level, const char* data, std::size_t size, ParallelCompressor::Chunk& out) {
    libdeflate_compressor* compressor = CompressorFor(level);
    if (compressor == nullptr) {
        return false;
    }
    out.resize(libdeflate_gzip_compress_bound(compressor, size));
    const std::size_t made =
        libdeflate_gzip_compress(compressor, data, size, out.data(), out.size());
    out.resize(made);
    return made > 0;
}

bool Bzip2Stream(int level, const char* data, std::size_t size, ParallelCompressor::Chunk& out) {
    // What bzip2 itself allows for its output: 1% and 600 bytes over the input.
    const std::size_t bound = size + size / 100 + 600;
    if (size > UINT_MAX || bound > UINT_MAX) {
        return false;
    }
    out.resize(bound);
    auto length = static_cast<unsigned>(bound);
    const int result = BZ2_bzBuffToBuffCompress(out.data(), &length, const_cast<char*>(data),
                                                static_cast<unsigned>(size), level, 0, 0);
    out.resize(length);
    return result == BZ_OK;
}

}  // namespace

std::unique_ptr<ParallelCompressor> MakeParallelCompressor(CompressionMethod method,
                                                           std::int32_t level, int workers,
                                                           ParallelCompressor::Sink sink) {
    switch (method) {
        case CompressionMethod::Gzip:
            return std::make_unique<ParallelCompressor>(
                kGzipChunkSize, workers,
                [level](const char* data, std::size_t size, ParallelCompressor::Chunk& out) {
                    return GzipMember(level, data, size, out);
                },
                std::move(sink));
        case CompressionMethod::Bzip2:
            return std::make_unique<ParallelCompressor>(
                Bzip2ChunkSize(level), workers,
                [level](const char* data, std::size_t size, ParallelCompressor::Chunk& out) {
                    return Bzip2Stream(level, data, size, out);
                },
                std::move(sink));
        default:
            return nullptr;
    }
}
