#pragma once

#include <string>
#include <vector>

#include "control/control_ids.h"

// One control's state as a face without native controls keeps it in memory:
// the values that WindowPort sets and reads by control id.
struct ControlState {
    std::wstring text;
    bool enabled = true;
    int show = ShowCommand::Show;
    int check = CheckState::Unchecked;
    int selection = -1;
    std::vector<std::wstring> items;  // a drop-down list's entries
};
