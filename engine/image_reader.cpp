#include "engine/image_reader.h"

#include <algorithm>
#include <cstring>

#include "engine/image_formats.h"
#include "engine/parallel_compressor.h"
#include "engine/parallel_stream_reader.h"

ImageReader::ImageReader() = default;
ImageReader::~ImageReader() = default;

bool ImageReader::Open(const std::wstring& path, CompressionMethod method, bool compressed) {
    if (!file_.OpenForReading(path)) {
        return false;
    }
    const ImageFormat* format = compressed ? FindFormat(method) : nullptr;
    const int workers = DefaultWorkers(workers_);
    decoder_ = format && format->makeDecoder ? format->makeDecoder(workers) : nullptr;
    if (decoder_) {
        window_ = std::make_unique<ReadWindow>(file_);
        const StreamBoundaries* boundaries = FindStreamBoundaries(method);
        if (boundaries && workers > 1) {
            parallel_ =
                std::make_unique<ParallelStreamReader>(*boundaries, format->makeDecoder, workers);
        }
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

void ImageReader::StartStream() {
    if (window_->Size() == 0) {
        if (!window_->Extend()) {
            where_ = Where::Failed;
            return;
        }
        if (window_->Size() == 0) {
            // The end of the file: fine between streams, after one at least.
            where_ = anyStream_ ? Where::Finished : Where::Failed;
            return;
        }
    }
    // A stream of each format starts with a byte that is not zero.
    if (anyStream_ && window_->Data()[0] == 0) {
        SkipPadding();
        return;
    }
    std::size_t length = 0;
    if (parallel_ &&
        parallel_->TakeStream(*window_, decoded_, length) == ParallelStreamReader::Take::Decoded) {
        window_->Consume(length);
        anyStream_ = true;
        delivered_ = 0;
        where_ = Where::Delivering;
        return;
    }
    stalled_ = false;
    where_ = decoder_->Begin() ? Where::InStream : Where::Failed;
}

void ImageReader::SkipPadding() {
    for (;;) {
        const char* begin = window_->Data();
        const char* end = begin + window_->Size();
        if (std::find_if(begin, end, [](char c) { return c != 0; }) != end) {
            where_ = Where::Failed;  // other bytes after the data
            return;
        }
        padding_ += end - begin;
        window_->Consume(window_->Size());
        if (!window_->Extend()) {
            where_ = Where::Failed;
            return;
        }
        if (window_->Size() == 0) {
            where_ = Where::Finished;
            return;
        }
    }
}

void ImageReader::DecodeInTurn(char*& out, std::size_t& room) {
    if (window_->Size() == 0 || stalled_) {
        const std::size_t held = window_->Size();
        // A decoder keeps back a few bytes at most; a stream cut short ends
        // the file without another byte.
        if (held >= ReadWindow::kReadSize || !window_->Extend() || window_->Size() == held) {
            where_ = Where::Failed;
            return;
        }
    }
    const char* in = window_->Data();
    std::size_t inLength = window_->Size();
    const std::size_t roomBefore = room;
    const CodecStep step = decoder_->Decode(in, inLength, out, room);
    const std::size_t consumed = window_->Size() - inLength;
    window_->Consume(consumed);
    stalled_ = consumed == 0 && room == roomBefore;
    if (step == CodecStep::StreamEnd) {
        anyStream_ = true;
        where_ = Where::BeforeStream;
    } else if (step == CodecStep::Bad) {
        where_ = Where::Failed;
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
    while (room > 0 && where_ != Where::Finished && where_ != Where::Failed) {
        switch (where_) {
            case Where::BeforeStream:
                StartStream();
                break;
            case Where::InStream:
                DecodeInTurn(out, room);
                break;
            case Where::Delivering: {
                const std::size_t part = std::min(room, decoded_.size() - delivered_);
                if (part > 0) {
                    std::memcpy(out, decoded_.data() + delivered_, part);
                }
                out += part;
                room -= part;
                delivered_ += part;
                if (delivered_ == decoded_.size()) {
                    decoded_ = {};
                    where_ = Where::BeforeStream;
                }
                break;
            }
            default:
                break;
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
    parallel_.reset();
    zip_.reset();
    decoder_.reset();
    window_.reset();
    file_.Close();
}
