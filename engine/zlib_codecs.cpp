#include <zlib.h>

#include <cstring>

#include "engine/codec_call.h"
#include "engine/stream_codec.h"

namespace {

constexpr int kGzipWindow = 15 + 16;  // the gzip wrapper only
constexpr int kZlibWindow = 15;

// gzip and zlib through zlib's inflate, which checks their headers and
// trailers itself.
class InflateDecoder final : public StreamDecoder {
public:
    explicit InflateDecoder(int windowBits) : windowBits_(windowBits) {}
    ~InflateDecoder() override {
        if (ready_) {
            inflateEnd(&stream_);
        }
    }

    bool Begin() override {
        if (ready_) {
            return inflateReset(&stream_) == Z_OK;
        }
        std::memset(&stream_, 0, sizeof stream_);
        ready_ = inflateInit2(&stream_, windowBits_) == Z_OK;
        return ready_;
    }

    CodecStep Decode(const char*& in, std::size_t& inLength, char*& out,
                     std::size_t& outLength) override {
        const int result = RunCodecCall(stream_, in, inLength, out, outLength,
                                        [&] { return inflate(&stream_, Z_NO_FLUSH); });
        switch (result) {
            case Z_STREAM_END:
                return CodecStep::StreamEnd;
            case Z_OK:
                return CodecStep::More;
            case Z_BUF_ERROR:  // no progress possible now; more input or room needed
                return CodecStep::More;
            default:
                return CodecStep::Bad;  // a data, header, check or length error; or memory
        }
    }

private:
    int windowBits_;
    z_stream stream_{};
    bool ready_ = false;
};

// gzip and zlib through zlib's deflate: the job's level, a window of 15 bits,
// memory level 8, the default strategy. The gzip member carries no name,
// comment or time and OS 255; zlib sets XFL from the level.
class DeflateEncoder final : public StreamEncoder {
public:
    DeflateEncoder(int level, int windowBits) {
        ready_ =
            deflateInit2(&stream_, level, Z_DEFLATED, windowBits, 8, Z_DEFAULT_STRATEGY) == Z_OK;
        if (ready_ && windowBits == kGzipWindow) {
            header_.os = 255;
            ready_ = deflateSetHeader(&stream_, &header_) == Z_OK;
        }
    }
    ~DeflateEncoder() override { deflateEnd(&stream_); }

    CodecStep Encode(const char*& in, std::size_t& inLength, char*& out, std::size_t& outLength,
                     bool finish) override {
        if (!ready_) {
            return CodecStep::Bad;
        }
        const int result = RunCodecCall(stream_, in, inLength, out, outLength, [&] {
            return deflate(&stream_, finish ? Z_FINISH : Z_NO_FLUSH);
        });
        if (result == Z_STREAM_END) {
            return CodecStep::StreamEnd;
        }
        return result == Z_OK || result == Z_BUF_ERROR ? CodecStep::More : CodecStep::Bad;
    }

private:
    z_stream stream_{};
    gz_header header_{};
    bool ready_ = false;
};

}  // namespace

std::unique_ptr<StreamDecoder> MakeGzipDecoder(int /*workers*/) {
    return std::make_unique<InflateDecoder>(kGzipWindow);
}

std::unique_ptr<StreamDecoder> MakeZlibDecoder(int /*workers*/) {
    return std::make_unique<InflateDecoder>(kZlibWindow);
}

std::unique_ptr<StreamEncoder> MakeGzipEncoder(int level, int /*workers*/) {
    return std::make_unique<DeflateEncoder>(level, kGzipWindow);
}

std::unique_ptr<StreamEncoder> MakeZlibEncoder(int level, int /*workers*/) {
    return std::make_unique<DeflateEncoder>(level, kZlibWindow);
}
