#pragma once

#include <string>
#include <vector>

// The application: starts the toolkit, runs the main window for the life of
// the process with the Source and Target from the command line, and ends when
// the window closes.
class CBrevelApp {
public:
    // Returns the process's exit status.
    int Run(int argc, char** argv);
};

// The positional arguments as the window takes them: everything after the
// program's own path, unchanged (no trimming), decoded from the locale's
// encoding.
std::vector<std::wstring> PositionalArguments(int argc, char** argv);
