#include <lzma.h>

#include <cstdint>

#include "engine/codec_call.h"
#include "engine/stream_codec.h"

namespace {

CodecStep StepOf(lzma_ret result) {
    switch (result) {
        case LZMA_STREAM_END:
            return CodecStep::StreamEnd;
        case LZMA_OK:
        case LZMA_BUF_ERROR:  // no progress possible now; more input or room needed
            return CodecStep::More;
        default:
            return CodecStep::Bad;  // corrupt data, a check that fails, memory
    }
}

// One .xz stream, any number of blocks in it (as multi-threaded xz writes
// them), checked by the check its header names.
class XzDecoder final : public StreamDecoder {
public:
    ~XzDecoder() override { lzma_end(&stream_); }

    // liblzma sets an existing stream up again for the next one.
    bool Begin() override { return lzma_stream_decoder(&stream_, UINT64_MAX, 0) == LZMA_OK; }

    CodecStep Decode(const char*& in, std::size_t& inLength, char*& out,
                     std::size_t& outLength) override {
        return StepOf(static_cast<lzma_ret>(RunCodecCall(
            stream_, in, inLength, out, outLength, [&] { return lzma_code(&stream_, LZMA_RUN); })));
    }

private:
    lzma_stream stream_ = LZMA_STREAM_INIT;
};

// The preset of the level, with a CRC64 check, as xz writes by default.
class XzEncoder final : public StreamEncoder {
public:
    explicit XzEncoder(int level) {
        ready_ = lzma_easy_encoder(&stream_, static_cast<std::uint32_t>(level), LZMA_CHECK_CRC64) ==
                 LZMA_OK;
    }
    ~XzEncoder() override { lzma_end(&stream_); }

    CodecStep Encode(const char*& in, std::size_t& inLength, char*& out, std::size_t& outLength,
                     bool finish) override {
        if (!ready_) {
            return CodecStep::Bad;
        }
        return StepOf(
            static_cast<lzma_ret>(RunCodecCall(stream_, in, inLength, out, outLength, [&] {
                return lzma_code(&stream_, finish ? LZMA_FINISH : LZMA_RUN);
            })));
    }

private:
    lzma_stream stream_ = LZMA_STREAM_INIT;
    bool ready_ = false;
};

}  // namespace

std::unique_ptr<StreamDecoder> MakeXzDecoder(int /*workers*/) {
    return std::make_unique<XzDecoder>();
}

std::unique_ptr<StreamEncoder> MakeXzEncoder(int level, int /*workers*/) {
    return std::make_unique<XzEncoder>(level);
}
