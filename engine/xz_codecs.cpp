#include <lzma.h>

#include <algorithm>
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

// One .xz stream, any number of blocks in it, checked by the check its
// header names. With several workers the blocks that carry their sizes (as
// multi-threaded xz writes them) are decoded on the workers, within a memory
// budget beyond which they are decoded one after the other; a valid file is
// never refused for the memory it needs.
class XzDecoder final : public StreamDecoder {
public:
    explicit XzDecoder(int workers) : workers_(workers) {}
    ~XzDecoder() override { lzma_end(&stream_); }

    // liblzma sets an existing stream up again for the next one.
    bool Begin() override {
        if (workers_ <= 1) {
            return lzma_stream_decoder(&stream_, UINT64_MAX, 0) == LZMA_OK;
        }
        lzma_mt options{};
        options.threads = static_cast<std::uint32_t>(workers_);
        options.timeout = 0;  // wait for the workers rather than return without progress
        options.memlimit_threading = ThreadingMemory();
        options.memlimit_stop = UINT64_MAX;
        return lzma_stream_decoder_mt(&stream_, &options) == LZMA_OK;
    }

    CodecStep Decode(const char*& in, std::size_t& inLength, char*& out,
                     std::size_t& outLength) override {
        return StepOf(static_cast<lzma_ret>(RunCodecCall(
            stream_, in, inLength, out, outLength, [&] { return lzma_code(&stream_, LZMA_RUN); })));
    }

private:
    // What the workers' blocks may hold at a time: a quarter of the
    // machine's memory, at most 1 GiB.
    static std::uint64_t ThreadingMemory() {
        constexpr std::uint64_t kMost = std::uint64_t{1} << 30;
        const std::uint64_t memory = lzma_physmem();
        return memory == 0 ? kMost / 4 : std::min(memory / 4, kMost);
    }

    lzma_stream stream_ = LZMA_STREAM_INIT;
    int workers_;
};

// The preset of the level, with a CRC64 check, as xz writes by default. With
// several workers the stream is cut into blocks of XzBlockSize, compressed
// on the workers, each with its sizes in its header (so that readers can
// decode them on several threads too). The blocks are no larger than the
// dictionary (liblzma's own choice is three times that), which keeps the
// data the workers hold small next to their match finders.
class XzEncoder final : public StreamEncoder {
public:
    XzEncoder(int level, int workers) {
        const auto preset = static_cast<std::uint32_t>(level);
        if (workers <= 1) {
            ready_ = lzma_easy_encoder(&stream_, preset, LZMA_CHECK_CRC64) == LZMA_OK;
            return;
        }
        lzma_mt options{};
        options.threads = static_cast<std::uint32_t>(workers);
        options.block_size = XzBlockSize(level);
        options.timeout = 0;  // wait for the workers rather than return without progress
        options.preset = preset;
        options.check = LZMA_CHECK_CRC64;
        ready_ = lzma_stream_encoder_mt(&stream_, &options) == LZMA_OK;
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

std::size_t XzBlockSize(int level) {
    constexpr std::size_t kLeast = 1 << 20;
    lzma_options_lzma options{};
    if (lzma_lzma_preset(&options, static_cast<std::uint32_t>(level))) {
        return kLeast;
    }
    return std::max<std::size_t>(options.dict_size, kLeast);
}

std::unique_ptr<StreamDecoder> MakeXzDecoder(int workers) {
    return std::make_unique<XzDecoder>(workers);
}

std::unique_ptr<StreamEncoder> MakeXzEncoder(int level, int workers) {
    return std::make_unique<XzEncoder>(level, workers);
}
