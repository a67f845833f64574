#include "cli/console.h"

#include <poll.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <cerrno>

#include "cli/interrupt.h"

Console::Console(int in, int out, int err)
    : in_(in), out_(out), err_(err), inTerminal_(isatty(in) == 1), errTerminal_(isatty(err) == 1) {}

void Console::Write(int fd, std::string_view text) {
    while (!text.empty()) {
        const ssize_t n = ::write(fd, text.data(), text.size());
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            return;  // a closed or full output loses the text, not the copy
        }
        text.remove_prefix(static_cast<std::size_t>(n));
    }
}

void Console::Out(std::string_view text) {
    EraseProgress();
    Write(out_, text);
}

void Console::Err(std::string_view text) {
    EraseProgress();
    Write(err_, text);
}

int Console::Columns() const {
    winsize size{};
    if (ioctl(err_, TIOCGWINSZ, &size) == 0 && size.ws_col > 0) {
        return size.ws_col;
    }
    return 80;
}

void Console::DrawProgress(const std::string& line) {
    if (!errTerminal_) {
        return;
    }
    // One column short of the width: a full line would wrap the cursor.
    const std::size_t width = static_cast<std::size_t>(Columns() - 1);
    Write(err_, "\r" + line.substr(0, width) + "\x1b[K");
    progressShown_ = true;
}

void Console::EraseProgress() {
    if (progressShown_) {
        progressShown_ = false;
        Write(err_, "\r\x1b[K");
    }
}

Console::Reply Console::ReadLine(std::string& line) {
    EraseProgress();
    for (;;) {
        if (const std::size_t end = pendingInput_.find('\n'); end != std::string::npos) {
            line = pendingInput_.substr(0, end);
            pendingInput_.erase(0, end + 1);
            if (!line.empty() && line.back() == '\r') {
                line.pop_back();
            }
            return Reply::Line;
        }
        if (Interrupted()) {
            return Reply::Interrupted;
        }
        pollfd wait{in_, POLLIN, 0};
        const int ready = poll(&wait, 1, 100);
        if (ready <= 0) {
            continue;  // a timeout or a signal: look at the flag again
        }
        char buffer[256];
        const ssize_t n = ::read(in_, buffer, sizeof buffer);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            if (pendingInput_.empty()) {
                return Reply::End;
            }
            pendingInput_ += '\n';  // a last line without its line end
            continue;
        }
        pendingInput_.append(buffer, static_cast<std::size_t>(n));
    }
}
