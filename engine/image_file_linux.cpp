#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <string>

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
    copied_ = 0;
    hash_.reset();
    digest_.reset();
    return fd_ >= 0;
}

void ImageFile::HashWrites() {
    hash_ = std::make_unique<Sha256>();
}

std::optional<Sha256Digest> ImageFile::WrittenDigest() const {
    return digest_;
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
        if (hash_) {
            hash_->Update(data, static_cast<std::size_t>(put));
        }
        data += put;
        count -= put;
    }
    return true;
}

std::int64_t ImageFile::CopyFrom(const ImageFile& source, std::int64_t from, std::int64_t count) {
    if (hash_ || count <= 0) {
        return 0;
    }
    loff_t offset = from;
    ssize_t put = -1;
    do {
        put = ::copy_file_range(source.fd_, &offset, fd_, nullptr,
                                static_cast<size_t>(std::min(count, kMaxTransfer)), 0);
    } while (put < 0 && errno == EINTR);
    if (put <= 0) {
        return 0;
    }
    written_ += put;
    copied_ += put;
    return put;
}

bool ImageFile::Close() {
    if (fd_ < 0) {
        return true;
    }
    if (hash_) {
        digest_ = hash_->Finish();
        hash_.reset();
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

bool DropCachedPages(const std::wstring& path) {
    const int fd = OpenRetrying(path, O_RDONLY | O_NOFOLLOW);
    if (fd < 0) {
        return false;
    }
    // Pages of a flushed file are clean, and clean pages are dropped.
    const bool dropped = posix_fadvise(fd, 0, 0, POSIX_FADV_DONTNEED) == 0;
    ::close(fd);
    return dropped;
}

namespace {

// One line of sha256sum's format; a name with a backslash or a line break is
// escaped as sha256sum escapes it, with a backslash before the line.
std::string ChecksumLine(const std::string& hex, const std::string& name) {
    std::string escaped;
    bool escapes = false;
    for (const char c : name) {
        if (c == '\\') {
            escaped += "\\\\";
            escapes = true;
        } else if (c == '\n') {
            escaped += "\\n";
            escapes = true;
        } else {
            escaped += c;
        }
    }
    return (escapes ? "\\" : "") + hex + "  " + escaped + "\n";
}

bool WriteAll(int fd, const std::string& text) {
    std::size_t done = 0;
    while (done < text.size()) {
        const ssize_t put = ::write(fd, text.data() + done, text.size() - done);
        if (put < 0 && errno == EINTR) {
            continue;
        }
        if (put <= 0) {
            if (put == 0) {
                errno = ENOSPC;
            }
            return false;
        }
        done += static_cast<std::size_t>(put);
    }
    return true;
}

}  // namespace

bool WriteChecksumFile(const std::wstring& imagePath, const std::string& hex, int& error) {
    const std::string image = WideToUtf8(imagePath);
    const std::size_t slash = image.rfind('/');
    const std::string folder = slash == std::string::npos ? "" : image.substr(0, slash + 1);
    const std::string name = slash == std::string::npos ? image : image.substr(slash + 1);
    const std::string target = image + ".sha256";
    std::string temporary;
    int fd = -1;
    for (int attempt = 0; fd < 0 && attempt < 100; ++attempt) {
        temporary = folder + "." + name + ".sha256." + std::to_string(getpid()) + "." +
                    std::to_string(attempt);
        fd = ::open(temporary.c_str(),
                    O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC | O_NOCTTY, 0666);
        if (fd < 0 && errno != EEXIST && errno != EINTR) {
            break;
        }
    }
    if (fd < 0) {
        error = errno;
        return false;
    }
    bool written = WriteAll(fd, ChecksumLine(hex, name)) && fsync(fd) == 0;
    error = written ? 0 : errno;
    if (::close(fd) != 0 && written && errno != EINTR) {
        written = false;
        error = errno;
    }
    if (written && ::rename(temporary.c_str(), target.c_str()) != 0) {
        written = false;
        error = errno;
    }
    if (!written) {
        ::unlink(temporary.c_str());
    }
    return written;
}
