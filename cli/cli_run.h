#pragma once

#include <string>
#include <vector>

#include "control/job_outcome.h"

// Exit statuses of brevel-cli.
namespace ExitStatus {
inline constexpr int Completed = 0;
inline constexpr int Failed = 1;  // refused or failed: an error box, a failed copy, a "no"
inline constexpr int Usage = 2;
inline constexpr int ReadErrorAborted = 3;
inline constexpr int Interrupted = 130;
}  // namespace ExitStatus

// The one mapping of how the window's last job ended to the exit status.
int ExitStatusOf(const JobOutcome& outcome);

// The whole program over standard input, output and error; `arguments`
// without the program's own name. Returns the exit status.
int RunCli(const std::vector<std::string>& arguments);
