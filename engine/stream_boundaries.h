#pragma once

#include <cstddef>
#include <string_view>

#include "engine/clone_job.h"

// Where the streams of a multi-stream file may start, for the formats whose
// streams begin byte-aligned with a signature long enough to look for: the
// places from which the parallel reader tries to decode a stream on its own.
// The same bytes can occur by chance inside compressed data, so a place found
// is only a candidate until its stream decodes.
struct StreamBoundaries {
    // The first bytes of every signature, looked for first.
    std::string_view prefix;
    std::size_t signatureLength;
    // Whether the signatureLength bytes at `at` (which begin with the prefix)
    // are this format's stream start.
    bool (*IsStart)(const char* at);
    // A piece (from one candidate to the next) longer than this is decoded in
    // turn, as one stream, and so is a piece whose output would be larger.
    std::size_t maxPiece;
    std::size_t maxOutput;
};

// The boundaries of the format's streams, or null when its streams are only
// read one after the other.
const StreamBoundaries* FindStreamBoundaries(CompressionMethod method);

// The offset of the first stream start in `data` at `from` or later whose
// signature lies wholly in `data`, or std::string_view::npos.
std::size_t FindStreamStart(const StreamBoundaries& boundaries, std::string_view data,
                            std::size_t from);
