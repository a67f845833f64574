#include "engine/parallel_formats.h"

#include <bzlib.h>
#include <libdeflate.h>
#include <zlib.h>

#include <climits>

namespace {

using Input = ParallelCompressor::Input;
using Output = ParallelCompressor::Output;

// One compressor state per worker thread, made for the level it last used.
template <typename State, typename Make, typename Free>
State* StateFor(int level, Make make, Free release) {
    struct Cached {
        State* state = nullptr;
        int level = 0;
        Free release;
        ~Cached() {
            if (state) {
                release(state);
            }
        }
    };
    thread_local Cached cached{nullptr, 0, release};
    if (cached.state == nullptr || cached.level != level) {
        if (cached.state) {
            release(cached.state);
        }
        cached.state = make(level);
        cached.level = level;
    }
    return cached.state;
}

bool GzipMember(int level, const Input& input, Output& out) {
    libdeflate_compressor* compressor = StateFor<libdeflate_compressor>(
        level, libdeflate_alloc_compressor, libdeflate_free_compressor);
    if (compressor == nullptr) {
        return false;
    }
    out.bytes.resize(libdeflate_gzip_compress_bound(compressor, input.size));
    const std::size_t made = libdeflate_gzip_compress(compressor, input.data, input.size,
                                                      out.bytes.data(), out.bytes.size());
    out.bytes.resize(made);
    return made > 0;
}

bool Bzip2Stream(int level, const Input& input, Output& out) {
    // What bzip2 itself allows for its output: 1% and 600 bytes over the input.
    const std::size_t bound = input.size + input.size / 100 + 600;
    if (input.size > UINT_MAX || bound > UINT_MAX) {
        return false;
    }
    out.bytes.resize(bound);
    auto length = static_cast<unsigned>(bound);
    const int result =
        BZ2_bzBuffToBuffCompress(out.bytes.data(), &length, const_cast<char*>(input.data),
                                 static_cast<unsigned>(input.size), level, 0, 0);
    out.bytes.resize(length);
    return result == BZ_OK;
}

// zlib's deflate without a wrapper: the job's level, a window of 15 bits,
// memory level 8, the default strategy; set up once per worker and reset for
// each chunk.
constexpr int kDeflateWindowBits = 15;
constexpr std::size_t kDeflateWindow = std::size_t{1} << kDeflateWindowBits;

z_stream* MakeRawDeflate(int level) {
    auto* stream = new z_stream{};
    if (deflateInit2(stream, level, Z_DEFLATED, -kDeflateWindowBits, 8, Z_DEFAULT_STRATEGY) !=
        Z_OK) {
        delete stream;
        return nullptr;
    }
    return stream;
}

void FreeRawDeflate(z_stream* stream) {
    deflateEnd(stream);
    delete stream;
}

// A piece of one deflate stream: primed with the input before it, ended on
// a byte boundary (an empty stored block) so that the next piece follows it,
// the last one with the final block.
bool DeflatePiece(int level, const Input& input, Output& out) {
    z_stream* stream = StateFor<z_stream>(level, MakeRawDeflate, FreeRawDeflate);
    if (stream == nullptr || deflateReset(stream) != Z_OK ||
        (input.historySize > 0 &&
         deflateSetDictionary(stream, reinterpret_cast<const Bytef*>(input.history),
                              static_cast<uInt>(input.historySize)) != Z_OK)) {
        return false;
    }
    out.check = static_cast<std::uint32_t>(adler32_z(
        adler32_z(0, nullptr, 0), reinterpret_cast<const Bytef*>(input.data), input.size));
    stream->next_in = reinterpret_cast<Bytef*>(const_cast<char*>(input.data));
    stream->avail_in = static_cast<uInt>(input.size);
    const int flush = input.last ? Z_FINISH : Z_SYNC_FLUSH;
    // deflateBound holds a finished stream; a flush may need a few bytes more.
    out.bytes.resize(deflateBound(stream, static_cast<uLong>(input.size)) + 16);
    std::size_t made = 0;
    for (;;) {
        stream->next_out = reinterpret_cast<Bytef*>(out.bytes.data() + made);
        stream->avail_out = static_cast<uInt>(out.bytes.size() - made);
        const int result = deflate(stream, flush);
        made = out.bytes.size() - stream->avail_out;
        if (result != Z_OK && result != Z_STREAM_END) {
            return false;
        }
        if (input.last ? result == Z_STREAM_END : stream->avail_out > 0) {
            break;
        }
        out.bytes.resize(out.bytes.size() * 2);
    }
    out.bytes.resize(made);
    return true;
}

// The two bytes zlib's deflate starts its stream with for the level: deflate
// with a 32 KiB window, the level's class, and the check that makes the pair
// a multiple of 31.
ParallelCompressor::Chunk ZlibHeader(int level) {
    const unsigned method = 0x78;
    const unsigned levelClass = level < 2 ? 0 : level < 6 ? 1 : level == 6 ? 2 : 3;
    unsigned flags = levelClass << 6;
    flags += 31 - ((method << 8) | flags) % 31;
    return {static_cast<char>(method), static_cast<char>(flags)};
}

ParallelCompressor::Layout ZlibLayout(int level) {
    ParallelCompressor::Layout layout;
    layout.chunkSize = kZlibChunkSize;
    layout.compress = [level](const Input& input, Output& out) {
        return DeflatePiece(level, input, out);
    };
    layout.historySize = kDeflateWindow;
    layout.prologue = ZlibHeader(level);
    layout.initialCheck = static_cast<std::uint32_t>(adler32_z(0, nullptr, 0));
    layout.combineCheck = [](std::uint32_t sofar, std::uint32_t chunk, std::size_t size) {
        return static_cast<std::uint32_t>(
            adler32_combine(sofar, chunk, static_cast<z_off_t>(size)));
    };
    layout.epilogue = [](std::uint32_t adler) {
        return ParallelCompressor::Chunk{static_cast<char>(adler >> 24),
                                         static_cast<char>(adler >> 16),
                                         static_cast<char>(adler >> 8), static_cast<char>(adler)};
    };
    return layout;
}

// Formats whose every chunk is a stream of its own.
template <typename Compress>
ParallelCompressor::Layout IndependentChunks(std::size_t chunkSize, int level, Compress compress) {
    ParallelCompressor::Layout layout;
    layout.chunkSize = chunkSize;
    layout.compress = [level, compress](const Input& input, Output& out) {
        return compress(level, input, out);
    };
    return layout;
}

}  // namespace

std::unique_ptr<ParallelCompressor> MakeParallelCompressor(CompressionMethod method,
                                                           std::int32_t level, int workers,
                                                           ParallelCompressor::Sink sink) {
    ParallelCompressor::Layout layout;
    switch (method) {
        case CompressionMethod::Gzip:
            layout = IndependentChunks(kGzipChunkSize, level, GzipMember);
            break;
        case CompressionMethod::Bzip2:
            layout = IndependentChunks(Bzip2ChunkSize(level), level, Bzip2Stream);
            break;
        case CompressionMethod::Zlib:
            layout = ZlibLayout(level);
            break;
        default:
            return nullptr;
    }
    return std::make_unique<ParallelCompressor>(std::move(layout), workers, std::move(sink));
}
