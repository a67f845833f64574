#include "engine/image_writer.h"

#include "engine/image_formats.h"
#include "engine/parallel_formats.h"

namespace {

// Compressed output goes to the file in writes of this size.
constexpr std::size_t kOutputSize = 1 << 20;

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
    copyRange_ = true;
    sunkSource_ = -1;
    // The formats cut into chunks go to the compressor's workers; xz and zstd
    // use their libraries' own.
    parallel_ = compressed ? MakeParallelCompressor(method, level, DefaultWorkers(workers_),
                                                    [this](const char* data, std::size_t size) {
                                                        return file_.Write(
                                                            data, static_cast<std::int64_t>(size));
                                                    })
                           : nullptr;
    const ImageFormat* format = compressed && !parallel_ ? FindFormat(method) : nullptr;
    encoder_ = format && format->Writable() ? format->makeEncoder(level, DefaultWorkers(workers_))
                                            : nullptr;
    if (encoder_) {
        output_.resize(kOutputSize);
    }
    return true;
}

bool ImageWriter::Encode(const char* data, std::size_t count, bool finish) {
    for (;;) {
        char* out = output_.data();
        std::size_t room = output_.size();
        const CodecStep step = encoder_->Encode(data, count, out, room, finish);
        if (step == CodecStep::Bad) {
            return false;
        }
        const auto produced = static_cast<std::int64_t>(output_.size() - room);
        if (produced > 0 && !file_.Write(output_.data(), produced)) {
            return false;
        }
        // Done when the input is used up and nothing is left over: the
        // output had room to spare, or the stream is complete.
        if (finish ? step == CodecStep::StreamEnd : (count == 0 && room > 0)) {
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

bool ImageWriter::WriteCopyOf(const char* data, std::int32_t count, const ImageFile& source,
                              std::int64_t from) {
    if (failed_ || Compressed() || !copyRange_) {
        return Write(data, count);
    }
    const std::int64_t copied = file_.CopyFrom(source, from, count);
    if (copied == count) {
        return true;
    }
    copyRange_ = false;
    return Write(data + copied, count - static_cast<std::int32_t>(copied));
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
