#pragma once

#include <algorithm>
#include <cstddef>

// One call of a compression library (zlib's z_stream, libbzip2's bz_stream
// or liblzma's lzma_stream) over an input and an output buffer: points the stream at them,
// runs `call`, and moves both buffers past what it used. Returns the call's
// result.
template <typename Stream, typename Call>
int RunCodecCall(Stream& stream, const char*& in, std::size_t& inLength, char*& out,
                 std::size_t& outLength, Call call) {
    const auto inChunk = static_cast<unsigned>(std::min<std::size_t>(inLength, 1u << 30));
    const auto outChunk = static_cast<unsigned>(std::min<std::size_t>(outLength, 1u << 30));
    stream.next_in = reinterpret_cast<decltype(stream.next_in)>(const_cast<char*>(in));
    stream.avail_in = inChunk;
    stream.next_out = reinterpret_cast<decltype(stream.next_out)>(out);
    stream.avail_out = outChunk;
    const int result = call();
    in += inChunk - stream.avail_in;
    inLength -= inChunk - stream.avail_in;
    out += outChunk - stream.avail_out;
    outLength -= outChunk - stream.avail_out;
    return result;
}
