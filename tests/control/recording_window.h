#pragma once

#include <deque>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "control/control_ids.h"
#include "control/control_state.h"
#include "control/window_port.h"

// A window that records everything done to it and answers boxes and dialogs
// from scripts the test sets up.
class RecordingWindow final : public WindowPort {
public:
    using Control = ControlState;
    struct Box {
        std::wstring text;
        std::wstring caption;
        unsigned style = 0;
    };
    struct FileDialogCall {
        bool open = false;
        std::wstring initialName;
        std::wstring filter;
        unsigned flags = 0;
    };
    // Decides a box's answer; may act meanwhile, as a nested message loop
    // would (ticks, say).
    using BoxAnswer = std::function<int(const Box&)>;

    // Boxes with a question are answered from here in order; an unscripted
    // question fails the test and is answered Cancel. Plain OK boxes need no
    // script unless one is queued.
    void Answer(int result);
    void Answer(BoxAnswer answer);
    // Answers every question captioned "Confirm" (before destroying a
    // target) with this, without taking a scripted answer; nothing: such
    // questions are scripted like any other.
    std::optional<int> confirmAnswer;
    // The next file dialog's result (nothing: cancelled).
    void ChooseFile(std::optional<std::wstring> path);
    void ChooseDisk(DiskChoice choice);

    Control& At(int id) { return controls[id]; }
    std::wstring Log() { return controls[ControlId::LogEdit].text; }
    std::vector<std::wstring> LogLines();

    std::map<int, Control> controls;
    std::wstring caption;
    int progressLow = 0;
    int progressHigh = 100;
    int progressPosition = 0;
    std::vector<int> progressPositions;
    std::wstring statusText;
    std::vector<std::wstring> statusTexts;
    std::vector<Box> boxes;
    std::vector<FileDialogCall> fileDialogs;
    int diskDialogs = 0;
    bool timerRunning = false;
    int timerId = -1;
    int timerPeriod = 0;
    int focus = 0;
    std::optional<int> endResult;
    std::vector<std::wstring> openedUrls;
    std::vector<std::uint32_t> executionStates;
    int updateChecks = 0;

    std::wstring GetControlText(int id) override;
    void SetControlText(int id, const std::wstring& text) override;
    std::wstring GetCaption() override { return caption; }
    void EnableControl(int id, bool enable) override { controls[id].enabled = enable; }
    void ShowControl(int id, int showCommand) override { controls[id].show = showCommand; }
    int GetCheck(int id) override { return controls[id].check; }
    void SetCheck(int id, int state) override { controls[id].check = state; }
    int GetSelection(int id) override { return controls[id].selection; }
    void SetSelection(int id, int index) override { controls[id].selection = index; }
    void SetListItems(int id, const std::vector<std::wstring>& items) override {
        controls[id].items = items;
        controls[id].selection = -1;
    }
    void SetProgressRange(int low, int high) override;
    void SetProgressPosition(int position) override;
    void SetStatusText(const std::wstring& text) override;
    void AppendToLog(const std::wstring& text) override;
    int ShowMessageBox(const std::wstring& text, const std::wstring& caption,
                       unsigned style) override;
    std::optional<std::wstring> OpenFileDialog(const std::wstring& initialName,
                                               const std::wstring& filter, unsigned flags) override;
    std::optional<std::wstring> SaveFileDialog(const std::wstring& initialName,
                                               const std::wstring& filter, unsigned flags) override;
    DiskChoice SelectDisk() override;
    void StartTimer(int id, int periodMilliseconds) override;
    void StopTimer(int id) override;
    void SetFocus(int id) override { focus = id; }
    void EndDialog(int result) override { endResult = result; }
    void OpenUrl(const std::wstring& url) override { openedUrls.push_back(url); }
    void SetExecutionState(std::uint32_t flags) override { executionStates.push_back(flags); }
    void RequestUpdateCheck() override { ++updateChecks; }

private:
    std::optional<std::wstring> FileDialog(bool open, const std::wstring& initialName,
                                           const std::wstring& filter, unsigned flags);

    std::deque<BoxAnswer> answers_;
    std::deque<std::optional<std::wstring>> files_;
    std::deque<DiskChoice> disks_;
};
