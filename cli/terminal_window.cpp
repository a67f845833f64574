#include "cli/terminal_window.h"

#include <boost/algorithm/string/case_conv.hpp>
#include <boost/algorithm/string/replace.hpp>
#include <boost/algorithm/string/trim.hpp>

#include "cli/interrupt.h"
#include "control/site.h"
#include "disks/path_text.h"

namespace {

// Message box style fields.
constexpr unsigned kButtonsMask = 0xF;
constexpr unsigned kIconMask = 0xF0;
constexpr unsigned kDefaultButtonMask = 0xF00;

// The log pane's lines as a terminal takes them.
std::string TerminalText(const std::wstring& text) {
    return boost::algorithm::replace_all_copy(WideToUtf8(text), "\r\n", "\n");
}

std::string Answer(const std::string& line) {
    return boost::algorithm::to_lower_copy(boost::algorithm::trim_copy(line));
}

}  // namespace

TerminalWindow::TerminalWindow(Console& console, const CliOptions& options)
    : console_(console), options_(options) {}

std::wstring TerminalWindow::GetControlText(int id) {
    if (id == ControlId::LogEdit) {
        return log_;
    }
    return controls_[id].text;
}

void TerminalWindow::SetControlText(int id, const std::wstring& text) {
    if (id == ControlId::LogEdit) {
        // A pane that is replaced by another text is written again whole.
        if (text.compare(0, logWritten_, log_, 0, logWritten_) != 0) {
            logWritten_ = 0;
        }
        log_ = text;
        return;
    }
    if (id == ControlId::CopiedText || id == ControlId::SpeedText) {
        readoutsChanged_ = true;
    }
    controls_[id].text = text;
}

std::wstring TerminalWindow::GetCaption() {
    return std::wstring(L"Brevel Free " BREVEL_VERSION L" - ") + kSiteName;
}

void TerminalWindow::SetStatusText(const std::wstring& text) {
    statusText_ = text;
    readoutsChanged_ = true;
}

void TerminalWindow::AppendToLog(const std::wstring& text) {
    log_ += text;
    FlushLog();
}

void TerminalWindow::FlushLog() {
    if (logWritten_ < log_.size()) {
        console_.Out(TerminalText(log_.substr(logWritten_)));
        logWritten_ = log_.size();
    }
}

void TerminalWindow::DrawProgress() {
    if (!readoutsChanged_) {
        return;
    }
    readoutsChanged_ = false;
    const std::wstring& speed = controls_[ControlId::SpeedText].text;
    if (speed.empty()) {
        return;  // no second measured yet, or the job is over
    }
    std::string line;
    if (!statusText_.empty()) {
        line = WideToUtf8(statusText_) + "   ";
    }
    line += "Copied: " + WideToUtf8(controls_[ControlId::CopiedText].text) +
            "   Speed: " + WideToUtf8(speed);
    console_.DrawProgress(line);
}

void TerminalWindow::StartTimer(int id, int periodMilliseconds) {
    if (id == kProgressTimer) {
        timerRunning_ = true;
        timerPeriod_ = periodMilliseconds;
    }
}

void TerminalWindow::StopTimer(int id) {
    if (id == kProgressTimer) {
        timerRunning_ = false;
    }
}

int TerminalWindow::ShowMessageBox(const std::wstring& text, const std::wstring& caption,
                                   unsigned style) {
    // What the box is about comes first.
    FlushLog();
    const std::string message = WideToUtf8(caption) + ": " + WideToUtf8(text);
    switch (style & kButtonsMask) {
        case BoxStyle::Ok:
            if ((style & kIconMask) == BoxStyle::IconError) {
                outcome_.errorShown = true;
                console_.Err(message + "\n");
            } else {
                // An information box: the job's closing message.
                outcome_.finalMessageShown = true;
                console_.Out(WideToUtf8(text) + "\n");
            }
            return BoxResult::Ok;
        case BoxStyle::OkCancel:
            return AskOkCancel(message, style);
        case BoxStyle::AbortRetryIgnore: {
            const int answer = AskAbortRetryIgnore(message + " Abort, retry or ignore?", style);
            if (answer == BoxResult::Abort) {
                outcome_.readErrorAborted = true;
            }
            return answer;
        }
        default:
            Answered(message + " ", "cancel", "not a question a terminal answers");
            return BoxResult::Cancel;
    }
}

void TerminalWindow::Answered(const std::string& question, const std::string& answer,
                              const std::string& reason) {
    console_.Err(question + answer + " (" + reason + ")\n");
}

int TerminalWindow::AskOkCancel(const std::string& question, unsigned style) {
    const bool okIsDefault = (style & kDefaultButtonMask) == 0;
    const std::string prompt = question + (okIsDefault ? " [Y/n] " : " [y/N] ");
    if (cancelConfirmed_) {
        Answered(prompt, "y", "interrupted");
        return BoxResult::Ok;
    }
    if (Interrupted()) {
        Answered(prompt, "n", "interrupted");
        return BoxResult::Cancel;
    }
    if (options_.yes) {
        Answered(prompt, "y", "--yes");
        return BoxResult::Ok;
    }
    if (!console_.Interactive()) {
        Answered(prompt, "n", "no terminal to ask; --yes answers y");
        return BoxResult::Cancel;
    }
    for (;;) {
        console_.Err(prompt);
        std::string line;
        if (console_.ReadLine(line) != Console::Reply::Line) {
            console_.Err("\n");
            return BoxResult::Cancel;  // no more input, or interrupted
        }
        const std::string answer = Answer(line);
        if (answer.empty()) {
            return okIsDefault ? BoxResult::Ok : BoxResult::Cancel;
        }
        if (answer == "y" || answer == "yes") {
            return BoxResult::Ok;
        }
        if (answer == "n" || answer == "no") {
            return BoxResult::Cancel;
        }
    }
}

int TerminalWindow::AskAbortRetryIgnore(const std::string& question, unsigned style) {
    struct Choice {
        const char* word;
        int result;
        ReadErrorPolicy policy;
    };
    static const Choice choices[] = {
        {"abort", BoxResult::Abort, ReadErrorPolicy::Abort},
        {"retry", BoxResult::Retry, ReadErrorPolicy::Retry},
        {"ignore", BoxResult::Ignore, ReadErrorPolicy::Ignore},
    };
    const std::size_t defaultChoice = std::min<std::size_t>((style & kDefaultButtonMask) >> 8, 2);
    std::string keys;
    for (std::size_t i = 0; i < 3; ++i) {
        keys += std::string(keys.empty() ? "" : "/") +
                static_cast<char>(i == defaultChoice ? std::toupper(choices[i].word[0])
                                                     : choices[i].word[0]);
    }
    const std::string prompt = question + " [" + keys + "] ";
    for (const Choice& choice : choices) {
        if (options_.onReadError == choice.policy) {
            Answered(prompt, choice.word, std::string("--on-read-error ") + choice.word);
            return choice.result;
        }
    }
    if (Interrupted()) {
        Answered(prompt, "abort", "interrupted");
        return BoxResult::Abort;
    }
    if (!console_.Interactive()) {
        Answered(prompt, "abort", "no terminal to ask; see --on-read-error");
        return BoxResult::Abort;
    }
    for (;;) {
        console_.Err(prompt);
        std::string line;
        if (console_.ReadLine(line) != Console::Reply::Line) {
            console_.Err("\n");
            return BoxResult::Abort;  // no more input, or interrupted: stop the copy
        }
        const std::string answer = Answer(line);
        if (answer.empty()) {
            return choices[defaultChoice].result;
        }
        for (const Choice& choice : choices) {
            if (answer == choice.word || answer == std::string(1, choice.word[0])) {
                return choice.result;
            }
        }
    }
}
