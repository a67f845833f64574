#pragma once

#include <cstdint>
#include <memory>

#include "engine/clone_job.h"
#include "engine/parallel_compressor.h"

// The formats that compress on several threads as independent chunks, each a
// complete stream of the format: gzip as one member per MiB (libdeflate;
// header without a name, MTIME 0, XFL by level, OS 255), bzip2 as one stream
// per block of the level's size (libbz2). Nothing for the other formats.
std::unique_ptr<ParallelCompressor> MakeParallelCompressor(CompressionMethod method,
                                                           std::int32_t level, int workers,
                                                           ParallelCompressor::Sink sink);

// The chunk sizes: a gzip member's input, and a bzip2 stream's per level.
inline constexpr std::size_t kGzipChunkSize = 1 << 20;
inline constexpr std::size_t Bzip2ChunkSize(std::int32_t level) {
    return static_cast<std::size_t>(level) * 100000;
}
