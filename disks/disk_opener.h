#pragma once

#include <string>
#include <vector>

#include "disks/disk_access.h"

// How a process that is not root reaches a disk: a small privileged helper,
// started through pkexec (polkit asks for an administrator's password), opens
// the whole disk and hands the open descriptor back over a Unix socket. The
// process itself never runs as root. Root opens its disks itself.

// An owned file descriptor, closed when the owner goes.
class UniqueFd {
public:
    UniqueFd() = default;
    explicit UniqueFd(int fd) : fd_(fd) {}
    ~UniqueFd() { Reset(); }
    UniqueFd(UniqueFd&& other) noexcept : fd_(other.Release()) {}
    UniqueFd& operator=(UniqueFd&& other) noexcept;
    UniqueFd(const UniqueFd&) = delete;
    UniqueFd& operator=(const UniqueFd&) = delete;

    int Get() const { return fd_; }
    bool IsOpen() const { return fd_ >= 0; }
    // Gives up ownership; the caller closes the descriptor.
    int Release();
    void Reset();

private:
    int fd_ = -1;
};

// Why a disk was not opened. The values travel between the helper and its
// caller as one byte: never renumber them.
enum class DiskOpenRefusal : unsigned char {
    None = 0,
    NotADisk = 1,       // missing, not a block device, a link, or not a whole disk
    Partition = 2,      // a partition of a disk
    InUse = 3,          // write access to a disk that is mounted or held exclusively
    ReadOnly = 4,       // write access to a write-protected disk
    CannotOpen = 5,     // the open failed for another reason
    NotAuthorised = 6,  // the administrator's password was not given
    NoHelper = 7,       // the helper could not be started or broke off
};

// What the helper or an opener answers: the descriptor, or why there is none.
struct HandedOverDisk {
    UniqueFd fd;
    DiskOpenRefusal refusal = DiskOpenRefusal::None;
};

// A sentence for the user: why the disk was not opened.
std::string RefusalText(DiskOpenRefusal refusal);

// The system error that stands for a refusal, as an open of our own would
// have failed (EBUSY for a disk in use, EROFS, EACCES, ...); 0 for None.
int SystemErrorOf(DiskOpenRefusal refusal);

// The privileged side: opens path for access if it is the node of a whole
// disk of the enumeration under sysRoot (never a link, a partition or another
// file); write access is exclusive (O_EXCL), so that a disk with a mounted
// partition, or that another program holds, is refused.
HandedOverDisk OpenWholeDisk(const std::string& path, DiskUse access,
                             const std::string& sysRoot = "/sys");

// The hand-over on a Unix stream socket: one byte, the refusal, carrying the
// descriptor (SCM_RIGHTS) when it is None. The receiver answers NoHelper when
// the peer closed the socket without a whole message.
bool SendOpenedDisk(int socket, const HandedOverDisk& disk);
HandedOverDisk ReceiveOpenedDisk(int socket);

// Runs the helper program as launcher + {helper, "read"|"write", node}, with
// its standard output a Unix socket, and takes the descriptor it sends.
class HelperDiskOpener {
public:
    HelperDiskOpener(std::vector<std::string> launcher, std::string helper);
    HandedOverDisk Open(const std::string& node, DiskUse access) const;

private:
    std::vector<std::string> launcher_;
    std::string helper_;
};

// The helper through pkexec when this process is not root and both are
// installed; nullptr when the process opens disks itself.
const HelperDiskOpener* PrivilegedDiskOpener();

// What the user must do to reach disks (install pkexec, or run as root), in
// short lines parted by '\n'; empty when disks can be reached. DiskAccessAdvice() asks this
// process.
struct DiskAccessWays {
    bool root = false;
    bool pkexec = false;  // /usr/bin/pkexec can be run
    bool helper = false;  // the disk helper is installed beside this program
};
std::string DiskAccessAdvice(const DiskAccessWays& ways);
std::string DiskAccessAdvice();

// The installed helper, found from this program's own place
// (<bindir>/../libexec/brevel-disk-helper).
std::string InstalledDiskHelperPath();
