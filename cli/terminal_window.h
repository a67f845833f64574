#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "cli/cli_options.h"
#include "cli/console.h"
#include "control/brevel_dialog.h"
#include "control/control_ids.h"
#include "control/control_state.h"
#include "control/window_port.h"

// The main window as a terminal shows it. The controls live in memory (texts,
// checks, selections, enabled); the log pane's text reaches standard output as
// it is written, error boxes reach standard error as "Error: ...", the final
// message standard output, and on a terminal the status text and the two
// read-outs make one progress line. Questions are asked on the terminal or
// answered by the command line's policy. The progress timer is only recorded:
// the face's loop calls OnTimer while it runs.
class TerminalWindow final : public WindowPort {
public:
    TerminalWindow(Console& console, const CliOptions& options);

    bool IsEnabled(int id) { return controls_[id].enabled; }
    bool TimerRunning() const { return timerRunning_; }
    int TimerPeriod() const { return timerPeriod_; }
    bool Ended() const { return ended_; }

    // --on-read-error retry answers Retry this many times for one block; then
    // the user is asked on a terminal, and without one the copy aborts.
    static constexpr int kPresetRetries = 3;
    // The copy's position before each tick: a read error's question is about
    // the block there, so that retries are counted per block.
    void NoteCopyPosition(std::int64_t position) { copyPosition_ = position; }

    // While set, the question whether to cancel the running task is answered
    // OK: the user's interrupt is that confirmation.
    void SetCancelConfirmed(bool confirmed) { cancelConfirmed_ = confirmed; }

    // Writes what the log pane gained since the last call.
    void FlushLog();
    // Redraws the progress line from the window's read-outs when one changed
    // since it was drawn.
    void DrawProgress(const CBrevelDialog::ProgressReadout& progress);

    std::wstring GetControlText(int id) override;
    void SetControlText(int id, const std::wstring& text) override;
    std::wstring GetCaption() override;
    void EnableControl(int id, bool enable) override { controls_[id].enabled = enable; }
    void ShowControl(int id, int showCommand) override { controls_[id].show = showCommand; }
    int GetCheck(int id) override { return controls_[id].check; }
    void SetCheck(int id, int state) override { controls_[id].check = state; }
    int GetSelection(int id) override { return controls_[id].selection; }
    void SetSelection(int id, int index) override { controls_[id].selection = index; }
    void SetListItems(int id, const std::vector<std::wstring>& items) override {
        controls_[id].items = items;
        controls_[id].selection = -1;
    }
    void SetProgressRange(int, int) override {}
    void SetProgressPosition(int) override {}
    void SetStatusText(const std::wstring& text) override;
    void AppendToLog(const std::wstring& text) override;
    int ShowMessageBox(const std::wstring& text, const std::wstring& caption,
                       unsigned style) override;
    // The terminal has no file dialogs or disk list: paths come from the
    // command line. Both answer Cancel.
    std::optional<std::wstring> OpenFileDialog(const std::wstring&, const std::wstring&,
                                               unsigned) override {
        return std::nullopt;
    }
    std::optional<std::wstring> SaveFileDialog(const std::wstring&, const std::wstring&,
                                               unsigned) override {
        return std::nullopt;
    }
    DiskChoice SelectDisk() override { return DiskChoice{BoxResult::Cancel, L"", L""}; }
    void StartTimer(int id, int periodMilliseconds) override;
    void StopTimer(int id) override;
    void SetFocus(int) override {}
    void EndDialog(int) override { ended_ = true; }
    // No browser, no sleep inhibition and no update check from a terminal
    // tool that scripts run.
    void OpenUrl(const std::wstring&) override {}
    void SetExecutionState(std::uint32_t) override {}
    void RequestUpdateCheck() override {}

private:
    // A question with its answers as typed words (or their first letters).
    struct Question {
        struct Choice {
            std::string word;
            int result;
            bool isDefault;  // what Enter alone answers
        };
        // An answer given without asking, and why.
        struct Preset {
            std::string word;
            int result;
            std::string reason;
        };
        std::string prompt;
        std::vector<Choice> choices;
        // The answer when the user cannot answer: no terminal (with `reason`),
        // the end of the input, an interrupt.
        Preset safe;
        std::optional<Preset> preset;
    };

    int Pose(const Question& question);
    // OK/Cancel and Yes/No: `yes` and `no` are the two results.
    int AskYesOrNo(const std::string& text, unsigned style, int yes, int no);
    int AskAbortRetryIgnore(const std::string& text, unsigned style);
    // Prints the question with the answer that was chosen for the user.
    void Answered(const std::string& question, const std::string& answer,
                  const std::string& reason);

    Console& console_;
    const CliOptions& options_;
    std::map<int, ControlState> controls_;
    std::wstring statusText_;
    std::wstring log_;
    std::size_t logWritten_ = 0;  // leading characters of log_ already written
    bool readoutsChanged_ = false;
    bool timerRunning_ = false;
    int timerPeriod_ = 100;
    bool ended_ = false;
    bool cancelConfirmed_ = false;
    std::int64_t copyPosition_ = -1;
    std::int64_t retriedPosition_ = -1;  // the block that the preset retried
    int presetRetries_ = 0;              // how often, so far
};
