// brevel-cli: the four copy jobs of Brevel's main window, from a terminal.
#include <string>
#include <vector>

#include "cli/cli_run.h"

int main(int argc, char** argv) {
    return RunCli(std::vector<std::string>(argv + 1, argv + argc));
}
