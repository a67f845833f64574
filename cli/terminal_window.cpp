#include "cli/terminal_window.h"

#include <boost/algorithm/string/case_conv.hpp>
#include <boost/algorithm/string/replace.hpp>
#include <boost/algorithm/string/trim.hpp>

#include "cli/interrupt.h"
#include "control/site.h"
#include "disks/path_text.h"

namespace {

// The log pane's lines as a terminal takes them.
std::string TerminalText(const std::wstring& text) {
    return boost::algorithm::replace_all_copy(WideToUtf8(text), "\r\n", "\n");
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

void TerminalWindow::DrawProgress(const CBrevelDialog::ProgressReadout& progress) {
    if (!readoutsChanged_) {
        return;
    }
    readoutsChanged_ = false;
    if (progress.speed.empty()) {
        return;  // no second measured yet
    }
    // As pv shows it: 42%  1.10 GB of 2.15 GB  35.2 MB/s  3:10 left
    std::string line;
    if (!progress.phase.empty()) {
        line = WideToUtf8(progress.phase) + ": ";
    }
    if (progress.percent >= 0) {
        line += std::to_string(progress.percent) + "%  ";
    }
    line += WideToUtf8(progress.copied);
    if (!progress.total.empty()) {
        line += " of " + WideToUtf8(progress.total);
    }
    line += "  " + WideToUtf8(progress.speed);
    if (!progress.timeLeft.empty()) {
        line += "  " + WideToUtf8(progress.timeLeft) + " left";
    }
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
    switch (style & BoxStyle::ButtonsMask) {
        case BoxStyle::Ok:
            if ((style & BoxStyle::IconMask) == BoxStyle::IconError) {
                console_.Err(message + "\n");
            } else if (log_.size() < text.size() + 2 ||
                       log_.compare(log_.size() - text.size() - 2, text.size(), text) != 0) {
                // The job's closing message, unless the log's last line said it.
                console_.Out(WideToUtf8(text) + "\n");
            }
            return BoxResult::Ok;
        case BoxStyle::OkCancel:
            return AskYesOrNo(message, style, BoxResult::Ok, BoxResult::Cancel);
        case BoxStyle::YesNo:
            return AskYesOrNo(message, style, BoxResult::Yes, BoxResult::No);
        case BoxStyle::AbortRetryIgnore:
            return AskAbortRetryIgnore(message + " Abort, retry or ignore?", style);
        default:
            Answered(message + " ", "cancel", "not a question a terminal answers");
            return BoxResult::Cancel;
    }
}

void TerminalWindow::Answered(const std::string& question, const std::string& answer,
                              const std::string& reason) {
    console_.Err(question + answer + " (" + reason + ")\n");
}

int TerminalWindow::Pose(const Question& question) {
    // An interrupt is the user's wish to stop: it beats every preset answer.
    if (Interrupted()) {
        Answered(question.prompt, question.safe.word, "interrupted");
        return question.safe.result;
    }
    if (question.preset) {
        Answered(question.prompt, question.preset->word, question.preset->reason);
        return question.preset->result;
    }
    if (!console_.Interactive()) {
        Answered(question.prompt, question.safe.word, question.safe.reason);
        return question.safe.result;
    }
    for (;;) {
        console_.Err(question.prompt);
        std::string line;
        if (console_.ReadLine(line) != Console::Reply::Line) {
            console_.Err("\n");
            return question.safe.result;  // no more input, or interrupted
        }
        const std::string answer =
            boost::algorithm::to_lower_copy(boost::algorithm::trim_copy(line));
        for (const Question::Choice& choice : question.choices) {
            if ((answer.empty() && choice.isDefault) || answer == choice.word ||
                answer == choice.word.substr(0, 1)) {
                return choice.result;
            }
        }
    }
}

int TerminalWindow::AskYesOrNo(const std::string& text, unsigned style, int yes, int no) {
    const bool yesIsDefault = (style & BoxStyle::DefaultButtonMask) == 0;
    Question question;
    question.prompt = text + (yesIsDefault ? " [Y/n] " : " [y/N] ");
    question.choices = {{"yes", yes, yesIsDefault}, {"no", no, !yesIsDefault}};
    question.safe = {"n", no, "no terminal to ask; --yes answers y"};
    if (cancelConfirmed_) {
        Answered(question.prompt, "y", "interrupted");
        return yes;
    }
    if (options_.yes) {
        question.preset = Question::Preset{"y", yes, "--yes"};
    }
    return Pose(question);
}

int TerminalWindow::AskAbortRetryIgnore(const std::string& text, unsigned style) {
    const std::size_t defaultIndex = std::min<std::size_t>(
        (style & BoxStyle::DefaultButtonMask) >> BoxStyle::DefaultButtonShift, 2);
    Question question;
    question.choices = {{"abort", BoxResult::Abort, false},
                        {"retry", BoxResult::Retry, false},
                        {"ignore", BoxResult::Ignore, false}};
    question.choices[defaultIndex].isDefault = true;
    std::string keys;
    for (const Question::Choice& choice : question.choices) {
        keys += (keys.empty() ? "" : "/") +
                std::string(1, choice.isDefault ? std::toupper(choice.word[0]) : choice.word[0]);
    }
    question.prompt = text + " [" + keys + "] ";
    question.safe = {"abort", BoxResult::Abort, "no terminal to ask; see --on-read-error"};
    const ReadErrorPolicy policies[] = {ReadErrorPolicy::Abort, ReadErrorPolicy::Retry,
                                        ReadErrorPolicy::Ignore};
    for (std::size_t i = 0; i < 3; ++i) {
        if (options_.onReadError == policies[i]) {
            const std::string& word = question.choices[i].word;
            question.preset =
                Question::Preset{word, question.choices[i].result, "--on-read-error " + word};
        }
    }
    if (options_.onReadError == ReadErrorPolicy::Retry) {
        presetRetries_ = copyPosition_ == retriedPosition_ ? presetRetries_ + 1 : 1;
        retriedPosition_ = copyPosition_;
        if (presetRetries_ > kPresetRetries) {
            // A block that never reads must not hold the copy for ever.
            question.preset.reset();
            question.safe.reason = "--on-read-error retry: " + std::to_string(kPresetRetries) +
                                   " retries of this block failed";
        }
    }
    return Pose(question);
}
