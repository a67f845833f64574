// The descriptor hand-over between the disk helper and the program it serves.
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <vector>

#include "disks/disk_opener.h"

UniqueFd& UniqueFd::operator=(UniqueFd&& other) noexcept {
    if (this != &other) {
        Reset();
        fd_ = other.Release();
    }
    return *this;
}

int UniqueFd::Release() {
    const int fd = fd_;
    fd_ = -1;
    return fd;
}

void UniqueFd::Reset() {
    if (fd_ >= 0) {
        ::close(fd_);
        fd_ = -1;
    }
}

std::string RefusalText(DiskOpenRefusal refusal) {
    switch (refusal) {
        case DiskOpenRefusal::None:
            return "the disk is open";
        case DiskOpenRefusal::NotADisk:
            return "not the device of a whole disk";
        case DiskOpenRefusal::Partition:
            return "a partition, not a whole disk";
        case DiskOpenRefusal::InUse:
            return "the disk is in use (a partition of it is mounted, or another program holds "
                   "it)";
        case DiskOpenRefusal::ReadOnly:
            return "the disk is write-protected";
        case DiskOpenRefusal::CannotOpen:
            return "the disk could not be opened";
        case DiskOpenRefusal::NotAuthorised:
            return "access to the disk was not authorised";
        case DiskOpenRefusal::NoHelper:
            return "the disk helper did not answer";
    }
    return "unknown answer from the disk helper";
}

bool SendOpenedDisk(int socket, const HandedOverDisk& disk) {
    unsigned char code = static_cast<unsigned char>(disk.refusal);
    iovec part{&code, 1};
    msghdr message{};
    message.msg_iov = &part;
    message.msg_iovlen = 1;
    alignas(cmsghdr) unsigned char control[CMSG_SPACE(sizeof(int))] = {};
    if (disk.refusal == DiskOpenRefusal::None) {
        const int fd = disk.fd.Get();
        message.msg_control = control;
        message.msg_controllen = sizeof(control);
        cmsghdr* header = CMSG_FIRSTHDR(&message);
        header->cmsg_level = SOL_SOCKET;
        header->cmsg_type = SCM_RIGHTS;
        header->cmsg_len = CMSG_LEN(sizeof(int));
        std::memcpy(CMSG_DATA(header), &fd, sizeof(int));
    }
    ssize_t sent = -1;
    do {
        sent = ::sendmsg(socket, &message, MSG_NOSIGNAL);
    } while (sent < 0 && errno == EINTR);
    return sent == 1;
}

HandedOverDisk ReceiveOpenedDisk(int socket) {
    unsigned char code = 0;
    iovec part{&code, 1};
    msghdr message{};
    message.msg_iov = &part;
    message.msg_iovlen = 1;
    // Room for more than one descriptor, so that extra ones are seen (and
    // closed) rather than cut off.
    alignas(cmsghdr) unsigned char control[CMSG_SPACE(4 * sizeof(int))] = {};
    message.msg_control = control;
    message.msg_controllen = sizeof(control);
    ssize_t got = -1;
    do {
        got = ::recvmsg(socket, &message, MSG_CMSG_CLOEXEC);
    } while (got < 0 && errno == EINTR);

    std::vector<UniqueFd> received;
    for (cmsghdr* header = CMSG_FIRSTHDR(&message); header != nullptr;
         header = CMSG_NXTHDR(&message, header)) {
        if (header->cmsg_level != SOL_SOCKET || header->cmsg_type != SCM_RIGHTS) {
            continue;
        }
        const std::size_t count = (header->cmsg_len - CMSG_LEN(0)) / sizeof(int);
        for (std::size_t i = 0; i < count; ++i) {
            int fd = -1;
            std::memcpy(&fd, CMSG_DATA(header) + i * sizeof(int), sizeof(int));
            received.emplace_back(fd);
        }
    }

    HandedOverDisk result;
    const bool whole = got == 1 && (message.msg_flags & MSG_CTRUNC) == 0;
    if (!whole || code > static_cast<unsigned char>(DiskOpenRefusal::NoHelper)) {
        result.refusal = DiskOpenRefusal::NoHelper;
        return result;
    }
    result.refusal = static_cast<DiskOpenRefusal>(code);
    const bool wantsOne = result.refusal == DiskOpenRefusal::None;
    if (received.size() != (wantsOne ? 1u : 0u)) {
        result.refusal = DiskOpenRefusal::NoHelper;
        return result;
    }
    if (wantsOne) {
        result.fd = std::move(received.front());
    }
    return result;
}

int SystemErrorOf(DiskOpenRefusal refusal) {
    switch (refusal) {
        case DiskOpenRefusal::None:
            return 0;
        case DiskOpenRefusal::NotADisk:
        case DiskOpenRefusal::Partition:
            return ENODEV;
        case DiskOpenRefusal::InUse:
            return EBUSY;
        case DiskOpenRefusal::ReadOnly:
            return EROFS;
        case DiskOpenRefusal::NotAuthorised:
            return EACCES;
        case DiskOpenRefusal::NoHelper:
            return ENOENT;
        case DiskOpenRefusal::CannotOpen:
            break;
    }
    return EIO;
}
