#pragma once

#include <cstddef>
#include <memory>

// The compressors and decompressors of the stream formats, each over one
// library, behind two small interfaces that the image reader and writer drive.

enum class CodecStep { More, StreamEnd, Bad };

// Decodes one stream format. Begin prepares for a new stream; Decode consumes
// input and produces output until one of them is used up or the stream ends
// (StreamEnd, with nothing of the input after the stream consumed). A decoder
// may leave the last few bytes of its input unconsumed (More, with no output
// for want of input): the caller passes them again, followed by more.
class StreamDecoder {
public:
    virtual ~StreamDecoder() = default;
    virtual bool Begin() = 0;
    virtual CodecStep Decode(const char*& in, std::size_t& inLength, char*& out,
                             std::size_t& outLength) = 0;
};

// Compresses one stream. Encode consumes input and produces output until the
// input is used up (or, when finishing, the stream is complete: StreamEnd) or
// the output is full.
class StreamEncoder {
public:
    virtual ~StreamEncoder() = default;
    virtual CodecStep Encode(const char*& in, std::size_t& inLength, char*& out,
                             std::size_t& outLength, bool finish) = 0;
};

// zlib_codecs.cpp: gzip members and zlib streams.
std::unique_ptr<StreamDecoder> MakeGzipDecoder(int workers);
std::unique_ptr<StreamDecoder> MakeZlibDecoder(int workers);
std::unique_ptr<StreamEncoder> MakeGzipEncoder(int level, int workers);
std::unique_ptr<StreamEncoder> MakeZlibEncoder(int level, int workers);
// bzip2_codecs.cpp
std::unique_ptr<StreamDecoder> MakeBzip2Decoder(int workers);
std::unique_ptr<StreamEncoder> MakeBzip2Encoder(int level, int workers);
// xz_codecs.cpp: .xz streams through liblzma.
std::unique_ptr<StreamDecoder> MakeXzDecoder(int workers);
std::unique_ptr<StreamEncoder> MakeXzEncoder(int level, int workers);
// The blocks that the encoder cuts a stream into on several workers: the
// size of the level's dictionary, at least 1 MiB.
std::size_t XzBlockSize(int level);
// zstd_codecs.cpp: zstd frames (and skippable frames) through libzstd.
std::unique_ptr<StreamDecoder> MakeZstdDecoder(int workers);
std::unique_ptr<StreamEncoder> MakeZstdEncoder(int level, int workers);
// The workers libzstd compresses on for `workers` threads: 0 (the calling
// thread) for one, or when the library was built without threads.
int ZstdWorkers(int workers);
