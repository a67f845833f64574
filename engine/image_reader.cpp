#include "engine/image_reader.h"

#include <bzlib.h>
#include <zlib.h>

#include <algorithm>
#include <cstring>

#include "engine/codec_call.h"

namespace {

// Compressed input is read from the file in pieces of this size.
constexpr std::size_t kInputSize = 256 * 1024;

}  // namespace

// One stream format. Decode consumes input and produces output until one of
// them is used up or the stream ends.
class ImageReader::Decoder {
public:
    enum class Step { More, StreamEnd, Bad };

    virtual ~Decoder() = default;
    // Prepares for a new stream.
    virtual bool Begin() = 0;
    virtual Step Decode(const char*& in, std::size_t& inLength, char*& out,
                        std::size_t& outLength) = 0;
};

namespace {

// gzip and zlib through zlib's inflate, which checks their headers and
// trailers itself.
class InflateDecoder final : public ImageReader::Decoder {
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

    Step Decode(const char*& in, std::size_t& inLength, char*& out,
                std::size_t& outLength) override {
        const int result = RunCodecCall(stream_, in, inLength, out, outLength,
                                        [&] { return inflate(&stream_, Z_NO_FLUSH); });
        switch (result) {
            case Z_STREAM_END:
                return Step::StreamEnd;
            case Z_OK:
                return Step::More;
            case Z_BUF_ERROR:  // no progress possible now; more input or room needed
                return Step::More;
            default:
                return Step::Bad;  // a data, header, check or length error; or memory
        }
    }

private:
    int windowBits_;
    z_stream stream_{};
    bool ready_ = false;
};

class Bzip2Decoder final : public ImageReader::Decoder {
public:
    ~Bzip2Decoder() override { End(); }

    bool Begin() override {
        End();
        std::memset(&stream_, 0, sizeof stream_);
        ready_ = BZ2_bzDecompressInit(&stream_, 0, 0) == BZ_OK;
        return ready_;
    }

    Step Decode(const char*& in, std::size_t& inLength, char*& out,
                std::size_t& outLength) override {
        const int result = RunCodecCall(stream_, in, inLength, out, outLength,
                                        [&] { return BZ2_bzDecompress(&stream_); });
        if (result == BZ_STREAM_END) {
            return Step::StreamEnd;
        }
        return result == BZ_OK ? Step::More : Step::Bad;
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

std::unique_ptr<ImageReader::Decoder> MakeDecoder(CompressionMethod method) {
    switch (method) {
        case CompressionMethod::Gzip:
            return std::make_unique<InflateDecoder>(15 + 16);  // gzip wrapper only
        case CompressionMethod::Zlib:
            return std::make_unique<InflateDecoder>(15);
        case CompressionMethod::Bzip2:
            return std::make_unique<Bzip2Decoder>();
        case CompressionMethod::None:
            break;
    }
    return nullptr;
}

}  // namespace

ImageReader::ImageReader() = default;
ImageReader::~ImageReader() = default;

bool ImageReader::Open(const std::wstring& path, CompressionMethod method, bool compressed) {
    if (!file_.OpenForReading(path)) {
        return false;
    }
    decoder_ = compressed ? MakeDecoder(method) : nullptr;
    if (decoder_) {
        input_.resize(kInputSize);
    }
    return true;
}

bool ImageReader::Refill() {
    const std::int64_t got = file_.Read(input_.data(), static_cast<std::int64_t>(input_.size()));
    if (got < 0) {
        return false;
    }
    inputStart_ = 0;
    inputEnd_ = static_cast<std::size_t>(got);
    inputEnded_ = got == 0;
    return true;
}

void ImageReader::AfterStream() {
    // A stream of each format starts with a byte that is not zero.
    if (input_[inputStart_] != 0) {
        where_ = decoder_->Begin() ? Where::InStream : Where::Failed;
        return;
    }
    for (;;) {
        const char* begin = input_.data() + inputStart_;
        const char* end = input_.data() + inputEnd_;
        if (std::find_if(begin, end, [](char c) { return c != 0; }) != end) {
            where_ = Where::Failed;  // other bytes after the data
            return;
        }
        padding_ += end - begin;
        if (!Refill()) {
            where_ = Where::Failed;
            return;
        }
        if (inputEnded_) {
            where_ = Where::Finished;
            return;
        }
    }
}

std::int32_t ImageReader::Read(char* buffer, std::int32_t count, Status& status) {
    if (!decoder_) {
        const std::int64_t got = file_.Read(buffer, count);
        status = got < 0 ? Status::Failed : got == 0 ? Status::End : Status::Data;
        return static_cast<std::int32_t>(std::max<std::int64_t>(got, 0));
    }
    char* out = buffer;
    std::size_t room = static_cast<std::size_t>(count);
    while (room > 0 && (where_ == Where::BeforeStream || where_ == Where::InStream)) {
        if (inputStart_ == inputEnd_) {
            if (!Refill()) {
                where_ = Where::Failed;
                break;
            }
            if (inputEnded_) {
                // The end of the file: fine between streams, after one at least.
                where_ =
                    (where_ == Where::BeforeStream && anyStream_) ? Where::Finished : Where::Failed;
                break;
            }
        }
        if (where_ == Where::BeforeStream) {
            if (!anyStream_) {
                where_ = decoder_->Begin() ? Where::InStream : Where::Failed;
            } else {
                AfterStream();
            }
            continue;
        }
        const char* in = input_.data() + inputStart_;
        std::size_t inLength = inputEnd_ - inputStart_;
        const Decoder::Step step = decoder_->Decode(in, inLength, out, room);
        inputStart_ = inputEnd_ - inLength;
        if (step == Decoder::Step::StreamEnd) {
            anyStream_ = true;
            where_ = Where::BeforeStream;
        } else if (step == Decoder::Step::Bad) {
            where_ = Where::Failed;
        }
    }
    const auto produced = static_cast<std::int32_t>(out - buffer);
    if (produced > 0) {
        status = Status::Data;
    } else {
        status = where_ == Where::Failed ? Status::Failed : Status::End;
    }
    return produced;
}

void ImageReader::Close() {
    decoder_.reset();
    file_.Close();
}
