#pragma once

#include <cstdint>
#include <string>

#include "control/job_outcome.h"
#include "engine/clone_job.h"
#include "engine/clone_task.h"

// The texts that name a job's mode: disk to disk, disk to image, image to
// disk, image to image.
struct JobMode {
    const wchar_t* title;         // the status bar's "Saving Image" etc.
    const wchar_t* finalMessage;  // the "Done" box at the end
};
JobMode ModeOf(const CloneJob& job);

// The "Done" box's text for a task that completed: the mode's final message,
// with what to do when the kernel did not take a written disk's new partition
// table, and how many bytes of the source did not fit when the user agreed to
// a smaller target disk.
std::wstring CompletedMessage(const CCloneTask& task);

// The closing box of a job that did not fail, and whether its text is also
// the log's last line: a clean completion is told by the box alone; a
// completion with bytes written as zeros, a cancel and an abort are warnings
// that say what the target holds.
struct ClosingMessage {
    std::wstring text;
    std::wstring caption;
    unsigned style = 0;
    bool logged = false;
};
ClosingMessage ClosingMessageOf(const CCloneTask& task, const JobOutcome& outcome);

// Why a copy that ended as `ending` left an incomplete target, or the empty
// text when it did not fail (completed, cancelled, aborted after a read error).
std::wstring FailureReason(const CloneJob& job, CopyEnding ending, std::int64_t position);

// "Disk 1 (/dev/sdb, SanDisk Ultra, 59.6 GB)": how the user knows the disk.
std::wstring DiskDescription(const DiskIdentity& disk);

// part * scale / whole, truncated, without overflowing for large parts.
std::int64_t ScaledRatio(std::int64_t part, std::int64_t whole, std::int64_t scale);
