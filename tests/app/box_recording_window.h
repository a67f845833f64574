#pragma once

#include <gtest/gtest.h>

#include <string>
#include <thread>
#include <vector>

#include "control/control_ids.h"
#include "control/window_port.h"

// A window for the update check: it has a caption, records the boxes it shows
// (with the thread that showed them) and the pages it opens, and answers every
// box with `answer`. The check has no business with anything else, so every
// other call fails the test.
class BoxRecordingWindow final : public WindowPort {
public:
    struct Box {
        std::wstring text;
        std::wstring caption;
        unsigned style = 0;
        std::thread::id thread;
    };

    explicit BoxRecordingWindow(std::wstring windowCaption) : caption(std::move(windowCaption)) {}

    std::wstring caption;
    int answer = BoxResult::Cancel;
    std::vector<Box> boxes;
    std::vector<std::wstring> openedUrls;

    std::wstring GetCaption() override { return caption; }
    int ShowMessageBox(const std::wstring& text, const std::wstring& boxCaption,
                       unsigned style) override {
        boxes.push_back(Box{text, boxCaption, style, std::this_thread::get_id()});
        return answer;
    }
    void OpenUrl(const std::wstring& url) override { openedUrls.push_back(url); }

    std::wstring GetControlText(int) override { return Unexpected("GetControlText"), L""; }
    void SetControlText(int, const std::wstring&) override { Unexpected("SetControlText"); }
    void EnableControl(int, bool) override { Unexpected("EnableControl"); }
    void ShowControl(int, int) override { Unexpected("ShowControl"); }
    int GetCheck(int) override { return Unexpected("GetCheck"), 0; }
    void SetCheck(int, int) override { Unexpected("SetCheck"); }
    int GetSelection(int) override { return Unexpected("GetSelection"), -1; }
    void SetSelection(int, int) override { Unexpected("SetSelection"); }
    void SetListItems(int, const std::vector<std::wstring>&) override {
        Unexpected("SetListItems");
    }
    void SetProgressRange(int, int) override { Unexpected("SetProgressRange"); }
    void SetProgressPosition(int) override { Unexpected("SetProgressPosition"); }
    void SetStatusText(const std::wstring&) override { Unexpected("SetStatusText"); }
    void AppendToLog(const std::wstring&) override { Unexpected("AppendToLog"); }
    std::optional<std::wstring> OpenFileDialog(const std::wstring&, const std::wstring&,
                                               unsigned) override {
        return Unexpected("OpenFileDialog"), std::nullopt;
    }
    std::optional<std::wstring> SaveFileDialog(const std::wstring&, const std::wstring&,
                                               unsigned) override {
        return Unexpected("SaveFileDialog"), std::nullopt;
    }
    DiskChoice SelectDisk() override { return Unexpected("SelectDisk"), DiskChoice{}; }
    void StartTimer(int, int) override { Unexpected("StartTimer"); }
    void StopTimer(int) override { Unexpected("StopTimer"); }
    void SetFocus(int) override { Unexpected("SetFocus"); }
    void EndDialog(int) override { Unexpected("EndDialog"); }
    void SetExecutionState(std::uint32_t) override { Unexpected("SetExecutionState"); }
    void RequestUpdateCheck() override { Unexpected("RequestUpdateCheck"); }

private:
    static void Unexpected(const char* call) {
        ADD_FAILURE() << "the update check called " << call;
    }
};
