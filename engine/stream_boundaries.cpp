#include "engine/stream_boundaries.h"

#include <cstring>

namespace {

// A bzip2 stream: "BZh", the block size '1' to '9', then the magic of its
// first block (pi) or, for an empty stream, the end-of-stream magic (sqrt pi).
constexpr std::size_t kBzip2SignatureLength = 10;

bool IsBzip2Start(const char* at) {
    static constexpr char kBlockMagic[] = "\x31\x41\x59\x26\x53\x59";
    static constexpr char kEndMagic[] = "\x17\x72\x45\x38\x50\x90";
    return at[3] >= '1' && at[3] <= '9' &&
           (std::memcmp(at + 4, kBlockMagic, 6) == 0 || std::memcmp(at + 4, kEndMagic, 6) == 0);
}

// A stream holds up to level * 100,000 bytes per block: one block of
// incompressible data comes to about 910,000 bytes at level 9, so two such
// blocks fit in a piece, and their output in maxOutput.
constexpr StreamBoundaries kBzip2Boundaries{"BZh", kBzip2SignatureLength, IsBzip2Start, 2 << 20,
                                            4 << 20};

}  // namespace

const StreamBoundaries* FindStreamBoundaries(CompressionMethod method) {
    return method == CompressionMethod::Bzip2 ? &kBzip2Boundaries : nullptr;
}

std::size_t FindStreamStart(const StreamBoundaries& boundaries, std::string_view data,
                            std::size_t from) {
    for (;;) {
        from = data.find(boundaries.prefix, from);
        if (from == std::string_view::npos || data.size() - from < boundaries.signatureLength) {
            return std::string_view::npos;
        }
        if (boundaries.IsStart(data.data() + from)) {
            return from;
        }
        ++from;
    }
}
