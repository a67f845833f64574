#pragma once

#include <gtest/gtest.h>

#include <QApplication>
#include <QTest>
#include <string>
#include <vector>

#include "qt/main_window_widget.h"
#include "qt/window_events.h"

// Writes down every action the window reports, as "command 1004",
// "killfocus 1002", "selchange 1036", "edit 1003", "enter 1002", "escape" or
// "close".
class RecordingEvents : public WindowEvents {
public:
    void OnCommand(int id) override { calls.push_back("command " + std::to_string(id)); }
    void OnKillFocus(int id) override { calls.push_back("killfocus " + std::to_string(id)); }
    void OnSelChange(int id) override { calls.push_back("selchange " + std::to_string(id)); }
    void OnEditChange(int id) override { calls.push_back("edit " + std::to_string(id)); }
    void OnEnterKey(int id) override { calls.push_back("enter " + std::to_string(id)); }
    void OnEscapeKey() override { calls.push_back("escape"); }
    void OnCloseRequest() override { calls.push_back("close"); }

    // The calls without the lost focus reports, which every move of the focus
    // away from a path edit adds (the Source edit has the focus at the start).
    std::vector<std::string> Actions() const {
        std::vector<std::string> actions;
        for (const std::string& call : calls) {
            if (!call.starts_with("killfocus ")) {
                actions.push_back(call);
            }
        }
        return actions;
    }

    std::vector<std::string> calls;
};

// A main window, shown and active, reporting to `events`.
class MainWindowTest : public testing::Test {
protected:
    void SetUp() override {
        window.SetEvents(&events);
        window.show();
        window.activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
    }

    QWidget* Control(int id) { return window.Control(id); }

    MainWindowWidget window;
    RecordingEvents events;
};
