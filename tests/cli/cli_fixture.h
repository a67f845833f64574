#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "cli_process.h"
#include "test_files.h"

constexpr std::int64_t kMiB = 1048576;

// A temporary folder that brevel-cli runs in, with its own home folder.
class CliTest : public ::testing::Test {
protected:
    CliTest();

    CliResult Run(const std::vector<std::string>& arguments) { return RunCli(env, arguments); }
    std::filesystem::path In(const std::string& name) const { return dir / name; }
    std::string InShell(const std::string& name) const { return Quoted(dir / name); }
    // Where the settings go with HOME alone.
    std::filesystem::path SettingsFile() const;

    TempDir dir;
    CliEnvironment env;
};

// The log with what changes from run to run masked: both timestamps become
// <time>, the durations <duration>, the hashes <hash>, and the Average Speed line (there only
// when the job took a second or more) is left out. A text in any other form
// stays as it is, so that the comparison catches it.
std::string Masked(const std::string& out);

// The report lines that follow the start line of a job that copied `copied`
// bytes of `sourceBytes` ("Unknown" for a compressed source), as Masked
// shows them; with the compressed size when `compressedSize` is not -1, and
// the hash of the image file when it names the image target.
std::string ReportLines(const std::string& sourceBytes, std::int64_t copied,
                        std::int64_t compressedSize, const std::string& image = "");
