#pragma once

#include <chrono>
#include <functional>
#include <memory>

#include "engine/clone_task.h"

// Plays the window's part for a running task: polls it, answers read-error
// questions through `answer`, and returns once `finished` is set. Fails the
// current test when the task does not finish within `limit`.
struct RunResult {
    std::wstring startMessage;
    std::unique_ptr<CCloneTask> task;  // null when Start failed
    int questions = 0;
};

using AnswerFunction = std::function<ReadErrorAnswer(int question)>;

RunResult RunJob(const CloneJob& job, AnswerFunction answer = nullptr,
                 std::chrono::seconds limit = std::chrono::seconds(120));

// Waits for a started task as RunJob does.
void WaitForFinish(RunResult& run, AnswerFunction answer, std::chrono::seconds limit);

CloneJob ImageJob(const std::wstring& source, CompressionMethod sourceMethod,
                  const std::wstring& target, CompressionMethod targetMethod, int level = 6);

// A disk endpoint as the window makes one of `path`: the disk it names now,
// identity included.
Endpoint DiskEndpoint(const std::wstring& path);

// The size of a disk as the window learns it before a job: open, ask, close.
std::int64_t SizeOfDisk(const std::wstring& path);
