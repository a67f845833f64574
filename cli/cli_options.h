#pragma once

#include <optional>
#include <string>
#include <vector>

#include "engine/clone_job.h"

// The command line of brevel-cli:
//   brevel-cli [--level N] [--threads N] [--compress gzip|bzip2|zlib|xz|zstd|none]
//              [--verify|--no-verify] [--yes] [--on-read-error ask|abort|retry|ignore]
//              SOURCE TARGET
//   brevel-cli --list-disks
//   brevel-cli --help | --version
// An option's value follows it as the next argument or after "=" (--level=9);
// "--" ends the options.

inline constexpr int kMaxThreads = 256;

enum class CliAction { RunJob, ListDisks, Help, Version };

// Who answers the question that a source disk's unreadable block raises.
enum class ReadErrorPolicy { Ask, Abort, Retry, Ignore };

struct CliOptions {
    CliAction action = CliAction::RunJob;
    std::optional<int> level;                   // 1 to 19; the type may take fewer
    std::optional<int> threads;                 // 1 to kMaxThreads
    std::optional<CompressionMethod> compress;  // None: "none"
    bool yes = false;
    std::optional<bool> verify;  // --verify, --no-verify; else the remembered choice
    ReadErrorPolicy onReadError = ReadErrorPolicy::Ask;
    std::vector<std::string> endpoints;  // SOURCE and TARGET, as given
};

// The options, or in `error` what is wrong with the command line.
struct ParsedCommandLine {
    CliOptions options;
    std::string error;
};

// `arguments` without the program's own name.
ParsedCommandLine ParseCommandLine(const std::vector<std::string>& arguments);

// The synopsis, for usage errors; the whole help text.
std::string UsageText();
std::string HelpText();
