#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "engine/clone_job.h"
#include "engine/image_file.h"
#include "engine/read_window.h"
#include "engine/stream_codec.h"
#include "engine/zip_image.h"

class ParallelStreamReader;

// The source image: the file's bytes, or what its compressed streams hold.
//
// A compressed image is read whole: every complete stream (gzip member, bzip2
// or xz stream, zstd frame) in turn, concatenated ones included; the streams
// of a multi-stream bzip2 file are decoded on the workers, ahead of the
// reader (ParallelStreamReader), with the same result. Zero bytes after the last complete
// stream are padding (what copying to a block-aligned medium leaves) and end
// the data; any other trailing bytes, a stream cut short or corrupt, or a
// file without a single stream make the image unreadable. gzip members are
// checked as gzip itself checks them: reserved flag bits, the header CRC when
// present, CRC-32 and ISIZE. A zip image is the one file the archive holds
// (the first, should there be more; validation refuses those).
class ImageReader {
public:
    enum class Status { Data, End, Failed };

    ImageReader();
    ~ImageReader();
    ImageReader(const ImageReader&) = delete;
    ImageReader& operator=(const ImageReader&) = delete;

    // The threads that may decompress, for the next Open; 0: the machine's
    // cores.
    void SetWorkers(int workers) { workers_ = workers; }
    bool Open(const std::wstring& path, CompressionMethod method, bool compressed);
    bool IsOpen() const { return file_.IsOpen(); }

    // Fills buffer with up to count bytes and returns how many: count in the
    // middle of the data, fewer at its end. Status End once the data is
    // exhausted (with 0 bytes), Failed once the image turned out unreadable;
    // everything decoded before the fault is delivered first, and the fault
    // comes with the next call, with 0 bytes.
    std::int32_t Read(char* buffer, std::int32_t count, Status& status);

    // A raw image: its file, for the kernel to copy from (at the data's own
    // offsets); null for a compressed or zip image.
    const ImageFile* PlainFile() const { return decoder_ || zip_ || window_ ? nullptr : &file_; }

    // How far through the file the reader is: the bytes read so far, and for
    // a compressed image the compressed bytes whose data was decoded.
    std::int64_t ConsumedBytes() const { return window_ ? window_->Offset() : file_.BytesRead(); }

    // The zero bytes found after the last stream; valid at End.
    std::int64_t PaddingBytes() const { return padding_; }

    void Close();

private:
    enum class Where { BeforeStream, InStream, Delivering, Finished, Failed };

    // Before a stream: the end of the file, padding, or the next stream.
    void StartStream();
    // Zero bytes up to the end of the file, or garbage.
    void SkipPadding();
    void DecodeInTurn(char*& out, std::size_t& room);

    ImageFile file_;
    std::unique_ptr<StreamDecoder> decoder_;  // null for a raw or zip image
    std::unique_ptr<ZipArchive> zip_;         // a zip image only
    std::unique_ptr<ReadWindow> window_;      // a stream format only
    std::unique_ptr<ParallelStreamReader> parallel_;
    std::vector<char> decoded_;  // a stream the parallel reader decoded, being delivered
    std::size_t delivered_ = 0;
    bool stalled_ = false;  // the decoder needs more input than the window holds
    bool anyStream_ = false;
    Where where_ = Where::BeforeStream;
    std::int64_t padding_ = 0;
    int workers_ = 0;
};
