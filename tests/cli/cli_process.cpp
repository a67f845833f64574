#include "cli_process.h"

#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstring>

extern char** environ;

namespace {

using Clock = std::chrono::steady_clock;
constexpr auto kPatience = std::chrono::minutes(2);

// Built before a fork: the child only calls async-signal-safe functions.
struct Command {
    std::vector<std::string> texts;
    std::vector<std::string> environment;
    std::vector<char*> argv;
    std::vector<char*> envp;
    std::string folder;

    Command(const CliEnvironment& env, const std::vector<std::string>& arguments)
        : folder(env.folder.string()) {
        texts.push_back(BREVEL_CLI_PATH);
        texts.insert(texts.end(), arguments.begin(), arguments.end());
        for (char** entry = environ; *entry != nullptr; ++entry) {
            const std::string text = *entry;
            if (text.rfind("HOME=", 0) != 0 && text.rfind("XDG_CONFIG_HOME=", 0) != 0) {
                environment.push_back(text);
            }
        }
        environment.push_back("HOME=" + env.home.string());
        if (!env.configHome.empty()) {
            environment.push_back("XDG_CONFIG_HOME=" + env.configHome.string());
        }
        for (std::string& text : texts) {
            argv.push_back(text.data());
        }
        argv.push_back(nullptr);
        for (std::string& text : environment) {
            envp.push_back(text.data());
        }
        envp.push_back(nullptr);
    }

    [[noreturn]] void Exec() {
        if (chdir(folder.c_str()) == 0) {
            execve(argv[0], argv.data(), envp.data());
        }
        _exit(127);
    }
};

// Appends what `fd` has to `text`; false at its end (or on an error).
bool ReadSome(int fd, std::string& text) {
    char buffer[65536];
    const ssize_t n = read(fd, buffer, sizeof buffer);
    if (n < 0 && errno == EINTR) {
        return true;
    }
    if (n <= 0) {
        return false;
    }
    text.append(buffer, static_cast<std::size_t>(n));
    return true;
}

int Reap(pid_t child) {
    int status = 0;
    while (waitpid(child, &status, 0) < 0 && errno == EINTR) {
    }
    if (WIFEXITED(status)) {
        return WEXITSTATUS(status);
    }
    return WIFSIGNALED(status) ? 128 + WTERMSIG(status) : -1;
}

void KillAndReap(pid_t child) {
    kill(child, SIGKILL);
    Reap(child);
}

// Calls pump(timeout) until it reports the end of the output and then reaps
// the child: its exit status, or -1 (after killing it) when that takes more
// than kPatience.
int DrainAndReap(pid_t& child, const std::function<bool(int)>& pump) {
    const auto deadline = Clock::now() + kPatience;
    int status = -1;
    bool ended = true;
    while (pump(100)) {
        if (Clock::now() > deadline) {
            ended = false;
            break;
        }
    }
    if (child > 0) {
        if (ended) {
            status = Reap(child);
        } else {
            KillAndReap(child);
        }
        child = -1;
    }
    return status;
}

}  // namespace

CliProcess::CliProcess(const CliEnvironment& environment,
                       const std::vector<std::string>& arguments) {
    Command command(environment, arguments);
    int out[2];
    int err[2];
    if (pipe2(out, O_CLOEXEC) != 0 || pipe2(err, O_CLOEXEC) != 0) {
        return;
    }
    child_ = fork();
    if (child_ == 0) {
        const int in = open("/dev/null", O_RDONLY);
        dup2(in, 0);
        dup2(out[1], 1);
        dup2(err[1], 2);
        command.Exec();
    }
    close(out[1]);
    close(err[1]);
    out_ = out[0];
    err_ = err[0];
}

CliProcess::~CliProcess() {
    if (out_ >= 0) {
        close(out_);
    }
    if (err_ >= 0) {
        close(err_);
    }
    if (child_ > 0) {
        KillAndReap(child_);
    }
}

bool CliProcess::Pump(int timeoutMilliseconds) {
    pollfd fds[2] = {{out_, POLLIN, 0}, {err_, POLLIN, 0}};
    const int ready = poll(fds, 2, timeoutMilliseconds);
    if (ready < 0 && errno != EINTR) {
        return false;
    }
    std::string* texts[2] = {&result_.out, &result_.err};
    int* fdsOwned[2] = {&out_, &err_};
    for (int i = 0; i < 2; ++i) {
        if (*fdsOwned[i] >= 0 && (fds[i].revents & (POLLIN | POLLHUP | POLLERR)) != 0 &&
            !ReadSome(*fdsOwned[i], *texts[i])) {
            close(*fdsOwned[i]);
            *fdsOwned[i] = -1;
        }
    }
    return out_ >= 0 || err_ >= 0;
}

bool CliProcess::WaitUntil(const std::function<bool(const std::string& out)>& ready) {
    const auto deadline = Clock::now() + kPatience;
    while (!ready(result_.out)) {
        if (Clock::now() > deadline || !Pump(100)) {
            return ready(result_.out);
        }
    }
    return true;
}

void CliProcess::Signal(int signal) {
    if (child_ > 0) {
        kill(child_, signal);
    }
}

CliResult CliProcess::Finish() {
    result_.status = DrainAndReap(child_, [this](int timeout) { return Pump(timeout); });
    if (result_.status == -1) {
        result_.err += "\n[brevel-cli did not end in time, or could not be started]";
    }
    return result_;
}

CliResult RunCli(const CliEnvironment& environment, const std::vector<std::string>& arguments) {
    return CliProcess(environment, arguments).Finish();
}

PtySession::PtySession(const CliEnvironment& environment,
                       const std::vector<std::string>& arguments) {
    Command command(environment, arguments);
    winsize size{};
    size.ws_row = 40;
    size.ws_col = 200;
    child_ = forkpty(&master_, nullptr, nullptr, &size);
    if (child_ == 0) {
        command.Exec();
    }
}

PtySession::~PtySession() {
    if (master_ >= 0) {
        close(master_);
    }
    if (child_ > 0) {
        KillAndReap(child_);
    }
}

bool PtySession::Pump(int timeoutMilliseconds) {
    if (master_ < 0) {
        return false;
    }
    pollfd wait{master_, POLLIN, 0};
    if (poll(&wait, 1, timeoutMilliseconds) > 0 && !ReadSome(master_, output_)) {
        // EIO: the terminal's last user has gone.
        close(master_);
        master_ = -1;
        return false;
    }
    return true;
}

bool PtySession::WaitFor(const std::string& text) {
    const auto deadline = Clock::now() + kPatience;
    for (;;) {
        const std::size_t found = output_.find(text, searchFrom_);
        if (found != std::string::npos) {
            searchFrom_ = found + text.size();
            return true;
        }
        if (Clock::now() > deadline || !Pump(100)) {
            return false;
        }
    }
}

void PtySession::Type(const std::string& line) {
    const std::string text = line + "\r";
    if (master_ >= 0) {
        [[maybe_unused]] const ssize_t n = write(master_, text.data(), text.size());
    }
}

int PtySession::Finish() {
    status_ = DrainAndReap(child_, [this](int timeout) { return Pump(timeout); });
    return status_;
}

std::string PtySession::Output() const {
    std::string text = output_;
    text.erase(std::remove(text.begin(), text.end(), '\r'), text.end());
    return text;
}
