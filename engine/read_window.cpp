#include "engine/read_window.h"

#include <cstring>

void ReadWindow::Consume(std::size_t count) {
    start_ += count;
    offset_ += static_cast<std::int64_t>(count);
}

bool ReadWindow::Extend() {
    if (ended_) {
        return true;
    }
    // Move what is held to the front when the room behind it runs short.
    if (buffer_.size() - end_ < kReadSize) {
        const std::size_t held = Size();
        if (start_ > 0) {
            std::memmove(buffer_.data(), buffer_.data() + start_, held);
        }
        start_ = 0;
        end_ = held;
        if (buffer_.size() - end_ < kReadSize) {
            buffer_.resize(end_ + kReadSize);
        }
    }
    const std::int64_t got =
        file_.Read(buffer_.data() + end_, static_cast<std::int64_t>(kReadSize));
    if (got < 0) {
        return false;
    }
    end_ += static_cast<std::size_t>(got);
    ended_ = got == 0;
    return true;
}
