#pragma once

#include <gtest/gtest.h>

#include "control/brevel_dialog.h"
#include "control/control_ids.h"
#include "recording_settings.h"
#include "recording_window.h"

// A main window over recording ports.
class DialogTest : public ::testing::Test {
protected:
    RecordingWindow window;
    RecordingSettings settings;
    CBrevelDialog dialog{window, settings};

    bool Enabled(int id) { return window.At(id).enabled; }
    bool Shown(int id) { return window.At(id).show == ShowCommand::Show; }
};
