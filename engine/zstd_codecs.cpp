#include <zstd.h>

#include <algorithm>

#include "engine/stream_codec.h"

namespace {

// The largest window a zstd frame may ask for on a 64-bit machine: every
// valid frame is read, those of --long and --ultra included.
constexpr int kWindowLogMax = 31;

// One libzstd streaming call over the two buffers, which it moves past what
// it used.
template <typename Call>
std::size_t RunZstdCall(const char*& in, std::size_t& inLength, char*& out, std::size_t& outLength,
                        Call call) {
    ZSTD_inBuffer input{in, inLength, 0};
    ZSTD_outBuffer output{out, outLength, 0};
    const std::size_t result = call(input, output);
    in += input.pos;
    inLength -= input.pos;
    out += output.pos;
    outLength -= output.pos;
    return result;
}

// One frame at a time: a zstd frame or a skippable frame (pzstd puts one in
// front of each of its frames). libzstd stops at the end of a frame.
class ZstdDecoder final : public StreamDecoder {
public:
    ~ZstdDecoder() override { ZSTD_freeDCtx(context_); }

    bool Begin() override {
        if (!context_) {
            context_ = ZSTD_createDCtx();
            if (!context_ || ZSTD_isError(ZSTD_DCtx_setParameter(context_, ZSTD_d_windowLogMax,
                                                                 kWindowLogMax))) {
                return false;
            }
        }
        return !ZSTD_isError(ZSTD_DCtx_reset(context_, ZSTD_reset_session_only));
    }

    CodecStep Decode(const char*& in, std::size_t& inLength, char*& out,
                     std::size_t& outLength) override {
        const std::size_t result =
            RunZstdCall(in, inLength, out, outLength, [&](auto& input, auto& output) {
                return ZSTD_decompressStream(context_, &output, &input);
            });
        if (ZSTD_isError(result)) {
            return CodecStep::Bad;
        }
        return result == 0 ? CodecStep::StreamEnd : CodecStep::More;
    }

private:
    ZSTD_DCtx* context_ = nullptr;
};

// One frame at the level, with the content checksum, as zstd writes it; with
// several workers, compressed on them (one frame still).
class ZstdEncoder final : public StreamEncoder {
public:
    ZstdEncoder(int level, int workers) : context_(ZSTD_createCCtx()) {
        ready_ = context_ &&
                 !ZSTD_isError(ZSTD_CCtx_setParameter(context_, ZSTD_c_compressionLevel, level)) &&
                 !ZSTD_isError(ZSTD_CCtx_setParameter(context_, ZSTD_c_checksumFlag, 1)) &&
                 (workers <= 1 || !ZSTD_isError(ZSTD_CCtx_setParameter(context_, ZSTD_c_nbWorkers,
                                                                       ZstdWorkers(workers))));
    }
    ~ZstdEncoder() override { ZSTD_freeCCtx(context_); }

    CodecStep Encode(const char*& in, std::size_t& inLength, char*& out, std::size_t& outLength,
                     bool finish) override {
        if (!ready_) {
            return CodecStep::Bad;
        }
        const std::size_t result =
            RunZstdCall(in, inLength, out, outLength, [&](auto& input, auto& output) {
                return ZSTD_compressStream2(context_, &output, &input,
                                            finish ? ZSTD_e_end : ZSTD_e_continue);
            });
        if (ZSTD_isError(result)) {
            return CodecStep::Bad;
        }
        return finish && result == 0 ? CodecStep::StreamEnd : CodecStep::More;
    }

private:
    ZSTD_CCtx* context_;
    bool ready_ = false;
};

}  // namespace

int ZstdWorkers(int workers) {
    const ZSTD_bounds bounds = ZSTD_cParam_getBounds(ZSTD_c_nbWorkers);
    return ZSTD_isError(bounds.error) || workers <= 1 ? 0 : std::min(workers, bounds.upperBound);
}

std::unique_ptr<StreamDecoder> MakeZstdDecoder(int /*workers*/) {
    return std::make_unique<ZstdDecoder>();
}

std::unique_ptr<StreamEncoder> MakeZstdEncoder(int level, int workers) {
    return std::make_unique<ZstdEncoder>(level, workers);
}
