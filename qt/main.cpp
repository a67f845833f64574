#include <csignal>

#include "qt/brevel_app.h"

int main(int argc, char** argv) {
#ifdef SIGXFSZ
    // A target over the file size limit is a failed write with its position,
    // not the end of the process.
    std::signal(SIGXFSZ, SIG_IGN);
#endif
    return CBrevelApp().Run(argc, argv);
}
