// brevel-disk-helper: run as root through pkexec, opens one whole disk and
// hands the descriptor to the program that started it, over the Unix socket
// that is its standard output. Nothing else runs with the raised rights.
//
//   brevel-disk-helper read|write DEVICE
//
// Exit status: 0 the descriptor was sent; 1 refused (the reason was sent and
// written to standard error); 2 usage error or no socket to send on.
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <string>

#include "disks/disk_opener.h"

namespace {

constexpr int kRefused = 1;
constexpr int kUsage = 2;

bool StandardOutputIsASocket() {
    struct stat status {};
    return ::fstat(STDOUT_FILENO, &status) == 0 && S_ISSOCK(status.st_mode);
}

}  // namespace

int main(int argc, char** argv) {
    const std::string mode = argc == 3 ? argv[1] : "";
    if (mode != "read" && mode != "write") {
        std::fprintf(stderr, "usage: brevel-disk-helper read|write DEVICE\n");
        return kUsage;
    }
    if (!StandardOutputIsASocket()) {
        std::fprintf(stderr, "brevel-disk-helper: standard output must be a Unix socket\n");
        return kUsage;
    }
    const std::string device = argv[2];
    const HandedOverDisk disk =
        OpenWholeDisk(device, mode == "write" ? DiskUse::Write : DiskUse::Read);
    if (disk.refusal != DiskOpenRefusal::None) {
        std::fprintf(stderr, "brevel-disk-helper: %s: %s\n", device.c_str(),
                     RefusalText(disk.refusal).c_str());
    }
    if (!SendOpenedDisk(STDOUT_FILENO, disk)) {
        std::fprintf(stderr, "brevel-disk-helper: could not hand over the disk\n");
        return kUsage;
    }
    return disk.refusal == DiskOpenRefusal::None ? 0 : kRefused;
}
