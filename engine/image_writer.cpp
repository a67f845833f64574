#include "engine/image_writer.h"

#include "engine/parallel_formats.h"

#include <bzlib.h>
#include <zlib.h>

#include <algorithm>

#include "engine/codec_call.h"

namespace {

// Compressed output goes to the file in writes of this size.
constexpr std::size_t kOutputSize = 1 << 20;

}  // namespace

// One stream format. Encode consumes input and produces output until the
// input is used up (or, when finishing, the stream is complete) or the output
// is full.
class ImageWriter::Encoder {
public:
    enum class Step { More, StreamEnd, Bad };

    virtual ~Encoder() = default;
    virtual Step Encode(const char*& in, std::size_t& inLength, char*& out, std::size_t& outLength,
                        bool finish) = 0;
};

namespace {

// gzip and zlib through zlib's deflate: the job's level, a window of 15 bits,
// memory level 8, the default strategy. The gzip member carries no name,
// comment or time and OS 255; zlib sets XFL from the level.
class DeflateEncoder final : public ImageWriter::Encoder {
public:
    DeflateEncoder(int level, bool gzip) {
        ready_ = deflateInit2(&stream_, level, Z_DEFLATED, gzip ? 15 + 16 : 15, 8,
                              Z_DEFAULT_STRATEGY) == Z_OK;
        if (ready_ && gzip) {
            header_.os = 255;
            ready_ = deflateSetHeader(&stream_, &header_) == Z_OK;
        }
    }
    ~DeflateEncoder() override { deflateEnd(&stream_); }

    Step Encode(const char*& in, std::size_t& inLength, char*& out, std::size_t& outLength,
                bool finish) override {
        if (!ready_) {
            return Step::Bad;
        }
        const int result = RunCodecCall(stream_, in, inLength, out, outLength, [&] {
            return deflate(&stream_, finish ? Z_FINISH : Z_NO_FLUSH);
        });
        if (result == Z_STREAM_END) {
            return Step::StreamEnd;
        }
        return result == Z_OK || result == Z_BUF_ERROR ? Step::More : Step::Bad;
    }

private:
    z_stream stream_{};
    gz_header header_{};
    bool ready_ = false;
};

// bzip2 with blocks of level * 100,000 bytes and work factor 30.
class Bzip2Encoder final : public ImageWriter::Encoder {
public:
    explicit Bzip2Encoder(int level) {
        ready_ = BZ2_bzCompressInit(&stream_, level, 0, 30) == BZ_OK;
    }
    ~Bzip2Encoder() override {
        if (ready_) {
            BZ2_bzCompressEnd(&stream_);
        }
    }

    Step Encode(const char*& in, std::size_t& inLength, char*& out, std::size_t& outLength,
                bool finish) override {
        if (!ready_) {
            return Step::Bad;
        }
        const int result = RunCodecCall(stream_, in, inLength, out, outLength, [&] {
            return BZ2_bzCompress(&stream_, finish ? BZ_FINISH : BZ_RUN);
        });
        if (result == BZ_STREAM_END) {
            return Step::StreamEnd;
        }
        return result == BZ_RUN_OK || result == BZ_FINISH_OK ? Step::More : Step::Bad;
    }

private:
    bz_stream stream_{};
    bool ready_ = false;
};

std::unique_ptr<ImageWriter::Encoder> MakeEncoder(CompressionMethod method, int level) {
    switch (method) {
        case CompressionMethod::Gzip:
            return std::make_unique<DeflateEncoder>(level, true);
        case CompressionMethod::Zlib:
            return std::make_unique<DeflateEncoder>(level, false);
        case CompressionMethod::Bzip2:
            return std::make_unique<Bzip2Encoder>(level);
        case CompressionMethod::None:
            break;
    }
    return nullptr;
}

}  // namespace

ImageWriter::ImageWriter() = default;

ImageWriter::~ImageWriter() {
    Close();
}

bool ImageWriter::Create(const std::wstring& path, CompressionMethod method, bool compressed,
                         std::int32_t level) {
    if (!file_.CreateForWriting(path)) {
        return false;
    }
    failed_ = false;
    sunkSource_ = -1;
    // The formats that go as independent chunks use every core.
    parallel_ = compressed ? MakeParallelCompressor(method, level, DefaultWorkers(workers_),
                                                    [this](const char* data, std::size_t size) {
                                                        return file_.Write(
                                                            data, static_cast<std::int64_t>(size));
                                                    })
                           : nullptr;
    encoder_ = compressed && !parallel_ ? MakeEncoder(method, level) : nullptr;
    if (encoder_) {
        output_.resize(kOutputSize);
    }
    return true;
}

bool ImageWriter::Encode(const char* data, std::size_t count, bool finish) {
    for (;;) {
        char* out = output_.data();
        std::size_t room = output_.size();
        const Encoder::Step step = encoder_->Encode(data, count, out, room, finish);
        if (step == Encoder::Step::Bad) {
            return false;
        }
        const auto produced = static_cast<std::int64_t>(output_.size() - room);
        if (produced > 0 && !file_.Write(output_.data(), produced)) {
            return false;
        }
        // Done when the input is used up and nothing is left over: the
        // output had room to spare, or the stream is complete.
        if (finish ? step == Encoder::Step::StreamEnd : (count == 0 && room > 0)) {
            return true;
        }
    }
}

bool ImageWriter::Write(const char* data, std::int32_t count) {
    if (failed_) {
        return false;
    }
    if (parallel_) {
        failed_ = !parallel_->Write(data, static_cast<std::size_t>(count));
    } else {
        failed_ = encoder_ ? !Encode(data, static_cast<std::size_t>(count), false)
                           : !file_.Write(data, count);
    }
    return !failed_;
}

std::int64_t ImageWriter::SourceBytesOnTarget() const {
    return parallel_ ? static_cast<std::int64_t>(parallel_->SunkInputBytes()) : sunkSource_;
}

bool ImageWriter::Close() {
    if (!file_.IsOpen()) {
        return !failed_;
    }
    if (encoder_ && !failed_) {
        failed_ = !Encode(nullptr, 0, true);
    }
    if (parallel_ && !failed_) {
        failed_ = !parallel_->Finish();
    }
    if (parallel_) {
        sunkSource_ = static_cast<std::int64_t>(parallel_->SunkInputBytes());
    }
    parallel_.reset();  // joins its workers before the file goes
    encoder_.reset();
    failed_ = !file_.Close() || failed_;
    return !failed_;
}
