#pragma once

#include <cstdint>
#include <memory>

#include "engine/clone_job.h"
#include "engine/parallel_compressor.h"

// The formats that compress on several threads: gzip as one member per MiB
// (libdeflate; header without a name, MTIME 0, XFL by level, OS 255), bzip2
// as one stream per block of the level's size (libbz2), both standard
// multi-member files; zlib as one stream (zlib's deflate), each chunk primed
// with the 32 KiB before it and ended on a byte boundary, the header as
// deflate writes it for the level and the Adler-32 of the whole input.
// Nothing for the other formats.
std::unique_ptr<ParallelCompressor> MakeParallelCompressor(CompressionMethod method,
                                                           std::int32_t level, int workers,
                                                           ParallelCompressor::Sink sink);

// The chunk sizes: a gzip member's input, a bzip2 stream's per level, and a
// piece of a zlib stream.
inline constexpr std::size_t kGzipChunkSize = 1 << 20;
inline constexpr std::size_t Bzip2ChunkSize(std::int32_t level) {
    return static_cast<std::size_t>(level) * 100000;
}
inline constexpr std::size_t kZlibChunkSize = 128 * 1024;
