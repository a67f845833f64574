#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>

#include "disks/path_text.h"
#include "engine/image_file.h"

namespace {

// One system call moves at most this much, well below what a signed 32-bit
// count the kernel reports can hold.
constexpr std::int64_t kMaxTransfer = 1 << 30;

int OpenRetrying(const std::wstring& path, int flags) {
    const std::string name = WideToUtf8(path);
    int fd = -1;
    do {
        fd = ::open(name.c_str(), flags | O_CLOEXEC | O_NOCTTY, 0666);
    } while (fd < 0 && errno == EINTR);
    return fd;
}

}  // namespace

std::string ReadRegularFileHead(const std::wstring& path, std::size_t count) {
    struct stat status {};
    if (::stat(WideToUtf8(path).c_str(), &status) != 0 || !S_ISREG(status.st_mode)) {
        return {};
    }
    const int fd = OpenRetrying(path, O_RDONLY | O_NONBLOCK);
    if (fd < 0) {
        return {};
    }
    std::string head(count, '\0');
    ssize_t got = -1;
    if (fstat(fd, &status) == 0 && S_ISREG(status.st_mode)) {
        do {
            got = ::pread(fd, head.data(), count, 0);
        } while (got < 0 && errno == EINTR);
    }
    ::close(fd);
    head.resize(got > 0 ? static_cast<std::size_t>(got) : 0);
    return head;
}

ImageFile::~ImageFile() {
    Close();
}

bool ImageFile::OpenForReading(const std::wstring& path) {
    Close();
    fd_ = OpenRetrying(path, O_RDONLY);
    writing_ = false;
    return fd_ >= 0;
}

bool ImageFile::CreateForWriting(const std::wstring& path) {
    Close();
    fd_ = OpenRetrying(path, O_WRONLY | O_CREAT | O_TRUNC);
    writing_ = true;
    written_ = 0;
    return fd_ >= 0;
}

std::int64_t ImageFile::Read(char* buffer, std::int64_t count) {
    for (;;) {
        const ssize_t got = ::read(fd_, buffer, static_cast<size_t>(std::min(count, kMaxTransfer)));
        if (got >= 0) {
            read_ += got;
            return got;
        }
        if (errno != EINTR) {
            return -1;
        }
    }
}

std::int64_t ImageFile::Seek(std::int64_t offset, int whence) {
    return ::lseek(fd_, offset, whence);
}

bool ImageFile::Write(const char* data, std::int64_t count) {
    while (count > 0) {
        const ssize_t put = ::write(fd_, data, static_cast<size_t>(std::min(count, kMaxTransfer)));
        if (put < 0 && errno == EINTR) {
            continue;
        }
        if (put <= 0) {
            return false;  // full, over the size limit, or an I/O error
        }
        written_ += put;
        data += put;
        count -= put;
    }
    return true;
}

bool ImageFile::Close() {
    if (fd_ < 0) {
        return true;
    }
    bool flushed = true;
    struct stat status {};
    const bool cached =
        fstat(fd_, &status) != 0 || S_ISREG(status.st_mode) || S_ISBLK(status.st_mode);
    if (writing_ && cached) {
        flushed = fsync(fd_) == 0;
    }
    // A close that is interrupted has still released the descriptor.
    const bool closed = ::close(fd_) == 0 || errno == EINTR;
    fd_ = -1;
    return flushed && closed;
}
