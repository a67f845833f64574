#pragma once

#include <string>
#include <string_view>

// The terminal side of brevel-cli: standard output for the log and the final
// message, standard error for errors, questions and the progress line, and
// standard input for answers. Writes go straight to the descriptors, in the
// order they are made. While a progress line stands on standard error it is
// erased before anything else is written.
class Console {
public:
    Console(int in, int out, int err);

    // Questions can be asked: input comes from a terminal and the question
    // goes to one.
    bool Interactive() const { return inTerminal_ && errTerminal_; }
    // A progress line is drawn only on a terminal.
    bool ShowsProgress() const { return errTerminal_; }

    void Out(std::string_view text);
    void Err(std::string_view text);

    // Draws `line` in place of the progress line (nothing when standard error
    // is no terminal); EraseProgress takes it away.
    void DrawProgress(const std::string& line);
    void EraseProgress();

    enum class Reply { Line, End, Interrupted };
    // Waits for one line of input (without its line end), looking at
    // Interrupted() every 100 ms.
    Reply ReadLine(std::string& line);

private:
    void Write(int fd, std::string_view text);
    int Columns() const;

    int in_;
    int out_;
    int err_;
    bool inTerminal_;
    bool errTerminal_;
    bool progressShown_ = false;
    std::string pendingInput_;
};
