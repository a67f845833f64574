#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "engine/clone_job.h"
#include "engine/image_file.h"
#include "engine/parallel_compressor.h"
#include "engine/stream_codec.h"

// The target image: raw bytes written straight to the file, or one stream of
// the job's compression (gzip member, bzip2, zlib or xz stream, zstd frame)
// in front of it.
class ImageWriter {
public:
    ImageWriter();
    ~ImageWriter();
    ImageWriter(const ImageWriter&) = delete;
    ImageWriter& operator=(const ImageWriter&) = delete;

    // Creates or truncates the file; the compressor, if any, at level.
    bool Create(const std::wstring& path, CompressionMethod method, bool compressed,
                std::int32_t level);
    bool IsOpen() const { return file_.IsOpen(); }
    bool Compressed() const { return encoder_ != nullptr || parallel_ != nullptr; }
    // The threads that compress, for the next Create; 0: the machine's cores.
    void SetWorkers(int workers) { workers_ = workers; }

    // False once the target took less than it was given; a raw target then
    // holds the bytes up to BytesOnTarget().
    bool Write(const char* data, std::int32_t count);
    // As Write, for data that are count bytes of the raw image `source` from
    // its offset `from`: a raw target has the kernel copy them from file to
    // file where the two files allow it, and writes what it did not copy
    // from data. After the first copy that falls short the rest of the
    // target is written from data only.
    bool WriteCopyOf(const char* data, std::int32_t count, const ImageFile& source,
                     std::int64_t from);

    // The bytes that reached the file: raw bytes for a raw image, the
    // compressed stream's for a compressed one.
    std::int64_t BytesOnTarget() const { return file_.BytesWritten(); }
    // Of a compressed image, the source bytes whose compressed data reached
    // the file whole; -1 when the compressor cannot tell.
    std::int64_t SourceBytesOnTarget() const;
    ImageFile& File() { return file_; }

    // Finishes the stream (its remaining data and trailer) unless the file
    // has already refused data, flushes the file to its device and closes
    // it. False when any of that failed or an earlier write had.
    bool Close();

private:
    // Runs the encoder over data (finishing the stream when `finish`),
    // writing its output to the file whenever the output buffer fills.
    bool Encode(const char* data, std::size_t count, bool finish);

    ImageFile file_;
    std::unique_ptr<StreamEncoder> encoder_;  // null for a raw image and a parallel one
    std::unique_ptr<ParallelCompressor> parallel_;
    int workers_ = 0;
    std::int64_t sunkSource_ = -1;  // kept when the compressor goes
    std::vector<char> output_;
    bool failed_ = false;
    bool copyRange_ = true;  // WriteCopyOf still lets the kernel copy
};
