#pragma once

#include <cstdint>

#include "engine/clone_task.h"

// How the window's last job ended, kept after its task is gone, so that a
// face can tell the user (and a script, through an exit status) what
// happened without looking at what was shown.
enum class JobEnding {
    None,              // no job was started yet
    Refused,           // a check or a question stopped it before it started
    Completed,         // the whole source was copied (zeroFilledBytes may say otherwise)
    Cancelled,         // the user cancelled it
    ReadErrorAborted,  // the user stopped it at an unreadable block of the source
    Failed,            // the target or the source failed, or the target does not read
                       // back as written
};

struct JobOutcome {
    JobEnding ending = JobEnding::None;
    std::int64_t copiedBytes = 0;
    std::int64_t failurePosition = -1;  // where a failed or aborted copy stopped
    // Source bytes that could not be read and were written as zeros.
    std::int64_t zeroFilledBytes = 0;
    std::int64_t firstZeroFilledPosition = -1;
    // What reading the target back found (Differs and Unreadable end the job
    // as Failed, at failurePosition).
    Verification verification = Verification::NotRequested;

    bool RefusedBeforeStart() const { return ending == JobEnding::Refused; }
};

// The outcome of a finished task whose final position is `position`.
JobOutcome OutcomeOf(const CCloneTask& task, std::int64_t position);
