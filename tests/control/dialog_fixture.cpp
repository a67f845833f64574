#include "dialog_fixture.h"

std::vector<std::wstring> DialogTest::Boxes(const std::wstring& caption) const {
    std::vector<std::wstring> texts;
    for (const RecordingWindow::Box& box : window.boxes) {
        if (box.caption == caption) {
            texts.push_back(box.text);
        }
    }
    return texts;
}
