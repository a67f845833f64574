// A read-only file system with one file, "disk.img", whose bytes are those of
// an image file, except that every read touching a chosen byte range fails
// with EIO. Put a loop device on that file and it becomes a disk with an
// unreadable stretch.
//
//   brevel_faulty_fs --image=FILE --bad-offset=N --bad-length=M MOUNTPOINT [fuse options]
//   brevel_faulty_fs --image=FILE --wrap-size=N MOUNTPOINT [fuse options]
//
// With --wrap-size the file is writable and as large as the image, but holds
// only its first N bytes: every read and write at offset P goes to P modulo N,
// as on a card that reports more capacity than it has. Every write succeeds.
//
// The file is opened with direct_io, so the kernel keeps no pages of it and
// every read reaches this program: a bad stretch stays bad however often it is
// read, and reads beside it are answered from the image.
#define FUSE_USE_VERSION 31

#include <fcntl.h>
#include <fuse.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>
#include <utility>
#include <vector>

namespace {

constexpr const char* kFilePath = "/disk.img";

struct Settings {
    std::string image;
    std::int64_t badOffset = -1;
    std::int64_t badLength = 0;
    std::int64_t wrapSize = 0;  // 0: no wrapping, read-only
    int imageFd = -1;
    std::int64_t imageSize = 0;
};

Settings settings;

bool TouchesBadRange(std::int64_t offset, std::int64_t size) {
    return settings.badLength > 0 && offset < settings.badOffset + settings.badLength &&
           settings.badOffset < offset + size;
}

int GetAttr(const char* path, struct stat* status, fuse_file_info*) {
    std::memset(status, 0, sizeof(*status));
    if (std::strcmp(path, "/") == 0) {
        status->st_mode = S_IFDIR | 0555;
        status->st_nlink = 2;
        return 0;
    }
    if (std::strcmp(path, kFilePath) == 0) {
        status->st_mode = S_IFREG | (settings.wrapSize > 0 ? 0644 : 0444);
        status->st_nlink = 1;
        status->st_size = settings.imageSize;
        return 0;
    }
    return -ENOENT;
}

int ReadDir(const char* path, void* buffer, fuse_fill_dir_t fill, off_t, fuse_file_info*,
            fuse_readdir_flags) {
    if (std::strcmp(path, "/") != 0) {
        return -ENOENT;
    }
    fill(buffer, ".", nullptr, 0, static_cast<fuse_fill_dir_flags>(0));
    fill(buffer, "..", nullptr, 0, static_cast<fuse_fill_dir_flags>(0));
    fill(buffer, kFilePath + 1, nullptr, 0, static_cast<fuse_fill_dir_flags>(0));
    return 0;
}

int Open(const char* path, fuse_file_info* info) {
    if (std::strcmp(path, kFilePath) != 0) {
        return -ENOENT;
    }
    if ((info->flags & O_ACCMODE) != O_RDONLY && settings.wrapSize == 0) {
        return -EROFS;
    }
    info->direct_io = 1;
    info->keep_cache = 0;
    return 0;
}

// Where in the image the bytes at `offset` live, and how many of them lie
// there before the image wraps around.
std::pair<off_t, size_t> Placed(off_t offset, size_t size) {
    if (settings.wrapSize <= 0) {
        return {offset, size};
    }
    const off_t at = offset % settings.wrapSize;
    return {at, std::min<size_t>(size, static_cast<size_t>(settings.wrapSize - at))};
}

int Write(const char* path, const char* buffer, size_t size, off_t offset, fuse_file_info*) {
    if (std::strcmp(path, kFilePath) != 0) {
        return -ENOENT;
    }
    if (offset >= settings.imageSize) {
        return -ENOSPC;
    }
    size = std::min<size_t>(size, static_cast<size_t>(settings.imageSize - offset));
    size_t done = 0;
    while (done < size) {
        const auto [at, piece] = Placed(offset + static_cast<off_t>(done), size - done);
        const ssize_t n = pwrite(settings.imageFd, buffer + done, piece, at);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            return -EIO;
        }
        done += static_cast<size_t>(n);
    }
    return static_cast<int>(done);
}

int Read(const char* path, char* buffer, size_t size, off_t offset, fuse_file_info*) {
    if (std::strcmp(path, kFilePath) != 0) {
        return -ENOENT;
    }
    if (TouchesBadRange(offset, static_cast<std::int64_t>(size))) {
        return -EIO;
    }
    size_t done = 0;
    while (done < size) {
        const auto [at, piece] = Placed(offset + static_cast<off_t>(done), size - done);
        const ssize_t n = pread(settings.imageFd, buffer + done, piece, at);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n < 0) {
            return -EIO;
        }
        if (n == 0) {
            break;
        }
        done += static_cast<size_t>(n);
    }
    return static_cast<int>(done);
}

bool ParseNumber(const char* text, std::int64_t& value) {
    char* end = nullptr;
    errno = 0;
    const long long parsed = std::strtoll(text, &end, 10);
    if (errno != 0 || end == text || *end != '\0' || parsed < 0) {
        return false;
    }
    value = parsed;
    return true;
}

// Takes our own options out of argv; what remains goes to FUSE.
bool TakeOptions(int argc, char** argv, std::vector<char*>& rest) {
    rest.push_back(argv[0]);
    for (int i = 1; i < argc; ++i) {
        const std::string argument = argv[i];
        auto valueOf = [&](const char* name) -> const char* {
            const std::string prefix = std::string(name) + "=";
            return argument.rfind(prefix, 0) == 0 ? argv[i] + prefix.size() : nullptr;
        };
        if (const char* image = valueOf("--image")) {
            settings.image = image;
        } else if (const char* offset = valueOf("--bad-offset")) {
            if (!ParseNumber(offset, settings.badOffset)) {
                return false;
            }
        } else if (const char* wrap = valueOf("--wrap-size")) {
            if (!ParseNumber(wrap, settings.wrapSize)) {
                return false;
            }
        } else if (const char* length = valueOf("--bad-length")) {
            if (!ParseNumber(length, settings.badLength)) {
                return false;
            }
        } else {
            rest.push_back(argv[i]);
        }
    }
    rest.push_back(nullptr);
    return !settings.image.empty() && (settings.badOffset >= 0 || settings.wrapSize > 0);
}

}  // namespace

int main(int argc, char** argv) {
    std::vector<char*> rest;
    if (!TakeOptions(argc, argv, rest)) {
        std::fprintf(stderr,
                     "usage: %s --image=FILE (--bad-offset=N --bad-length=M | --wrap-size=N) "
                     "MOUNTPOINT [fuse options]\n",
                     argv[0]);
        return 2;
    }
    settings.imageFd =
        ::open(settings.image.c_str(), (settings.wrapSize > 0 ? O_RDWR : O_RDONLY) | O_CLOEXEC);
    struct stat status {};
    if (settings.imageFd < 0 || fstat(settings.imageFd, &status) != 0) {
        std::perror(settings.image.c_str());
        return 1;
    }
    settings.imageSize = status.st_size;

    fuse_operations operations{};
    operations.getattr = GetAttr;
    operations.readdir = ReadDir;
    operations.open = Open;
    operations.read = Read;
    operations.write = Write;
    const int result =
        fuse_main(static_cast<int>(rest.size()) - 1, rest.data(), &operations, nullptr);
    ::close(settings.imageFd);
    return result;
}
