#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "control/brevel_dialog.h"
#include "control/control_ids.h"
#include "recording_settings.h"
#include "recording_window.h"
#include "simulated_disks.h"
#include "test_files.h"

// A main window over recording ports, with simulated disks and a temporary
// folder that outlive it.
class DialogTest : public ::testing::Test {
protected:
    // The user agrees to replace what a target holds, unless a test asks
    // otherwise.
    DialogTest() { window.confirmAnswer = BoxResult::Yes; }

    SimulatedDisks disks;
    TempDir dir;
    RecordingWindow window;
    RecordingSettings settings;
    CBrevelDialog dialog{window, settings};

    static std::wstring Disk(int number) {
        return L"\\\\.\\PhysicalDrive" + std::to_wstring(number);
    }
    std::wstring InDir(const std::string& name) const { return Wide(dir / name); }
    bool Enabled(int id) { return window.At(id).enabled; }
    bool Shown(int id) { return window.At(id).show == ShowCommand::Show; }
    // The texts of the boxes shown with the given caption.
    std::vector<std::wstring> Boxes(const std::wstring& caption) const;
    // Ticks the timer as the window would until the task is gone.
    void TickUntilIdle();
    // Puts a task that was never started in the window, as if it ran: the
    // test sets its fields and ticks.
    CCloneTask& InjectTask(const CloneJob& job);
};
