#include "dialog_fixture.h"

#include <chrono>
#include <thread>

std::vector<std::wstring> DialogTest::Boxes(const std::wstring& caption) const {
    std::vector<std::wstring> texts;
    for (const RecordingWindow::Box& box : window.boxes) {
        if (box.caption == caption) {
            texts.push_back(box.text);
        }
    }
    return texts;
}

void DialogTest::TickUntilIdle() {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
    while (dialog.task) {
        ASSERT_TRUE(window.timerRunning) << "a task runs without the timer";
        ASSERT_LT(std::chrono::steady_clock::now(), deadline) << "the copy did not end";
        dialog.OnTimer();
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
}

CCloneTask& DialogTest::InjectTask(const CloneJob& job) {
    dialog.job = job;
    dialog.task = std::make_unique<CCloneTask>();
    dialog.task->job = job;
    dialog.task->blockSize = kBlockSize;
    window.StartTimer(kProgressTimer, 100);
    return *dialog.task;
}
