#include "task_runner.h"

#include <gtest/gtest.h>

#include <thread>

#include "disks/endpoint_class.h"
#include "disks/path_text.h"

RunResult RunJob(const CloneJob& job, AnswerFunction answer, std::chrono::seconds limit) {
    RunResult run;
    run.task = std::make_unique<CCloneTask>();
    run.startMessage = run.task->Start(job);
    if (!run.startMessage.empty()) {
        run.task.reset();
        return run;
    }
    WaitForFinish(run, std::move(answer), limit);
    return run;
}

void WaitForFinish(RunResult& run, AnswerFunction answer, std::chrono::seconds limit) {
    const auto deadline = std::chrono::steady_clock::now() + limit;
    while (!run.task->finished) {
        if (run.task->readErrorPending) {
            run.task->readErrorPending = false;
            ++run.questions;
            run.task->readErrorAnswer = answer ? answer(run.questions) : ReadErrorAnswer::Abort;
        }
        if (std::chrono::steady_clock::now() > deadline) {
            ADD_FAILURE() << "the copy did not finish in time";
            run.task->Cancel();
            return;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
}

CloneJob ImageJob(const std::wstring& source, CompressionMethod sourceMethod,
                  const std::wstring& target, CompressionMethod targetMethod, int level) {
    CloneJob job;
    job.source = {source, EndpointKind::ImageFile, sourceMethod != CompressionMethod::None,
                  sourceMethod};
    job.target = {target, EndpointKind::ImageFile, targetMethod != CompressionMethod::None,
                  targetMethod};
    job.level = level;
    return job;
}

Endpoint DiskEndpoint(const std::wstring& path) {
    Endpoint endpoint{path, EndpointKind::PhysicalDisk, false, CompressionMethod::None};
    endpoint.disk = ClassifyEndpoint(path).disk;
    return endpoint;
}

std::int64_t SizeOfDisk(const std::wstring& path) {
    const DiskOpening opening = OpenDisk(DiskEndpoint(path).disk, DiskUse::Read);
    std::int64_t size = -1;
    EXPECT_TRUE(QueryDiskSize(opening.disk.Handle(), size)) << "no size for " << WideToUtf8(path);
    return size;
}
