#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "disks/path_text.h"
#include "engine/file_sync.h"

bool FlushFileToStorage(const std::wstring& path) {
    const std::string name = WideToUtf8(path);
    // Only files and block devices keep written data in the page cache; a
    // pipe or a character device would not even open without a peer.
    struct stat status {};
    if (stat(name.c_str(), &status) != 0) {
        return false;
    }
    if (!S_ISREG(status.st_mode) && !S_ISBLK(status.st_mode)) {
        return true;
    }
    int fd = -1;
    do {
        fd = ::open(name.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY);
    } while (fd < 0 && errno == EINTR);
    if (fd < 0) {
        return false;
    }
    const bool flushed = fsync(fd) == 0;
    const bool closed = ::close(fd) == 0 || errno == EINTR;
    return flushed && closed;
}
