#pragma once

#include <cstdint>
#include <string>

#include "engine/clone_job.h"
#include "engine/clone_task.h"

// The texts that name a job's mode: disk to disk, disk to image, image to
// disk, image to image.
struct JobMode {
    const wchar_t* title;         // the status bar's "Saving Image" etc.
    const wchar_t* finalMessage;  // the "Done" box at the end
};
JobMode ModeOf(const CloneJob& job);

// Why a copy that ended as `ending` left an incomplete target, or the empty
// text when it did not fail (completed, cancelled, aborted after a read error).
std::wstring FailureReason(const CloneJob& job, CopyEnding ending, std::int64_t position);

// The mode's final message; it says how many bytes of the source were left out
// when the user agreed to a target disk smaller than the source.
std::wstring FinalMessage(const CloneJob& job, std::int64_t truncatedBytes);

// part * scale / whole, truncated, without overflowing for large parts.
std::int64_t ScaledRatio(std::int64_t part, std::int64_t whole, std::int64_t scale);
