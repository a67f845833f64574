#include "cli/interrupt.h"

#include <signal.h>

namespace {

volatile sig_atomic_t interrupted = 0;

extern "C" void OnInterrupt(int) {
    interrupted = 1;
}

}  // namespace

void CatchInterrupts() {
    struct sigaction action {};
    action.sa_handler = OnInterrupt;
    sigemptyset(&action.sa_mask);
    action.sa_flags = 0;  // no SA_RESTART: a waiting read or sleep returns early
    sigaction(SIGINT, &action, nullptr);
    sigaction(SIGTERM, &action, nullptr);
    signal(SIGPIPE, SIG_IGN);
    // A target over the file size limit is a failed write with its position,
    // not the end of the process.
    signal(SIGXFSZ, SIG_IGN);
}

bool Interrupted() {
    return interrupted != 0;
}
