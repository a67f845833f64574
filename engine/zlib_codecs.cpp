#include <isa-l/igzip_lib.h>
#include <zlib.h>

#include <algorithm>
#include <cstdint>

#include "engine/codec_call.h"
#include "engine/stream_codec.h"

namespace {

constexpr int kGzipWindow = 15 + 16;  // the gzip wrapper only
constexpr int kZlibWindow = 15;

enum class Wrapper { Gzip, Zlib };

// gzip members and zlib streams through ISA-L's inflate. ISA-L reads the
// header (here with a record kept from call to call, so that a header split
// between two reads is read whole) and checks CRC-32 and ISIZE, or Adler-32,
// itself; this class adds the checks gzip and zlib make that ISA-L leaves out:
// reserved gzip flag bits, a zlib window over 32 KiB, a preset dictionary.
//
// ISA-L takes input ahead into its bit buffer, up to 8 bytes beyond what it
// has decoded. Those bytes are left in the caller's input (reported as not
// consumed) and skipped when the caller passes them again; so the stream ends
// exactly where its last byte is, and the bytes after it are the caller's.
class IsalInflateDecoder final : public StreamDecoder {
public:
    explicit IsalInflateDecoder(Wrapper wrapper) : wrapper_(wrapper) {}

    bool Begin() override {
        isal_inflate_init(&state_);
        state_.crc_flag = wrapper_ == Wrapper::Gzip ? ISAL_GZIP : ISAL_ZLIB;
        isal_gzip_header_init(&gzipHeader_);
        zlibHeader_ = {};
        headerRead_ = false;
        held_ = 0;
        return true;
    }

    CodecStep Decode(const char*& in, std::size_t& inLength, char*& out,
                     std::size_t& outLength) override {
        if (inLength < held_) {
            return CodecStep::Bad;  // the bytes held back were not passed again
        }
        const auto inChunk = static_cast<std::uint32_t>(
            std::min<std::size_t>(inLength - held_, std::uint32_t{1} << 30));
        const auto outChunk =
            static_cast<std::uint32_t>(std::min<std::size_t>(outLength, std::uint32_t{1} << 30));
        state_.next_in = reinterpret_cast<std::uint8_t*>(const_cast<char*>(in + held_));
        state_.avail_in = inChunk;
        state_.next_out = reinterpret_cast<std::uint8_t*>(out);
        state_.avail_out = outChunk;
        int result = headerRead_ ? ISAL_DECOMP_OK : ReadHeader();
        if (headerRead_ && result == ISAL_DECOMP_OK) {
            result = isal_inflate(&state_);
        }
        // Whole bytes still in the bit buffer stay the caller's for now.
        const std::size_t nowHeld =
            static_cast<std::size_t>(std::max(state_.read_in_length, 0)) / 8;
        const std::size_t consumed = held_ + (inChunk - state_.avail_in) - nowHeld;
        held_ = nowHeld;
        in += consumed;
        inLength -= consumed;
        out += outChunk - state_.avail_out;
        outLength -= outChunk - state_.avail_out;
        if (result < 0) {
            return CodecStep::Bad;  // bad data, header, check value or length
        }
        return state_.block_state == ISAL_BLOCK_FINISH ? CodecStep::StreamEnd : CodecStep::More;
    }

private:
    // ISAL_DECOMP_OK once the header is read (headerRead_), ISAL_END_INPUT
    // while more of it is needed, or an error.
    int ReadHeader() {
        if (wrapper_ == Wrapper::Gzip) {
            const int result = isal_read_gzip_header(&state_, &gzipHeader_);
            if ((gzipHeader_.flags & kGzipReservedFlags) != 0) {
                return ISAL_INVALID_WRAPPER;
            }
            headerRead_ = result == ISAL_DECOMP_OK;
            return result;
        }
        const int result = isal_read_zlib_header(&state_, &zlibHeader_);
        if (result == ISAL_DECOMP_OK && (zlibHeader_.dict_flag != 0 || zlibHeader_.info > 7)) {
            return ISAL_INVALID_WRAPPER;
        }
        headerRead_ = result == ISAL_DECOMP_OK;
        return result;
    }

    static constexpr std::uint32_t kGzipReservedFlags = 0xE0;

    Wrapper wrapper_;
    inflate_state state_{};
    isal_gzip_header gzipHeader_{};
    isal_zlib_header zlibHeader_{};
    bool headerRead_ = false;
    std::size_t held_ = 0;  // input bytes at the start of the next call that ISA-L holds
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
    return std::make_unique<IsalInflateDecoder>(Wrapper::Gzip);
}

std::unique_ptr<StreamDecoder> MakeZlibDecoder(int /*workers*/) {
    return std::make_unique<IsalInflateDecoder>(Wrapper::Zlib);
}

std::unique_ptr<StreamEncoder> MakeGzipEncoder(int level, int /*workers*/) {
    return std::make_unique<DeflateEncoder>(level, kGzipWindow);
}

std::unique_ptr<StreamEncoder> MakeZlibEncoder(int level, int /*workers*/) {
    return std::make_unique<DeflateEncoder>(level, kZlibWindow);
}
