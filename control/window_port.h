#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

// What the "Select Disk" dialog hands back: BoxResult::Ok or BoxResult::Cancel,
// and on Ok the chosen disk's path and label (both empty when no row was
// selected), with the device and size its row showed: the disk the user saw.
struct DiskChoice {
    DiskChoice(int result = 0, std::wstring path = {}, std::wstring label = {},
               std::wstring device = {}, std::int64_t size = -1)
        : result(result),
          selectedPath(std::move(path)),
          selectedLabel(std::move(label)),
          selectedDevice(std::move(device)),
          selectedSize(size) {}

    int result = 0;
    std::wstring selectedPath;
    std::wstring selectedLabel;
    std::wstring selectedDevice;     // "/dev/sdb"; empty when the list did not tell
    std::int64_t selectedSize = -1;  // bytes; -1 when not known
};

// The main window as CBrevelDialog sees it: everything it does to its window
// goes through here, in terms of the control ids and values of control_ids.h.
// Each face (Qt, terminal, test recorder) implements it once. Every call is
// made on the window thread.
class WindowPort {
public:
    virtual ~WindowPort() = default;

    // A control's whole text, and replacing it.
    virtual std::wstring GetControlText(int id) = 0;
    virtual void SetControlText(int id, const std::wstring& text) = 0;
    // The window's own caption.
    virtual std::wstring GetCaption() = 0;

    virtual void EnableControl(int id, bool enable) = 0;
    // ShowCommand::Show or ShowCommand::Hide.
    virtual void ShowControl(int id, int showCommand) = 0;

    // Check box state: CheckState values.
    virtual int GetCheck(int id) = 0;
    virtual void SetCheck(int id, int state) = 0;
    // Drop-down list selection: the item's index, -1 when none.
    virtual int GetSelection(int id) = 0;
    virtual void SetSelection(int id, int index) = 0;
    // Replaces a drop-down list's entries; nothing is selected afterwards.
    virtual void SetListItems(int id, const std::vector<std::wstring>& items) = 0;

    // The progress bar (ControlId::ProgressBar).
    virtual void SetProgressRange(int low, int high) = 0;
    virtual void SetProgressPosition(int position) = 0;
    // The status bar's one simple-mode text.
    virtual void SetStatusText(const std::wstring& text) = 0;
    // Appends text at the end of the log pane and scrolls it into view.
    virtual void AppendToLog(const std::wstring& text) = 0;

    // A modal message box over the window; returns the BoxResult pressed.
    virtual int ShowMessageBox(const std::wstring& text, const std::wstring& caption,
                               unsigned style) = 0;
    // The open and save file dialogs. The filter is "Name|patterns|...||".
    // Nothing when the user cancelled; else the chosen file's full path.
    virtual std::optional<std::wstring> OpenFileDialog(const std::wstring& initialName,
                                                       const std::wstring& filter,
                                                       unsigned flags) = 0;
    virtual std::optional<std::wstring> SaveFileDialog(const std::wstring& initialName,
                                                       const std::wstring& filter,
                                                       unsigned flags) = 0;
    // Runs "Select Disk" modally.
    virtual DiskChoice SelectDisk() = 0;

    // Timer ticks arrive as calls of CBrevelDialog::OnTimer.
    virtual void StartTimer(int id, int periodMilliseconds) = 0;
    virtual void StopTimer(int id) = 0;

    virtual void SetFocus(int id) = 0;
    // Closes the window; the application ends with it.
    virtual void EndDialog(int result) = 0;
    // Opens a web page in the user's browser; failures are not reported.
    virtual void OpenUrl(const std::wstring& url) = 0;
    // Keeps the machine awake (ExecutionState values); Continuous alone
    // lifts the request.
    virtual void SetExecutionState(std::uint32_t flags) = 0;
    // Queues the update check to run once the window is up.
    virtual void RequestUpdateCheck() = 0;
};
