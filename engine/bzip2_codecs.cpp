#include <bzlib.h>

#include <cstring>

#include "engine/codec_call.h"
#include "engine/stream_codec.h"

namespace {

class Bzip2Decoder final : public StreamDecoder {
public:
    ~Bzip2Decoder() override { End(); }

    bool Begin() override {
        End();
        std::memset(&stream_, 0, sizeof stream_);
        ready_ = BZ2_bzDecompressInit(&stream_, 0, 0) == BZ_OK;
        return ready_;
    }

    CodecStep Decode(const char*& in, std::size_t& inLength, char*& out,
                     std::size_t& outLength) override {
        const int result = RunCodecCall(stream_, in, inLength, out, outLength,
                                        [&] { return BZ2_bzDecompress(&stream_); });
        if (result == BZ_STREAM_END) {
            return CodecStep::StreamEnd;
        }
        return result == BZ_OK ? CodecStep::More : CodecStep::Bad;
    }

private:
    void End() {
        if (ready_) {
            BZ2_bzDecompressEnd(&stream_);
            ready_ = false;
        }
    }

    bz_stream stream_{};
    bool ready_ = false;
};

// bzip2 with blocks of level * 100,000 bytes and work factor 30.
class Bzip2Encoder final : public StreamEncoder {
public:
    explicit Bzip2Encoder(int level) {
        ready_ = BZ2_bzCompressInit(&stream_, level, 0, 30) == BZ_OK;
    }
    ~Bzip2Encoder() override {
        if (ready_) {
            BZ2_bzCompressEnd(&stream_);
        }
    }

    CodecStep Encode(const char*& in, std::size_t& inLength, char*& out, std::size_t& outLength,
                     bool finish) override {
        if (!ready_) {
            return CodecStep::Bad;
        }
        const int result = RunCodecCall(stream_, in, inLength, out, outLength, [&] {
            return BZ2_bzCompress(&stream_, finish ? BZ_FINISH : BZ_RUN);
        });
        if (result == BZ_STREAM_END) {
            return CodecStep::StreamEnd;
        }
        return result == BZ_RUN_OK || result == BZ_FINISH_OK ? CodecStep::More : CodecStep::Bad;
    }

private:
    bz_stream stream_{};
    bool ready_ = false;
};

}  // namespace

std::unique_ptr<StreamDecoder> MakeBzip2Decoder(int /*workers*/) {
    return std::make_unique<Bzip2Decoder>();
}

std::unique_ptr<StreamEncoder> MakeBzip2Encoder(int level, int /*workers*/) {
    return std::make_unique<Bzip2Encoder>(level);
}
