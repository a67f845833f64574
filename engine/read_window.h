#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "engine/image_file.h"

// The bytes of a compressed image from the decoders' position on: what they
// have not consumed yet, and what was read ahead of them. Bytes are read from
// the file in pieces and dropped from the front as they are consumed, so the
// window holds only as much as its reader asks for.
class ReadWindow {
public:
    // Bytes are read from the file in pieces of this size.
    static constexpr std::size_t kReadSize = 1 << 20;

    explicit ReadWindow(ImageFile& file) : file_(file) {}

    const char* Data() const { return buffer_.data() + start_; }
    std::size_t Size() const { return end_ - start_; }
    // The offset in the file of Data(): the bytes consumed so far.
    std::int64_t Offset() const { return offset_; }
    // True once a read found the end of the file: Size() is all there is.
    bool Ended() const { return ended_; }

    void Consume(std::size_t count);
    // Reads the next piece of the file behind what the window holds. False
    // when the read failed; at the end of the file nothing is added and
    // Ended() is true.
    bool Extend();

private:
    ImageFile& file_;
    std::vector<char> buffer_;
    std::size_t start_ = 0;
    std::size_t end_ = 0;
    std::int64_t offset_ = 0;
    bool ended_ = false;
};
