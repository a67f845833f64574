#pragma once

#include <QTimer>
#include <functional>
#include <map>
#include <memory>

#include "control/window_port.h"
#include "qt/keep_awake.h"

class MainWindowWidget;

// The window port on the Qt widgets: the main window's controls by id, the
// message boxes, file dialogs and "Select Disk" over it, timer 0 as a QTimer,
// the browser and the keep-awake request. It decides nothing; timer ticks and
// the update-check request go to the handlers it is given.
class QtWindowPort final : public WindowPort {
public:
    explicit QtWindowPort(MainWindowWidget& window);
    ~QtWindowPort() override;

    // Called on every tick of a running timer, with the timer's id.
    void SetTimerHandler(std::function<void(int)> handler) { timerHandler_ = std::move(handler); }
    // Called from the event loop once the window is up, after a request.
    void SetUpdateCheckHandler(std::function<void()> handler) {
        updateCheckHandler_ = std::move(handler);
    }

    std::wstring GetControlText(int id) override;
    void SetControlText(int id, const std::wstring& text) override;
    std::wstring GetCaption() override;
    void EnableControl(int id, bool enable) override;
    void ShowControl(int id, int showCommand) override;
    int GetCheck(int id) override;
    void SetCheck(int id, int state) override;
    int GetSelection(int id) override;
    void SetSelection(int id, int index) override;
    void SetListItems(int id, const std::vector<std::wstring>& items) override;
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
    void SetFocus(int id) override;
    void EndDialog(int result) override;
    void OpenUrl(const std::wstring& url) override;
    void SetExecutionState(std::uint32_t flags) override;
    void RequestUpdateCheck() override;

private:
    MainWindowWidget& window_;
    std::map<int, std::unique_ptr<QTimer>> timers_;
    std::function<void(int)> timerHandler_;
    std::function<void()> updateCheckHandler_;
    std::unique_ptr<KeepAwake> keepAwake_;
};
