#include "engine/image_chains.h"

#include <boost/iostreams/categories.hpp>
#include <boost/iostreams/filter/bzip2.hpp>
#include <boost/iostreams/filter/gzip.hpp>
#include <boost/iostreams/filter/zlib.hpp>

namespace io = boost::iostreams;

namespace {

// The target file as the end of a chain. The first write the file refuses
// fails the chain (the stream goes bad); after that whatever the compressor
// still has to say is dropped, so that closing a compressor in front of a full
// file ends instead of offering its output to the file for ever.
class TargetFileSink {
public:
    using char_type = char;
    using category = io::sink_tag;

    explicit TargetFileSink(std::ofstream& file) : file_(&file) {}

    std::streamsize write(const char* data, std::streamsize count) {
        if (!file_->good()) {
            return count;
        }
        file_->write(data, count);
        if (!file_->good()) {
            throw std::ios_base::failure("the target file takes no more data");
        }
        return count;
    }

private:
    std::ofstream* file_;
};

io::zlib_params DeflateParams(std::int32_t level) {
    return io::zlib_params(level, io::zlib::deflated, 15, 8, io::zlib::default_strategy, false);
}

}  // namespace

void UnbufferFile(std::ios& file) {
    file.rdbuf()->pubsetbuf(nullptr, 0);
}

void ComposeSourceChain(io::filtering_istream& chain, CompressionMethod method, bool compressed,
                        std::ifstream& file) {
    if (compressed) {
        switch (method) {
            case CompressionMethod::Gzip:
                chain.push(io::gzip_decompressor(15, kCompressorBufferSize));
                break;
            case CompressionMethod::Bzip2:
                chain.push(io::bzip2_decompressor(false, kCompressorBufferSize));
                break;
            case CompressionMethod::Zlib:
                chain.push(io::zlib_decompressor(io::zlib_params(), kCompressorBufferSize));
                break;
            case CompressionMethod::None:
                break;
        }
    }
    chain.push(file, kImageFileBufferSize);
}

void ComposeTargetChain(io::filtering_ostream& chain, CompressionMethod method, bool compressed,
                        std::int32_t level, std::ofstream& file) {
    if (compressed) {
        switch (method) {
            case CompressionMethod::Gzip:
                chain.push(
                    io::gzip_compressor(io::gzip_params(level, io::zlib::deflated, 15, 8,
                                                        io::zlib::default_strategy, "", "", 0),
                                        kCompressorBufferSize));
                break;
            case CompressionMethod::Bzip2:
                chain.push(
                    io::bzip2_compressor(io::bzip2_params(level, 30), kCompressorBufferSize));
                break;
            case CompressionMethod::Zlib:
                chain.push(io::zlib_compressor(DeflateParams(level), kCompressorBufferSize));
                break;
            case CompressionMethod::None:
                break;
        }
    }
    chain.push(TargetFileSink(file), kImageFileBufferSize);
}

bool CloseTargetChain(io::filtering_ostream& chain) {
    // A disk target has no chain; a stream without one counts as bad, which
    // says nothing about the copy.
    if (chain.empty()) {
        return true;
    }
    bool ok = !chain.bad();
    try {
        chain.reset();  // closes every link, which flushes the compressor, then empties the chain
    } catch (...) {
        ok = false;
        try {
            chain.reset();
        } catch (...) {
        }
    }
    return ok;
}

void CloseSourceChain(io::filtering_istream& chain) {
    if (chain.empty()) {
        return;
    }
    try {
        chain.reset();
    } catch (...) {
        try {
            chain.reset();
        } catch (...) {
        }
    }
}
