#include "engine/image_reader.h"

#include <algorithm>

#include "engine/image_formats.h"
#include "engine/parallel_compressor.h"

namespace {

// Compressed input is read from the file in pieces of this size.
constexpr std::size_t kInputSize = 256 * 1024;

}  // namespace

ImageReader::ImageReader() = default;
ImageReader::~ImageReader() = default;

bool ImageReader::Open(const std::wstring& path, CompressionMethod method, bool compressed) {
    if (!file_.OpenForReading(path)) {
        return false;
    }
    const ImageFormat* format = compressed ? FindFormat(method) : nullptr;
    decoder_ =
        format && format->makeDecoder ? format->makeDecoder(DefaultWorkers(workers_)) : nullptr;
    if (decoder_) {
        input_.resize(kInputSize);
    }
    if (format && !format->makeDecoder) {
        // A zip image: its first file. An archive that cannot be read fails
        // the first Read, as a damaged stream does.
        zip_ = std::make_unique<ZipArchive>();
        std::string name;
        if (!zip_->Open(file_) || !zip_->NextFile(name)) {
            where_ = Where::Failed;
        }
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
    if (zip_) {
        std::int32_t got = 0;
        while (got < count && where_ != Where::Failed && where_ != Where::Finished) {
            const std::int64_t part = zip_->Read(buffer + got, count - got);
            if (part <= 0) {
                where_ = part < 0 ? Where::Failed : Where::Finished;
            }
            got += static_cast<std::int32_t>(std::max<std::int64_t>(part, 0));
        }
        status = got > 0 ? Status::Data : where_ == Where::Failed ? Status::Failed : Status::End;
        return got;
    }
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
        const CodecStep step = decoder_->Decode(in, inLength, out, room);
        inputStart_ = inputEnd_ - inLength;
        if (step == CodecStep::StreamEnd) {
            anyStream_ = true;
            where_ = Where::BeforeStream;
        } else if (step == CodecStep::Bad) {
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
    zip_.reset();
    decoder_.reset();
    file_.Close();
}
