#include <fcntl.h>
#include <unistd.h>

#include <cerrno>

#include "disks/path_text.h"
#include "engine/file_sync.h"

bool FlushFileToStorage(const std::wstring& path) {
    const std::string name = WideToUtf8(path);
    int fd = -1;
    do {
        fd = ::open(name.c_str(), O_WRONLY | O_CLOEXEC | O_NOCTTY);
    } while (fd < 0 && errno == EINTR);
    if (fd < 0) {
        return false;
    }
    const bool flushed = fsync(fd) == 0 || errno == EINVAL || errno == EROFS;
    const bool closed = ::close(fd) == 0 || errno == EINTR;
    return flushed && closed;
}
