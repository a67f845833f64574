#include "recording_window.h"

#include <gtest/gtest.h>

#include "disks/path_text.h"

void RecordingWindow::Answer(int result) {
    answers_.push_back([result](const Box&) { return result; });
}

void RecordingWindow::Answer(BoxAnswer answer) {
    answers_.push_back(std::move(answer));
}

void RecordingWindow::ChooseFile(std::optional<std::wstring> path) {
    files_.push_back(std::move(path));
}

void RecordingWindow::ChooseDisk(DiskChoice choice) {
    disks_.push_back(std::move(choice));
}

std::vector<std::wstring> RecordingWindow::LogLines() {
    std::vector<std::wstring> lines;
    const std::wstring log = Log();
    std::size_t begin = 0;
    for (std::size_t end; (end = log.find(L"\r\n", begin)) != std::wstring::npos; begin = end + 2) {
        lines.push_back(log.substr(begin, end - begin));
    }
    if (begin < log.size()) {
        lines.push_back(log.substr(begin) + L"<no line end>");
    }
    return lines;
}

std::wstring RecordingWindow::GetControlText(int id) {
    return controls[id].text;
}

void RecordingWindow::SetControlText(int id, const std::wstring& text) {
    controls[id].text = text;
}

void RecordingWindow::SetProgressRange(int low, int high) {
    progressLow = low;
    progressHigh = high;
}

void RecordingWindow::SetProgressPosition(int position) {
    progressPosition = position;
    progressPositions.push_back(position);
}

void RecordingWindow::SetStatusText(const std::wstring& text) {
    statusText = text;
    statusTexts.push_back(text);
}

void RecordingWindow::AppendToLog(const std::wstring& text) {
    controls[ControlId::LogEdit].text += text;
}

int RecordingWindow::ShowMessageBox(const std::wstring& text, const std::wstring& boxCaption,
                                    unsigned style) {
    boxes.push_back(Box{text, boxCaption, style});
    const Box box = boxes.back();
    if (confirmAnswer && boxCaption == L"Confirm") {
        return *confirmAnswer;
    }
    if (answers_.empty()) {
        if ((style & BoxStyle::ButtonsMask) == BoxStyle::Ok) {
            return BoxResult::Ok;
        }
        ADD_FAILURE() << "unscripted question: " << WideToUtf8(text);
        return BoxResult::Cancel;
    }
    BoxAnswer answer = std::move(answers_.front());
    answers_.pop_front();
    return answer(box);
}

std::optional<std::wstring> RecordingWindow::FileDialog(bool open, const std::wstring& initialName,
                                                        const std::wstring& filter,
                                                        unsigned flags) {
    fileDialogs.push_back(FileDialogCall{open, initialName, filter, flags});
    if (files_.empty()) {
        ADD_FAILURE() << "unscripted file dialog";
        return std::nullopt;
    }
    std::optional<std::wstring> path = std::move(files_.front());
    files_.pop_front();
    return path;
}

std::optional<std::wstring> RecordingWindow::OpenFileDialog(const std::wstring& initialName,
                                                            const std::wstring& filter,
                                                            unsigned flags) {
    return FileDialog(true, initialName, filter, flags);
}

std::optional<std::wstring> RecordingWindow::SaveFileDialog(const std::wstring& initialName,
                                                            const std::wstring& filter,
                                                            unsigned flags) {
    return FileDialog(false, initialName, filter, flags);
}

DiskChoice RecordingWindow::SelectDisk() {
    ++diskDialogs;
    if (disks_.empty()) {
        ADD_FAILURE() << "unscripted disk dialog";
        return DiskChoice{BoxResult::Cancel, L"", L""};
    }
    DiskChoice choice = std::move(disks_.front());
    disks_.pop_front();
    return choice;
}

void RecordingWindow::StartTimer(int id, int periodMilliseconds) {
    timerRunning = true;
    timerId = id;
    timerPeriod = periodMilliseconds;
}

void RecordingWindow::StopTimer(int id) {
    EXPECT_EQ(id, timerId);
    timerRunning = false;
}
