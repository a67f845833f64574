#pragma once

#include <sys/types.h>

#include <filesystem>
#include <functional>
#include <string>
#include <vector>

// Runs the built brevel-cli as a user would, in a folder of its own with
// HOME (and, when asked, XDG_CONFIG_HOME) pointing into it, so that no
// settings leak between tests or onto the machine.

struct CliEnvironment {
    std::filesystem::path folder;      // the working folder
    std::filesystem::path home;        // HOME
    std::filesystem::path configHome;  // XDG_CONFIG_HOME; unset when empty
};

struct CliResult {
    int status = -1;  // the exit status; 128 + N after signal N
    std::string out;
    std::string err;
};

// A brevel-cli process whose standard output and error are read through
// pipes and whose standard input is /dev/null: no terminal.
class CliProcess {
public:
    CliProcess(const CliEnvironment& environment, const std::vector<std::string>& arguments);
    ~CliProcess();
    CliProcess(const CliProcess&) = delete;
    CliProcess& operator=(const CliProcess&) = delete;

    // Reads output until `ready` holds for what stdout has shown so far or
    // the process has ended; false then, or after two minutes.
    bool WaitUntil(const std::function<bool(const std::string& out)>& ready);
    void Signal(int signal);
    // Reads everything that is left and waits for the end.
    CliResult Finish();

private:
    bool Pump(int timeoutMilliseconds);

    pid_t child_ = -1;
    int out_ = -1;
    int err_ = -1;
    CliResult result_;
};

CliResult RunCli(const CliEnvironment& environment, const std::vector<std::string>& arguments);

// A brevel-cli process on a pseudo-terminal: standard input, output and
// error all are the terminal, as in an interactive shell.
class PtySession {
public:
    PtySession(const CliEnvironment& environment, const std::vector<std::string>& arguments);
    ~PtySession();
    PtySession(const PtySession&) = delete;
    PtySession& operator=(const PtySession&) = delete;

    // Reads until `text` appears after the place where the last wait found
    // its text; false when the process ends first or after two minutes.
    bool WaitFor(const std::string& text);
    // Types a line and Enter.
    void Type(const std::string& line);
    // Reads to the end and returns the exit status.
    int Finish();
    // Everything the terminal showed, carriage returns removed.
    std::string Output() const;

private:
    bool Pump(int timeoutMilliseconds);

    pid_t child_ = -1;
    int master_ = -1;
    std::string output_;
    std::size_t searchFrom_ = 0;
    int status_ = -1;
};
